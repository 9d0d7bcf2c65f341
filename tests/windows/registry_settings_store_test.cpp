#include "client/win/registry_settings_store.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "protocol/cp932.h"
#include "protocol/windows_headers.h"
#include "tests/client/dice/fake_views.h"

namespace vesk {
namespace {

using test::FakeMessageBox;

const std::vector<ScreenArea> kScreen = {{0, 0, 1280, 1024}};
constexpr auto kInfo = SettingsGroup::Info;
constexpr auto kOption = SettingsGroup::Option;

// A key of the test's own under HKEY_CURRENT_USER, removed with everything in it at the end.
class RegistrySettingsStoreTest : public testing::Test {
protected:
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, base.c_str()); }

    // Stores a raw value in the Option key, as another program could have left it.
    void PutRaw(const wchar_t* name, DWORD type, const void* data, DWORD size) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, (base + L"\\Option").c_str(), 0, nullptr,
                                  REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        EXPECT_EQ(RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size),
                  ERROR_SUCCESS);
        RegCloseKey(key);
    }

    // The raw value as the registry holds it: its type and its bytes.
    std::pair<DWORD, std::vector<BYTE>> GetRaw(const wchar_t* name) {
        std::vector<BYTE> data(256);
        DWORD type = 0;
        DWORD size = static_cast<DWORD>(data.size());
        EXPECT_EQ(RegGetValueW(HKEY_CURRENT_USER, (base + L"\\Option").c_str(), name,
                               RRF_RT_ANY | RRF_NOEXPAND, &type, data.data(), &size),
                  ERROR_SUCCESS);
        data.resize(size);
        return {type, data};
    }

    const std::wstring base =
        L"Software\\Okvi\\VeskChatTest" + std::to_wstring(GetCurrentProcessId());
    RegistrySettingsStore store{base};
};

TEST_F(RegistrySettingsStoreTest, FirstStartCreatesOnlyTheOptionKeyAndEverySettingComesBack) {
    FakeMessageBox messages;
    ConnectionTarget target;
    ClientSettings settings;
    EXPECT_EQ(LoadSettings(store, kScreen, target, settings, messages),
              (WindowPlacement{0, 0, 600, 480}));
    EXPECT_EQ(settings, ClientSettings{});
    EXPECT_FALSE(store.HasGroup(kInfo));
    EXPECT_TRUE(store.HasGroup(kOption));

    const ConnectionTarget savedTarget{"192.168.10.20", 16301};
    ClientSettings saved;
    saved.name = Cp932FromUtf8("ごんべ①");
    saved.font = Cp932FromUtf8("ＭＳ 明朝");
    saved.fontSize = 11;
    saved.record = false;
    saved.showTimes = true;
    saved.nudge = false;
    saved.highlightName = false;
    const WindowPlacement placement{40, 50, 700, 520};
    EXPECT_TRUE(SaveWindowPlacement(store, placement, true, kScreen, messages));
    SaveOptions(store, savedTarget, saved, messages);
    SaveEveningOptions(store, saved, messages);
    SaveFontSettings(store, saved, messages);
    EXPECT_TRUE(messages.shown.empty());

    RegistrySettingsStore again(base);
    EXPECT_EQ(LoadSettings(again, kScreen, target, settings, messages), placement);
    EXPECT_EQ(target.address, savedTarget.address);
    EXPECT_EQ(target.port, savedTarget.port);
    EXPECT_EQ(settings, saved);
    EXPECT_EQ(settings.name, "\x82\xb2\x82\xf1\x82\xd7\x87\x40");
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(RegistrySettingsStoreTest, ValuesHaveTheirRegistryTypesAndTextsTheirNul) {
    ASSERT_TRUE(store.OpenForWriting(kOption));
    ASSERT_TRUE(store.WriteText(kOption, "Name", Cp932FromUtf8("ごんべ①")));
    ASSERT_TRUE(store.WriteNumber(kOption, "Port", -2));

    const auto [nameType, nameData] = GetRaw(L"Name");
    EXPECT_EQ(nameType, static_cast<DWORD>(REG_SZ));
    const std::wstring expected = L"ごんべ①";
    const auto* begin = reinterpret_cast<const BYTE*>(expected.c_str());
    EXPECT_EQ(nameData, std::vector<BYTE>(begin, begin + (expected.size() + 1) * 2));
    const auto [portType, portData] = GetRaw(L"Port");
    EXPECT_EQ(portType, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(portData, (std::vector<BYTE>{0xfe, 0xff, 0xff, 0xff}));
    EXPECT_EQ(store.ReadNumber(kOption, "Port"), -2);
}

TEST_F(RegistrySettingsStoreTest, ValuesOfAnotherTypeReadAsMissingAndTextsEndAtTheirNul) {
    const wchar_t text[] = L"15001";
    const DWORD number = 7;
    const std::uint64_t wide = 7;
    const wchar_t withNul[] = L"ab\0cd";
    const wchar_t unended[] = {L'x', L'y'};
    PutRaw(L"Port", REG_SZ, text, sizeof text);
    PutRaw(L"FontSize", REG_QWORD, &wide, sizeof wide);
    PutRaw(L"Name", REG_DWORD, &number, sizeof number);
    PutRaw(L"Font", REG_EXPAND_SZ, text, sizeof text);
    PutRaw(L"IPaddress", REG_SZ, withNul, sizeof withNul);
    PutRaw(L"Record", REG_BINARY, &number, sizeof number);
    PutRaw(L"Unended", REG_SZ, unended, sizeof unended);
    PutRaw(L"OddLength", REG_SZ, text, 3);

    EXPECT_EQ(store.ReadNumber(kOption, "Port"), std::nullopt);
    EXPECT_EQ(store.ReadNumber(kOption, "FontSize"), std::nullopt);
    EXPECT_EQ(store.ReadNumber(kOption, "Record"), std::nullopt);
    EXPECT_EQ(store.ReadText(kOption, "Name"), std::nullopt);
    EXPECT_EQ(store.ReadText(kOption, "Font"), std::nullopt);
    EXPECT_EQ(store.ReadText(kOption, "IPaddress"), "ab");
    EXPECT_EQ(store.ReadText(kOption, "Unended"), "xy");
    EXPECT_EQ(store.ReadText(kOption, "OddLength"), "1");
    EXPECT_EQ(store.ReadText(kOption, "Missing"), std::nullopt);
    EXPECT_EQ(store.ReadNumber(kInfo, "PosX"), std::nullopt);
}

TEST_F(RegistrySettingsStoreTest, WritesFailWhereTheGroupWasNeverMade) {
    EXPECT_FALSE(store.HasGroup(kInfo));
    EXPECT_FALSE(store.WriteNumber(kInfo, "PosX", 1));
    EXPECT_FALSE(store.WriteText(kInfo, "Name", "x"));
    EXPECT_FALSE(store.HasGroup(kInfo));
    EXPECT_TRUE(store.OpenForWriting(kInfo));
    EXPECT_TRUE(store.HasGroup(kInfo));
    EXPECT_TRUE(store.WriteNumber(kInfo, "PosX", 1));
}

}  // namespace
}  // namespace vesk

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "client/rules/target_form.h"
#include "client/win/connect_dialog.h"
#include "client/win/option_dialog.h"
#include "resources/client/vesk_chat_ids.h"
#include "tests/windows/dialog_driver.h"

namespace vesk {
namespace {

using test::Click;
using test::DriveDialog;
using test::ItemText;
using test::ReadyForRetyping;
using test::SharedMessageBox;

const ConnectionTarget kTarget{"10.1.2.3", 16300};

// A name list of the test's own in the working folder, removed at the end.
class ConnectDialogTest : public testing::Test {
protected:
    void SetUp() override {
        std::ofstream(paths.nameList, std::ios::binary) << Cp932FromUtf8("ごんべ①\r\nたろう\r\n");
    }
    void TearDown() override { std::remove(paths.nameList.c_str()); }

    std::optional<ConnectChoice> Run(const std::function<void(HWND)>& drive) {
        return DriveDialog(L"接続", drive, [&] {
            return RunConnectDialog(GetModuleHandleW(nullptr), nullptr, kTarget,
                                    ClientSettings::DefaultPlayerName(), paths, messages);
        });
    }

    ListPaths paths{".", "dice.sai", "connect_dialog_test_names.nam"};
    SharedMessageBox messages;
};

TEST_F(ConnectDialogTest, OffersTargetAndNamesAndReturnsWhatThePlayerChose) {
    const std::optional<ConnectChoice> choice = Run([](HWND dialog) {
        EXPECT_EQ(ItemText(dialog, VESK_ID_ADDRESS), L"10.1.2.3");
        EXPECT_EQ(ItemText(dialog, VESK_ID_PORT), L"16300");
        EXPECT_EQ(ItemText(dialog, VESK_ID_NAME), L"ごんべ");
        const HWND names = GetDlgItem(dialog, VESK_ID_NAME);
        EXPECT_EQ(SendMessageW(names, CB_GETCOUNT, 0, 0), 3);
        SendMessageW(names, CB_SETCURSEL, 1, 0);
        SetDlgItemTextW(dialog, VESK_ID_ADDRESS, L"192.168.1.5");
        SetDlgItemTextW(dialog, VESK_ID_PORT, L" 16301 ");
        Click(dialog, IDOK);
    });
    ASSERT_TRUE(choice);
    EXPECT_EQ(choice->target.address, "192.168.1.5");
    EXPECT_EQ(choice->target.port, 16301);
    EXPECT_EQ(choice->playerName, "\x82\xb2\x82\xf1\x82\xd7\x87\x40");
    EXPECT_TRUE(messages.Shown().empty());
}

TEST_F(ConnectDialogTest, AWrongFieldIsToldAndSelectedAndTheDialogStaysOpen) {
    struct Case {
        const wchar_t* address;
        const wchar_t* port;
        int wrongField;
        std::string message;
    };
    const Case cases[] = {
        {L"1.2.3.4.5", L"16300", VESK_ID_ADDRESS, AddressRuleMessage()},
        {L"host.example", L"16300", VESK_ID_ADDRESS, AddressRuleMessage()},
        {L"10.1.2.3", L"70000", VESK_ID_PORT, PortRuleMessage()},
        {L"10.1.2.3", L"", VESK_ID_PORT, PortRuleMessage()},
        {L"10.1.2.3", L"16300000000", VESK_ID_PORT, PortRuleMessage()},
    };
    for (const Case& wrong : cases) {
        SCOPED_TRACE(testing::Message() << "wrong field " << wrong.wrongField);
        SharedMessageBox seen;
        const std::optional<ConnectChoice> choice = DriveDialog(
            L"接続",
            [&](HWND dialog) {
                SetDlgItemTextW(dialog, VESK_ID_ADDRESS, wrong.address);
                SetDlgItemTextW(dialog, VESK_ID_PORT, wrong.port);
                SetDlgItemTextW(dialog, VESK_ID_NAME, L"はなこ");
                Click(dialog, IDOK);
                ASSERT_TRUE(seen.WaitForCount(1));
                EXPECT_EQ(seen.Shown(), std::vector{Utf8FromCp932(wrong.message)});
                EXPECT_TRUE(IsWindowVisible(dialog));
                EXPECT_TRUE(ReadyForRetyping(dialog, wrong.wrongField));
                SetDlgItemTextW(dialog, VESK_ID_ADDRESS, L"127.0.0.1");
                SetDlgItemTextW(dialog, VESK_ID_PORT, L"16302");
                Click(dialog, IDOK);
            },
            [&] {
                return RunConnectDialog(GetModuleHandleW(nullptr), nullptr, kTarget, "x", paths,
                                        seen);
            });
        ASSERT_TRUE(choice);
        EXPECT_EQ(choice->target.address, "127.0.0.1");
        EXPECT_EQ(choice->target.port, 16302);
        EXPECT_EQ(choice->playerName, Cp932FromUtf8("はなこ"));
    }
}

TEST_F(ConnectDialogTest, CancelChangesNothingAndAMissingNameListStillOffersTheDefault) {
    paths.nameList = "no_such_folder\\name.nam";
    const std::optional<ConnectChoice> choice = Run([&](HWND dialog) {
        EXPECT_EQ(ItemText(dialog, VESK_ID_NAME), L"ごんべ");
        SetDlgItemTextW(dialog, VESK_ID_PORT, L"1");
        Click(dialog, IDCANCEL);
    });
    EXPECT_FALSE(choice);
    ASSERT_EQ(messages.Shown().size(), 1u);
    EXPECT_NE(messages.Shown()[0].find("name.nam"), std::string::npos);
}

std::optional<OptionChoice> RunOption(const ClientSettings& settings, MessageBoxView& messages,
                                      const std::function<void(HWND)>& drive) {
    return DriveDialog(L"設定", drive, [&] {
        return RunOptionDialog(GetModuleHandleW(nullptr), nullptr, kTarget, settings, messages);
    });
}

TEST(OptionDialogTest, RefusesAnEmptyNameAndReturnsTheFieldsAndChoices) {
    ClientSettings settings;
    settings.showTimes = true;
    settings.nudge = false;
    settings.fontSize = 11;
    SharedMessageBox messages;
    const std::optional<OptionChoice> choice = RunOption(settings, messages, [&](HWND dialog) {
        EXPECT_EQ(ItemText(dialog, VESK_ID_ADDRESS), L"10.1.2.3");
        EXPECT_EQ(ItemText(dialog, VESK_ID_PORT), L"16300");
        EXPECT_EQ(ItemText(dialog, VESK_ID_DEFAULT_NAME), L"ごんべ");
        for (const auto& [id, on] : {std::pair{VESK_ID_RECORD, true},
                                     {VESK_ID_SHOW_TIMES, true},
                                     {VESK_ID_NUDGE, false},
                                     {VESK_ID_HIGHLIGHT_NAME, true}}) {
            EXPECT_EQ(IsDlgButtonChecked(dialog, id) == BST_CHECKED, on) << id;
        }
        SetDlgItemTextW(dialog, VESK_ID_DEFAULT_NAME, L"");
        Click(dialog, IDOK);
        ASSERT_TRUE(messages.WaitForCount(1));
        EXPECT_EQ(messages.Shown()[0], "プレイヤー名を入力してください。");
        EXPECT_TRUE(IsWindowVisible(dialog));
        EXPECT_TRUE(ReadyForRetyping(dialog, VESK_ID_DEFAULT_NAME));

        SetDlgItemTextW(dialog, VESK_ID_DEFAULT_NAME, L"ごんべ①");
        SetDlgItemTextW(dialog, VESK_ID_ADDRESS, L"10.0.0.9");
        Click(dialog, VESK_ID_RECORD);
        Click(dialog, VESK_ID_SHOW_TIMES);
        Click(dialog, IDOK);
    });
    ASSERT_TRUE(choice);
    EXPECT_EQ(choice->target.address, "10.0.0.9");
    EXPECT_EQ(choice->target.port, 16300);
    ClientSettings expected = settings;
    expected.name = Cp932FromUtf8("ごんべ①");
    expected.record = false;
    expected.showTimes = false;
    EXPECT_EQ(choice->settings, expected);
}

}  // namespace
}  // namespace vesk

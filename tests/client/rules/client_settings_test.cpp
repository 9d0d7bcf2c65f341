#include "client/rules/client_settings.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <ostream>
#include <string>

#include "protocol/cp932.h"
#include "tests/client/dice/fake_views.h"
#include "tests/client/rules/fake_settings_store.h"

namespace vesk {

void PrintTo(const WindowPlacement& p, std::ostream* out) {
    *out << '(' << p.posX << ", " << p.posY << ", " << p.width << " x " << p.height << ')';
}

namespace {

using test::FakeMessageBox;
using test::FakeSettingsStore;

const std::vector<ScreenArea> kScreen = {{0, 0, 1024, 768}};
constexpr auto kInfo = SettingsGroup::Info;
constexpr auto kOption = SettingsGroup::Option;

struct Loaded {
    WindowPlacement placement;
    ConnectionTarget target;
    ClientSettings settings;
    std::vector<std::string> messages;
};

Loaded Load(FakeSettingsStore& store, const std::vector<ScreenArea>& screens = kScreen) {
    Loaded loaded;
    // Values from an earlier load must not survive into this one.
    loaded.target.address = "10.0.0.1";
    loaded.settings.fontSize = 99;
    FakeMessageBox messages;
    loaded.placement = LoadSettings(store, screens, loaded.target, loaded.settings, messages);
    loaded.messages = messages.shown;
    return loaded;
}

TEST(ClientSettingsTest, EmptyStoreGivesTheFirstStartAndWritesNothing) {
    FakeSettingsStore store;
    const Loaded loaded = Load(store);
    EXPECT_EQ(loaded.placement, (WindowPlacement{0, 0, 600, 480}));
    EXPECT_EQ(loaded.target.address, "127.0.0.1");
    EXPECT_EQ(loaded.target.port, 15000);
    EXPECT_EQ(loaded.settings, ClientSettings{});
    EXPECT_EQ(Utf8FromCp932(loaded.settings.name), "ごんべ");
    EXPECT_EQ(Utf8FromCp932(loaded.settings.font), "ＭＳ ゴシック");
    EXPECT_EQ(loaded.settings.fontSize, 14);
    EXPECT_TRUE(loaded.messages.empty());
    EXPECT_EQ(store.writes, 0);
    EXPECT_FALSE(store.HasGroup(kInfo));
}

TEST(ClientSettingsTest, DefaultSizesGrowWithTheDpiOfTheScreenAtTheOrigin) {
    // A second screen at 200 % left of a primary one at 150 %.
    const std::vector<ScreenArea> screens = {{-1920, 0, 1920, 1080, 192}, {0, 0, 2880, 1620, 144}};
    FakeSettingsStore empty;
    EXPECT_EQ(Load(empty, screens).placement, (WindowPlacement{0, 0, 900, 720}));

    FakeSettingsStore withoutSize;
    withoutSize.Put(kInfo, "PosX", 10);
    withoutSize.Put(kInfo, "PosY", 20);
    EXPECT_EQ(Load(withoutSize, screens).placement, (WindowPlacement{10, 20, 960, 720}));

    // Stored sizes are screen pixels already and stay as they are; so does an off-screen
    // placement's fallback at 96 DPI.
    FakeSettingsStore stored;
    for (auto [name, value] :
         {std::pair{"PosX", 10}, {"PosY", 20}, {"Width", 700}, {"Height", 500}}) {
        stored.Put(kInfo, name, value);
    }
    EXPECT_EQ(Load(stored, screens).placement, (WindowPlacement{10, 20, 700, 500}));
    stored.Put(kInfo, "PosX", 5000);
    EXPECT_EQ(Load(stored).placement, (WindowPlacement{0, 0, 600, 480}));
}

TEST(ClientSettingsTest, StoredValuesThatDoNotFitTakeTheirDefaults) {
    struct Case {
        const char* what;
        std::function<void(FakeSettingsStore&)> put;
        std::function<bool(const Loaded&)> holds;
    };
    const std::string name49(49, 'n');
    const std::string address99(99, '1');
    const Case cases[] = {
        {"Info without Width",
         [](auto& s) {
             s.Put(kInfo, "PosX", 10);
             s.Put(kInfo, "PosY", 20);
             s.Put(kInfo, "Height", 300);
         },
         [](auto& l) {
             return l.placement == WindowPlacement{10, 20, 640, 300};
         }},
        {"Info with text for a number", [](auto& s) { s.Put(kInfo, "PosX", std::string("9")); },
         [](auto& l) {
             return l.placement == WindowPlacement{0, 0, 640, 480};
         }},
        {"corner off every screen",
         [](auto& s) {
             s.Put(kInfo, "PosX", 2000);
             s.Put(kInfo, "Width", 300);
         },
         [](auto& l) { return l.placement == WindowPlacement{}; }},
        {"corner at the end of the numbers",
         [](auto& s) {
             s.Put(kInfo, "PosX", std::numeric_limits<std::int32_t>::max());
             s.Put(kInfo, "PosY", std::numeric_limits<std::int32_t>::max());
         },
         [](auto& l) { return l.placement == WindowPlacement{}; }},
        {"Name of 49 bytes", [&](auto& s) { s.Put(kOption, "Name", name49); },
         [&](auto& l) { return l.settings.name == name49; }},
        {"Name of 50 bytes", [&](auto& s) { s.Put(kOption, "Name", name49 + "n"); },
         [](auto& l) { return l.settings.name == ClientSettings::DefaultPlayerName(); }},
        {"IPaddress of 99 bytes", [&](auto& s) { s.Put(kOption, "IPaddress", address99); },
         [&](auto& l) { return l.target.address == address99; }},
        {"IPaddress of 100 bytes", [&](auto& s) { s.Put(kOption, "IPaddress", address99 + "1"); },
         [](auto& l) { return l.target.address == "127.0.0.1"; }},
        {"Font of 32 bytes", [](auto& s) { s.Put(kOption, "Font", std::string(32, 'f')); },
         [](auto& l) { return l.settings.font == ClientSettings::DefaultFontFace(); }},
        {"Port stored as text", [](auto& s) { s.Put(kOption, "Port", std::string("16000")); },
         [](auto& l) { return l.target.port == 15000; }},
        {"Name stored as a number", [](auto& s) { s.Put(kOption, "Name", 5); },
         [](auto& l) { return l.settings.name == ClientSettings::DefaultPlayerName(); }},
        {"FontSize of 0", [](auto& s) { s.Put(kOption, "FontSize", 0); },
         [](auto& l) { return l.settings.fontSize == 14; }},
        {"evening options off and on",
         [](auto& s) {
             s.Put(kOption, "Record", 0);
             s.Put(kOption, "ShowTimes", 1);
             s.Put(kOption, "Nudge", 0);
             s.Put(kOption, "HighlightName", std::string("0"));  // text: the default
         },
         [](auto& l) {
             return !l.settings.record && l.settings.showTimes && !l.settings.nudge &&
                    l.settings.highlightName;
         }},
        {"evening options missing", [](auto&) {},
         [](auto& l) {
             return l.settings.record && !l.settings.showTimes && l.settings.nudge &&
                    l.settings.highlightName;
         }},
        {"every option in range",
         [](auto& s) {
             s.Put(kOption, "IPaddress", std::string("192.168.1.5"));
             s.Put(kOption, "Port", -3);
             s.Put(kOption, "Font", std::string("IPAGothic"));
             s.Put(kOption, "FontSize", 9);
         },
         [](auto& l) {
             return l.target.address == "192.168.1.5" && l.target.port == -3 &&
                    l.settings.font == "IPAGothic" && l.settings.fontSize == 9;
         }},
    };
    for (const Case& c : cases) {
        FakeSettingsStore store;
        c.put(store);
        const Loaded loaded = Load(store);
        EXPECT_TRUE(c.holds(loaded)) << c.what;
        EXPECT_TRUE(loaded.messages.empty()) << c.what;
    }
}

TEST(ClientSettingsTest, UnopenableStoreStartsWithDefaultsAfterTwoMessages) {
    FakeSettingsStore store;
    store.openable = false;
    store.Put(kOption, "Name", std::string("aya"));
    const Loaded loaded = Load(store);
    EXPECT_EQ(loaded.settings, ClientSettings{});
    EXPECT_EQ(loaded.target.address, "127.0.0.1");
    EXPECT_EQ(loaded.messages, std::vector<std::string>(2, "レジストリの書き込みに失敗しました"));
}

TEST(ClientSettingsTest, PlacementIsSavedOnlyWithinTheOnScreenMargin) {
    struct Case {
        WindowPlacement outer;
        bool shown;
        bool saved;
    };
    const Case cases[] = {
        {{974, 718, 300, 200}, true, true},   // 50 pixels inside the right and bottom edges
        {{975, 0, 300, 200}, true, false},    // 49 pixels inside the right edge
        {{0, 719, 300, 200}, true, false},    // 49 pixels inside the bottom edge
        {{-1, 0, 300, 200}, true, false},     // left of the screen
        {{0, -32000, 160, 28}, true, false},  // where a minimised window is reported
        {{10, 10, 300, 200}, false, false},   // hidden or minimised
        {{1100, 10, 300, 200}, true, true},   // on the second screen
    };
    const std::vector<ScreenArea> screens = {{0, 0, 1024, 768}, {1024, 0, 800, 600}};
    for (const Case& c : cases) {
        FakeSettingsStore store;
        FakeMessageBox messages;
        EXPECT_EQ(SaveWindowPlacement(store, c.outer, c.shown, screens, messages), c.saved);
        const Loaded loaded = Load(store, screens);
        EXPECT_EQ(loaded.placement == c.outer, c.saved) << c.outer.posX << ", " << c.outer.posY;
        EXPECT_TRUE(messages.shown.empty());
    }
}

TEST(ClientSettingsTest, EachFailedWriteIsReportedAndTheRestStillWritten) {
    FakeSettingsStore store;
    store.failingWrites = {"PosY", "Height", "Name"};
    FakeMessageBox messages;
    SaveWindowPlacement(store, {5, 6, 300, 200}, true, kScreen, messages);
    EXPECT_EQ(messages.shown.size(), 2u);
    ConnectionTarget target{"10.1.2.3", 16000};
    ClientSettings settings;
    settings.font = "IPAGothic";
    SaveOptions(store, target, settings, messages);
    SaveFontSettings(store, settings, messages);
    EXPECT_EQ(messages.shown.size(), 3u);
    EXPECT_EQ(store.writes, 9);
    settings.record = false;
    settings.showTimes = true;
    SaveEveningOptions(store, settings, messages);
    EXPECT_EQ(store.writes, 13);
    const Loaded loaded = Load(store);
    EXPECT_FALSE(loaded.settings.record);
    EXPECT_TRUE(loaded.settings.showTimes);
    EXPECT_TRUE(loaded.settings.nudge);
    EXPECT_EQ(store.ReadNumber(kInfo, "Width"), 300);
    EXPECT_EQ(store.ReadText(kOption, "IPaddress"), "10.1.2.3");
    EXPECT_EQ(store.ReadNumber(kOption, "Port"), 16000);
    EXPECT_EQ(store.ReadText(kOption, "Font"), "IPAGothic");

    FakeSettingsStore closed;
    closed.openable = false;
    FakeMessageBox once;
    SaveOptions(closed, target, settings, once);
    EXPECT_EQ(once.shown, std::vector<std::string>{"レジストリの書き込みに失敗しました"});
    EXPECT_EQ(closed.writes, 0);
}

TEST(ClientSettingsTest, FontSizesAndFacesAsTheStoreKeepsThem) {
    EXPECT_EQ(WholePoints(10.5), 10);
    EXPECT_EQ(WholePoints(10.999999), 11);
    EXPECT_EQ(WholePoints(0.5), 1);
    EXPECT_TRUE(FontFaceFits("IPAGothic"));
    EXPECT_TRUE(FontFaceFits("ＭＳ ゴシック"));
    EXPECT_TRUE(FontFaceFits(std::string(31, 'f')));
    EXPECT_FALSE(FontFaceFits(std::string(32, 'f')));
    EXPECT_FALSE(FontFaceFits("나눔고딕"));  // code page 932 has no hangul
    EXPECT_FALSE(FontFaceFits(""));

    // OK on the face the dialog opened on keeps the stored one, which may be missing here.
    const std::string stored = Cp932FromUtf8("ＭＳ ゴシック");
    EXPECT_EQ(FaceAfterFontDialog(stored, "IPAGothic", "IPAGothic"), stored);
    EXPECT_EQ(FaceAfterFontDialog(stored, "IPAGothic", "DejaVu Sans"), "DejaVu Sans");
    EXPECT_EQ(FaceAfterFontDialog(stored, "IPAGothic", "ＭＳ 明朝"), Cp932FromUtf8("ＭＳ 明朝"));
}

}  // namespace
}  // namespace vesk

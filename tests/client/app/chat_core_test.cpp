// The core of VeskChat against a front end that only records what it is asked: what the core
// keeps to itself whichever window shows it, namely which commands the menu state lets through
// from any source, and the timers it asks its front end for.

#include "client/app/chat_core.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <map>

#include "dice/dice_seal.h"
#include "protocol/cp932.h"
#include "protocol/path_text.h"
#include "tests/client/dice/fake_views.h"
#include "tests/client/dice/temp_folder.h"
#include "tests/client/rules/fake_settings_store.h"
#include "tests/support/test_peer.h"

namespace vesk::test {
namespace {

class NoLog final : public ChatLogView {
public:
    void Append(std::string_view text, const LineLook& look) override {
        lines.emplace_back(text);
        looks.push_back(look);
    }
    void Clear() override { lines.clear(); }
    std::string FileText() const override { return {}; }
    std::vector<LoggedLine> Lines() const override { return {}; }
    void Copy() override {}

    std::vector<std::string> lines;
    std::vector<LineLook> looks;
};

class NoInput final : public ChatInputView {
public:
    std::string Text() const override { return {}; }
    void Clear() override {}
    void Cut() override {}
    void Copy() override {}
    void Paste() override {}
};

// Records the menu state, the dialogs asked for and the timers running; the connect dialog
// confirms the given choice. Posted tasks wait for the test to run them.
class RecordingFrontEnd final : public ChatFrontEnd {
public:
    void AppendChatLog(std::string_view) override {}
    void AddParticipantRow(std::string_view) override {}
    void DeleteParticipantRow(int) override {}
    void ClearParticipantRows() override {}
    void ShowMessage(std::string_view text) override { messages.emplace_back(text); }
    void SetMenuState(MenuState state) override { menu = state; }
    std::string CurrentPlayerName() override { return names.Text(); }
    void PostToMainThread(std::function<void()> task) override {
        const std::lock_guard guard(lock);
        posted.push_back(std::move(task));
    }
    ComboBoxView& DiceBox() override { return dice; }
    NameBoxView& NameBox() override { return names; }
    ChatLogView& Log() override { return log; }
    ChatInputView& Input() override { return input; }
    std::optional<ConnectChoice> RunConnectDialog(const ConnectionTarget&, std::string_view,
                                                  const ListPaths&) override {
        ++connectDialogs;
        return connectChoice;
    }
    std::optional<OptionChoice> RunOptionDialog(const ConnectionTarget&,
                                                const ClientSettings&) override {
        return std::nullopt;
    }
    std::string ShownFontFace(std::string_view) override { return {}; }
    std::optional<FontChoice> ChooseFont(std::string_view, int) override { return std::nullopt; }
    void ApplyFont(std::string_view, int) override {}
    void ShowIpAddresses(std::string_view) override {}
    void ShowAbout() override {}
    void ShowHelp() override {}
    void Nudge() override {}
    void StartTimer(CoreTimer timer, std::chrono::milliseconds after) override {
        timers[timer] = after;
    }
    void StopTimer(CoreTimer timer) override { timers.erase(timer); }
    std::vector<ScreenArea> Screens() const override { return {{0, 0, 1920, 1080}}; }
    WindowPlacement Placement() const override { return {}; }
    bool PlacementShown() const override { return false; }
    void ShowAt(const WindowPlacement&) override {}
    void PostClose() override {}

    // Runs the posted tasks until condition holds or the deadline passes.
    bool PumpUntil(const std::function<bool()>& condition) {
        return WaitUntil([&] {
            std::deque<std::function<void()>> tasks;
            {
                const std::lock_guard guard(lock);
                tasks.swap(posted);
            }
            for (auto& task : tasks) task();
            return condition();
        });
    }

    MenuState menu = MenuState::Idle;
    int connectDialogs = 0;
    std::optional<ConnectChoice> connectChoice;
    std::map<CoreTimer, std::chrono::milliseconds> timers;
    std::vector<std::string> messages;
    FakeComboBox dice;
    FakeComboBox names;
    NoLog log;
    NoInput input;

private:
    std::mutex lock;
    std::deque<std::function<void()>> posted;
};

class ChatCoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        frontEnd.connectChoice = ConnectChoice{{"127.0.0.1", relay.Port()}, "Aya"};
        core.Start();
    }

    // Connects through the connect command and takes the connection at the relay's end.
    std::unique_ptr<TestPeer> Join() {
        core.RunCommand(ChatCommand::kConnect);
        auto party = std::make_unique<TestPeer>(TestPeer::Adopt{relay.Accept(kDeadline)});
        EXPECT_TRUE(party->Connected());
        return party;
    }

    TempFolder folder;
    FakeSettingsStore store;
    RecordingFrontEnd frontEnd;
    TestListener relay;
    ChatCore core{frontEnd, store, ListPathsFor(PathText(folder.Path()))};
};

TEST_F(ChatCoreTest, CommandsTheMenuGreysDoNothingWhereverTheyComeFrom) {
    // Not connected: 切断 from a key or a stray message changes nothing.
    core.RunCommand(ChatCommand::kDisconnect);
    EXPECT_EQ(frontEnd.menu, MenuState::Idle);
    EXPECT_FALSE(core.Allowed(ChatCommand::kDisconnect));

    const auto party = Join();
    EXPECT_EQ(frontEnd.connectDialogs, 1);
    EXPECT_EQ(frontEnd.menu, MenuState::Active);
    EXPECT_EQ(frontEnd.names.Text(), "Aya");
    // Connected: 接続 opens no dialog and leaves the connection as it is.
    core.RunCommand(ChatCommand::kConnect);
    EXPECT_EQ(frontEnd.connectDialogs, 1);
    EXPECT_TRUE(core.Connection().Connected());

    core.RunCommand(ChatCommand::kDisconnect);
    EXPECT_EQ(frontEnd.menu, MenuState::Idle);
    EXPECT_TRUE(party->WaitForClose());
}

TEST_F(ChatCoreTest, FlushesTheRecordEachSecondWhileItRecordsAndStopsItsTimersOnClose) {
    EXPECT_TRUE(frontEnd.timers.empty());
    const auto party = Join();
    ASSERT_EQ(frontEnd.timers.count(CoreTimer::RecordFlush), 1u);
    EXPECT_EQ(frontEnd.timers[CoreTimer::RecordFlush], std::chrono::milliseconds(1000));

    // A line that arrives is on the disk once the timer has fired, and the timer runs again.
    ASSERT_TRUE(party->Send(Sjis("talkBen：やあ\r\n")));
    ASSERT_TRUE(frontEnd.PumpUntil([&] { return !frontEnd.log.lines.empty(); }));
    frontEnd.timers.clear();
    core.TimerFired(CoreTimer::RecordFlush);
    EXPECT_EQ(frontEnd.timers.count(CoreTimer::RecordFlush), 1u);
    std::vector<std::filesystem::path> records;
    for (const auto& entry : std::filesystem::directory_iterator(folder.Path())) {
        records.push_back(entry.path());
    }
    ASSERT_EQ(records.size(), 1u);
    EXPECT_GT(std::filesystem::file_size(records[0]), 0u);

    // The relay goes away: a rejoin is due, until the window closes.
    party->Close();
    ASSERT_TRUE(frontEnd.PumpUntil([&] { return frontEnd.timers.count(CoreTimer::Rejoin) == 1; }));
    EXPECT_EQ(frontEnd.menu, MenuState::Rejoining);
    core.Close();
    EXPECT_TRUE(frontEnd.timers.empty());
}

// The relay's rolls stand apart in the log, and a secret roll shown is told against its seal.
TEST_F(ChatCoreTest, ShowsTheRelaysRollsApartAndChecksASecretRollAgainstItsSeal) {
    const std::string key = "000102030405060708090a0b0c0d0e0f";
    const std::string result = Cp932FromUtf8("(2D6) ＞ 7[3,4] ＞ 7");
    const std::string mark = Cp932FromUtf8("【ダイス】Ben：");
    core.ShowLine(Cp932FromUtf8("Ben：2D6\r\n"));
    core.ShowLine(mark + Cp932FromUtf8("シークレットダイス #1 封印 ") + SealOf(result, key) + "\r\n");
    const std::string shown = mark + Cp932FromUtf8("公開 #1 ") + result + Cp932FromUtf8(" 鍵:") + key;
    core.ShowLine(shown + "\r\n");
    ASSERT_EQ(frontEnd.log.lines.size(), 3u);
    EXPECT_FALSE(frontEnd.log.looks[0].relayRoll);
    EXPECT_TRUE(frontEnd.log.looks[1].relayRoll && frontEnd.log.looks[2].relayRoll);
    EXPECT_EQ(frontEnd.log.lines[2], shown + Cp932FromUtf8("（封印と一致）") + "\r\n");
}

}  // namespace
}  // namespace vesk::test

#include "client/net/client_connection.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "client/dice/roll_command.h"
#include "protocol/wire_messages.h"
#include "server/relay_server.h"
#include "tests/client/dice/fake_views.h"
#include "tests/client/net/test_player.h"
#include "tests/server/recording_reporter.h"

namespace vesk {
namespace {

using namespace std::chrono_literals;
using test::Player;
using test::Sjis;

const std::string kEnded = test::EndedNotice();

std::vector<std::string> JoinLog(const std::string& name) {
    return {"\r\n", Sjis(name + " がパーティに参加しました\r\n"), "\r\n"};
}

std::vector<std::string> DepartureLog(const std::string& name) {
    return {"\r\n", Sjis(name + " がパーティから抜けました\r\n"), "\r\n"};
}

std::vector<std::string> Tail(const std::vector<std::string>& all, std::size_t count) {
    return {all.end() - static_cast<std::ptrdiff_t>(std::min(count, all.size())), all.end()};
}

class ConnectionToRelay : public ::testing::Test {
protected:
    // Every player here comes from this machine, and one reconnects faster than the relay
    // sees its last connections off.
    ConnectionToRelay() : server(reporter, RelayOptions{.perAddress = 0}) {}

    void SetUp() override {
        ASSERT_TRUE(server.Start(0));
        port = server.ListeningPort();
    }

    // A player who connected and saw the roster up to its own row.
    std::unique_ptr<Player> Join(const std::string& name, std::vector<std::string> expectedRows) {
        auto player = std::make_unique<Player>(name, port);
        EXPECT_TRUE(player->connection.OpenConnection()) << name;
        EXPECT_TRUE(player->PumpUntilRows(expectedRows)) << name;
        return player;
    }

    test::RecordingReporter reporter;
    RelayServer server;
    int port = 0;
};

TEST_F(ConnectionToRelay, TwoPlayersJoinTalkAndOneLeaves) {
    auto aya = Join("Aya", {"Aya"});
    EXPECT_EQ(aya->window.menuChanges, std::vector{MenuState::Active});
    EXPECT_TRUE(aya->Pump([&] { return aya->window.chatLog.size() == 3; }));
    EXPECT_EQ(aya->window.chatLog, JoinLog("Aya"));
    EXPECT_EQ(aya->connection.Roster().Participants(), (std::vector<Participant>{{"Aya", 0}}));

    auto ben = Join("Ben", {"Aya", "Ben"});
    EXPECT_TRUE(aya->PumpUntilRows({"Aya", "Ben"}));
    EXPECT_EQ(ben->connection.Roster().Participants(),
              (std::vector<Participant>{{"Aya", 0}, {"Ben", 1}}));
    EXPECT_TRUE(ben->Pump([&] { return ben->window.chatLog.size() == 3; }));
    EXPECT_EQ(ben->window.chatLog, JoinLog("Ben"));

    // Both send at once; every log shows the same lines in the same order, each sender's own
    // lines in the order it sent them.
    for (const char* text : {"one", "two", "three"}) {
        EXPECT_TRUE(aya->connection.SendLine(wire::ChatLine("Aya", text)));
        EXPECT_TRUE(ben->connection.SendLine(wire::ChatLine("Ben", text)));
    }
    EXPECT_TRUE(aya->Pump([&] { return aya->window.chatLog.size() == 12; }));
    EXPECT_TRUE(ben->Pump([&] { return ben->window.chatLog.size() == 9; }));
    const auto ayaTalk = Tail(aya->window.chatLog, 6);
    EXPECT_EQ(ayaTalk, Tail(ben->window.chatLog, 6));
    std::vector<std::string> fromAya;
    std::copy_if(ayaTalk.begin(), ayaTalk.end(), std::back_inserter(fromAya),
                 [](const std::string& line) { return line.starts_with("Aya"); });
    EXPECT_EQ(fromAya, (std::vector<std::string>{Sjis("Aya：one\r\n"), Sjis("Aya：two\r\n"),
                                                 Sjis("Aya：three\r\n")}));

    ben->connection.Disconnect();
    EXPECT_TRUE(ben->window.rows.empty());
    EXPECT_EQ(ben->connection.Roster().Count(), 0);
    EXPECT_EQ(ben->window.menu, MenuState::Idle);
    EXPECT_EQ(Tail(ben->window.events, 2), (std::vector<std::string>{"menu:0", "clear"}));
    EXPECT_FALSE(ben->connection.SendLine(wire::ChatLine("Ben", "lost")));

    EXPECT_TRUE(aya->PumpUntilRows({"Aya"}));
    EXPECT_TRUE(aya->Pump([&] { return aya->window.chatLog.size() == 15; }));
    EXPECT_EQ(Tail(aya->window.chatLog, 3), DepartureLog("Ben"));
    EXPECT_EQ(aya->connection.Roster().Participants(), (std::vector<Participant>{{"Aya", 0}}));

    // A disconnect the user chose leaves no notice, and nothing more arrives.
    ben->window.RunPending();
    EXPECT_EQ(std::count(ben->window.chatLog.begin(), ben->window.chatLog.end(), kEnded), 0);
    EXPECT_TRUE(ben->window.messages.empty());
}

TEST_F(ConnectionToRelay, ADiceRollReachesTheWholePartyWhenRelayed) {
    auto aya = Join("Aya", {"Aya"});
    auto ben = Join("Ben", {"Aya", "Ben"});
    EXPECT_TRUE(aya->PumpUntilRows({"Aya", "Ben"}));

    test::FakeComboBox diceBox;
    test::FakeComboBox nameBox;
    test::FakeMessageBox messages;
    test::FixedDraws draws(test::ExampleDraws());
    diceBox.text = "2D[6]+3";
    nameBox.text = "Aya";
    RollCommand(diceBox, nameBox, messages, draws,
                [&](std::string_view line) { return aya->connection.SendLine(line); });

    // The roller shows nothing until the server relays the line back.
    const std::string shown = Sjis("Aya：ころりんこ。。。2D[6]+3 = 4+2 = 9\r\n");
    for (test::Player* player : {aya.get(), ben.get()}) {
        const auto& log = player->window.chatLog;
        EXPECT_TRUE(player->Pump([&] { return std::count(log.begin(), log.end(), shown) == 1; }));
    }
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(ConnectionToRelay, AThirdPlayerSeesTheRosterAndAReconnectStartsFresh) {
    auto aya = Join("Aya", {"Aya"});
    auto ben = Join("Ben", {"Aya", "Ben"});
    auto kai = Join("Kai", {"Aya", "Ben", "Kai"});
    EXPECT_EQ(kai->connection.Roster().Participants(),
              (std::vector<Participant>{{"Aya", 0}, {"Ben", 1}, {"Kai", 2}}));

    ben->connection.Disconnect();
    for (Player* other : {aya.get(), kai.get()}) {
        EXPECT_TRUE(other->PumpUntilRows({"Aya", "Kai"}));
        EXPECT_TRUE(other->Pump([&] { return other->LastLogIs("\r\n"); }));
        EXPECT_EQ(other->connection.Roster().Participants(),
                  (std::vector<Participant>{{"Aya", 0}, {"Kai", 2}}));
    }

    ben->window.playerName = "Bea";
    ASSERT_TRUE(ben->connection.OpenConnection());
    EXPECT_TRUE(ben->PumpUntilRows({"Aya", "Kai", "Bea"}));
    EXPECT_EQ(ben->connection.Roster().Participants(),
              (std::vector<Participant>{{"Aya", 0}, {"Kai", 2}, {"Bea", 1}}));
    EXPECT_TRUE(kai->PumpUntilRows({"Aya", "Kai", "Bea"}));
    EXPECT_EQ(ben->window.menuChanges,
              (std::vector{MenuState::Active, MenuState::Idle, MenuState::Active}));
}

TEST_F(ConnectionToRelay, AServerThatGoesAwayIsReportedOnce) {
    auto aya = Join("Aya", {"Aya"});
    auto ben = Join("Ben", {"Aya", "Ben"});
    server.Close();
    for (Player* player : {aya.get(), ben.get()}) {
        EXPECT_TRUE(player->Pump([&] { return player->window.menu == MenuState::Idle; }));
        EXPECT_TRUE(player->window.rows.empty());
        EXPECT_EQ(player->connection.Roster().Count(), 0);
        EXPECT_FALSE(player->connection.Connected());
        EXPECT_EQ(Tail(player->window.events, 3),
                  (std::vector<std::string>{"menu:0", "clear", "log:" + kEnded}));
        player->window.RunPending();
        const auto& log = player->window.chatLog;
        EXPECT_EQ(std::count(log.begin(), log.end(), kEnded), 1);
        EXPECT_FALSE(player->connection.SendLine("talklost\r\n"));
    }
}

TEST_F(ConnectionToRelay, LinesOfAClosedConnectionAreDropped) {
    auto aya = Join("Aya", {"Aya"});
    Player ben("Ben", port);
    ASSERT_TRUE(ben.connection.OpenConnection());
    // The roster lines have reached the main thread's queue but have not run yet.
    ASSERT_TRUE(test::WaitUntil([&] { return ben.window.PendingCount() >= 2; }));
    ben.connection.Disconnect();
    ben.window.RunPending();
    EXPECT_TRUE(ben.window.rows.empty());
    EXPECT_EQ(ben.connection.Roster().Count(), 0);
    EXPECT_EQ(ben.window.events, (std::vector<std::string>{"menu:1", "menu:0", "clear"}));

    ASSERT_TRUE(ben.connection.OpenConnection());
    EXPECT_TRUE(ben.PumpUntilRows({"Aya", "Ben"}));
}

TEST_F(ConnectionToRelay, FastDisconnectAndReconnectNeverCrossConnections) {
    auto aya = Join("Aya", {"Aya"});
    Player ben("Ben", port);
    for (int round = 0; round < 25; ++round) {
        ASSERT_TRUE(ben.connection.OpenConnection());
        ben.connection.SendLine(wire::ChatLine("Ben", std::to_string(round)));
        if (round % 2 == 1) ben.window.RunPending();
        ben.connection.Disconnect();
        ben.window.RunPending();
        ASSERT_TRUE(ben.window.rows.empty()) << round;
        ASSERT_EQ(ben.connection.Roster().Count(), 0) << round;
    }
    ASSERT_TRUE(ben.connection.OpenConnection());
    ben.connection.SendLine(wire::ChatLine("Ben", "last"));
    const std::string last = Sjis("Ben：last\r\n");
    const auto& log = ben.window.chatLog;
    EXPECT_TRUE(ben.Pump([&] { return std::find(log.begin(), log.end(), last) != log.end(); }));
    // The server may still be seeing the last rounds' connections off; once it has, one Ben
    // is left, with the id of the connection that is open. An old reader that closed the
    // new socket would have ended this one instead.
    EXPECT_TRUE(test::WaitUntil([&] { return server.Roster().size() == 2; }));
    const auto onServer = server.Roster();
    EXPECT_TRUE(ben.Pump([&] { return ben.connection.Roster().Participants() == onServer; }));
    EXPECT_EQ(ben.window.rows, (std::vector<std::string>{"Aya", "Ben"}));
    EXPECT_TRUE(ben.connection.Connected());
    EXPECT_TRUE(aya->Pump([&] { return aya->connection.Roster().Participants() == onServer; }));
}

TEST_F(ConnectionToRelay, QuittingWhileLinesArriveTouchesTheWindowNoMore) {
    auto aya = Join("Aya", {"Aya"});
    auto ben = Join("Ben", {"Aya", "Ben"});
    for (int i = 0; i < 200; ++i) aya->connection.SendLine(wire::ChatLine("Aya", "spam"));
    ASSERT_TRUE(test::WaitUntil([&] { return ben->window.PendingCount() > 0; }));
    ben->connection.Close();
    ben->window.Gone();  // any later call or post fails the test
    EXPECT_FALSE(ben->connection.OpenConnection());
    EXPECT_FALSE(ben->connection.SendLine("talklost\r\n"));
    EXPECT_TRUE(aya->PumpUntilRows({"Aya"}));
}

// A server of the test's own, to see the bytes a player sends and to send it any line.

}  // namespace
}  // namespace vesk

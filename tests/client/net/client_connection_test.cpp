#include "client/net/client_connection.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "client/net/player_name.h"
#include "protocol/wire_messages.h"
#include "server/relay_server.h"
#include "tests/client/net/fake_chat_window.h"
#include "tests/support/test_peer.h"

namespace vesk {
namespace {

using namespace std::chrono_literals;
using test::FakeChatWindow;
using test::Sjis;
using test::TestListener;
using test::TestPeer;

class QuietReporter : public RelayReporter {
public:
    void LogLine(std::string_view) override {}
    void ShowMessage(std::string_view) override {}
};

const std::string kEnded = Sjis("サーバーとの接続が切れました\r\n");

// One VeskChat: a fake window and the connection object, aimed at a port on loopback.
struct Player {
    Player(const std::string& name, int port, ConnectionOptions options = {})
        : connection(window, options) {
        window.playerName = name;
        connection.Target().port = port;
    }

    bool Pump(const std::function<bool()>& condition) { return window.PumpUntil(condition); }
    bool PumpUntilRows(const std::vector<std::string>& rows) {
        return Pump([&] { return window.rows == rows; });
    }
    std::vector<std::string> RosterNames() const {
        std::vector<std::string> names;
        for (const Participant& p : connection.Roster().Participants()) names.push_back(p.name);
        return names;
    }

    FakeChatWindow window;
    ClientConnection connection;
};

bool LastLogIs(const Player& player, const std::string& text) {
    return !player.window.chatLog.empty() && player.window.chatLog.back() == text;
}

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
    ConnectionToRelay() : server(reporter) {}

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

    QuietReporter reporter;
    RelayServer server;
    int port = 0;
};

TEST_F(ConnectionToRelay, TwoPlayersJoinTalkAndOneLeaves) {
    auto aya = Join("Aya", {"Aya"});
    EXPECT_EQ(aya->window.menuChanges, std::vector{MenuState::Connected});
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
    EXPECT_EQ(ben->window.menu, MenuState::NotConnected);
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

TEST_F(ConnectionToRelay, AThirdPlayerSeesTheRosterAndAReconnectStartsFresh) {
    auto aya = Join("Aya", {"Aya"});
    auto ben = Join("Ben", {"Aya", "Ben"});
    auto kai = Join("Kai", {"Aya", "Ben", "Kai"});
    EXPECT_EQ(kai->connection.Roster().Participants(),
              (std::vector<Participant>{{"Aya", 0}, {"Ben", 1}, {"Kai", 2}}));

    ben->connection.Disconnect();
    for (Player* other : {aya.get(), kai.get()}) {
        EXPECT_TRUE(other->PumpUntilRows({"Aya", "Kai"}));
        EXPECT_TRUE(other->Pump([&] { return LastLogIs(*other, "\r\n"); }));
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
              (std::vector{MenuState::Connected, MenuState::NotConnected, MenuState::Connected}));
}

TEST_F(ConnectionToRelay, AServerThatGoesAwayIsReportedOnce) {
    auto aya = Join("Aya", {"Aya"});
    auto ben = Join("Ben", {"Aya", "Ben"});
    server.Close();
    for (Player* player : {aya.get(), ben.get()}) {
        EXPECT_TRUE(player->Pump([&] { return player->window.menu == MenuState::NotConnected; }));
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
class ConnectionToPeer : public ::testing::Test {
protected:
    ConnectionToPeer() : player("Aya", listener.Port()) {}

    std::unique_ptr<TestPeer> Connect() {
        EXPECT_TRUE(player.connection.OpenConnection());
        return std::make_unique<TestPeer>(TestPeer::Adopt{listener.Accept()});
    }

    TestListener listener;
    Player player;
};

TEST_F(ConnectionToPeer, JoinLinesComeFirstEvenWhenTheFirstChatLineRaces) {
    const std::string chat = wire::ChatLine("Aya", Sjis("はじめまして"));
    for (int round = 0; round < 20; ++round) {
        ASSERT_TRUE(player.connection.OpenConnection());
        EXPECT_TRUE(player.connection.SendLine(chat));
        TestPeer server(TestPeer::Adopt{listener.Accept()});
        EXPECT_EQ(server.NextLine(), "Aya\r\n") << round;
        EXPECT_EQ(server.NextLine(), "talk\r\n");
        EXPECT_EQ(server.NextLine(), wire::JoinAnnouncement("Aya"));
        EXPECT_EQ(server.NextLine(), "talk\r\n");
        EXPECT_EQ(server.NextLine(), chat);
        player.connection.Disconnect();
    }
}

TEST_F(ConnectionToPeer, OwnLinesAppearOnlyWhenRelayedBack) {
    auto server = Connect();
    const std::string chat = wire::ChatLine("Aya", "hello");
    EXPECT_TRUE(server->WaitForLine("talk\r\n"));
    EXPECT_TRUE(server->WaitForLine("talk\r\n"));
    EXPECT_TRUE(player.connection.SendLine(chat));
    EXPECT_TRUE(server->WaitForLine(chat));
    player.window.RunPending();
    EXPECT_TRUE(player.window.chatLog.empty());
    server->Send(chat);
    EXPECT_TRUE(player.Pump([&] { return !player.window.chatLog.empty(); }));
    EXPECT_EQ(player.window.chatLog, std::vector<std::string>{Sjis("Aya：hello\r\n")});
}

TEST_F(ConnectionToPeer, ALineWithANulLosesNothing) {
    auto server = Connect();
    server->Send(std::string("talkab\0cd\r\ntalknext\r\n", 22));
    EXPECT_TRUE(player.Pump([&] { return player.window.chatLog.size() == 2; }));
    EXPECT_EQ(player.window.chatLog, (std::vector<std::string>{"ab?cd\r\n", "next\r\n"}));
}

TEST_F(ConnectionToPeer, ThePlayerNameCannotBreakTheLines) {
    player.window.playerName = "Aya\r\npaddMallory\t7";
    auto server = Connect();
    EXPECT_EQ(server->NextLine(), "Aya\r\n");
    EXPECT_EQ(server->NextLine(), "talk\r\n");
    EXPECT_EQ(server->NextLine(), wire::JoinAnnouncement("Aya"));
}

TEST_F(ConnectionToPeer, AConnectionResetByTheServerIsReported) {
    auto server = Connect();
    EXPECT_TRUE(server->WaitForLine("talk\r\n"));
    server->Reset();
    EXPECT_TRUE(player.Pump([&] { return player.window.menu == MenuState::NotConnected; }));
    EXPECT_TRUE(LastLogIs(player, kEnded));
    EXPECT_FALSE(player.connection.SendLine("talklost\r\n"));
}

TEST(StalledServer, ASendThatCannotGoOutGivesTheConnectionUpAndSaysSo) {
    TestListener listener;
    ConnectionOptions options;
    options.sendTimeout = 200ms;
    Player player("Aya", listener.Port(), options);
    ASSERT_TRUE(player.connection.OpenConnection());
    TestPeer server(TestPeer::Adopt{listener.Accept()});  // never reads

    const std::string line = "talk" + std::string(4000, 'x') + "\r\n";
    int sent = 0;
    while (sent < 100000 && player.connection.SendLine(line)) ++sent;
    EXPECT_LT(sent, 100000);  // the send gave up instead of waiting for ever
    EXPECT_TRUE(player.Pump([&] { return player.window.menu == MenuState::NotConnected; }));
    EXPECT_TRUE(LastLogIs(player, kEnded));
}

struct NameCase {
    std::string box;
    std::string sent;
};

TEST(PlayerName, EndsAtALineBreakOrTabAndFitsFortyNineBytes) {
    const std::string hyo = Sjis("表");
    const std::vector<NameCase> cases = {
        {"Aya", "Aya"},
        {"", ""},
        {"Ab\tCd", "Ab"},
        {"Ab\rCd", "Ab"},
        {"Ab\nCd", "Ab"},
        {std::string("Ab\0Cd", 5), "Ab"},
        {std::string(49, 'x'), std::string(49, 'x')},
        {std::string(60, 'x'), std::string(49, 'x')},
        {std::string(47, 'x') + hyo, std::string(47, 'x') + hyo},
        {std::string(48, 'x') + hyo, std::string(48, 'x')},
    };
    for (const NameCase& c : cases) EXPECT_EQ(PlayerNameForLines(c.box), c.sent) << c.box;
}

// A port where nothing listens: one the system just handed out and took back.
int FreePort() {
    TestListener listener;
    return listener.Port();
}

struct FailureCase {
    std::string address;
    int port;
    std::string said;  // part of the message besides the address and port
};

TEST(FailedConnect, IsReportedWithAddressAndPortAndStaysNotConnected) {
    const std::vector<FailureCase> cases = {
        {"127.0.0.1", FreePort(), "接続を拒否されました"},
        {"localhost", 15000, "数字とピリオド"},
        {"127.0.0.1.5", 15000, "数字とピリオド"},
        {"127.0.0.1", 70000, "1 から 65535"},
    };
    for (const FailureCase& c : cases) {
        Player player("Aya", c.port);
        player.connection.Target().address = c.address;
        EXPECT_FALSE(player.connection.OpenConnection()) << c.address;
        ASSERT_EQ(player.window.messages.size(), 1u);
        const std::string& message = player.window.messages.front();
        EXPECT_NE(message.find("サーバーに接続できませんでした"), std::string::npos) << message;
        EXPECT_NE(message.find(c.address), std::string::npos) << message;
        EXPECT_NE(message.find(std::to_string(c.port)), std::string::npos) << message;
        EXPECT_NE(message.find(c.said), std::string::npos) << message;
        EXPECT_TRUE(player.window.menuChanges.empty());
        EXPECT_FALSE(player.connection.Connected());
        EXPECT_FALSE(player.connection.SendLine("talklost\r\n"));
    }
}

TEST(FailedConnect, AServerThatNeverAnswersCostsOnlyTheBound) {
    // A listener whose queue of unaccepted connections is full lets further attempts hang.
    const Listener full = OpenListener(0, 0);
    ASSERT_NE(full.handle, kInvalidSocket);
    const int port = LocalPort(full.handle);
    std::vector<SocketHandle> waiting;
    for (int i = 0; i < 2; ++i) {
        const ConnectResult filler = ConnectTo("127.0.0.1", port, 200ms);
        if (filler.handle != kInvalidSocket) waiting.push_back(filler.handle);
    }

    ConnectionOptions options;
    options.connectTimeout = 300ms;
    Player player("Aya", port, options);
    const auto started = std::chrono::steady_clock::now();
    EXPECT_FALSE(player.connection.OpenConnection());
    EXPECT_LT(std::chrono::steady_clock::now() - started, 3s);
    ASSERT_EQ(player.window.messages.size(), 1u);
    EXPECT_NE(player.window.messages.front().find("応答がありませんでした"), std::string::npos)
        << player.window.messages.front();
    EXPECT_TRUE(player.window.menuChanges.empty());

    for (const SocketHandle socket : waiting) CloseSocket(socket);
    CloseSocket(full.handle);
}

}  // namespace
}  // namespace vesk

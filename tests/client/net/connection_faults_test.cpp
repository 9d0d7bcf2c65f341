// What the connection does with a server of the test's own, and with none at all.

#include <gtest/gtest.h>

#include <future>
#include <memory>

#include "client/net/client_connection.h"
#include "protocol/wire_messages.h"
#include "tests/client/net/test_player.h"

namespace vesk {
namespace {

using test::FreePort;
using namespace std::chrono_literals;
using test::Player;
using test::Sjis;
using test::TestListener;
using test::TestPeer;

const std::string kEnded = test::EndedNotice();

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
    EXPECT_TRUE(player.Pump([&] { return player.window.menu == MenuState::Idle; }));
    EXPECT_TRUE(player.LastLogIs(kEnded));
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
    EXPECT_TRUE(player.Pump([&] { return player.window.menu == MenuState::Idle; }));
    EXPECT_TRUE(player.LastLogIs(kEnded));
}

TEST(BusyWindow, AReaderAheadOfTheWindowWaitsAndLosesNothing) {
    TestListener listener;
    ConnectionOptions options;
    options.maxPendingLines = 8;
    Player player("Aya", listener.Port(), options);
    ASSERT_TRUE(player.connection.OpenConnection());
    TestPeer server(TestPeer::Adopt{listener.Accept()});

    std::vector<std::string> sent;
    std::string flood;
    for (int i = 0; i < 2000; ++i) {
        sent.push_back(std::to_string(i) + std::string(100, 'x') + "\r\n");
        flood += "talk" + sent.back();
    }
    auto sender = std::async(std::launch::async, [&] { return server.Send(flood); });
    // The main thread is held: the reader hands over no more than the bound, then waits.
    ASSERT_TRUE(test::WaitUntil([&] { return player.window.PendingCount() >= 8; }));
    EXPECT_EQ(player.window.PendingCount(), 8u);

    // Released, the window gets every line once and in order.
    EXPECT_TRUE(player.Pump([&] { return player.window.chatLog.size() >= sent.size(); }));
    EXPECT_TRUE(sender.get());
    EXPECT_TRUE(player.window.chatLog == sent);
    EXPECT_LE(player.window.MostPending(), 8u);

    // Held again with the reader waiting for room: a disconnect does not wait for the window,
    // and the lines it still had are dropped.
    std::string twenty;
    for (int i = 0; i < 20; ++i) twenty += "talk" + sent[static_cast<std::size_t>(i)];
    EXPECT_TRUE(server.Send(twenty));
    ASSERT_TRUE(test::WaitUntil([&] { return player.window.PendingCount() >= 8; }));
    player.connection.Disconnect();
    player.window.RunPending();
    EXPECT_EQ(player.window.chatLog.size(), sent.size());
}

TEST(Connect, TakesTheAddressFormsThatInetAddrReads) {
    TestListener listener;
    for (const char* address : {"127.0.0.1", "127.1", "0x7f.0.0.1", "2130706433"}) {
        Player player("Aya", listener.Port());
        player.connection.Target().address = address;
        if (!player.connection.OpenConnection()) {
            ADD_FAILURE() << address << " refused";
            continue;
        }
        TestPeer server(TestPeer::Adopt{listener.Accept()});
        EXPECT_EQ(server.NextLine(), "Aya\r\n") << address;
        EXPECT_TRUE(player.window.messages.empty()) << address;
    }
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
        {"127.0.0.1x", 15000, "数字とピリオド"},
        {"", 15000, "数字とピリオド"},
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

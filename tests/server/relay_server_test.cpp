#include "server/relay_server.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <thread>

#include "protocol/cp932.h"
#include "server/relay_loop.h"
#include "tests/server/recording_reporter.h"
#include "tests/support/test_peer.h"

namespace vesk {
namespace {

using test::RecordingReporter;
using namespace std::chrono_literals;
using test::Sjis;
using test::TestPeer;
using test::WaitUntil;

std::string Departure(std::string_view name) {
    return Sjis(std::string(name) + " がパーティから抜けました\r\n");
}

class Relay : public ::testing::Test {
protected:
    explicit Relay(RelayOptions options = {}) : server(reporter, options) {}

    void SetUp() override {
        ASSERT_TRUE(server.Start(0));
        port = server.ListeningPort();
        ASSERT_GT(port, 0);
    }

    // A client that sent its name line and saw its own participant line come back.
    std::unique_ptr<TestPeer> Join(const std::string& name, int expectedId) {
        auto peer = std::make_unique<TestPeer>(port);
        EXPECT_TRUE(peer->Connected());
        peer->Send(name + "\r\n");
        EXPECT_TRUE(peer->WaitForLine("padd" + name + "\t" + std::to_string(expectedId) + "\r\n"))
            << name;
        return peer;
    }

    RecordingReporter reporter;
    RelayServer server;
    int port = 0;
};

TEST_F(Relay, NewcomerGetsTheRosterThenItsOwnParticipantLine) {
    auto aya = Join("Aya", 0);
    auto ben = Join("Ben", 1);
    EXPECT_TRUE(aya->WaitForLine("paddBen\t1\r\n"));

    TestPeer kai(port);
    EXPECT_EQ(kai.NextLine(), "paddAya\t0\r\n");  // before its name line is even sent
    EXPECT_EQ(kai.NextLine(), "paddBen\t1\r\n");
    kai.Send("Kai\r\n");
    EXPECT_EQ(kai.NextLine(), "paddKai\t2\r\n");
    EXPECT_TRUE(aya->WaitForLine("paddKai\t2\r\n"));
    EXPECT_TRUE(ben->WaitForLine("paddKai\t2\r\n"));
    EXPECT_EQ(server.Roster(), (std::vector<Participant>{{"Aya", 0}, {"Ben", 1}, {"Kai", 2}}));
    EXPECT_TRUE(reporter.WaitFor("接続：クライアント No.2 (ポート番号 " +
                                 std::to_string(LocalPort(kai.Handle())) + ")"));
}

TEST_F(Relay, EveryLineReachesEveryClientTheSenderToo) {
    auto aya = Join("Aya", 0);
    auto ben = Join("Ben", 1);
    ASSERT_TRUE(aya->WaitForLine("paddBen\t1\r\n"));
    const std::string chat = Sjis("talkBen：やあ\r\n");
    ben->Send("talk\r\n" + chat + "ab\r\n" + "\r\n");
    for (TestPeer* peer : {aya.get(), ben.get()}) {
        EXPECT_EQ(peer->NextLine(), "talk\r\n");
        EXPECT_EQ(peer->NextLine(), chat);
        EXPECT_EQ(peer->NextLine(), "ab\r\n");
        EXPECT_EQ(peer->NextLine(), "\r\n");  // the relay never looks inside a line
    }
}

TEST_F(Relay, OnlyTheRelaySpeaksForTheRoster) {
    auto aya = Join("Aya", 0);
    auto ben = Join("Ben", 1);
    ASSERT_TRUE(aya->WaitForLine("paddBen\t1\r\n"));
    // Forged participant lines go nowhere; everything else is relayed as it came.
    ben->Send("paddMallory\t7\r\npdel0\r\npadding\r\nPADDx\r\npad\r\ntalkpdel0\r\n");
    for (TestPeer* peer : {aya.get(), ben.get()}) {
        EXPECT_EQ(peer->NextLine(), "PADDx\r\n");
        EXPECT_EQ(peer->NextLine(), "pad\r\n");
        EXPECT_EQ(peer->NextLine(), "talkpdel0\r\n");
    }
    EXPECT_EQ(server.Roster(), (std::vector<Participant>{{"Aya", 0}, {"Ben", 1}}));

    // The same with the lines that come with a newcomer's name line, which may leave with its
    // participant line, in the order they were sent.
    TestPeer cat(port);
    cat.Send("Cat\r\ntalk\r\npdel0\r\ntalkjoins\r\ntalk\r\npaddMallory\t7\r\ntalkafter\r\n");
    std::vector<std::string> seen;
    ASSERT_TRUE(aya->WaitForLine("talkafter\r\n", &seen));
    EXPECT_EQ(seen, (std::vector<std::string>{"paddCat\t2\r\n", "talk\r\n", "talkjoins\r\n",
                                              "talk\r\n"}));
}

TEST_F(Relay, LinesInPiecesAndPackedTogetherAreRelayedWhole) {
    auto aya = Join("Aya", 0);
    auto ben = Join("Ben", 1);
    ASSERT_TRUE(aya->WaitForLine("paddBen\t1\r\n"));
    ben->Send("talkon");
    ben->Send("e\r\ntalktwo\r\ntalkthr");
    ben->Send("ee\r");
    ben->Send("\n");
    EXPECT_EQ(aya->NextLine(), "talkone\r\n");
    EXPECT_EQ(aya->NextLine(), "talktwo\r\n");
    EXPECT_EQ(aya->NextLine(), "talkthree\r\n");
}

TEST_F(Relay, DepartureReachesTheOthersAndTheIdIsReused) {
    auto aya = Join("Aya", 0);
    auto ben = Join("Ben", 1);
    auto kai = Join("Kai", 2);
    ben->Close();
    for (TestPeer* peer : {aya.get(), kai.get()}) {
        EXPECT_TRUE(peer->WaitForLine("pdel1\r\n"));
        EXPECT_EQ(peer->NextLine(), "talk\r\n");
        EXPECT_EQ(peer->NextLine(), Departure("Ben"));
        EXPECT_EQ(peer->NextLine(), "talk\r\n");
    }
    // Whoever has heard of the departure finds the number free at once.
    EXPECT_EQ(server.ConnectedCount(), 2);
    EXPECT_EQ(server.Roster(), (std::vector<Participant>{{"Aya", 0}, {"Kai", 2}}));
    EXPECT_TRUE(reporter.WaitFor("切断：クライアント No.1"));

    TestPeer eve(port);
    EXPECT_EQ(eve.NextLine(), "paddAya\t0\r\n");
    EXPECT_EQ(eve.NextLine(), "paddKai\t2\r\n");
    eve.Send("Eve\r\n");
    EXPECT_EQ(eve.NextLine(), "paddEve\t1\r\n");
    EXPECT_TRUE(aya->WaitForLine("paddEve\t1\r\n"));
}

TEST_F(Relay, AResetConnectionIsADeparture) {
    auto aya = Join("Aya", 0);
    auto ben = Join("Ben", 1);
    ben->Send("talkunread by anyone\r\n");
    ben->Reset();
    EXPECT_TRUE(aya->WaitForLine("pdel1\r\n"));
    EXPECT_EQ(aya->NextLine(), "talk\r\n");
    EXPECT_EQ(aya->NextLine(), Departure("Ben"));
    EXPECT_TRUE(WaitUntil([&] { return server.ConnectedCount() == 1; }));
    EXPECT_EQ(reporter.Count("ERROR：切断処理失敗"), 0);
}

TEST_F(Relay, AConnectionThatEndsBeforeItsNameLineLeavesNoTrace) {
    auto aya = Join("Aya", 0);
    {
        TestPeer silent(port);
        EXPECT_EQ(silent.NextLine(), "paddAya\t0\r\n");
        silent.Send("half a name");
    }
    EXPECT_TRUE(reporter.WaitFor("切断：クライアント No.1"));
    EXPECT_TRUE(WaitUntil([&] { return server.ConnectedCount() == 1; }));
    EXPECT_TRUE(aya->Quiet());  // no participant, so no departure lines
    EXPECT_EQ(server.Roster(), (std::vector<Participant>{{"Aya", 0}}));
    auto ben = Join("Ben", 1);  // the slot was freed
}

TEST_F(Relay, NamesAreCutAtATabAndToTheRecord) {
    auto first = Join("Ab", 0);  // joined as "Ab\tc" below would read as id 0 otherwise
    TestPeer tabbed(port);
    tabbed.Send("Cd\tEf\r\n");
    EXPECT_TRUE(tabbed.WaitForLine("paddCd\t1\r\n"));

    // 50 single bytes and a double-byte character: 52 bytes, cut before the character.
    const std::string longName = std::string(50, 'n') + Sjis("表") + "tail";
    TestPeer longOne(port);
    longOne.Send(longName + "\r\n");
    EXPECT_TRUE(longOne.WaitForLine("padd" + std::string(50, 'n') + "\t2\r\n"));

    const std::string exact = std::string(49, 'm') + Sjis("表");  // 51 bytes fit whole
    TestPeer exactOne(port);
    exactOne.Send(exact + "\r\n");
    EXPECT_TRUE(exactOne.WaitForLine("padd" + exact + "\t3\r\n"));
}

// A party larger than one address may bring by default, all from this machine.
class CrowdRelay : public Relay {
protected:
    CrowdRelay() : Relay(RelayOptions{.perAddress = 0}) {}
};

TEST_F(CrowdRelay, TheTwentyFirstClientGrowsTheTable) {
    std::vector<std::unique_ptr<TestPeer>> party;
    for (int id = 0; id < 20; ++id) party.push_back(Join("p" + std::to_string(id), id));
    EXPECT_EQ(server.SlotCount(), 20u);
    party.push_back(Join("p20", 20));
    EXPECT_EQ(server.SlotCount(), 30u);
    EXPECT_EQ(server.ConnectedCount(), 21);
    party[20]->Send("talklast\r\n");
    EXPECT_TRUE(party[0]->WaitForLine("talklast\r\n"));
}

TEST_F(Relay, AfterStopConnectedClientsChatAndNewOnesAreRefused) {
    auto aya = Join("Aya", 0);
    auto ben = Join("Ben", 1);
    server.Stop();
    EXPECT_EQ(server.ListeningPort(), -1);
    EXPECT_TRUE(reporter.WaitFor("接続受け入れ不能"));
    ben->Send("talkstill here\r\n");
    EXPECT_TRUE(aya->WaitForLine("talkstill here\r\n"));
    TestPeer late(port);
    EXPECT_FALSE(late.Connected());
}

TEST_F(Relay, ARestartOnTheSamePortKeepsTheSlotsOfConnectedClients) {
    auto aya = Join("Aya", 0);
    auto ben = Join("Ben", 1);
    { auto gone = Join("Gone", 2); }
    EXPECT_TRUE(WaitUntil([&] { return server.ConnectedCount() == 2; }));
    server.Stop();
    ASSERT_TRUE(server.Start(static_cast<std::uint16_t>(port)));  // connections in TIME_WAIT
    EXPECT_TRUE(reporter.WaitFor("接続受け入れ可能", 2));

    auto kai = Join("Kai", 2);  // 0 and 1 are still taken
    aya->Close();
    EXPECT_TRUE(ben->WaitForLine("pdel0\r\n"));
    ASSERT_TRUE(WaitUntil([&] { return server.ConnectedCount() == 2; }));
    auto eve = Join("Eve", 0);
    EXPECT_EQ(server.ConnectedCount(), 3);
    eve->Send("talkhi\r\n");
    EXPECT_TRUE(ben->WaitForLine("talkhi\r\n"));
    EXPECT_TRUE(kai->WaitForLine("talkhi\r\n"));
}

TEST_F(Relay, APortAnotherServerHoldsIsRefused) {
    RecordingReporter otherReporter;
    RelayServer other(otherReporter);
    EXPECT_FALSE(other.Start(static_cast<std::uint16_t>(port)));
    EXPECT_EQ(otherReporter.Count("ERROR：ソケット初期化(bind)失敗"), 1);
    EXPECT_FALSE(other.Start(static_cast<std::uint16_t>(port)));
    EXPECT_EQ(otherReporter.Count("ERROR：ソケット初期化(bind)失敗"), 2);
    EXPECT_EQ(other.ListeningPort(), -1);
}

TEST_F(Relay, ManyClientsSendingAtOnceAllSeeTheSameOrder) {
    constexpr int kClients = 8;
    constexpr int kLines = 60;
    std::vector<std::unique_ptr<TestPeer>> party;
    for (int id = 0; id < kClients; ++id) party.push_back(Join("p" + std::to_string(id), id));
    for (int id = 0; id < kClients; ++id) {
        for (int later = id + 1; later < kClients; ++later) {
            ASSERT_TRUE(party[id]->WaitForLine("paddp" + std::to_string(later) + "\t" +
                                               std::to_string(later) + "\r\n"));
        }
    }
    std::vector<std::thread> senders;
    for (int id = 0; id < kClients; ++id) {
        senders.emplace_back([&, id] {
            for (int n = 0; n < kLines; ++n) {
                party[id]->Send("talk" + std::to_string(id) + ":" + std::to_string(n) + "\r\n");
            }
        });
    }
    for (auto& sender : senders) sender.join();
    std::vector<std::vector<std::string>> seen(kClients);
    for (int id = 0; id < kClients; ++id) {
        for (int n = 0; n < kClients * kLines; ++n) {
            auto line = party[id]->NextLine();
            ASSERT_TRUE(line) << "client " << id << " line " << n;
            seen[id].push_back(*line);
        }
    }
    for (int id = 1; id < kClients; ++id) EXPECT_EQ(seen[id], seen[0]);
    // Each sender's own lines keep their order.
    std::vector<int> next(kClients, 0);
    for (const std::string& line : seen[0]) {
        const int sender = std::stoi(line.substr(4));
        EXPECT_EQ(line,
                  "talk" + std::to_string(sender) + ":" + std::to_string(next[sender]++) + "\r\n");
    }
}

TEST_F(CrowdRelay, ACrowdJoiningAtOnceHearsOfEachMemberExactlyOnce) {
    constexpr int kCrowd = 40;
    std::vector<std::unique_ptr<TestPeer>> crowd;
    for (int n = 0; n < kCrowd; ++n) {
        crowd.push_back(std::make_unique<TestPeer>(port));
        const std::string name = "c" + std::to_string(n);
        crowd.back()->Send(name + "\r\ntalk\r\ntalk" + name + " joins\r\ntalk\r\n");
    }
    ASSERT_TRUE(WaitUntil([&] { return server.Roster().size() == kCrowd; }));
    crowd[0]->Send("talkeveryone is in\r\n");
    std::map<std::string, int> idOf;  // as the first member heard it
    for (int n = 0; n < kCrowd; ++n) {
        std::vector<std::string> seen;
        ASSERT_TRUE(crowd[n]->WaitForLine("talkeveryone is in\r\n", &seen)) << n;
        std::map<std::string, int> heard;
        for (const std::string& line : seen) {
            if (!line.starts_with("padd")) continue;
            const std::size_t tab = line.find('\t');
            const std::string name = line.substr(4, tab - 4);
            EXPECT_EQ(heard.count(name), 0u) << "member " << n << " heard twice of " << name;
            heard[name] = std::stoi(line.substr(tab + 1));
        }
        EXPECT_EQ(heard.size(), static_cast<std::size_t>(kCrowd)) << n;
        if (n == 0) idOf = heard;
        EXPECT_EQ(heard, idOf) << n;
    }
    std::set<int> ids;
    for (const auto& [name, id] : idOf) ids.insert(id);
    EXPECT_EQ(ids.size(), static_cast<std::size_t>(kCrowd));
    EXPECT_EQ(*ids.rbegin(), kCrowd - 1);
}

// A participant inside the relay's loop, as a browser seat is: it says what the test tells it
// and keeps every line it is given, split by the test itself.
class LoopParticipant : public LocalParticipant {
public:
    explicit LoopParticipant(RelayServer& server) : server(server) {}
    ~LoopParticipant() { Leave(); }

    bool Join(const std::string& peerAddress) {
        bool seated = false;
        server.RunOnLoop([&](RelayLoop& loop) {
            seat = loop.TakeSeat(*this, peerAddress);
            seated = static_cast<bool>(seat);
        });
        return seated;
    }
    void Say(const std::string& bytes) {
        server.RunOnLoop([&](RelayLoop&) { seat.Say(bytes); });
    }
    void Leave() {
        server.RunOnLoop([&](RelayLoop&) { seat.Leave(); });
    }
    std::optional<std::string> NextLine() {
        if (!WaitUntil([&] { return Lines().size() > read; })) return std::nullopt;
        return Lines()[read++];
    }

    void LinesWaiting() override {
        std::string_view runs[4];
        while (const std::size_t count = seat.Pending(runs)) {
            std::size_t taken = 0;
            std::lock_guard guard(lock);
            for (std::size_t i = 0; i < count; ++i) {
                for (std::size_t at = 0; at < runs[i].size();) {
                    const std::size_t end = runs[i].find("\r\n", at) + 2;
                    lines.emplace_back(runs[i].substr(at, end - at));
                    at = end;
                }
                taken += runs[i].size();
            }
            seat.Taken(taken);
        }
    }
    void MaySayMore() override {}
    void SeatEnded() override {}

private:
    std::vector<std::string> Lines() {
        std::lock_guard guard(lock);
        return lines;
    }

    RelayServer& server;
    PartySeat seat;   // loop only
    std::mutex lock;  // guards lines: the loop adds to them, the test reads them
    std::vector<std::string> lines;
    std::size_t read = 0;
};

TEST_F(Relay, AParticipantInTheRelaysLoopIsAParticipantLikeAnAcceptedOne) {
    auto aya = Join("Aya", 0);
    LoopParticipant seat(server);
    ASSERT_TRUE(seat.Join("192.0.2.7"));
    EXPECT_EQ(seat.NextLine(), "paddAya\t0\r\n");
    seat.Say("Web\r\ntalk\r\n");
    EXPECT_TRUE(aya->WaitForLine("paddWeb\t1\r\n"));
    EXPECT_EQ(aya->NextLine(), "talk\r\n");
    EXPECT_EQ(seat.NextLine(), "paddWeb\t1\r\n");
    EXPECT_EQ(seat.NextLine(), "talk\r\n");
    EXPECT_TRUE(reporter.WaitFor("接続：クライアント No.1 (ブラウザ 192.0.2.7)"));
    aya->Send("talkhi\r\n");
    EXPECT_EQ(seat.NextLine(), "talkhi\r\n");
    seat.Leave();
    EXPECT_TRUE(aya->WaitForLine("pdel1\r\n"));
    EXPECT_TRUE(WaitUntil([&] { return server.ConnectedCount() == 1; }));
}

TEST_F(Relay, CloseEndsWithClientsStillConnected) {
    auto aya = Join("Aya", 0);
    auto ben = Join("Ben", 1);
    TestPeer unnamed(port);
    server.Close();
    EXPECT_TRUE(aya->WaitForClose());
    EXPECT_TRUE(ben->WaitForClose());
    EXPECT_TRUE(unnamed.WaitForClose());
    EXPECT_EQ(reporter.Count("切断：クライアント No.0"), 0);
    EXPECT_TRUE(server.Roster().empty());
    EXPECT_FALSE(server.Start(0));
}

TEST_F(Relay, ClearRosterEmptiesIt) {
    auto aya = Join("Aya", 0);
    server.ClearRoster();
    EXPECT_TRUE(server.Roster().empty());
    TestPeer late(port);
    late.Send("Ben\r\n");
    EXPECT_EQ(late.NextLine(), "paddBen\t1\r\n");  // no roster line for Aya any more
}

class GatekeepingRelay : public Relay {
protected:
    GatekeepingRelay() : Relay(RelayOptions{.nameTimeout = 1s, .perAddress = 3}) {}
};

TEST_F(GatekeepingRelay, ConnectionsThatNeverBecomePlayersAreBounded) {
    auto aya = Join("Aya", 0);
    TestPeer silent(port);
    TestPeer mute(port);
    ASSERT_TRUE(WaitUntil([&] { return server.ConnectedCount() == 3; }));
    // A fourth connection from the same address is closed at once and never given a slot.
    TestPeer refused(port);
    EXPECT_TRUE(refused.WaitForClose(2s));
    EXPECT_TRUE(reporter.WaitFor("接続拒否：127.0.0.1 からの接続が上限 (3) に達しています"));
    EXPECT_EQ(server.ConnectedCount(), 3);

    // The two that never send a name are closed once the name time passes, with no departure
    // lines, and no longer count against their address.
    EXPECT_TRUE(silent.WaitForClose(5s));
    EXPECT_TRUE(mute.WaitForClose(5s));
    EXPECT_TRUE(reporter.WaitFor("クライアント No.1 は名前を送らないまま 1 秒経ちました"));
    EXPECT_TRUE(aya->Quiet());
    EXPECT_TRUE(WaitUntil([&] { return server.ConnectedCount() == 1; }));
    auto ben = Join("Ben", 1);
    auto cat = Join("Cat", 2);
    EXPECT_EQ(server.Roster(), (std::vector<Participant>{{"Aya", 0}, {"Ben", 1}, {"Cat", 2}}));
}

class SlowClientRelay : public Relay {
protected:
    SlowClientRelay() : Relay(RelayOptions{.floodLimit = 0}) {}

    // A client on a slow link: a small receive window, so that what it does not read soon
    // waits in the relay. witness sees it join.
    std::unique_ptr<TestPeer> JoinOnASlowLink(const std::string& name, int expectedId,
                                              TestPeer& witness) {
        auto peer = std::make_unique<TestPeer>(port, 4096);
        peer->Send(name + "\r\n");
        EXPECT_TRUE(
            witness.WaitForLine("padd" + name + "\t" + std::to_string(expectedId) + "\r\n"));
        return peer;
    }
};

// Line n of a burst: 1 KB, numbered so that a reader can tell whether it came in order.
std::string BurstLine(int n) {
    const std::string number = std::to_string(n);
    return "talk" + number + std::string(1018 - number.size(), 'x') + "\r\n";
}

std::string Burst(int lines) {
    std::string burst;
    for (int n = 0; n < lines; ++n) burst += BurstLine(n);
    return burst;
}

// Reads until the line "talkafter", counting the numbered burst lines that arrive in order;
// other lines (the stuck client's leaving) are passed over.
struct BurstReader {
    int inOrder = 0;
    bool afterSeen = false;
    bool heardStuckLeave = false;

    void ReadFrom(TestPeer& peer) {
        while (const auto line = peer.NextLine(20s)) {
            if (*line == "talkafter\r\n") {
                afterSeen = true;
                return;
            }
            if (*line == "pdel2\r\n") heardStuckLeave = true;
            if (*line == BurstLine(inOrder)) ++inOrder;
        }
    }
};

TEST_F(SlowClientRelay, ABurstReachesEveryoneWhoKeepsReadingAndCutsOffWhoNeverReads) {
    auto aya = Join("Aya", 0);
    auto ben = Join("Ben", 1);
    // Stuck never reads after joining; its small receive window fills quickly.
    auto stuck = JoinOnASlowLink("Stuck", 2, *aya);
    ASSERT_TRUE(ben->WaitForLine("paddStuck\t2\r\n"));

    // 20,000 lines of 1 KB at once, far more than the system holds for any reader: Aya sends
    // them without waiting for anyone, and reads her own, as Ben does.
    constexpr int kLines = 20000;
    BurstReader ayaRead, benRead;
    std::thread ayaReads([&] { ayaRead.ReadFrom(*aya); });
    std::thread benReads([&] { benRead.ReadFrom(*ben); });
    EXPECT_TRUE(aya->Send(Burst(kLines)));
    // The party goes on after the stuck client is cut off; its slot is freed in the same step
    // that announces its leaving.
    EXPECT_TRUE(WaitUntil([&] { return server.ConnectedCount() == 2; }));
    EXPECT_TRUE(aya->Send("talkafter\r\n"));
    ayaReads.join();
    benReads.join();

    for (const BurstReader* read : {&ayaRead, &benRead}) {
        EXPECT_EQ(read->inOrder, kLines);
        EXPECT_TRUE(read->afterSeen);
        EXPECT_TRUE(read->heardStuckLeave);
    }
    EXPECT_TRUE(stuck->WaitForClose());
    EXPECT_EQ(reporter.Count("切断：クライアント No.2"), 1);
}

TEST_F(SlowClientRelay, AReaderWhoPausesForThreeSecondsOnASlowLinkLosesNothing) {
    auto aya = Join("Aya", 0);
    auto dee = JoinOnASlowLink("Dee", 1, *aya);
    // 10 MB: more than the system holds for Dee, less than the relay holds for one reader.
    constexpr int kLines = 10000;
    BurstReader ayaRead, deeRead;
    std::thread ayaReads([&] { ayaRead.ReadFrom(*aya); });
    std::thread deeReads([&] {
        std::this_thread::sleep_for(3s);  // the Wi-Fi drops out while the burst arrives
        deeRead.ReadFrom(*dee);
    });
    EXPECT_TRUE(aya->Send(Burst(kLines) + "talkafter\r\n"));
    ayaReads.join();
    deeReads.join();
    EXPECT_EQ(ayaRead.inOrder, kLines);
    EXPECT_EQ(deeRead.inOrder, kLines);
    EXPECT_TRUE(deeRead.afterSeen);
    EXPECT_EQ(server.ConnectedCount(), 2);
}

TEST_F(SlowClientRelay, AReaderThatTakesAByteNowAndThenIsStuckAllTheSame) {
    auto aya = Join("Aya", 0);
    auto trickler = JoinOnASlowLink("Tim", 1, *aya);
    // 4 MB, well within what the relay holds for one reader; Tim takes a byte every 500 ms.
    const std::string line = "talk" + std::string(1018, 'z') + "\r\n";
    std::string burst;
    for (int n = 0; n < 4096; ++n) burst += line;
    std::atomic<bool> tricklerDone{false};
    std::thread trickles([&] {
        while (!tricklerDone && trickler->Connected()) {
            trickler->DropWaiting(1);
            std::this_thread::sleep_for(500ms);
        }
    });
    std::thread ayaSends([&] { aya->Send(burst); });
    const auto sent = std::chrono::steady_clock::now();
    EXPECT_TRUE(aya->WaitForLine("pdel1\r\n", nullptr, 30s));
    const auto took = std::chrono::steady_clock::now() - sent;
    tricklerDone = true;
    trickles.join();
    ayaSends.join();
    EXPECT_GE(took, 4s) << "it had 5 s to take a whole line";
    EXPECT_TRUE(WaitUntil([&] { return server.ConnectedCount() == 1; }));
}

TEST_F(SlowClientRelay, CloseNeverWaitsForAClientThatStopsReading) {
    auto aya = Join("Aya", 0);
    TestPeer stuck(port, 4096);
    stuck.Send("Stuck\r\n");
    ASSERT_TRUE(aya->WaitForLine("paddStuck\t1\r\n"));
    // Enough to fill what the system keeps for Stuck, not enough to cut it off.
    const std::string bulk = "talk" + std::string(4000, 'x') + "\r\n";
    std::thread ayaReads([&] { aya->WaitForClose(); });
    for (int i = 0; i < 8; ++i) aya->Send(bulk);
    std::atomic<bool> closed{false};
    std::thread closer([&] {
        server.Close();
        closed = true;
    });
    EXPECT_TRUE(WaitUntil([&] { return closed.load(); }, 2s));
    closer.join();
    ayaReads.join();
}

class FloodRelay : public Relay {
protected:
    FloodRelay() : Relay(RelayOptions{.floodLimit = 20, .floodCutOff = 1s}) {}
};

TEST_F(FloodRelay, AFlooderIsSlowedDownAndNobodyElseWaits) {
    auto aya = Join("Aya", 0);
    auto ben = Join("Ben", 1);
    auto cat = Join("Cat", 2);
    ASSERT_TRUE(aya->WaitForLine("paddCat\t2\r\n"));
    ASSERT_TRUE(ben->WaitForLine("paddCat\t2\r\n"));
    // Twenty lines leave at once; the other 37 wait their turns, 20 a second.
    constexpr int kLines = 57;
    std::string flood;
    for (int n = 0; n < kLines; ++n) flood += "talkben" + std::to_string(n) + "\r\n";
    const auto sent = std::chrono::steady_clock::now();
    ben->Send(flood);
    ASSERT_TRUE(cat->WaitForLine("talkben19\r\n"));
    aya->Send("talkaya\r\n");

    // Aya's line overtakes Ben's waiting ones; none of Ben's is lost or reordered.
    std::vector<std::string> seen;
    ASSERT_TRUE(cat->WaitForLine("talkben" + std::to_string(kLines - 1) + "\r\n", &seen));
    const auto took = std::chrono::steady_clock::now() - sent;
    const auto ayaLine = std::find(seen.begin(), seen.end(), "talkaya\r\n");
    ASSERT_NE(ayaLine, seen.end());
    seen.erase(ayaLine);
    for (int n = 20; n < kLines - 1; ++n) {
        EXPECT_EQ(seen[static_cast<std::size_t>(n - 20)], "talkben" + std::to_string(n) + "\r\n");
    }
    EXPECT_GE(took, 1800ms);
    EXPECT_TRUE(ben->Connected());
    EXPECT_EQ(server.ConnectedCount(), 3);
}

// Sends numbered lines without ever waiting: count of them, or, with count 0, until the relay
// and the system take no more for a while or the connection breaks.
void FloodWithoutWaiting(TestPeer& peer, int count) {
    std::string waiting;
    int next = 0;
    auto idleSince = std::chrono::steady_clock::now();
    while (count == 0 || next < count || !waiting.empty()) {
        if (waiting.empty() && (count == 0 || next < count)) {
            for (int n = 0; n < 100 && (count == 0 || next < count); ++n) {
                waiting += "talkflood" + std::to_string(next++) + "\r\n";
            }
        }
        const long sent = peer.SendNow(waiting);
        if (sent > 0) {
            waiting.erase(0, static_cast<std::size_t>(sent));
            idleSince = std::chrono::steady_clock::now();
        } else if (sent < 0) {
            return;  // cut off
        } else if (std::chrono::steady_clock::now() - idleSince > 300ms) {
            return;  // full
        } else {
            std::this_thread::sleep_for(1ms);
        }
    }
}

TEST_F(FloodRelay, AFlooderThatLeavesIsSeenOffHoweverMuchItLeftWaiting) {
    struct Case {
        const char* what;
        int lines;  // 0: until the system holds all it will
    };
    const Case cases[] = {
        {"a few seconds of lines", 100},
        // Megabytes wait in the system's buffers, in front of the flooder's leaving: an hour's
        // worth at the limit. Its backlog outlasts the cut-off time, and it is cut off.
        {"more than the system holds", 0},
    };
    auto aya = Join("Aya", 0);
    for (const Case& flood : cases) {
        auto ben = Join("Ben", 1);  // the same number each time: the last one's slot is free
        ASSERT_TRUE(aya->WaitForLine("paddBen\t1\r\n")) << flood.what;
        FloodWithoutWaiting(*ben, flood.lines);
        ben->ShutdownSending();  // its leaving waits behind what it sent
        EXPECT_TRUE(aya->WaitForLine("pdel1\r\n", nullptr, 3s)) << flood.what;
        EXPECT_EQ(server.ConnectedCount(), 1) << flood.what;
    }
}

TEST_F(FloodRelay, LongLinesBeyondWhatTheRelayHoldsAreSlowedDownNotCutOff) {
    auto aya = Join("Aya", 0);
    auto ben = Join("Ben", 1);
    ASSERT_TRUE(aya->WaitForLine("paddBen\t1\r\n"));
    // Forty lines of 4000 bytes: more than the relay holds for Ben, for less than the cut-off
    // time. Twenty leave at once, the rest over a second.
    std::string flood;
    for (int n = 0; n < 40; ++n)
        flood += "talk" + std::to_string(n) + std::string(3990, 'x') + "\r\n";
    std::thread benSends([&] { ben->Send(flood); });
    for (int n = 0; n < 40; ++n) {
        const auto line = aya->NextLine();
        ASSERT_TRUE(line) << n;
        EXPECT_TRUE(line->starts_with("talk" + std::to_string(n) + "x")) << n;
    }
    benSends.join();
    EXPECT_TRUE(ben->Connected());
    EXPECT_EQ(server.ConnectedCount(), 2);
}

}  // namespace
}  // namespace vesk

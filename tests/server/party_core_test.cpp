#include "server/party_core.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "dice/dice_seal.h"
#include "protocol/cp932.h"
#include "tests/support/fixed_dice.h"

namespace vesk {
namespace {

using namespace std::chrono_literals;

std::string Sjis(std::string_view utf8) { return Cp932FromUtf8(utf8); }

// A connection as the loop would serve it, with no socket: its system takes at most takes
// bytes each time the party writes to it, or whenever it is told it has room again.
struct FakePeer {
    ConnectionId id;
    std::string received;
    std::size_t takes = std::numeric_limits<std::size_t>::max();
    std::optional<CloseKind> closed;
    bool resumed = false;
    bool away = false;  // a held seat: its far end takes nothing

    // The lines received so far, one by one.
    std::vector<std::string> Lines() const {
        std::vector<std::string> lines;
        for (std::size_t at = 0; at < received.size();) {
            const std::size_t end = received.find("\r\n", at) + 2;
            lines.push_back(received.substr(at, end - at));
            at = end;
        }
        return lines;
    }
    bool Heard(const std::string& line) const {
        const std::vector<std::string> lines = Lines();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
};

// The party core with the loop's part played by the test, on a fake clock.
class FakeLoop {
public:
    explicit FakeLoop(RelayOptions options = {}) : core(options) {}
    FakeLoop(RelayOptions options, DiceSource& dice) : core(options, dice) {}

    // Nothing when the party turned it away.
    FakePeer* Connect(const std::string& address = "192.0.2.1") {
        const std::optional<ConnectionId> id = core.Connected(address, "test", now);
        if (!id) {
            Carry();
            return nullptr;
        }
        FakePeer& peer = peers[id->slot * 1000 + id->serial];
        peer.id = *id;
        order.push_back(&peer);
        Carry();
        return &peer;
    }
    FakePeer& Join(const std::string& name) {
        FakePeer& peer = *Connect();
        Say(peer, name + "\r\n");
        return peer;
    }
    // What the peer sends arrives whole and is flushed, as one pass of the loop would.
    void Say(FakePeer& peer, std::string_view bytes) {
        core.Received(peer.id, bytes, now, true);
        Flush();
    }
    void Flush() {
        core.Flush(now);
        Carry();
    }
    void Leave(FakePeer& peer) {
        core.Ended(peer.id, now);
        Flush();
    }
    // Time passes, in steps of step; every peer takes what its system takes meanwhile.
    void Advance(PartyClock::duration span, PartyClock::duration step = 10ms) {
        for (const auto until = now + span; now < until;) {
            now += step;
            core.Tick(now);
            for (FakePeer* peer : order) {
                if (!peer->closed) Write(*peer);
            }
            Flush();
        }
    }

    PartyCore core;
    PartyClock::time_point now{};
    std::vector<std::string> log;

private:
    void Carry() {
        std::vector<PartyAction> actions;
        for (core.TakeActions(actions); !actions.empty(); core.TakeActions(actions)) {
            for (const PartyAction& action : actions) {
                FakePeer* peer = Find(action.connection);
                switch (action.kind) {
                    case PartyAction::Kind::Log:
                        log.push_back(Utf8FromCp932(action.text));
                        break;
                    case PartyAction::Kind::Write:
                        if (peer) Write(*peer);
                        break;
                    case PartyAction::Kind::ResumeReading:
                        if (peer) peer->resumed = true;
                        break;
                    case PartyAction::Kind::Close:
                        if (peer) peer->closed = action.close;
                        break;
                }
            }
        }
    }
    // Its system takes up to its takes, from as many runs as that covers; none when its
    // buffer is full.
    void Write(FakePeer& peer) {
        if (peer.away) return;
        std::size_t budget = peer.takes;
        std::string_view runs[4];
        for (;;) {
            const std::size_t count = core.Pending(peer.id, runs);
            if (count == 0) return;
            std::size_t taken = 0;
            for (std::size_t i = 0; i < count && taken < budget; ++i) {
                const std::size_t here = std::min(runs[i].size(), budget - taken);
                peer.received.append(runs[i].substr(0, here));
                taken += here;
            }
            core.Taken(peer.id, taken, now);
            budget -= taken;
            if (taken == 0 || budget == 0) return;
        }
    }
    FakePeer* Find(ConnectionId id) {
        const auto found = peers.find(id.slot * 1000 + id.serial);
        return found == peers.end() ? nullptr : &found->second;
    }

    std::map<std::uint64_t, FakePeer> peers;
    std::vector<FakePeer*> order;
};

std::string Departure(const std::string& name) {
    return Sjis(name + " がパーティから抜けました\r\n");
}

TEST(PartyCore, JoinersHearTheRosterThenEveryArrivalAndLeavingExactlyOnce) {
    FakeLoop party(RelayOptions{.perAddress = 0});
    FakePeer& aya = party.Join("Aya");
    FakePeer& ben = party.Join("Ben\tfake id");  // a TAB would give every client a wrong id
    EXPECT_TRUE(aya.Heard("paddBen\t1\r\n"));
    FakePeer& kai = *party.Connect();
    EXPECT_EQ(kai.Lines(), (std::vector<std::string>{"paddAya\t0\r\n", "paddBen\t1\r\n"}))
        << "before its name line";
    party.Say(kai, std::string(60, 'k') + "\r\ntalk\r\n");  // cut to what the record holds
    const std::string kaiLine = "padd" + std::string(51, 'k') + "\t2\r\n";
    EXPECT_EQ(kai.Lines().back(), "talk\r\n");
    EXPECT_TRUE(aya.Heard(kaiLine) && ben.Heard(kaiLine));

    // Ben leaves and Eve joins within one pass of the loop: Eve hears of neither, Aya and Kai
    // hear the leaving once, and Eve takes the lowest free number.
    party.core.Ended(ben.id, party.now);
    FakePeer& eve = *party.Connect();
    party.Say(eve, "Eve\r\n");
    EXPECT_EQ(eve.Lines(), (std::vector<std::string>{"paddAya\t0\r\n", kaiLine, "paddEve\t1\r\n"}));
    const std::vector<std::string> leaving = {"pdel1\r\n", "talk\r\n", Departure("Ben"), "talk\r\n",
                                              "paddEve\t1\r\n"};
    for (FakePeer* peer : {&aya, &kai}) {
        const std::vector<std::string> lines = peer->Lines();
        EXPECT_TRUE(std::search(lines.begin(), lines.end(), leaving.begin(), leaving.end()) !=
                    lines.end());
        EXPECT_EQ(std::count(lines.begin(), lines.end(), "pdel1\r\n"), 1);
    }
    EXPECT_EQ(ben.closed, CloseKind::Orderly);
    EXPECT_FALSE(ben.Heard("pdel1\r\n"));
    EXPECT_EQ(party.core.Roster(),
              (std::vector<Participant>{{"Aya", 0}, {std::string(51, 'k'), 2}, {"Eve", 1}}));
    EXPECT_EQ(party.log.back(), "接続：クライアント No.1 (test)");

    // Forged participant lines go nowhere; everything else is relayed as it came.
    party.Say(aya, "paddMallory\t7\r\npdel0\r\nPADDx\r\n");
    EXPECT_EQ(eve.Lines().back(), "PADDx\r\n");
    EXPECT_FALSE(eve.Heard("pdel0\r\n"));
}

TEST(PartyCore, TheTableGrowsAndConnectionsThatNeverJoinAreBounded) {
    FakeLoop party(RelayOptions{.nameTimeout = 30s, .perAddress = 3});
    std::vector<FakePeer*> crowd;
    for (int n = 0; n < 21; ++n) crowd.push_back(party.Connect("10.0.0." + std::to_string(n)));
    EXPECT_EQ(party.core.SlotCount(), 30u);
    EXPECT_EQ(party.core.ConnectedCount(), 21);

    // A fourth connection from one address is turned away; once one leaves, it may come.
    party.Connect("10.9.9.9");
    party.Connect("10.9.9.9");
    FakePeer* third = party.Connect("10.9.9.9");
    EXPECT_EQ(party.Connect("10.9.9.9"), nullptr);
    EXPECT_EQ(party.log.back(), "接続拒否：10.9.9.9 からの接続が上限 (3) に達しています");
    party.Leave(*third);
    EXPECT_EQ(party.core.ConnectedCount(), 23);
    const FakePeer* again = party.Connect("10.9.9.9");
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->id.slot, third->id.slot) << "the lowest free number";

    // None of them sent a name: all are closed at the name time, with no departure lines.
    party.Say(*crowd[0], "Aya\r\n");
    party.Advance(31s, 1s);
    EXPECT_EQ(party.core.ConnectedCount(), 1);
    EXPECT_FALSE(crowd[0]->Heard("pdel1\r\n"));
    EXPECT_EQ(crowd[1]->closed, CloseKind::Orderly);
    EXPECT_NE(std::find(party.log.begin(), party.log.end(),
                        "クライアント No.1 は名前を送らないまま 30 秒経ちました"),
              party.log.end());
}

// A busy party as receivers meet it: one sender's 1 KB lines, 100 a second for 20 seconds,
// and receivers whose systems take what their behaviour says every 10 ms.
TEST(PartyCore, OnlyAReceiverThatIsStuckOrTooFarBehindIsCutOff) {
    struct Receiver {
        const char* behaviour;
        std::size_t takes;                              // bytes each 10 ms
        std::optional<PartyClock::duration> pauseFrom;  // takes nothing from then on, for pause
        PartyClock::duration pause;
        std::optional<PartyClock::duration> cutOffAt;  // about when; nothing: never
    };
    const std::string line = "talk" + std::string(1018, 'x') + "\r\n";
    const Receiver receivers[] = {
        {"keeps reading", 1 << 20, std::nullopt, 0s, std::nullopt},
        {"reads more slowly than the party talks", 512, std::nullopt, 0s, std::nullopt},
        {"stops for 3 s (a laptop's Wi-Fi)", 1 << 20, 5s, 3s, std::nullopt},
        {"stops reading for good: stuck 5 s later", 1 << 20, 5s, 60s, 10s},
        {"takes a byte now and then: stuck all the same", 1, std::nullopt, 0s, 5s},
        // 1.5 MB behind after about 16 s, taking a whole line every 160 ms.
        {"falls more than its queue holds behind", 64, std::nullopt, 0s, 16s},
    };
    for (const Receiver& receiver : receivers) {
        FakeLoop party(RelayOptions{.sendQueueBytes = 1536 * 1024, .floodLimit = 0});
        FakePeer& aya = party.Join("Aya");
        FakePeer& reader = party.Join("Ray");
        for (int n = 0; n < 2000 && !reader.closed; ++n) {
            const auto t = party.now - PartyClock::time_point{};
            const bool paused = receiver.pauseFrom && t >= *receiver.pauseFrom &&
                                t < *receiver.pauseFrom + receiver.pause;
            reader.takes = paused ? 0 : receiver.takes;
            party.Say(aya, line);
            party.Advance(10ms);
        }
        EXPECT_EQ(reader.closed.has_value(), receiver.cutOffAt.has_value()) << receiver.behaviour;
        if (receiver.cutOffAt) {
            const auto at = party.now - PartyClock::time_point{};
            EXPECT_LT(at - *receiver.cutOffAt, 500ms) << receiver.behaviour;
            EXPECT_GT(at - *receiver.cutOffAt, -500ms) << receiver.behaviour;
            EXPECT_EQ(reader.closed, CloseKind::Reset) << receiver.behaviour;
            EXPECT_TRUE(aya.Heard("pdel1\r\n")) << receiver.behaviour;
        } else {
            reader.takes = 1 << 30;
            party.Advance(10ms);
            const std::vector<std::string> lines = reader.Lines();
            EXPECT_EQ(std::count(lines.begin(), lines.end(), line), 2000) << receiver.behaviour;
        }
        EXPECT_FALSE(aya.closed) << receiver.behaviour;
        EXPECT_EQ(party.core.QueuedBytes(), 0u) << receiver.behaviour;
    }
}

// One participant sends a block of lines at once, with a flood limit of 20 lines a second.
TEST(PartyCore, AFlooderWaitsItsTurnAndIsCutOffOnlyWhenItGoesOnBeyondWhatIsHeld) {
    struct Flood {
        const char* what;
        int lines;
        std::size_t lineBytes;
        bool goesOnSending;  // its system holds more whenever the relay stops reading
        bool cutOff;
    };
    const Flood floods[] = {
        {"a pasted block", 57, 20, false, false},
        {"more than the relay holds, then it stops", 40, 4000, false, false},
        {"more than the relay holds, and it goes on", 400, 4000, true, true},
    };
    for (const Flood& flood : floods) {
        FakeLoop party(RelayOptions{.floodLimit = 20, .floodCutOff = 1s});
        FakePeer& aya = party.Join("Aya");
        FakePeer& ben = party.Join("Ben");
        const std::size_t before = aya.Lines().size();
        std::string block;
        for (int n = 0; n < flood.lines; ++n) {
            const std::string number = std::to_string(n);
            block +=
                "talk" + number + std::string(flood.lineBytes - 6 - number.size(), 'b') + "\r\n";
        }
        // The relay reads no more than it has room for; the rest stays with the flooder.
        std::size_t sent = 0;
        const auto read = [&] {
            while (sent < block.size()) {
                const std::size_t room = party.core.ReadRoom(ben.id);
                if (room == 0) {
                    party.core.Unread(ben.id, flood.goesOnSending, party.now);
                    break;
                }
                const std::size_t piece = std::min(room, block.size() - sent);
                party.core.Received(ben.id, std::string_view(block).substr(sent, piece), party.now,
                                    false);
                sent += piece;
            }
            party.Flush();
        };
        read();
        EXPECT_EQ(aya.Lines().size() - before, 20u) << flood.what << ": a second's worth at once";
        party.Say(aya, "talkaya\r\n");
        EXPECT_EQ(aya.Lines().back(), "talkaya\r\n") << flood.what << ": nobody else waits";
        const auto start = party.now;
        std::optional<PartyClock::duration> allAt;
        for (int tick = 0; tick < 500 && !ben.closed; ++tick) {
            party.Advance(10ms);
            if (ben.resumed) {
                ben.resumed = false;
                read();
            }
            if (!allAt && aya.Heard(block.substr(block.size() - flood.lineBytes))) {
                allAt = party.now - start;
            }
        }
        EXPECT_EQ(ben.closed.has_value(), flood.cutOff) << flood.what;
        if (flood.cutOff) {
            EXPECT_EQ(ben.closed, CloseKind::Reset) << flood.what;
            EXPECT_TRUE(aya.Heard("pdel1\r\n")) << flood.what;
            continue;
        }
        // Every line, in order, at 20 a second after the first 20.
        ASSERT_TRUE(allAt) << flood.what;
        const auto expected = std::chrono::milliseconds(50 * (flood.lines - 20));
        EXPECT_GE(*allAt, expected - 20ms) << flood.what;
        EXPECT_LE(*allAt, expected + 60ms) << flood.what;
        std::vector<std::string> got = aya.Lines();
        got.erase(got.begin(), got.begin() + static_cast<long>(before));
        got.erase(std::find(got.begin(), got.end(), "talkaya\r\n"));
        EXPECT_EQ(got.size(), static_cast<std::size_t>(flood.lines)) << flood.what;
        for (std::size_t n = 0; n < got.size(); ++n) {
            EXPECT_TRUE(got[n].starts_with("talk" + std::to_string(n) + "b")) << flood.what;
        }
    }
}

TEST(PartyCore, TheSendersWhoseLinesFillTheRelaysMemoryAreReadFromNoMoreUntilTheyAreTaken) {
    FakeLoop party(RelayOptions{.relayQueueBytes = 32 * 1024, .floodLimit = 0});
    FakePeer& flooder = party.Join("Flo");
    FakePeer& chatter = party.Join("Cat");
    FakePeer& sleeper = party.Join("Sam");
    sleeper.takes = 0;
    const std::string line = "talk" + std::string(994, 'f') + "\r\n";
    for (int n = 0; n < 40; ++n) party.Say(flooder, line);
    EXPECT_EQ(party.core.ReadRoom(flooder.id), 0u) << "its lines fill the memory";
    EXPECT_GT(party.core.ReadRoom(chatter.id), 0u) << "a chatter goes on";
    party.Say(chatter, "talkhi\r\n");
    EXPECT_EQ(chatter.Lines().back(), "talkhi\r\n");
    EXPECT_FALSE(flooder.resumed);

    // The sleeper wakes and reads: the flooder is told it may be read from again.
    sleeper.takes = 1 << 20;
    party.Advance(10ms);
    EXPECT_TRUE(flooder.resumed);
    EXPECT_GT(party.core.ReadRoom(flooder.id), 0u);
    EXPECT_FALSE(sleeper.closed);
}

TEST(PartyCore, CloseAllEndsEveryConnectionSilently) {
    FakeLoop party;
    FakePeer& aya = party.Join("Aya");
    FakePeer& ben = party.Join("Ben");
    const std::size_t logged = party.log.size();
    party.core.CloseAll();
    party.Flush();
    EXPECT_EQ(aya.closed, CloseKind::Orderly);
    EXPECT_EQ(ben.closed, CloseKind::Orderly);
    EXPECT_FALSE(aya.Heard("pdel1\r\n"));
    EXPECT_EQ(party.log.size(), logged);
    EXPECT_TRUE(party.core.Roster().empty());
    EXPECT_EQ(party.core.ConnectedCount(), 0);
}

// Chat lines as VeskChat sends them, and the relay's dice lines, in code page 932.
std::string Talk(const std::string& name, const std::string& text) {
    return Sjis("talk" + name + "：" + text + "\r\n");
}
std::string Dice(const std::string& name, const std::string& text) {
    return Sjis("talk【ダイス】" + name + "：" + text + "\r\n");
}

TEST(PartyCore, TheRelayRollsACommandUnderItsSendersOwnNameRightAfterIt) {
    FixedDice dice({4, 5});
    FakeLoop party({}, dice);
    FakePeer& aya = party.Join("Aya");
    FakePeer& ben = party.Join("Ben");
    party.Say(aya, Talk("Aya", "2D6+3 回避") + Talk("Aya", "ころりんこ。。。1D[100] = 1 = 1") +
                       Talk("Ben", "2D6") + Talk("Aya", "こんにちは"));
    const std::vector<std::string> expected = {Talk("Aya", "2D6+3 回避"),
                                               Dice("Aya", "(2D6+3) ＞ 9[4,5]+3 ＞ 12 回避"),
                                               Talk("Aya", "ころりんこ。。。1D[100] = 1 = 1"),
                                               Talk("Ben", "2D6"), Talk("Aya", "こんにちは")};
    for (FakePeer* peer : {&aya, &ben}) {
        const std::vector<std::string> lines = peer->Lines();
        EXPECT_TRUE(std::equal(expected.begin(), expected.end(), lines.end() - 5));
    }
    EXPECT_EQ(dice.rolls, 2) << "only the command under the sender's own name";

    // A command past a bound gets a notice to its sender alone, after what it had heard.
    const std::size_t benHeard = ben.Lines().size();
    party.Say(aya, Talk("Aya", "1000D6"));
    EXPECT_EQ(aya.Lines().back(), Dice("Aya", "ダイスが多すぎます（1つの項に1個から100個まで）"));
    EXPECT_EQ(ben.Lines().size(), benHeard + 1);
    EXPECT_EQ(ben.Lines().back(), Talk("Aya", "1000D6"));
}

TEST(PartyCore, ASecretRollIsSealedForOthersAndItsRevealLetsAnyoneCheckTheSeal) {
    FixedDice dice({2, 3});
    FakeLoop party(RelayOptions{.floodLimit = 0}, dice);
    FakePeer& aya = party.Join("Aya");
    FakePeer& ben = party.Join("Ben");
    party.Say(aya, Talk("Aya", "S2D6 隠し"));
    const std::string result = "(2D6) ＞ 5[2,3] ＞ 5 隠し";
    const std::string key = "000102030405060708090a0b0c0d0e0f";
    const std::string seal = SealOf(Sjis(result), key);
    EXPECT_EQ(aya.Lines().back(), Dice("Aya", "（シークレット）" + result));
    EXPECT_FALSE(aya.Heard(Dice("Aya", "シークレットダイス #1 封印 " + seal)));
    EXPECT_EQ(ben.Lines().back(), Dice("Aya", "シークレットダイス #1 封印 " + seal));
    EXPECT_FALSE(ben.Heard(Dice("Aya", "（シークレット）" + result)));

    // Nobody shows another's roll, or one never made; its roller shows it, once.
    party.Say(ben, Talk("Ben", "公開"));
    EXPECT_EQ(ben.Lines().back(), Dice("Ben", "公開できるシークレットダイスはありません"));
    party.Say(aya, Talk("Aya", "公開 #2"));
    EXPECT_EQ(aya.Lines().back(), Dice("Aya", "#2 の公開できるシークレットダイスはありません"));
    party.Say(aya, Talk("Aya", "公開"));
    const std::string shown = Dice("Aya", "公開 #1 " + result + " 鍵:" + key);
    EXPECT_EQ(ben.Lines().back(), shown);
    EXPECT_EQ(aya.Lines().back(), shown);
    party.Say(aya, Talk("Aya", "公開 #1"));
    EXPECT_EQ(aya.Lines().back(), Dice("Aya", "#1 の公開できるシークレットダイスはありません"));

    // Only the latest hundred are kept, and they go with their roller.
    for (int roll = 0; roll < 101; ++roll) party.Say(aya, Talk("Aya", "S1D6"));
    party.Say(aya, Talk("Aya", "公開 #2"));
    EXPECT_EQ(aya.Lines().back(), Dice("Aya", "#2 の公開できるシークレットダイスはありません"));
    party.Say(aya, Talk("Aya", "公開 #3"));
    EXPECT_NE(ben.Lines().back().find(Sjis("：公開 #3 (1D6)")), std::string::npos);
    party.Leave(aya);
    FakePeer& again = party.Join("Aya");
    party.Say(again, Talk("Aya", "公開 #4"));
    EXPECT_EQ(again.Lines().back(), Dice("Aya", "#4 の公開できるシークレットダイスはありません"));
}

TEST(PartyCore, NoPlayerCanSpeakUnderTheRelaysMark) {
    FakeLoop party;
    FakePeer& aya = party.Join("Aya");
    FakePeer& mal = party.Join(Sjis("【ダイス】Mal"));
    EXPECT_TRUE(aya.Heard(Sjis("padd［ダイス］Mal\t1\r\n")));
    const std::pair<std::string, std::string> forged[] = {
        {"talk【ダイス】Aya：(2D6) ＞ 12[6,6] ＞ 12\r\n",
         "talk［ダイス］Aya：(2D6) ＞ 12[6,6] ＞ 12\r\n"},
        {"talkMal：【ダイス】Aya：1\r\n", "talkMal：［ダイス］Aya：1\r\n"},
        // The mark anywhere else is only talk.
        {"talkMal：ねえ【ダイス】\r\n", "talkMal：ねえ【ダイス】\r\n"},
        {"【ダイス】Aya：1\r\n", "【ダイス】Aya：1\r\n"},
    };
    for (const auto& [sent, relayed] : forged) {
        party.Say(mal, Sjis(sent));
        EXPECT_EQ(aya.Lines().back(), Sjis(relayed)) << relayed;
    }
    // The name was the first; the event log tells of it once for the connection.
    EXPECT_EQ(std::count_if(party.log.begin(), party.log.end(),
                            [](const std::string& line) { return line.starts_with("ダイスの印"); }),
              1);

    // With the dice off every line goes as it came, and the relay adds nothing.
    party.core.SetDice(false);
    const std::size_t heard = aya.Lines().size();
    for (const std::string& sent : {Talk("Aya", "2D6"), Sjis("talk【ダイス】Aya：1\r\n")}) {
        party.Say(aya, sent);
        EXPECT_EQ(aya.Lines().back(), sent);
    }
    EXPECT_EQ(aya.Lines().size(), heard + 2);
}

// A seat whose page is away, by how long it stays away and what it is sent meanwhile.
TEST(PartyCore, AHeldSeatKeepsItsPlaceAndEveryLineForTheGraceTimeOnly) {
    struct Case {
        const char* what;
        std::chrono::milliseconds grace;
        std::chrono::milliseconds away;  // then it is back, unless it has left by then
        int lines;                       // sent by the others meanwhile, of 1,000 bytes
        bool joined = true;
        bool stays;
    };
    const Case cases[] = {
        {"back within the grace time, long past the stuck rule's", 120s, 90s, 500, true, true},
        {"not back in time: it leaves once, when the time is up", 10s, 30s, 5, true, false},
        {"more than its queue holds: cut off at once", 120s, 10s, 700, true, false},
        {"no grace time: it leaves at once", 0s, 1s, 1, true, false},
        {"never joined: it leaves at once", 120s, 1s, 1, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeLoop party(RelayOptions{.sendQueueBytes = 600 * 1000,
                                    .stuckReceiver = 5s,
                                    .perAddress = 0,
                                    .floodLimit = 0,
                                    .seatGrace = c.grace});
        FakePeer& aya = party.Join("Aya");
        FakePeer& seat = c.joined ? party.Join("Seat") : *party.Connect();
        party.core.Hold(seat.id, party.now);
        seat.away = true;
        std::vector<std::string> said;
        for (int n = 0; n < c.lines; ++n) {
            said.push_back(Sjis("talkAya：") + std::to_string(n) + std::string(980, 'x') + "\r\n");
            party.Say(aya, said.back());
        }
        party.Advance(c.away, 100ms);
        if (!seat.closed) {
            party.core.Resume(seat.id, party.now);
            seat.away = false;
            party.Advance(100ms);
        }
        EXPECT_EQ(!seat.closed, c.stays);
        const std::vector<std::string> heard = aya.Lines();
        const auto departures = std::count(heard.begin(), heard.end(), Departure("Seat"));
        EXPECT_EQ(departures, c.stays || !c.joined ? 0 : 1);
        if (!c.stays) continue;
        const std::vector<std::string> lines = seat.Lines();
        EXPECT_TRUE(std::equal(said.begin(), said.end(), lines.end() - c.lines));
        // Back, it is a receiver like any other: one that takes nothing is stuck again.
        seat.away = true;
        party.Say(aya, Sjis("talkAya：もう一度\r\n"));
        party.Advance(6s, 100ms);
        EXPECT_EQ(seat.closed, CloseKind::Reset);
    }
}

TEST(PartyCore, TheRecentConversationKeepsTheLastLinesWithinItsBoundsForWhoeverJoins) {
    FakeLoop party(RelayOptions{.perAddress = 0, .historyLines = 3, .historyBytes = 100});
    FakePeer& aya = party.Join("Aya");
    party.Say(aya, "talk\r\n" + Sjis("talkAya：一\r\n") + "paddForged\t9\r\n");
    party.now += 1s;
    party.Say(aya, Sjis("talkAya：二\r\ntalkAya：三\r\ntalkAya：1D6\r\n"));
    FakePeer& ben = party.Join("Ben");
    party.core.Ended(ben.id, party.now + 2s);
    std::vector<std::string> kept;
    for (const PartyCore::PastLine& past : party.core.History()) kept.push_back(past.line);
    // Three lines at most; no blank, no participant line; the relay's roll and the departure
    // are the party's lines too.
    ASSERT_EQ(kept.size(), 3u);
    EXPECT_EQ(kept[0], Sjis("talkAya：1D6\r\n"));
    EXPECT_TRUE(kept[1].starts_with(Sjis("talk【ダイス】Aya：(1D6) ＞ ")));
    EXPECT_EQ(kept[2], Departure("Ben"));
    EXPECT_EQ(party.core.History().back().at, party.now + 2s);

    // Within its bytes: a long line pushes out as many older lines as it must.
    party.Say(aya, Sjis("talkAya：") + std::string(60, 'z') + "\r\n");
    EXPECT_EQ(party.core.History().size(), 1u);

    // A TCP newcomer gets them after its roster lines, between the relay's two lines.
    FakePeer& kai = *party.Connect();
    party.core.SendHistory(kai.id, party.now);
    party.Flush();
    EXPECT_EQ(kai.Lines(), (std::vector<std::string>{
                               "paddAya\t0\r\n", Sjis("talk【これまでの会話】\r\n"),
                               party.core.History()[0].line, Sjis("talk【ここまで】\r\n")}));
}

}  // namespace
}  // namespace vesk

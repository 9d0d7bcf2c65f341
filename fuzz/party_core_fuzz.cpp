// The party core fed random sequences of what a loop tells it: connections that come, send
// names, lines, garbage and floods, take what they are sent or not, are away for a while
// (as a browser seat's page), come with the recent conversation or not, and leave, while time
// passes. After every step the party must hold together: the roster lists exactly the named
// connections still there, once each; no queue holds more than its cap; and nobody receives
// a line twice, nor a line out of the order in which the relay took it up.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "protocol/cp932.h"
#include "server/party_core.h"

namespace {

using namespace std::chrono_literals;
using vesk::ConnectionId;
using vesk::PartyAction;
using vesk::PartyClock;

constexpr char kMark = '\x01';  // starts and ends the number of a numbered line
constexpr std::size_t kMostPeers = 64;

vesk::RelayOptions Options() {
    vesk::RelayOptions options;
    options.sendQueueBytes = 8 * 1024;
    options.relayQueueBytes = 16 * 1024;
    options.stuckReceiver = 5s;
    options.nameTimeout = 30s;
    options.perAddress = 3;
    options.floodLimit = 5;
    options.floodCutOff = 2s;
    options.seatGrace = 3s;
    options.historyLines = 6;
    options.historyBytes = 300;
    return options;
}

struct Peer {
    ConnectionId id;
    bool open = true;
    bool named = false;  // a line end has been sent: its first line was its name
    bool lastWasCr = false;
    bool inReplay = false;  // between the relay's lines around the recent conversation
    std::string received;
    std::set<std::uint64_t> numbers;  // of the numbered lines received
};

class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : data(data), size(size) {}
    bool Empty() const { return at >= size; }
    std::uint8_t Byte() { return at < size ? data[at++] : 0; }
    std::string Bytes(std::size_t count) {
        std::string bytes;
        while (count-- > 0 && at < size) bytes += static_cast<char>(data[at++]);
        return bytes;
    }

private:
    const std::uint8_t* data;
    std::size_t size;
    std::size_t at = 0;
};

// Dice that fall the same way every run, so that a found input fails again.
class SteadyDice final : public vesk::DiceSource {
public:
    int Roll(int faces) override {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<int>((state >> 33) % static_cast<std::uint64_t>(faces)) + 1;
    }
    std::array<std::uint8_t, 16> Key() override { return {}; }

private:
    std::uint64_t state = 1;
};

// What a participant may say to the relay's dice: rolls, secret rolls and their showing, a
// command past its bounds, and the relay's mark.
const char* const kDiceTexts[] = {"2D6+3 回避", "S1D100",    "公開",        "公開 #1",
                                  "1000D6",     "x20 100D6", "【ダイス】1", "CCB<=50"};

class Run {
public:
    Run() : core(options, dice) {}

    void Step(Input& input) {
        const std::uint8_t what = input.Byte();
        Peer* peer = peers.empty() ? nullptr : &peers[input.Byte() % peers.size()];
        if (peer && !peer->open) peer = nullptr;
        switch (what % 10) {
            case 0:
                Connect("10.0.0." + std::to_string(input.Byte() % 12));
                break;
            case 1:
                if (peer) Send(*peer, "p" + std::to_string(input.Byte()) + "\r\n", true);
                break;
            case 2:
                if (peer) {
                    senderOf[next] = Key(peer->id);
                    Send(*peer,
                         "talk" + std::string(1, kMark) + std::to_string(next++) + kMark + "\r\n",
                         input.Byte() % 2);
                }
                break;
            case 3:
                if (peer) {
                    std::string garbage = input.Bytes(input.Byte() * 4u);
                    std::replace(garbage.begin(), garbage.end(), kMark, '?');
                    Send(*peer, garbage, input.Byte() % 2);
                }
                break;
            case 4:
                if (peer) Take(*peer, input.Byte() % 4 == 0 ? 0 : 1u << (input.Byte() % 16));
                break;
            case 5:
                now += std::chrono::milliseconds(input.Byte() * 40);
                if (core.NextDeadline() <= now) core.Tick(now);
                break;
            case 6:
                core.Flush(now);
                break;
            case 7:
                if (!peer) break;
                switch (input.Byte() % 3) {
                    case 0:
                        core.Ended(peer->id, now);
                        break;
                    case 1:
                        core.Hold(peer->id, now);
                        break;
                    case 2:
                        core.Resume(peer->id, now);
                        break;
                }
                break;
            case 8:
                if (peer && core.ReadRoom(peer->id) == 0)
                    core.Unread(peer->id, input.Byte() % 2, now);
                break;
            case 9:
                if (peer) {
                    // Under the name the relay holds for it, as a player's program sends.
                    std::string name;
                    for (const vesk::Participant& listed : core.Roster()) {
                        if (listed.id == static_cast<int>(peer->id.slot)) name = listed.name;
                    }
                    const char* text = kDiceTexts[input.Byte() % std::size(kDiceTexts)];
                    Send(*peer, vesk::Cp932FromUtf8("talk" + name + "：" + text + "\r\n"),
                         input.Byte() % 2);
                }
                break;
        }
        Carry();
        Check();
    }

private:
    void Connect(const std::string& address) {
        // Enough for the table to grow, few enough to keep each run short.
        if (peers.size() >= kMostPeers) return;
        if (const auto id = core.Connected(address, "fuzz", now)) {
            Peer peer;
            peer.id = *id;
            peers.push_back(peer);
            // As the loop does for a TCP client when the host asks for it.
            if (address.back() % 2 == 0) core.SendHistory(*id, now);
        }
    }

    // As the loop reads: no more than the core has room for.
    void Send(Peer& peer, const std::string& bytes, bool drained) {
        const std::string taken = bytes.substr(0, core.ReadRoom(peer.id));
        if (taken.empty()) return;
        if ((peer.lastWasCr && taken.front() == '\n') || taken.find("\r\n") != std::string::npos) {
            peer.named = true;
        }
        peer.lastWasCr = taken.back() == '\r';
        core.Received(peer.id, taken, now, drained);
    }

    // Its system takes up to budget bytes; none when its buffer is full.
    void Take(Peer& peer, std::size_t budget) {
        std::string_view runs[8];
        for (;;) {
            const std::size_t count = core.Pending(peer.id, runs);
            if (count == 0) break;
            std::size_t taken = 0;
            for (std::size_t i = 0; i < count && taken < budget; ++i) {
                const std::size_t here = std::min(runs[i].size(), budget - taken);
                peer.received.append(runs[i].substr(0, here));
                taken += here;
            }
            core.Taken(peer.id, taken, now);
            budget -= taken;
            if (taken == 0 || budget == 0) break;
        }
        Numbered(peer);
    }

    // Each numbered line it received: never twice, and each sender's in the order it sent
    // them.
    void Numbered(Peer& peer) {
        std::size_t end;
        while ((end = peer.received.find("\r\n")) != std::string::npos) {
            const std::string line = peer.received.substr(0, end);
            peer.received.erase(0, end + 2);
            // What the party said before this peer came is no line out of order.
            static const std::string start = vesk::Cp932FromUtf8("talk【これまでの会話】");
            static const std::string stop = vesk::Cp932FromUtf8("talk【ここまで】");
            if (line == start || line == stop) peer.inReplay = line == start;
            if (peer.inReplay) continue;
            // A numbered line that the relay read only in part, for want of room, is no longer
            // one.
            if (line.size() < 7 || !line.starts_with("talk") || line[4] != kMark ||
                line.back() != kMark || !std::all_of(line.begin() + 5, line.end() - 1, [](char c) {
                    return c >= '0' && c <= '9';
                })) {
                continue;
            }
            const std::uint64_t number = std::stoull(line.substr(5, line.size() - 6));
            const auto sender = senderOf.find(number);
            if (sender == senderOf.end()) continue;
            if (!peer.numbers.insert(number).second) std::abort();  // received twice
            auto& latest = latestFrom[Key(peer.id)][sender->second];
            if (number < latest) std::abort();  // out of order
            latest = number;
        }
    }

    static std::uint64_t Key(ConnectionId id) { return std::uint64_t{id.slot} << 32 | id.serial; }

    void Carry() {
        std::vector<PartyAction> actions;
        for (core.TakeActions(actions); !actions.empty(); core.TakeActions(actions)) {
            for (const PartyAction& action : actions) {
                if (action.kind != PartyAction::Kind::Close) continue;
                for (Peer& peer : peers) {
                    if (peer.open && peer.id == action.connection) peer.open = false;
                }
            }
        }
    }

    void Check() {
        std::set<std::int32_t> named;
        int open = 0;
        for (const Peer& peer : peers) {
            if (!peer.open) continue;
            ++open;
            if (peer.named) named.insert(static_cast<std::int32_t>(peer.id.slot));
            if (core.QueuedBytes(peer.id) > options.sendQueueBytes) std::abort();
        }
        if (core.ConnectedCount() != open) std::abort();
        std::set<std::int32_t> listed;
        for (const vesk::Participant& participant : core.Roster()) {
            if (!listed.insert(participant.id).second) std::abort();  // listed twice
        }
        if (listed != named) std::abort();
    }

    const vesk::RelayOptions options = Options();
    SteadyDice dice;
    vesk::PartyCore core;
    PartyClock::time_point now{};
    std::vector<Peer> peers;
    std::uint64_t next = 0;
    std::map<std::uint64_t, std::uint64_t> senderOf;  // by number of a numbered line
    // By receiver, then by sender: the number of the latest numbered line received.
    std::map<std::uint64_t, std::map<std::uint64_t, std::uint64_t>> latestFrom;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input input(data, size);
    Run run;
    for (int steps = 0; steps < 1000 && !input.Empty(); ++steps) run.Step(input);
    return 0;
}

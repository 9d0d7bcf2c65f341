// Soak under faults: vesk-relay as a separate process meets a changing party of well-behaved
// clients mixed with clients that reset with unread data, stop reading, flood, send overlong
// lines, NUL bytes, forged participant lines, lines one byte at a time, and one that never
// names itself. Some well-behaved clients sit on a slow link and stop reading for 3 seconds
// now and then, as a laptop's Wi-Fi does; the relay must hold their lines, not cut them off.
// At the end every well-behaved client must have received what every other
// received while both were present, in the same order, and all of its own lines; the roster
// must hold exactly the clients still connected with every departed slot free; the relay must
// stop within a second and exit cleanly (so a sanitizer build reports no error and no leak).
//
//   relay_soak [--seconds N] [--relay PATH]      exit code 0 when every check holds

#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "protocol/socket.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

enum class Kind {
    Good,
    Resetter,
    Stuck,
    Flooder,
    Overlong,
    Nul,
    Forger,
    Trickler,
    Nameless,
    Pauser
};

// A client that reads everything and sends only whole lines of its own.
bool WellBehaved(Kind kind) { return kind == Kind::Good || kind == Kind::Pauser; }

// How long a pausing client stops reading, and the receive window of its slow link, small so
// that its lines soon wait in the relay rather than in the system.
constexpr auto kPause = 3s;
constexpr int kSlowLinkWindow = 4096;

struct Peer {
    Kind kind = Kind::Good;
    int fd = -1;
    std::string name;
    std::string pending;
    std::vector<std::size_t> seen;  // line hashes from its own participant line on
    std::vector<std::string> seenText;
    int sent = 0;                   // its own talk lines
    int ownSeen = 0;                // ... that came back
    bool leaving = false;           // said goodbye
    bool byeSeen = false;           // ... and saw it come back, so it may go
    bool gone = false;              // to be closed at the end of this step
    Clock::time_point next;         // its next action
    Clock::time_point end;          // when a faulty client gives up
    std::string trickle;            // bytes still to send one at a time
    bool halfClosed = false;        // a flooder that is leaving
    Clock::time_point pausedUntil;  // a pausing client reads nothing before it
};

int failures = 0;
void Check(bool condition, const std::string& what) {
    if (condition) return;
    ++failures;
    std::fprintf(stderr, "relay_soak: FAILED: %s\n", what.c_str());
}

int Connect(int port, int receiveBuffer = 0) {
    const vesk::ConnectResult result = vesk::ConnectTo("127.0.0.1", port, 5s);
    if (result.handle == vesk::kInvalidSocket) return -1;
    if (receiveBuffer > 0) {
        setsockopt(result.handle, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    }
    vesk::SetNoDelay(result.handle);
    fcntl(result.handle, F_SETFL, fcntl(result.handle, F_GETFL) | O_NONBLOCK);
    return result.handle;
}

// Best effort for faulty clients; whole for well-behaved ones, whose lines are small.
bool Send(int fd, const std::string& bytes) {
    std::size_t sent = 0;
    const auto until = Clock::now() + 5s;
    while (sent < bytes.size() && Clock::now() < until) {
        const auto got = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (got > 0) {
            sent += static_cast<std::size_t>(got);
        } else if (got < 0 && errno != EAGAIN && errno != EINTR) {
            return false;
        } else {
            pollfd entry{fd, POLLOUT, 0};
            poll(&entry, 1, 10);
        }
    }
    return sent == bytes.size();
}

class Soak {
public:
    Soak(int port, double seconds, std::string logPath)
        : port(port), seconds(seconds), logPath(std::move(logPath)), random(12345) {}

    void Run() {
        const auto start = Clock::now();
        const auto until = start + std::chrono::duration<double>(seconds);
        Spawn(Kind::Nameless);
        while (Clock::now() < until) {
            while (peers.size() < kParty) Spawn(PickKind());
            Step();
        }
        Settle();
    }

    int Port() const { return port; }

private:
    static constexpr std::size_t kParty = 200;
    // How long the relay may take to see off a flooder that left.
    static constexpr auto kSeeOff = 8s;

    Kind PickKind() {
        const int roll = std::uniform_int_distribution<int>(0, 99)(random);
        if (roll < 65) return Kind::Good;
        if (roll < 75) return Kind::Pauser;
        static const Kind faulty[] = {Kind::Resetter, Kind::Stuck,  Kind::Flooder, Kind::Overlong,
                                      Kind::Nul,      Kind::Forger, Kind::Trickler};
        return faulty[roll % 7];
    }

    // The first letter of a client's name says what kind it is, for the reports.
    static std::string KindLetter(Kind kind) {
        static const char letters[] = "grsfonxtqp";
        return std::string(1, letters[static_cast<int>(kind)]);
    }

    Clock::duration Within(int lowMs, int highMs) {
        return std::chrono::milliseconds(std::uniform_int_distribution<int>(lowMs, highMs)(random));
    }

    void Spawn(Kind kind) {
        if (kind == Kind::Flooder && flooding) kind = Kind::Good;
        auto peer = std::make_unique<Peer>();
        peer->kind = kind;
        peer->name = KindLetter(kind) + std::to_string(++spawned);
        peer->fd = Connect(port, kind == Kind::Stuck || kind == Kind::Pauser ? kSlowLinkWindow : 0);
        Check(peer->fd >= 0, "a client could not connect");
        if (peer->fd < 0) return;
        byPort[vesk::LocalPort(peer->fd)] = peer->name;
        const auto now = Clock::now();
        peer->next = now + Within(50, 1500);
        peer->end = now + Within(500, 8000);
        const std::string join =
            peer->name + "\r\ntalk\r\ntalk" + peer->name + " joins\r\ntalk\r\n";
        switch (kind) {
            case Kind::Nameless:
                break;
            case Kind::Trickler:
                peer->trickle = join + "talk|T|one byte at a time\r\n";
                break;
            case Kind::Flooder:
                flooding = true;
                Send(peer->fd, join);
                break;
            case Kind::Overlong:
                Send(peer->fd, join + "talk" + std::string(10000, 'L') + "\r\n");
                break;
            case Kind::Nul:
                Send(peer->fd, join + std::string("talk\0nul\0\r\n", 11));
                break;
            case Kind::Forger:
                Send(peer->fd, join + "paddFORGED\t999\r\npdel999\r\npdel0\r\n");
                break;
            default:
                Send(peer->fd, join);
        }
        peers.push_back(std::move(peer));
    }

    // Reads what has arrived for every client that reads, and lets each act when its time comes.
    void Step() {
        const auto reads = [](const Peer& peer, Clock::time_point now) {
            return peer.kind != Kind::Stuck && peer.kind != Kind::Resetter &&
                   now >= peer.pausedUntil;
        };
        std::vector<pollfd> entries;
        const auto polled = Clock::now();
        for (const auto& peer : peers) {
            // What a client does not read would wake the poll again at once.
            const short events = reads(*peer, polled) ? POLLIN : 0;
            entries.push_back({peer->fd, events, 0});
        }
        poll(entries.data(), entries.size(), 5);
        const auto now = Clock::now();
        for (std::size_t i = 0; i < peers.size(); ++i) {
            Peer& peer = *peers[i];
            if (reads(peer, polled) && (entries[i].revents & (POLLIN | POLLHUP | POLLERR)) &&
                !Read(peer)) {
                Check(!WellBehaved(peer.kind), "well-behaved " + peer.name + " was cut off");
                peer.gone = true;
                continue;
            }
            if (peer.byeSeen) {
                peer.gone = true;
                continue;
            }
            if (!peer.trickle.empty()) {
                Send(peer.fd, peer.trickle.substr(0, 1));
                peer.trickle.erase(0, 1);
            }
            if (peer.kind == Kind::Flooder && now < peer.end) {
                std::string burst;
                for (int n = 0; n < 20; ++n)
                    burst += "talk|F|" + std::to_string(floodLine++) + "\r\n";
                send(peer.fd, burst.data(), burst.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
            }
            if (now < peer.next) continue;
            if (WellBehaved(peer.kind)) {
                if (peer.leaving) continue;
                const int roll = std::uniform_int_distribution<int>(0, 19)(random);
                // A pause comes a second or more after the last one ended.
                if (peer.kind == Kind::Pauser && roll < 4 && now >= peer.pausedUntil + 1s) {
                    peer.pausedUntil = now + kPause;
                    peer.next = peer.pausedUntil;
                } else if (roll == 19) {
                    peer.leaving = true;
                    Send(peer.fd, "talk|bye|" + peer.name + "\r\n");
                } else {
                    Check(Send(peer.fd, OwnLine(peer, peer.sent++)), peer.name + " could not send");
                }
                peer.next = now + Within(100, 2500);
            } else if (peer.kind == Kind::Flooder && now >= peer.end) {
                // It leaves as a client that reads to the end does: its close waits behind all
                // it sent, and it reads on until the relay sees it off.
                if (!peer.halfClosed) {
                    shutdown(peer.fd, SHUT_WR);
                    peer.halfClosed = true;
                } else if (now >= peer.end + kSeeOff) {
                    Check(false, "flooder " + peer.name + " was not seen off after it left");
                    peer.gone = true;
                }
            } else if (peer.kind != Kind::Nameless && now >= peer.end) {
                if (peer.kind == Kind::Resetter) {
                    const linger reset{1, 0};
                    setsockopt(peer.fd, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
                }
                peer.gone = true;
            }
        }
        for (std::size_t i = peers.size(); i-- > 0;) {
            if (peers[i]->gone) Leave(i);
        }
    }

    static std::string OwnLine(const Peer& peer, int n) {
        return "talk|" + peer.name + "|" + std::to_string(n) + "\r\n";
    }

    bool Read(Peer& peer) {
        char chunk[65536];
        for (;;) {
            const auto got = recv(peer.fd, chunk, sizeof chunk, 0);
            if (got == 0) return false;
            if (got < 0) return errno == EAGAIN || errno == EINTR;
            if (!WellBehaved(peer.kind)) continue;
            peer.pending.append(chunk, static_cast<std::size_t>(got));
            std::size_t start = 0;
            for (std::size_t end; (end = peer.pending.find("\r\n", start)) != std::string::npos;
                 start = end + 2) {
                OnLine(peer, peer.pending.substr(start, end + 2 - start));
            }
            peer.pending.erase(0, start);
        }
    }

    void OnLine(Peer& peer, const std::string& line) {
        Check(line.find("FORGED") == std::string::npos && line != "pdel999\r\n",
              "a forged participant line was relayed");
        if (peer.seen.empty() && !line.starts_with("padd" + peer.name + "\t")) return;
        peer.seen.push_back(std::hash<std::string>()(line));
        peer.seenText.push_back(line);
        if (line == "talk|bye|" + peer.name + "\r\n") peer.byeSeen = true;
        if (line.starts_with("talk|" + peer.name + "|")) ++peer.ownSeen;
    }

    // Closes peers[index]; a well-behaved client's record is kept for the final checks.
    void Leave(std::size_t index) {
        Peer& peer = *peers[index];
        if (peer.kind == Kind::Flooder) flooding = false;
        if (WellBehaved(peer.kind)) Finish(peer);
        close(peer.fd);
        if (WellBehaved(peer.kind)) departed.push_back(std::move(peers[index]));
        peers.erase(peers.begin() + static_cast<long>(index));
    }

    // Every line it sent came back to it, in order. A client that was cut off is reported
    // already.
    void Finish(Peer& peer) {
        std::vector<std::string> own;
        for (const std::string& line : peer.seenText) {
            if (line.starts_with("talk|" + peer.name + "|")) own.push_back(line);
        }
        std::vector<std::string> expected;
        for (int n = 0; n < peer.sent; ++n) expected.push_back(OwnLine(peer, n));
        Check(own == expected || (!peer.byeSeen && !peer.leaving && peer.seen.empty()),
              peer.name + "'s own lines did not all come back in order");
    }

    // Lets the well-behaved clients that said goodbye see it come back, then ends every faulty
    // client, so that the roster can be checked against who is left.
    void Settle() {
        for (auto& peer : peers) {
            peer->next = Clock::now() + 1h;  // no new lines
            peer->pausedUntil = {};
            if (!WellBehaved(peer->kind)) peer->gone = true;
        }
        const auto until = Clock::now() + 10s;
        while (Clock::now() < until &&
               std::any_of(peers.begin(), peers.end(), [](const auto& p) { return p->leaving; })) {
            Step();
        }
        for (std::size_t i = peers.size(); i-- > 0;) {
            if (peers[i]->gone || peers[i]->leaving) Leave(i);
        }
        // The remaining clients each send a last line and wait for it, so that every line
        // taken up before is in every list.
        for (auto& peer : peers) Send(peer->fd, OwnLine(*peer, peer->sent++));
        const auto last = Clock::now() + 10s;
        while (Clock::now() < last && !AllSeeTheirLast()) Step();
        Check(AllSeeTheirLast(), "the remaining clients did not see their last lines");
    }

    bool AllSeeTheirLast() const {
        return std::all_of(peers.begin(), peers.end(),
                           [](const auto& p) { return p->ownSeen == p->sent; });
    }

public:
    // Every two well-behaved clients agree on the lines both received, line for line.
    void CheckOrder() {
        std::vector<Peer*> all;
        for (auto& peer : departed) all.push_back(peer.get());
        for (auto& peer : peers) {
            Finish(*peer);
            all.push_back(peer.get());
        }
        std::unordered_map<std::size_t, Peer*> byFirst;
        for (Peer* peer : all) {
            if (!peer->seen.empty()) byFirst[peer->seen.front()] = peer;
        }
        long compared = 0;
        for (Peer* a : all) {
            for (std::size_t i = 0; i < a->seen.size(); ++i) {
                const auto found = byFirst.find(a->seen[i]);
                if (found == byFirst.end() || found->second == a) continue;
                const Peer* b = found->second;
                const std::size_t overlap = std::min(a->seen.size() - i, b->seen.size());
                const bool same = std::equal(b->seen.begin(), b->seen.begin() + overlap,
                                             a->seen.begin() + static_cast<long>(i));
                Check(same, a->name + " and " + b->name + " saw different lines");
                compared += static_cast<long>(overlap);
            }
        }
        std::printf("relay_soak: %zu well-behaved clients, %ld lines compared\n", all.size(),
                    compared);
    }

    // A newcomer's roster lines name exactly the clients still there, and it takes the lowest
    // slot they leave free.
    void CheckRoster() {
        // The relay may still be seeing the last faulty clients off, or the last observer: ask
        // again until it agrees or the time is up, and report the last answer. A new observer
        // that arrives while the last one is being seen off takes a higher slot, rightly.
        const auto until = Clock::now() + 10s;
        for (;;) {
            const bool last = Clock::now() >= until;
            if (RosterHolds(last) || last) return;
            std::this_thread::sleep_for(100ms);
        }
    }

    bool RosterHolds(bool report) {
        std::set<std::string> expected;
        std::set<int> ids;
        for (auto& peer : peers) {
            expected.insert(peer->name);
            const std::string& own = peer->seenText.front();
            ids.insert(std::atoi(own.c_str() + own.find('\t') + 1));
        }
        int lowestFree = 0;
        while (ids.count(lowestFree)) ++lowestFree;
        // Each observer has a name of its own: the one before may not have been seen off yet.
        const std::string observer = "observer" + std::to_string(++observers);
        const int fd = Connect(port);
        byPort[vesk::LocalPort(fd)] = observer;
        Send(fd, observer + "\r\n");
        std::set<std::string> roster;
        int observerId = -1;
        std::string pending;
        const auto deadline = Clock::now() + 10s;
        while (observerId < 0 && Clock::now() < deadline) {
            pollfd entry{fd, POLLIN, 0};
            poll(&entry, 1, 50);
            char chunk[65536];
            const auto got = recv(fd, chunk, sizeof chunk, 0);
            if (got > 0) pending.append(chunk, static_cast<std::size_t>(got));
            for (std::size_t end; (end = pending.find("\r\n")) != std::string::npos;) {
                const std::string line = pending.substr(0, end);
                pending.erase(0, end + 2);
                if (!line.starts_with("padd")) continue;
                const std::string name = line.substr(4, line.find('\t') - 4);
                if (name == observer) {
                    observerId = std::atoi(line.c_str() + line.find('\t') + 1);
                } else {
                    roster.insert(name);
                }
            }
        }
        close(fd);
        if (report) {
            Check(roster == expected, "the roster does not hold exactly the clients connected (" +
                                          std::to_string(roster.size()) + " names, " +
                                          std::to_string(expected.size()) + " connected)");
            Check(observerId == lowestFree,
                  "a departed client's slot was not freed (newcomer got " +
                      std::to_string(observerId) + ", lowest free " + std::to_string(lowestFree) +
                      ")");
            if (observerId != lowestFree) ReportHeldSlots(ids);
        }
        return roster == expected && observerId == lowestFree;
    }

    // Who holds the slots that should be free, from the relay's log: the client of each
    // connection line that has no disconnection line after it.
    void ReportHeldSlots(const std::set<int>& expected) {
        std::ifstream log(logPath);
        std::map<int, int> portBySlot;
        const std::string connected = "接続：クライアント No.";
        const std::string departed = "切断：クライアント No.";
        for (std::string line; std::getline(log, line);) {
            if (line.starts_with(connected)) {
                const int slot = std::atoi(line.c_str() + connected.size());
                const std::size_t port = line.find("ポート番号 ");
                portBySlot[slot] = std::atoi(line.c_str() + port + std::strlen("ポート番号 "));
            } else if (line.starts_with(departed)) {
                portBySlot.erase(std::atoi(line.c_str() + departed.size()));
            }
        }
        for (const auto& [slot, port] : portBySlot) {
            if (expected.count(slot)) continue;
            const auto found = byPort.find(port);
            std::fprintf(stderr, "relay_soak: slot %d is held by port %d (%s)\n", slot, port,
                         found == byPort.end() ? "unknown" : found->second.c_str());
        }
    }

    // With clients that stop reading and one that floods, the relay still stops at once.
    void FillForStop() {
        for (int i = 0; i < 3; ++i) Spawn(Kind::Stuck);
        Spawn(Kind::Flooder);
        const auto until = Clock::now() + 2s;
        for (auto& peer : peers) peer->end = until + 1h;
        while (Clock::now() < until) Step();
        Check(peers.size() >= 4, "clients were lost before the stop");
    }

private:
    const int port;
    const double seconds;
    const std::string logPath;
    std::mt19937 random;
    std::map<int, std::string> byPort;  // client name by local port, for the reports
    int observers = 0;
    std::vector<std::unique_ptr<Peer>> peers;
    std::vector<std::unique_ptr<Peer>> departed;
    int spawned = 0;
    bool flooding = false;
    long floodLine = 0;
};

}  // namespace

int main(int argc, char** argv) {
    double seconds = 60;
    std::string relayPath = VESK_RELAY_PATH;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--seconds") seconds = std::atof(argv[i + 1]);
        if (option == "--relay") relayPath = argv[i + 1];
    }
    signal(SIGPIPE, SIG_IGN);
    vesk::RaiseOpenFileLimit();
    const vesk::Listener probe = vesk::OpenListener(0, 1);
    const int port = vesk::LocalPort(probe.handle);
    vesk::CloseSocket(probe.handle);

    char logPath[] = "/tmp/relay_soak_log_XXXXXX";
    const int log = mkstemp(logPath);
    // Every client comes from this machine.
    std::vector<std::string> arguments{relayPath, "--port", std::to_string(port), "--per-address",
                                       "0"};
    std::vector<char*> argv2;
    for (auto& argument : arguments) argv2.push_back(argument.data());
    argv2.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, log, 1);  // stderr stays: sanitizer reports
    pid_t relay = -1;
    const int spawned =
        posix_spawn(&relay, relayPath.c_str(), &actions, nullptr, argv2.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        std::fprintf(stderr, "relay_soak: cannot start %s\n", relayPath.c_str());
        return 1;
    }
    for (int tries = 0; tries < 500; ++tries) {
        const vesk::ConnectResult ready = vesk::ConnectTo("127.0.0.1", port, 1s);
        if (ready.handle != vesk::kInvalidSocket) {
            close(ready.handle);
            break;
        }
        std::this_thread::sleep_for(20ms);
    }

    Soak soak(port, seconds, logPath);
    soak.Run();
    soak.CheckOrder();
    soak.CheckRoster();
    soak.FillForStop();

    const auto stopAt = Clock::now();
    kill(relay, SIGTERM);
    int status = 0;
    const auto exitBy = stopAt + 30s;
    while (waitpid(relay, &status, WNOHANG) == 0 && Clock::now() < exitBy) {
        std::this_thread::sleep_for(2ms);
    }
    const double stopMs = std::chrono::duration<double, std::milli>(Clock::now() - stopAt).count();
    Check(WIFEXITED(status) && WEXITSTATUS(status) == 0,
          "the relay did not exit cleanly (see its report above)");
    // The exit includes a sanitizer's leak check, where there is one.
    Check(stopMs <= 1000, "the relay took more than a second to stop");
    std::printf("relay_soak: stopped in %.0f ms; %s\n", stopMs,
                failures == 0 ? "all checks hold" : "FAILED");
    close(log);
    unlink(logPath);
    return failures == 0 ? 0 : 1;
}

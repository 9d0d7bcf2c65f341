// Measures vesk-relay as a party meets it: N clients join one after another as VeskChat does,
// S of them send 80-byte lines at full speed or at a chat-like pace, and every client reads
// the whole conversation. In the rows "+faults" (N up to 200) four more clients join that
// never read and one that sends 4000-byte lines at full speed. Prints deliveries per second,
// delivery latency, the relay's CPU time per delivery, its resident memory and threads, how
// long the party took to join and the server's CPU time meanwhile. vesk-relay runs with
// --flood-limit 0, or 150 in the rows with faults. With --irc HOST:PORT the same load runs
// against an IRC server (one channel, PRIVMSG) in the same run, and the table gets ratios.
// One more figure, taken before the rows and printed after them, writes the same lines
// straight from one thread, 16 lines per send, to show what the machine itself delivers.
// The "open" rows (N up to 200) are open-loop: 4 senders write 2,500 lines each as fast as
// their connections take them, never waiting for anyone to read, while every client keeps
// reading; they also print how many lines each reader lost. vesk-relay runs with
// --per-address 0, as every client comes from this machine.
// The join row, last, has a party of J clients join a fresh relay one after another (J x J / 2
// roster lines for the newcomers, as many participant lines for those already there) and
// prints how long until the last had joined, the relay's resident memory and threads empty and
// with the party joined, and so its memory a client.
// With --dice-off-too every closed-loop row runs a second time with the relay's dice off
// (--dice off), so that what the dice cost ordinary chat lines shows in the same run.
// The dice row, after the join row, has one client send D dice commands (2D6+3, 64 in flight)
// to a fresh relay and prints the relay's replies per second and how many replies' totals
// agree with their dice.
// bench/relay_fanout.sh runs it side by side with ngIRCd in one command.
//
//   relay_fanout [--relay PATH] [--relay-arg ARG]... [--no-flood-flag] [--no-per-address-flag]
//                [--irc HOST:PORT [--irc-pid PID]] [--clients 10,200,1000] [--seconds 3]
//                [--joins 5000] [--dice-off-too] [--dice-commands 10000]

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <signal.h>
#include <spawn.h>
#include <sys/epoll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "protocol/cp932.h"
#include "protocol/socket.h"
#include "protocol/wire_messages.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr std::size_t kLineBytes = 80;
constexpr int kWindow = 64;  // lines a full-speed sender may have in flight
constexpr auto kPacedInterval = 10ms;
constexpr int kPacedSenders = 2;
constexpr int kRawLinesPerSend = 16;
// In the rows with faults: clients that never read, and the length of the flooder's lines (the
// longest line each server takes).
constexpr int kStuckClients = 4;
constexpr std::size_t kVeskFloodBytes = 4000;
constexpr std::size_t kIrcFloodBytes = 500;
// The flood limit of vesk-relay in the rows with faults: above the paced senders' rate, far
// below the flooder's. The other rows run without one.
constexpr const char* kFaultsFloodLimit = "150";
// The open-loop rows: lines per sender, and how long the readers may go without receiving a
// line before the rest count as lost.
constexpr int kOpenLoopLines = 2500;
constexpr auto kOpenLoopStall = 10s;

std::int64_t NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch())
        .count();
}

[[noreturn]] void Fail(const std::string& why) {
    std::fprintf(stderr, "relay_fanout: %s\n", why.c_str());
    std::exit(1);
}

struct Options {
    std::string relayPath = VESK_RELAY_PATH;
    std::vector<std::string> relayArgs;
    bool relayArgsGiven = false;
    bool perAddressFlag = true;  // false for a relay older than --per-address
    std::string ircHost;
    int ircPort = 0;
    int ircPid = 0;
    std::vector<int> clientCounts{10, 200, 1000};
    int joiners = 5000;  // the join row's party; 0: no join row
    bool diceOffToo = false;
    int diceCommands = 10000;  // the dice row's commands; 0: no dice row
    double seconds = 3;
};

// The server side of one row: how to join, how a line is said and how a delivered line reads.
enum class Dialect { Vesk, Irc };

// The payload after the protocol's own prefix: a marker, the sender, its sequence number and
// the send time, padded so that the vesk line is kLineBytes long.
std::string Payload(int sender, std::uint64_t sequence, std::int64_t stamp) {
    char head[96];
    const int length =
        std::snprintf(head, sizeof head, "|B%d|%llu|%lld|", sender,
                      static_cast<unsigned long long>(sequence), static_cast<long long>(stamp));
    std::string payload(head, static_cast<std::size_t>(length));
    const std::size_t text = kLineBytes - 4 - 2;  // "talk" and CR LF
    if (payload.size() < text) payload.append(text - payload.size(), 'x');
    return payload;
}

struct Client {
    std::atomic<int> fd{-1};  // set by the joining thread, read by the reader
    int index = 0;
    std::string nick;
    std::string joinedPrefix;  // how the line that says it joined begins
    std::string pending;
    bool joined = false;
    std::atomic<std::uint64_t> received{0};  // stamped lines, written by the reader thread only
};

struct Sample {
    std::vector<std::uint32_t> latencyUs;
    std::uint64_t deliveries = 0;
};

// One row's shared state, read by the reader thread and the sender threads.
struct Row {
    Dialect dialect = Dialect::Vesk;
    std::string channel;
    std::vector<std::unique_ptr<Client>> clients;
    int observer = 0;  // the client whose deliveries pace the full-speed senders
    std::vector<std::atomic<std::uint64_t>> seenByObserver;
    std::atomic<int> joinedCount{0};
    std::atomic<std::uint64_t> lines{0};  // every line any client received
    std::atomic<bool> measuring{false};
    std::atomic<bool> stop{false};
    Sample sample;  // reader thread only until it ends

    explicit Row(int senders) : seenByObserver(static_cast<std::size_t>(std::max(senders, 1))) {}
};

bool SendAllBytes(int fd, std::string_view bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const auto result = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (result < 0 && (errno == EINTR || errno == EAGAIN)) {
            std::this_thread::sleep_for(100us);
            continue;
        }
        if (result <= 0) return false;
        sent += static_cast<std::size_t>(result);
    }
    return true;
}

int Connect(const std::string& host, int port) {
    const vesk::ConnectResult result = vesk::ConnectTo(host, port, 10s);
    if (result.handle == vesk::kInvalidSocket) {
        Fail("cannot connect to " + host + ":" + std::to_string(port) + " (" +
             std::strerror(result.error) + ")");
    }
    const int on = 1;
    setsockopt(result.handle, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return result.handle;
}

void HandleLine(Row& row, Client& client, std::string_view line) {
    if (row.dialect == Dialect::Irc && line.starts_with("PING")) {
        SendAllBytes(client.fd, "PONG" + std::string(line.substr(4)) + "\r\n");
        return;
    }
    row.lines.fetch_add(1, std::memory_order_relaxed);
    if (!client.joined) {
        const bool own =
            line.starts_with(client.joinedPrefix) &&
            (row.dialect == Dialect::Vesk || line.find(" JOIN ") != std::string_view::npos);
        if (own) {
            client.joined = true;
            ++row.joinedCount;
        }
    }
    const std::size_t marker = line.find("|B");
    if (marker == std::string_view::npos) return;
    client.received.fetch_add(1, std::memory_order_relaxed);
    const char* cursor = line.data() + marker + 2;
    char* end = nullptr;
    const long sender = std::strtol(cursor, &end, 10);
    const unsigned long long sequence = std::strtoull(end + 1, &end, 10);
    const long long stamp = std::strtoll(end + 1, &end, 10);
    if (client.index == row.observer && sender >= 0 &&
        static_cast<std::size_t>(sender) < row.seenByObserver.size()) {
        row.seenByObserver[static_cast<std::size_t>(sender)].store(sequence + 1,
                                                                   std::memory_order_release);
        row.seenByObserver[static_cast<std::size_t>(sender)].notify_all();
    }
    if (!row.measuring.load(std::memory_order_relaxed)) return;
    ++row.sample.deliveries;
    const long long micros = (NowNs() - stamp) / 1000;
    row.sample.latencyUs.push_back(static_cast<std::uint32_t>(std::max(micros, 0LL)));
}

// Reads every client's socket until the row stops.
void ReadAll(Row& row) {
    const int poller = epoll_create1(0);
    std::size_t registered = 0;
    std::vector<char> chunk(1 << 16);
    epoll_event events[256];
    while (!row.stop.load()) {
        // Clients are added while they join.
        while (registered < row.clients.size() && row.clients[registered]->fd >= 0) {
            epoll_event event{};
            event.events = EPOLLIN;
            event.data.u32 = static_cast<std::uint32_t>(registered);
            epoll_ctl(poller, EPOLL_CTL_ADD, row.clients[registered]->fd, &event);
            ++registered;
        }
        const int ready = epoll_wait(poller, events, 256, 5);
        for (int e = 0; e < ready; ++e) {
            Client& client = *row.clients[events[e].data.u32];
            const auto got = recv(client.fd, chunk.data(), chunk.size(), MSG_DONTWAIT);
            if (got <= 0) {
                if (got == 0 || (errno != EAGAIN && errno != EINTR)) {
                    epoll_ctl(poller, EPOLL_CTL_DEL, client.fd, nullptr);
                }
                continue;
            }
            client.pending.append(chunk.data(), static_cast<std::size_t>(got));
            std::size_t start = 0;
            for (;;) {
                const std::size_t end = client.pending.find("\r\n", start);
                if (end == std::string::npos) break;
                HandleLine(row, client,
                           std::string_view(client.pending).substr(start, end - start));
                start = end + 2;
            }
            client.pending.erase(0, start);
        }
    }
    close(poller);
}

std::string SayLine(const Row& row, int sender, std::uint64_t sequence) {
    const std::string payload = Payload(sender, sequence, NowNs());
    if (row.dialect == Dialect::Vesk) return "talk" + payload + "\r\n";
    return "PRIVMSG " + row.channel + " :" + payload + "\r\n";
}

// A full-speed sender: keeps kWindow lines in flight, as far as the observer has seen.
void SendFullSpeed(Row& row, int sender, int fd) {
    std::uint64_t sequence = 0;
    auto& seen = row.seenByObserver[static_cast<std::size_t>(sender)];
    while (!row.stop.load(std::memory_order_relaxed)) {
        std::uint64_t acknowledged = seen.load(std::memory_order_acquire);
        if (sequence - acknowledged >= kWindow) {
            seen.wait(acknowledged, std::memory_order_acquire);
            continue;
        }
        if (!SendAllBytes(fd, SayLine(row, sender, sequence))) return;
        ++sequence;
    }
}

// An open-loop sender: its lines one after another, as fast as its connection takes them.
void SendBurst(Row& row, int sender, int fd) {
    for (int sequence = 0; sequence < kOpenLoopLines; ++sequence) {
        if (row.stop.load(std::memory_order_relaxed)) return;
        if (!SendAllBytes(fd, SayLine(row, sender, static_cast<std::uint64_t>(sequence)))) return;
    }
}

void SendPaced(Row& row, int sender, int fd) {
    std::uint64_t sequence = 0;
    auto next = Clock::now();
    while (!row.stop.load(std::memory_order_relaxed)) {
        std::this_thread::sleep_until(next);
        next += kPacedInterval;
        if (!SendAllBytes(fd, SayLine(row, sender, sequence++))) return;
    }
}

struct ProcessFigures {
    double cpuSeconds = 0;
    long rssKb = 0;
    int threads = 0;
};

std::optional<ProcessFigures> ReadProcess(int pid) {
    if (pid <= 0) return std::nullopt;
    ProcessFigures figures;
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const std::size_t close = text.rfind(')');
    if (close == std::string::npos) return std::nullopt;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    double ticks = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14 || i == 15) ticks += std::stod(field);
    }
    figures.cpuSeconds = ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with("VmRSS:")) figures.rssKb = std::stol(line.substr(6));
        if (line.starts_with("Threads:")) figures.threads = std::stoi(line.substr(8));
    }
    return figures;
}

// What a row's clients do. With faults, kStuckClients more join and never read, and one more
// sends long lines at full speed without ever waiting for the server.
struct Load {
    int senders = 1;
    bool paced = false;
    bool faults = false;
    bool openLoop = false;

    std::string Label() const {
        return std::to_string(senders) + (paced ? " paced" : "") + (faults ? "+faults" : "") +
               (openLoop ? " open" : "");
    }
};

// What the readers of an open-loop row missed.
struct Lost {
    std::uint64_t lines = 0;  // in all
    int readers = 0;          // that missed any
    std::uint64_t most = 0;   // by one reader
};

struct Result {
    std::string server;
    int clients = 0;
    Load load;
    double deliveriesPerSecond = 0;
    double p50Ms = 0, p99Ms = 0, maxMs = 0;
    std::optional<double> cpuUsPerDelivery;
    std::optional<ProcessFigures> process;
    double joinSeconds = 0;
    // The server's CPU time while the party joined: a figure that other work on a shared
    // machine disturbs less than the join time.
    std::optional<double> joinCpuSeconds;
    std::optional<Lost> lost;  // open-loop rows only
};

// The relay under test, started afresh for each row so that every row meets a new party.
class RelayProcess {
public:
    RelayProcess(const Options& options, int port, const Load& load,
                 const std::vector<std::string>& extra = {}) {
        std::vector<std::string> arguments{options.relayPath, "--port", std::to_string(port)};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        if (options.relayArgsGiven) {
            arguments.insert(arguments.end(), options.relayArgs.begin(), options.relayArgs.end());
        } else {
            arguments.insert(arguments.end(),
                             {"--flood-limit", load.faults ? kFaultsFloodLimit : "0"});
        }
        if (options.perAddressFlag) arguments.insert(arguments.end(), {"--per-address", "0"});
        std::vector<char*> argv;
        for (auto& argument : arguments) argv.push_back(argument.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        if (posix_spawn(&pid, options.relayPath.c_str(), &actions, nullptr, argv.data(), environ) !=
            0) {
            Fail("cannot start " + options.relayPath);
        }
        posix_spawn_file_actions_destroy(&actions);
        const auto until = Clock::now() + 10s;
        while (Clock::now() < until) {
            const vesk::ConnectResult probe = vesk::ConnectTo("127.0.0.1", port, 1s);
            if (probe.handle != vesk::kInvalidSocket) {
                close(probe.handle);
                return;
            }
            std::this_thread::sleep_for(20ms);
        }
        Fail("the relay did not start listening");
    }
    ~RelayProcess() {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            std::fprintf(stderr, "relay_fanout: the relay ended by itself during the row (%s %d)\n",
                         WIFSIGNALED(status) ? "signal" : "exit code",
                         WIFSIGNALED(status) ? WTERMSIG(status) : WEXITSTATUS(status));
            return;
        }
        kill(pid, SIGTERM);
        const auto until = Clock::now() + 5s;
        while (waitpid(pid, &status, WNOHANG) == 0) {
            if (Clock::now() > until) {
                std::fprintf(stderr, "relay_fanout: the relay did not stop within 5 s\n");
                kill(pid, SIGKILL);
                waitpid(pid, &status, 0);
                break;
            }
            std::this_thread::sleep_for(5ms);
        }
    }
    int Pid() const { return pid; }

private:
    pid_t pid = -1;
};

int FreePort() {
    const vesk::Listener probe = vesk::OpenListener(0, 1);
    const int port = vesk::LocalPort(probe.handle);
    vesk::CloseSocket(probe.handle);
    return port;
}

std::string JoinLines(const Row& row, const std::string& nick) {
    if (row.dialect == Dialect::Vesk) {
        const std::string blank(vesk::wire::kBlankTalk);
        return vesk::wire::NameLine(nick) + blank + vesk::wire::JoinAnnouncement(nick) + blank;
    }
    return "NICK " + nick + "\r\nUSER " + nick + " 0 * :b\r\nJOIN " + row.channel + "\r\n";
}

// The flooder: long lines at full speed, never waiting for the server to take them. Its lines
// carry no send stamp, so they are load, not deliveries.
void Flood(Row& row, int fd) {
    const std::size_t bytes = row.dialect == Dialect::Vesk ? kVeskFloodBytes : kIrcFloodBytes;
    const std::string prefix =
        row.dialect == Dialect::Vesk ? "talk" : "PRIVMSG " + row.channel + " :";
    const std::string line = prefix + std::string(bytes - prefix.size() - 2, 'f') + "\r\n";
    std::size_t sent = 0;
    while (!row.stop.load(std::memory_order_relaxed)) {
        const auto result =
            send(fd, line.data() + sent, line.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (result > 0) {
            sent = (sent + static_cast<std::size_t>(result)) % line.size();
        } else if (result < 0 && (errno == EAGAIN || errno == EINTR)) {
            std::this_thread::sleep_for(1ms);
        } else {
            return;  // cut off
        }
    }
}

// Waits until every reader of an open-loop row has all the lines it should get, or until no
// reader gets any for kOpenLoopStall; what is missing then is lost. elapsed: until the last
// line arrived. An IRC server sends no one their own lines.
Lost AwaitOpenLoop(Row& row, int senders, int clients, double& elapsed, Clock::time_point start) {
    const auto expected = [&](int reader) {
        const int from = row.dialect == Dialect::Irc && reader < senders ? senders - 1 : senders;
        return static_cast<std::uint64_t>(from) * kOpenLoopLines;
    };
    const auto total = [&] {
        std::uint64_t sum = 0;
        for (int i = 0; i < clients; ++i) {
            sum += row.clients[static_cast<std::size_t>(i)]->received.load();
        }
        return sum;
    };
    std::uint64_t wanted = 0;
    for (int i = 0; i < clients; ++i) wanted += expected(i);
    std::uint64_t last = total();
    auto lastChange = Clock::now();
    auto lastArrival = lastChange;
    while (last < wanted && Clock::now() - lastChange < kOpenLoopStall) {
        std::this_thread::sleep_for(20ms);
        const std::uint64_t now = total();
        if (now != last) {
            last = now;
            lastChange = lastArrival = Clock::now();
        }
    }
    elapsed = std::chrono::duration<double>(lastArrival - start).count();
    Lost lost;
    for (int i = 0; i < clients; ++i) {
        const std::uint64_t got = row.clients[static_cast<std::size_t>(i)]->received.load();
        const std::uint64_t missed = expected(i) > got ? expected(i) - got : 0;
        lost.lines += missed;
        lost.most = std::max(lost.most, missed);
        if (missed > 0) ++lost.readers;
    }
    return lost;
}

// The clients join one after another, each as soon as the one before has connected; the
// reader starts with the first. result gets the time until every client saw that it joined,
// and the server's CPU time meanwhile.
void Join(Row& row, const std::string& host, int port, int serverPid, int clients,
          std::thread& reader, Result& result) {
    for (auto& client : row.clients) {
        client->joinedPrefix =
            row.dialect == Dialect::Vesk ? "padd" + client->nick + "\t" : ":" + client->nick + "!";
    }
    const auto beforeJoin = ReadProcess(serverPid);
    const auto joinStart = Clock::now();
    for (int i = 0; i < clients; ++i) {
        Client& client = *row.clients[static_cast<std::size_t>(i)];
        const int fd = Connect(host, port);
        SendAllBytes(fd, JoinLines(row, client.nick));
        client.fd = fd;
        if (i == 0) reader = std::thread(ReadAll, std::ref(row));
    }
    const auto joinUntil = Clock::now() + 60s;
    while (row.joinedCount.load() < clients && Clock::now() < joinUntil) {
        std::this_thread::sleep_for(1ms);
    }
    result.joinSeconds = std::chrono::duration<double>(Clock::now() - joinStart).count();
    if (const auto afterJoin = ReadProcess(serverPid); beforeJoin && afterJoin) {
        result.joinCpuSeconds = afterJoin->cpuSeconds - beforeJoin->cpuSeconds;
    }
    if (row.joinedCount.load() < clients) {
        std::fprintf(stderr, "relay_fanout: only %d of %d clients joined\n", row.joinedCount.load(),
                     clients);
    }
}

// A party of clients joins a fresh relay: how long until the last has joined, and what the
// relay holds for them once every line of the join has been delivered, beside what it held
// empty.
struct JoinFigures {
    int clients = 0;
    Result join;
    std::optional<ProcessFigures> empty;
    std::optional<ProcessFigures> joined;
    std::uint64_t rosterLines = 0;  // lines the clients received in all
};

JoinFigures RunJoinRow(const Options& options, int clients) {
    const int port = FreePort();
    RelayProcess relay(options, port, Load{});
    JoinFigures figures;
    figures.clients = clients;
    figures.empty = ReadProcess(relay.Pid());
    Row row(1);
    row.dialect = Dialect::Vesk;
    for (int i = 0; i < clients; ++i) {
        auto client = std::make_unique<Client>();
        client->index = i;
        client->nick = "j" + std::to_string(i);
        row.clients.push_back(std::move(client));
    }
    std::thread reader;
    Join(row, "127.0.0.1", port, relay.Pid(), clients, reader, figures.join);
    // Delivered in full once nobody has received a line for a while.
    for (std::uint64_t last = ~0ull; last != row.lines.load();) {
        last = row.lines.load();
        std::this_thread::sleep_for(300ms);
    }
    figures.rosterLines = row.lines.load();
    figures.joined = ReadProcess(relay.Pid());
    row.stop = true;
    reader.join();
    for (auto& client : row.clients) close(client->fd);
    return figures;
}

void PrintJoin(const JoinFigures& f) {
    std::printf(
        "vesk-relay %5d join: all joined in %.2f s (relay cpu %.2f s), %llu lines delivered",
        f.clients, f.join.joinSeconds, f.join.joinCpuSeconds.value_or(0),
        static_cast<unsigned long long>(f.rosterLines));
    if (f.empty && f.joined) {
        std::printf(
            "; rss %.1f MB empty, %.1f MB joined: %.1f KB a client; threads %d empty, %d joined",
            static_cast<double>(f.empty->rssKb) / 1024.0,
            static_cast<double>(f.joined->rssKb) / 1024.0,
            static_cast<double>(f.joined->rssKb - f.empty->rssKb) / f.clients, f.empty->threads,
            f.joined->threads);
    }
    std::printf("\n");
}

struct DiceFigures {
    int commands = 0;
    int replies = 0;
    int agreeing = 0;  // replies whose sum is their dice's and whose total is the sum plus 3
    double seconds = 0;
};

// One reply "talk【ダイス】B：(2D6+3) ＞ S[a,b]+3 ＞ T": whether it adds up.
bool DiceReplyAddsUp(std::string_view line) {
    static const std::string head = vesk::Cp932FromUtf8("talk【ダイス】B：(2D6+3) ＞ ");
    static const std::string arrow = vesk::Cp932FromUtf8(" ＞ ");
    if (!line.starts_with(head)) return false;
    const std::string rest(line.substr(head.size()));
    int sum = 0, first = 0, second = 0;
    if (std::sscanf(rest.c_str(), "%d[%d,%d]+3", &sum, &first, &second) != 3) return false;
    const std::size_t total = rest.find(arrow);
    if (total == std::string::npos) return false;
    return first >= 1 && first <= 6 && second >= 1 && second <= 6 && first + second == sum &&
           std::atoi(rest.c_str() + total + arrow.size()) == sum + 3;
}

DiceFigures RunDiceRow(const Options& options, int commands) {
    const int port = FreePort();
    RelayProcess relay(options, port, Load{});
    const int fd = Connect("127.0.0.1", port);
    if (fd < 0 || !SendAllBytes(fd, "B\r\n")) Fail("cannot join the dice row's relay");
    DiceFigures figures;
    figures.commands = commands;
    std::atomic<int> replies{0};
    const std::string command = vesk::Cp932FromUtf8("talkB：2D6+3\r\n");
    const auto start = Clock::now();
    std::thread sender([&] {
        for (int sent = 0; sent < commands; ++sent) {
            while (sent - replies.load() >= kWindow) std::this_thread::yield();
            if (!SendAllBytes(fd, command)) return;
        }
    });
    const std::string mark = vesk::Cp932FromUtf8("talk【ダイス】");
    std::string pending;
    char buffer[65536];
    while (replies.load() < commands) {
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got <= 0) break;
        pending.append(buffer, static_cast<std::size_t>(got));
        std::size_t at = 0;
        for (std::size_t end; (end = pending.find("\r\n", at)) != std::string::npos; at = end + 2) {
            const std::string_view line(pending.data() + at, end + 2 - at);
            if (!line.starts_with(mark)) continue;
            if (DiceReplyAddsUp(line)) ++figures.agreeing;
            replies.fetch_add(1);
        }
        pending.erase(0, at);
    }
    figures.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    figures.replies = replies.load();
    shutdown(fd, SHUT_RDWR);
    sender.join();
    close(fd);
    return figures;
}

Result RunRow(Dialect dialect, const std::string& host, int port, int serverPid, int clients,
              const Load& load, double seconds, int rowNumber) {
    const int senders = load.senders;
    Row row(senders);
    row.dialect = dialect;
    row.channel = "#bench" + std::to_string(rowNumber);
    // The flooder is the last client; it reads what it is sent, but joins after the others.
    const int readers = clients + (load.faults ? 1 : 0);
    for (int i = 0; i < readers; ++i) {
        auto client = std::make_unique<Client>();
        client->index = i;
        client->nick = "r" + std::to_string(rowNumber) + "c" + std::to_string(i);
        row.clients.push_back(std::move(client));
    }
    row.observer = clients - 1;
    std::thread reader;
    Result result;
    Join(row, host, port, serverPid, clients, reader, result);
    std::this_thread::sleep_for(200ms);  // the join lines settle

    std::vector<std::thread> senderThreads;
    std::vector<int> stuck;
    if (load.faults) {
        for (int i = 0; i < kStuckClients; ++i) {
            const int fd = Connect(host, port);
            const int window = 4096;
            setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &window, sizeof window);
            SendAllBytes(fd,
                         JoinLines(row, "r" + std::to_string(rowNumber) + "s" + std::to_string(i)));
            stuck.push_back(fd);
        }
        Client& flooder = *row.clients.back();
        const int fd = Connect(host, port);
        SendAllBytes(fd, JoinLines(row, flooder.nick));
        flooder.fd = fd;
        senderThreads.emplace_back(Flood, std::ref(row), fd);
    }
    const auto sendFunction = load.openLoop ? SendBurst : load.paced ? SendPaced : SendFullSpeed;
    if (!load.openLoop) {
        for (int s = 0; s < senders; ++s) {
            const int fd = row.clients[static_cast<std::size_t>(s)]->fd;
            senderThreads.emplace_back(sendFunction, std::ref(row), s, fd);
        }
        std::this_thread::sleep_for(500ms);  // warm up
    }
    const auto before = ReadProcess(serverPid);
    const auto start = Clock::now();
    row.measuring = true;
    double elapsed = 0;
    if (load.openLoop) {
        for (int s = 0; s < senders; ++s) {
            const int fd = row.clients[static_cast<std::size_t>(s)]->fd;
            senderThreads.emplace_back(sendFunction, std::ref(row), s, fd);
        }
        result.lost = AwaitOpenLoop(row, senders, clients, elapsed, start);
    } else {
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
        elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    }
    row.measuring = false;
    const auto after = ReadProcess(serverPid);
    row.stop = true;
    for (auto& seen : row.seenByObserver) {
        seen.fetch_add(kWindow);
        seen.notify_all();
    }
    for (auto& thread : senderThreads) thread.join();
    reader.join();
    for (auto& client : row.clients) {
        if (dialect == Dialect::Irc) SendAllBytes(client->fd, "QUIT\r\n");
        close(client->fd);
    }
    for (const int fd : stuck) close(fd);

    result.server = dialect == Dialect::Vesk ? "vesk-relay" : "irc";
    result.clients = clients;
    result.load = load;
    result.deliveriesPerSecond = static_cast<double>(row.sample.deliveries) / elapsed;
    auto& latency = row.sample.latencyUs;
    if (!latency.empty()) {
        std::sort(latency.begin(), latency.end());
        const auto at = [&](double q) {
            return latency[std::min(
                       latency.size() - 1,
                       static_cast<std::size_t>(q * static_cast<double>(latency.size())))] /
                   1000.0;
        };
        result.p50Ms = at(0.5);
        result.p99Ms = at(0.99);
        result.maxMs = latency.back() / 1000.0;
    }
    if (before && after && row.sample.deliveries > 0) {
        result.cpuUsPerDelivery = (after->cpuSeconds - before->cpuSeconds) * 1e6 /
                                  static_cast<double>(row.sample.deliveries);
        result.process = after;
    }
    return result;
}

// The machine's own figure: one thread writes the same lines to every client, 16 lines per
// send, and the same reader reads them.
double RawDeliveries(int clients, double seconds) {
    const vesk::Listener listener = vesk::OpenListener(0, SOMAXCONN);
    const int port = vesk::LocalPort(listener.handle);
    Row row(1);
    std::vector<int> accepted;
    std::thread reader;
    for (int i = 0; i < clients; ++i) {
        auto client = std::make_unique<Client>();
        client->index = i;
        client->fd = Connect("127.0.0.1", port);
        accepted.push_back(vesk::AcceptConnection(listener.handle).handle);
        row.clients.push_back(std::move(client));
        if (i == 0) reader = std::thread(ReadAll, std::ref(row));
    }
    std::atomic<bool> done{false};
    std::thread writer([&] {
        std::uint64_t sequence = 0;
        while (!done.load(std::memory_order_relaxed)) {
            std::string batch;
            for (int n = 0; n < kRawLinesPerSend; ++n) batch += SayLine(row, 0, sequence++);
            for (const int fd : accepted) {
                if (done.load(std::memory_order_relaxed)) break;
                SendAllBytes(fd, batch);
            }
        }
    });
    std::this_thread::sleep_for(500ms);
    const auto start = Clock::now();
    row.measuring = true;
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    row.measuring = false;
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    done = true;
    row.stop = true;
    reader.join();
    // Nobody reads any more, so a send to a full socket would wait for good: the shutdown
    // ends it.
    for (const int fd : accepted) shutdown(fd, SHUT_RDWR);
    writer.join();
    for (auto& client : row.clients) close(client->fd);
    for (const int fd : accepted) close(fd);
    vesk::CloseSocket(listener.handle);
    return static_cast<double>(row.sample.deliveries) / elapsed;
}

std::string MachineName() {
    std::ifstream cpu("/proc/cpuinfo");
    for (std::string line; std::getline(cpu, line);) {
        if (line.starts_with("model name")) return line.substr(line.find(':') + 2);
    }
    return "unknown";
}

void PrintResult(const Result& r) {
    std::printf("%-10s %5d %-14s %10.3f M %8.2f %8.2f %8.2f", r.server.c_str(), r.clients,
                r.load.Label().c_str(), r.deliveriesPerSecond / 1e6, r.p50Ms, r.p99Ms, r.maxMs);
    if (r.cpuUsPerDelivery) {
        std::printf(" %9.3f", *r.cpuUsPerDelivery);
    } else {
        std::printf(" %9s", "-");
    }
    if (r.process) {
        std::printf(" %7.1f %7d", static_cast<double>(r.process->rssKb) / 1024.0,
                    r.process->threads);
    } else {
        std::printf(" %7s %7s", "-", "-");
    }
    std::printf(" %7.2f", r.joinSeconds);
    if (r.joinCpuSeconds) {
        std::printf(" %8.2f\n", *r.joinCpuSeconds);
    } else {
        std::printf(" %8s\n", "-");
    }
    if (r.lost) {
        std::printf("%-10s   lines lost: %llu in all, by %d of %d readers, at most %llu by one\n",
                    "", static_cast<unsigned long long>(r.lost->lines), r.lost->readers, r.clients,
                    static_cast<unsigned long long>(r.lost->most));
    }
}

Options ParseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        const auto value = [&]() -> std::string {
            if (i + 1 >= argc) Fail("missing value after " + argument);
            return argv[++i];
        };
        if (argument == "--relay") {
            options.relayPath = value();
        } else if (argument == "--relay-arg") {
            options.relayArgs.push_back(value());
            options.relayArgsGiven = true;
        } else if (argument == "--no-flood-flag") {
            options.relayArgsGiven = true;  // a relay older than --flood-limit
        } else if (argument == "--no-per-address-flag") {
            options.perAddressFlag = false;
        } else if (argument == "--irc") {
            const std::string target = value();
            const std::size_t colon = target.rfind(':');
            if (colon == std::string::npos) Fail("--irc takes HOST:PORT");
            options.ircHost = target.substr(0, colon);
            options.ircPort = std::atoi(target.c_str() + colon + 1);
        } else if (argument == "--irc-pid") {
            options.ircPid = std::atoi(value().c_str());
        } else if (argument == "--clients") {
            options.clientCounts.clear();
            std::istringstream list(value());
            for (std::string count; std::getline(list, count, ',');) {
                options.clientCounts.push_back(std::atoi(count.c_str()));
            }
        } else if (argument == "--joins") {
            options.joiners = std::atoi(value().c_str());
        } else if (argument == "--dice-off-too") {
            options.diceOffToo = true;
        } else if (argument == "--dice-commands") {
            options.diceCommands = std::atoi(value().c_str());
        } else if (argument == "--seconds") {
            options.seconds = std::atof(value().c_str());
        } else {
            Fail("unknown argument " + argument +
                 " (see the comment at the top of bench/relay_fanout.cpp)");
        }
    }
    return options;
}

}  // namespace

int main(int argc, char** argv) {
    const Options options = ParseOptions(argc, argv);
    signal(SIGPIPE, SIG_IGN);
    // A party of thousands needs as many descriptors here.
    rlimit files{};
    if (getrlimit(RLIMIT_NOFILE, &files) == 0) {
        files.rlim_cur = files.rlim_max;
        setrlimit(RLIMIT_NOFILE, &files);
    }
    std::printf(
        "machine: %s, %u cores; %zu-byte lines, %.1f s per row, full speed = %d lines "
        "in flight per sender, paced = %d senders x %d lines/s\n",
        MachineName().c_str(), std::thread::hardware_concurrency(), kLineBytes, options.seconds,
        kWindow, kPacedSenders, static_cast<int>(1s / kPacedInterval));
    std::printf("%-10s %5s %-14s %12s %8s %8s %8s %9s %7s %7s %7s %8s\n", "server", "N", "senders",
                "deliveries/s", "p50 ms", "p99 ms", "max ms", "cpu us/d", "rss MB", "threads",
                "join s", "join cpu");
    // Measured first, while no server and no earlier party's leaving loads the machine.
    const int rawClients = 200;
    const double raw = RawDeliveries(rawClients, options.seconds);
    const Load loads[] = {{1, false, false},
                          {4, false, false},
                          {kPacedSenders, true, false},
                          {kPacedSenders, true, true},
                          {4, false, false, true}};
    std::vector<std::pair<Result, std::optional<Result>>> rows;
    int rowNumber = 0;
    for (const int clients : options.clientCounts) {
        for (const Load& load : loads) {
            // A thousand clients at the chat-like pace already keep the relay busy; the faults
            // are measured in the smaller parties.
            if ((load.faults || load.openLoop) && clients > 200) continue;
            ++rowNumber;
            const int port = FreePort();
            Result vesk;
            {
                RelayProcess relay(options, port, load);
                vesk = RunRow(Dialect::Vesk, "127.0.0.1", port, relay.Pid(), clients, load,
                              options.seconds, rowNumber);
            }
            PrintResult(vesk);
            std::optional<Result> irc;
            if (options.ircPort > 0) {
                irc = RunRow(Dialect::Irc, options.ircHost, options.ircPort, options.ircPid,
                             clients, load, options.seconds, rowNumber);
                PrintResult(*irc);
            }
            if (options.diceOffToo && !load.openLoop) {
                const int offPort = FreePort();
                RelayProcess relay(options, offPort, load, {"--dice", "off"});
                Result off = RunRow(Dialect::Vesk, "127.0.0.1", offPort, relay.Pid(), clients,
                                    load, options.seconds, rowNumber);
                off.server = "dice off";
                PrintResult(off);
            }
            std::fflush(stdout);
            rows.emplace_back(vesk, irc);
        }
    }
    if (options.ircPort > 0) {
        std::printf(
            "\nvesk-relay / irc: deliveries/s ratio (higher is better), p99 ratio (lower "
            "is better)\n");
        for (const auto& [vesk, irc] : rows) {
            std::printf("  %5d x %-14s  %6.2f   %6.2f\n", vesk.clients, vesk.load.Label().c_str(),
                        vesk.deliveriesPerSecond / irc->deliveriesPerSecond,
                        irc->p99Ms > 0 ? vesk.p99Ms / irc->p99Ms : 0.0);
        }
    }
    if (options.joiners > 0) {
        std::printf("\n");
        PrintJoin(RunJoinRow(options, options.joiners));
    }
    if (options.diceCommands > 0) {
        const DiceFigures dice = RunDiceRow(options, options.diceCommands);
        std::printf(
            "vesk-relay dice: %d commands (2D6+3), %d replies in %.2f s: %.0f replies/s; %d of "
            "them add up\n",
            dice.commands, dice.replies, dice.seconds, dice.replies / dice.seconds, dice.agreeing);
    }
    std::printf("\none thread writing %d lines per send to %d clients: %.3f M deliveries/s\n",
                kRawLinesPerSend, rawClients, raw / 1e6);
    for (const auto& [vesk, irc] : rows) {
        if (vesk.clients == rawClients && vesk.load.senders == 4 && !vesk.load.paced &&
            !vesk.load.openLoop) {
            std::printf("vesk-relay %d x 4 reaches %.0f%% of it\n", rawClients,
                        100.0 * vesk.deliveriesPerSecond / raw);
        }
    }
    return 0;
}

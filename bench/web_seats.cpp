// Measures vesk-relay's browser seats beside plain TCP clients in one party: N WebSocket
// seats (as the page speaks) and N TCP clients (as VeskChat speaks) join, then one sender of
// each kind sends 80-byte chat lines, first at a chat-like pace (100 lines a second each), then
// at full speed (64 lines in flight each). Every participant reads everything. Prints, for each
// kind of receiver, deliveries per second and the latency from a line's send stamp to its
// arrival (p50, p99), the relay's CPU time per delivery, and its resident memory per TCP client
// and per seat. Last, every seat's connection drops at once, 200 lines are said, and every seat
// comes back with its key: the time until all of them have every line they missed.
//
//   web_seats [--relay PATH] [--seats 100] [--seconds 5]
//
// All clients run on one thread of this program, so on a small machine the figures at full
// speed are bounded by this program as much as by the relay.

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <deque>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "protocol/cp932.h"
#include "web/beast.h"

extern char** environ;

namespace {

using namespace vesk;
using namespace vesk::web;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr int kWindow = 64;
constexpr auto kPacedInterval = 10ms;
constexpr std::size_t kLineBytes = 80;
// Lines said while every seat is away, before they come back.
constexpr int kMissedLines = 200;

std::int64_t NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch())
        .count();
}

pid_t relayPid = 0;  // the relay this program started, ended with it

[[noreturn]] void Fail(const std::string& why) {
    std::fprintf(stderr, "web_seats: %s\n", why.c_str());
    if (relayPid > 0) kill(relayPid, SIGTERM);
    std::exit(1);
}

int FreePort() {
    asio::io_context io;
    tcp::acceptor probe(io, {tcp::v4(), 0});
    return probe.local_endpoint().port();
}

// The CPU time the process has used, user and system, in seconds.
double CpuSeconds(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string field;
    unsigned long long ticks = 0;
    // utime and stime are fields 14 and 15; the command name in field 2 holds no blank here.
    for (int n = 1; n <= 15 && stat >> field; ++n) {
        if (n >= 14) ticks += std::stoull(field);
    }
    return static_cast<double>(ticks) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

long RssKb(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with("VmRSS:")) return std::stol(line.substr(6));
    }
    return 0;
}

// What the receivers of one kind saw during a phase.
struct Tally {
    std::vector<std::int64_t> latencies;
    void Clear() { latencies.clear(); }
};

struct Party {
    Tally tally[2];  // by receiver kind: 0 TCP, 1 web
    bool measuring = false;
    int joined = 0;
};

// The stamp that follows "：" in a chat line's text, and whether it was this sender's.
void Count(Party& party, int kind, std::string_view text) {
    const std::size_t colon = text.find("\x81\x46");
    if (colon == std::string_view::npos || !party.measuring) return;
    const std::string_view rest = text.substr(colon + 2);
    std::int64_t stamp = 0;
    for (const char c : rest) {
        if (c < '0' || c > '9') break;
        stamp = stamp * 10 + (c - '0');
    }
    if (stamp > 0) party.tally[kind].latencies.push_back(NowNs() - stamp);
}

std::string ChatText(std::int64_t stamp) {
    std::string text = std::to_string(stamp) + " ";
    text.resize(kLineBytes - 20, 'x');
    return text;
}

class Client {
public:
    virtual ~Client() = default;
    virtual void SendChat() = 0;
    int inFlight = 0;
    std::string name;
};

class TcpClient : public Client, public std::enable_shared_from_this<TcpClient> {
public:
    TcpClient(asio::io_context& io, Party& party, int port, std::string name)
        : socket(io), party(party) {
        this->name = std::move(name);
        socket.connect({asio::ip::make_address("127.0.0.1"), static_cast<unsigned short>(port)});
        socket.set_option(tcp::no_delay(true));
    }
    void Start() {
        Write(name + "\r\ntalk\r\n");
        Read();
    }
    void SendChat() override { SendText(ChatText(NowNs())); }
    void SendText(std::string_view text) {
        Write("talk" + name + "\x81\x46" + std::string(text) + "\r\n");
    }

private:
    void Write(std::string line) {
        queue.push_back(std::move(line));
        if (queue.size() == 1) WriteNext();
    }
    void WriteNext() {
        asio::async_write(socket, asio::buffer(queue.front()),
                          [self = shared_from_this()](beast::error_code error, std::size_t) {
                              if (error) Fail("a TCP client lost its connection");
                              self->queue.pop_front();
                              if (!self->queue.empty()) self->WriteNext();
                          });
    }
    void Read() {
        asio::async_read_until(
            socket, asio::dynamic_buffer(pending), "\r\n",
            [self = shared_from_this()](beast::error_code error, std::size_t length) {
                if (error) Fail("the relay closed a TCP client");
                const std::string_view line = std::string_view(self->pending).substr(0, length);
                if (!self->seenSelf && line.starts_with("padd" + self->name + "\t")) {
                    self->seenSelf = true;
                    ++self->party.joined;
                }
                if (line.starts_with("talk" + self->name + "\x81\x46")) --self->inFlight;
                Count(self->party, 0, line);
                self->pending.erase(0, length);
                self->Read();
            });
    }

    tcp::socket socket;
    Party& party;
    std::string pending;
    std::deque<std::string> queue;
    bool seenSelf = false;
};

class WebSeat : public Client, public std::enable_shared_from_this<WebSeat> {
public:
    WebSeat(asio::io_context& io, Party& party, int port, std::string name)
        : io(io), party(party), port(port) {
        this->name = std::move(name);
    }
    void Start() {
        Open();
        Write("join\n" + name);
    }
    void SendChat() override { Write("say\n" + name + "\n" + ChatText(NowNs())); }

    // The connection drops without a close, as a phone's does when its screen locks.
    void Drop() {
        ++generation;
        beast::error_code ignored;
        ws->next_layer().close(ignored);
        queue.clear();
    }
    // Back on a new connection, with the seat's key and the next message wanted.
    void Resume(std::string_view until) {
        awaited = until;
        caughtUp = false;
        Open();
        Write("resume\n" + key + "\n" + std::to_string(next));
    }
    bool CaughtUp() const { return caughtUp; }
    // As the page does once its messages have stopped coming for a moment.
    void Acknowledge() {
        if (next == acknowledged) return;
        acknowledged = next;
        lastAck = Clock::now();
        Write("ack\n" + std::to_string(next));
    }

private:
    void Open() {
        ws = std::make_unique<websocket::stream<tcp::socket>>(io);
        ws->next_layer().connect(
            {asio::ip::make_address("127.0.0.1"), static_cast<unsigned short>(port)});
        const std::string host = "127.0.0.1:" + std::to_string(port);
        ws->set_option(websocket::stream_base::decorator(
            [host](websocket::request_type& r) { r.set(http::field::origin, "http://" + host); }));
        ws->next_layer().set_option(tcp::no_delay(true));
        ws->handshake(host, "/ws");
        ws->text(true);
        Read();
    }
    void Write(std::string message) {
        queue.push_back(std::move(message));
        if (queue.size() == 1) WriteNext();
    }
    void WriteNext() {
        ws->async_write(asio::buffer(queue.front()), [self = shared_from_this(), at = generation](
                                                         beast::error_code error, std::size_t) {
            if (at != self->generation) return;
            if (error) Fail("a seat lost its connection");
            self->queue.pop_front();
            if (!self->queue.empty()) self->WriteNext();
        });
    }
    void Read() {
        ws->async_read(buffer, [self = shared_from_this(), at = generation](beast::error_code error,
                                                                            std::size_t) {
            if (at != self->generation) return;
            if (error) Fail("the relay closed a seat");
            const std::string message = beast::buffers_to_string(self->buffer.data());
            self->buffer.consume(self->buffer.size());
            self->Take(message);
            self->Read();
        });
    }
    // One message or an array of them, as the page takes them: the conversation's messages
    // numbered after each {"n":...} entry, each taken once, and acknowledged now and then.
    void Take(std::string_view message) {
        if (const auto at = message.find(R"({"key":")"); at != std::string_view::npos) {
            key = message.substr(at + 8, 32);
        }
        std::uint64_t seq = 0;
        for (std::size_t at = message.find('{'); at != std::string_view::npos;
             at = message.find(R"(,{")", at + 1), at = at == std::string_view::npos ? at : at + 1) {
            const std::string_view item = message.substr(at);
            if (item.starts_with(R"({"n":)")) {
                seq = std::stoull(std::string(item.substr(5, item.find(',') - 5)));
                continue;
            }
            const bool log = item.starts_with(R"({"log":")");
            if (!log && !item.starts_with(R"({"add":)") && !item.starts_with(R"({"del":)")) {
                continue;
            }
            if (seq != 0 && seq++ < next) continue;
            if (seq != 0) next = seq;
            if (!seenSelf && item.starts_with(R"({"add":")" + name + R"("})")) {
                seenSelf = true;
                ++party.joined;
            }
            if (!log) continue;
            // The page's text is UTF-8.
            const std::string text = vesk::Cp932FromUtf8(item.substr(8, kLineBytes + 20));
            if (text.starts_with(name + "\x81\x46")) --inFlight;
            if (!awaited.empty() && text.find(awaited) != std::string::npos) caughtUp = true;
            Count(party, 1, text);
        }
        if (next - acknowledged >= 256 || Clock::now() - lastAck >= 200ms) Acknowledge();
    }

    asio::io_context& io;
    std::unique_ptr<websocket::stream<tcp::socket>> ws;
    Party& party;
    int port;
    int generation = 0;  // of the connection; a dropped one's handlers do nothing
    beast::flat_buffer buffer;
    std::deque<std::string> queue;
    bool seenSelf = false;
    std::string key;
    std::uint64_t next = 1;
    std::uint64_t acknowledged = 1;
    Clock::time_point lastAck;
    std::string awaited;  // the line whose arrival ends catching up
    bool caughtUp = false;
};

std::int64_t Percentile(std::vector<std::int64_t>& values, double share) {
    if (values.empty()) return 0;
    const auto at =
        values.begin() + static_cast<long>(share * static_cast<double>(values.size() - 1));
    std::nth_element(values.begin(), at, values.end());
    return *at;
}

// Runs io until done() or the deadline; false at the deadline.
bool RunUntil(asio::io_context& io, const std::function<bool()>& done, Clock::duration deadline) {
    const auto until = Clock::now() + deadline;
    while (!done()) {
        if (Clock::now() > until) return false;
        io.run_for(10ms);
    }
    return true;
}

void Phase(const char* title, asio::io_context& io, Party& party, std::vector<Client*> senders,
           bool fullSpeed, std::chrono::seconds seconds) {
    party.tally[0].Clear();
    party.tally[1].Clear();
    for (Client* sender : senders) sender->inFlight = 0;
    party.measuring = true;
    const double cpuBefore = CpuSeconds(relayPid);
    const auto started = Clock::now();
    auto nextPaced = started;
    while (Clock::now() - started < seconds) {
        for (Client* sender : senders) {
            if (fullSpeed) {
                while (sender->inFlight < kWindow) {
                    ++sender->inFlight;
                    sender->SendChat();
                }
            }
        }
        if (!fullSpeed && Clock::now() >= nextPaced) {
            for (Client* sender : senders) sender->SendChat();
            nextPaced += kPacedInterval;
        }
        io.run_for(1ms);
    }
    party.measuring = false;
    const double elapsed = std::chrono::duration<double>(Clock::now() - started).count();
    const double cpu = CpuSeconds(relayPid) - cpuBefore;
    double deliveries = 0;
    for (int kind = 0; kind < 2; ++kind) {
        std::vector<std::int64_t>& latencies = party.tally[kind].latencies;
        std::printf("| %s | %s | %.0f | %.2f | %.2f |\n", title, kind == 0 ? "TCP" : "web seat",
                    static_cast<double>(latencies.size()) / elapsed,
                    static_cast<double>(Percentile(latencies, 0.5)) / 1e6,
                    static_cast<double>(Percentile(latencies, 0.99)) / 1e6);
        deliveries += static_cast<double>(latencies.size());
    }
    std::printf("| %s | relay CPU | %.2f us a delivery | | |\n", title,
                deliveries > 0 ? cpu / deliveries * 1e6 : 0.0);
}

}  // namespace

int main(int argc, char** argv) {
    std::string relayPath = VESK_RELAY_PATH;
    int seats = 100;
    int seconds = 5;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string_view option = argv[i];
        if (option == "--relay")
            relayPath = argv[i + 1];
        else if (option == "--seats")
            seats = std::stoi(argv[i + 1]);
        else if (option == "--seconds")
            seconds = std::stoi(argv[i + 1]);
        else
            Fail("usage: web_seats [--relay PATH] [--seats N] [--seconds S]");
    }
    signal(SIGPIPE, SIG_IGN);
    const int port = FreePort();
    const int webPort = FreePort();
    // Every participant comes from this machine.
    std::vector<std::string> args = {
        relayPath,       "--port", std::to_string(port), "--web-port", std::to_string(webPort),
        "--flood-limit", "0",      "--per-address",      "0"};
    std::vector<char*> argv2;
    for (std::string& a : args) argv2.push_back(a.data());
    argv2.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t relay = 0;
    if (posix_spawn(&relay, relayPath.c_str(), &actions, nullptr, argv2.data(), environ) != 0) {
        Fail("cannot start " + relayPath);
    }
    relayPid = relay;
    posix_spawn_file_actions_destroy(&actions);

    asio::io_context io;
    Party party;
    std::vector<std::shared_ptr<TcpClient>> tcpClients;
    std::vector<std::shared_ptr<WebSeat>> webSeats;
    {
        const auto until = Clock::now() + 10s;
        for (;;) {
            try {
                tcpClients.push_back(std::make_shared<TcpClient>(io, party, port, "T0"));
                asio::io_context probeIo;
                tcp::socket probe(probeIo);
                probe.connect(
                    {asio::ip::make_address("127.0.0.1"), static_cast<unsigned short>(webPort)});
                break;
            } catch (const std::exception&) {
                tcpClients.clear();
                if (Clock::now() > until) Fail("vesk-relay did not start");
                std::this_thread::sleep_for(20ms);
            }
        }
    }
    const long rssStart = RssKb(relay);
    tcpClients.front()->Start();
    for (int i = 1; i < seats; ++i) {
        tcpClients.push_back(std::make_shared<TcpClient>(io, party, port, "T" + std::to_string(i)));
        tcpClients.back()->Start();
    }
    if (!RunUntil(
            io, [&] { return party.joined == seats; }, 60s))
        Fail("TCP clients not joined");
    const long rssTcp = RssKb(relay);
    for (int i = 0; i < seats; ++i) {
        webSeats.push_back(std::make_shared<WebSeat>(io, party, webPort, "W" + std::to_string(i)));
        webSeats.back()->Start();
    }
    if (!RunUntil(
            io, [&] { return party.joined == 2 * seats; }, 60s))
        Fail("seats not joined");
    RunUntil(
        io, [] { return false; }, 200ms);
    for (const auto& seat : webSeats) seat->Acknowledge();
    RunUntil(
        io, [] { return false; }, 200ms);
    const long rssWeb = RssKb(relay);

    std::printf("%d TCP clients and %d browser seats in one party, %d s a phase\n\n", seats, seats,
                seconds);
    std::printf("| pace | receivers | deliveries/s | p50 ms | p99 ms |\n|---|---|---|---|---|\n");
    const std::vector<Client*> senders = {tcpClients.front().get(), webSeats.front().get()};
    Phase("chat-like (2 x 100 lines/s)", io, party, senders, false, std::chrono::seconds(seconds));
    RunUntil(
        io, [] { return false; }, 1s);
    Phase("full speed (2 x 64 in flight)", io, party, senders, true, std::chrono::seconds(seconds));
    std::printf("\nrelay memory: %ld KB at start, %.1f KB per TCP client, %.1f KB per seat\n",
                rssStart, static_cast<double>(rssTcp - rssStart) / seats,
                static_cast<double>(rssWeb - rssTcp) / seats);

    // Every seat's connection drops at once, the party goes on, and every seat comes back.
    for (const auto& seat : webSeats) seat->Drop();
    RunUntil(
        io, [] { return false; }, 500ms);
    for (int n = 0; n < kMissedLines; ++n) tcpClients.front()->SendChat();
    const std::string last = "\x81\x46" + std::to_string(NowNs()) + " end";
    tcpClients.front()->SendText(last.substr(2));
    RunUntil(
        io, [] { return false; }, 500ms);
    const auto resumed = Clock::now();
    for (const auto& seat : webSeats) seat->Resume(last);
    if (!RunUntil(
            io,
            [&] {
                return std::all_of(webSeats.begin(), webSeats.end(),
                                   [](const auto& seat) { return seat->CaughtUp(); });
            },
            60s)) {
        Fail("seats that came back did not catch up");
    }
    std::printf("%d seats back at once, %d lines missed each: all caught up in %.0f ms\n", seats,
                kMissedLines + 1,
                std::chrono::duration<double, std::milli>(Clock::now() - resumed).count());
    kill(relay, SIGTERM);
    int status = 0;
    waitpid(relay, &status, 0);
    return 0;
}

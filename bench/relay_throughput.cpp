// Measures how many lines per second the relay delivers: every client sends its share of
// lines while every client reads the whole conversation, as a busy party would.
//
//   relay_throughput [clients] [lines per client] [line bytes]

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "protocol/line_transport.h"
#include "server/relay_server.h"

namespace {

class QuietReporter : public vesk::RelayReporter {
public:
    void LogLine(std::string_view) override {}
    void ShowMessage(std::string_view) override {}
};

vesk::SocketHandle Join(int port, int id) {
    const vesk::ConnectResult connection =
        vesk::ConnectTo("127.0.0.1", port, std::chrono::seconds(5));
    if (connection.handle == vesk::kInvalidSocket) {
        std::fprintf(stderr, "cannot connect\n");
        std::exit(1);
    }
    vesk::SendAll(connection.handle, "bench" + std::to_string(id) + "\r\n");
    return connection.handle;
}

}  // namespace

int main(int argc, char** argv) {
    const int clients = argc > 1 ? std::atoi(argv[1]) : 10;
    const int linesPerClient = argc > 2 ? std::atoi(argv[2]) : 2000;
    const int lineBytes = argc > 3 ? std::atoi(argv[3]) : 60;

    QuietReporter reporter;
    vesk::RelayServer server(reporter);
    if (!server.Start(0)) return 1;
    const int port = server.ListeningPort();

    std::vector<vesk::SocketHandle> sockets;
    for (int id = 0; id < clients; ++id) sockets.push_back(Join(port, id));

    // Every client reads until it has seen every client's last line.
    const std::string body(static_cast<std::size_t>(std::max(lineBytes - 6, 1)), 'x');
    const long expected = static_cast<long>(clients) * linesPerClient;
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::thread> threads;
    for (int id = 0; id < clients; ++id) {
        threads.emplace_back([&, id] {
            vesk::LineBuffer line;
            long relayed = 0;
            while (relayed < expected) {
                const int length = vesk::ReadLine(sockets[id], line);
                if (length < 0) return;
                if (std::string_view(line.data(), 4) == "talk") ++relayed;
            }
        });
        threads.emplace_back([&, id] {
            const std::string message = "talk" + body + "\r\n";
            for (int n = 0; n < linesPerClient; ++n) vesk::SendAll(sockets[id], message);
        });
    }
    for (auto& thread : threads) thread.join();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    const double delivered = static_cast<double>(expected) * clients;
    std::printf("%d clients, %ld lines of %d bytes relayed to each: %.3f s\n", clients, expected,
                lineBytes, seconds);
    std::printf("  %.0f lines/s taken in, %.0f lines/s delivered, %.1f MB/s delivered\n",
                static_cast<double>(expected) / seconds, delivered / seconds,
                delivered * lineBytes / seconds / 1e6);
    for (const vesk::SocketHandle socket : sockets) vesk::CloseSocket(socket);
    return 0;
}

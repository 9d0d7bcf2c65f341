#pragma once

// The browser seat: vesk-relay's own web server. It serves one page (HTML, stylesheet and
// script built into the program) and takes each page's WebSocket as a seat of the party: the
// seat joins the relay's party as VeskChat would, so the relay and every other participant see
// one more participant and nothing else.
//
// Threads: every connection of the web server runs in the relay's own loop, beside the relay's
// connections; nothing here blocks. Start and Stop are called from one thread, the program's
// main thread, and hand their work to the loop.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "dice/data_folder.h"

namespace vesk {
class RelayServer;
}

namespace vesk::web {

struct WebOptions {
    // Open seats at most; one more is told that the party is full and closed.
    std::size_t maxSeats = 100;
    // Connections that fetch the page or have not said what they want yet, at most; more are
    // closed at once.
    std::size_t maxPageConnections = 64;
    // A request's headers must arrive whole within this time (and a WebSocket's handshake).
    std::chrono::milliseconds requestTimeout{10000};
    std::size_t maxHeaderBytes = 8192;
    // A seat that answers no ping for this long is closed and leaves the party; a ping goes
    // out after half of it goes by in silence.
    std::chrono::milliseconds pingTimeout{60000};
    // The largest message a page may send; a larger one closes the seat (code 1009).
    std::size_t maxMessageBytes = 4096;
    // Where the dice and name lists are read from.
    ListPaths dataPaths;
    // A certificate chain and its private key, both PEM files: with them the page and its
    // seats are served over TLS only (https:// and wss://); without them, plain HTTP.
    std::string certificateFile;
    std::string keyFile;
};

class WebServer {
public:
    // The relay must outlive the web server.
    WebServer(WebOptions options, RelayServer& relay);
    ~WebServer();
    WebServer(const WebServer&) = delete;
    WebServer& operator=(const WebServer&) = delete;

    // Listens on port on every IPv4 interface (0: the system picks one). False, with the reason in
    // error (UTF-8), when the port cannot be taken or the certificate or its key cannot be read.
    bool Start(std::uint16_t port, std::string& error);

    // The port being listened on, or -1 when stopped.
    int Port() const;

    // Closes every seat (each leaves the party) and every page connection.
    void Stop();

    // Seats open now; for tests and the benchmark.
    std::size_t SeatCount() const;

    struct Shared;

private:
    RelayServer& relay;
    std::shared_ptr<Shared> shared;
};

}  // namespace vesk::web

#pragma once

// What the web server's connections share; its counters are read from other threads, all
// else is touched on the web server's thread only (or before it starts and after it ends).

#include <atomic>
#include <optional>
#include <string>
#include <thread>

#include "web/beast.h"
#include "web/web_server.h"

namespace vesk::web {

struct WebServer::Shared {
    Shared(WebOptions options, SeatAdopter adopt)
        : options(std::move(options)), adopt(std::move(adopt)) {}

    const WebOptions options;
    const SeatAdopter adopt;
    // Destroyed by Stop, which ends every connection still open with it.
    std::optional<asio::io_context> io{std::in_place};
    std::optional<tcp::acceptor> acceptor;
    // With a certificate: every connection speaks TLS (https:// and wss://).
    std::optional<asio::ssl::context> tls;
    std::thread thread;
    std::atomic<int> port{-1};
    std::atomic<std::size_t> seats{0};
    std::atomic<std::size_t> pageConnections{0};
};

using Request = http::request<http::string_body>;

// Takes an upgraded page connection as a seat: completes the WebSocket handshake and serves
// the seat until either side ends it.
void OpenSeat(const std::shared_ptr<WebServer::Shared>& shared, beast::tcp_stream stream,
              Request request, std::string peerAddress);
void OpenSeat(const std::shared_ptr<WebServer::Shared>& shared, TlsStream stream, Request request,
              std::string peerAddress);

}  // namespace vesk::web

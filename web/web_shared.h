#pragma once

// What the web server's connections share. They all run in the relay's loop, as the relay's
// own connections do; the counters are read from other threads as well.

#include <atomic>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "server/relay_loop.h"
#include "web/beast.h"
#include "web/web_server.h"

namespace vesk::web {

// A browser seat's place in the party, which outlives the page connections that hold it.
class Seat;

// A connection of the web server, which Stop ends.
class WebConnection {
public:
    // Closes the connection; a seat leaves the party first.
    virtual void Shut() = 0;

protected:
    ~WebConnection() = default;
};

struct WebServer::Shared {
    explicit Shared(WebOptions options) : options(std::move(options)) {}

    const WebOptions options;
    std::weak_ptr<RelayLoop> loop;
    std::optional<tcp::acceptor> acceptor;
    // With a certificate: every connection speaks TLS (https:// and wss://).
    std::optional<asio::ssl::context> tls;
    std::set<WebConnection*> open;  // loop only
    // The seats that have a place in the party, by resume key; loop only.
    std::map<std::string, std::shared_ptr<Seat>> places;
    std::atomic<int> port{-1};
    std::atomic<std::size_t> seats{0};
    std::atomic<std::size_t> pageConnections{0};

    // Tells the relay's event log why a page connection failed (during what, in UTF-8), once
    // for each cause: a browser that keeps failing the same way fills no log. A connection
    // that merely ended (closed, or cut short by the server itself) is no failure.
    void NoteFailure(std::string_view during, const beast::error_code& error);
    std::set<std::string> failuresNoted;  // loop only
};

using Request = http::request<http::string_body>;

// Takes an upgraded page connection as a seat: completes the WebSocket handshake and serves
// the seat until either side ends it.
void OpenSeat(const std::shared_ptr<WebServer::Shared>& shared, beast::tcp_stream stream,
              Request request, std::string peerAddress);
void OpenSeat(const std::shared_ptr<WebServer::Shared>& shared, TlsStream stream, Request request,
              std::string peerAddress);

}  // namespace vesk::web

#include "web/web_server.h"

#include <algorithm>
#include <cctype>
#include <type_traits>

#include "server/relay_server.h"
#include "web/seat_lists.h"
#include "web/web_shared.h"

namespace vesk::web {

namespace {

constexpr std::size_t kMaxRequestBodyBytes = 4096;

struct PageFile {
    std::string_view path;
    std::string_view type;
    std::string_view (*body)();
};

constexpr PageFile kPageFiles[] = {
    {"/", "text/html; charset=utf-8", IndexHtml},
    {"/style.css", "text/css; charset=utf-8", StyleCss},
    {"/app.js", "text/javascript; charset=utf-8", AppJs},
    {"/manifest.webmanifest", "application/manifest+json", Manifest},
    {"/icon-192.png", "image/png", Icon192},
    {"/icon-512.png", "image/png", Icon512},
};

constexpr std::string_view kSeatPath = "/ws";

// Different causes of failure noted at most; a relay that meets more notes no more of them.
constexpr std::size_t kMostFailuresNoted = 32;

bool SameText(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

// A seat may be opened only by the page this server served: the browser names the page's
// origin, which is this very scheme, host and port as the browser reached it.
bool FromOwnPage(const Request& request, bool tls) {
    const std::string_view origin = request[http::field::origin];
    const std::string_view host = request[http::field::host];
    if (host.empty()) return false;
    return SameText(origin, (tls ? "https://" : "http://") + std::string(host));
}

// One connection that asks for the page's files, or for a seat. Stream: beast::tcp_stream, or
// TlsStream when the relay has a certificate.
template <typename Stream>
class PageSession : public WebConnection, public std::enable_shared_from_this<PageSession<Stream>> {
public:
    template <typename... TlsContext>
    PageSession(std::shared_ptr<WebServer::Shared> shared, tcp::socket socket,
                TlsContext&... context)
        : shared(std::move(shared)), stream(std::move(socket), context...) {
        ++this->shared->pageConnections;
        this->shared->open.insert(this);
    }
    ~PageSession() {
        shared->open.erase(this);
        --shared->pageConnections;
    }

    void Shut() override {
        beast::error_code ignored;
        beast::get_lowest_layer(stream).socket().close(ignored);
    }

    void Start() {
        if constexpr (std::is_same_v<Stream, TlsStream>) {
            beast::get_lowest_layer(stream).expires_after(shared->options.requestTimeout);
            stream.async_handshake(asio::ssl::stream_base::server,
                                   [self = this->shared_from_this()](beast::error_code error) {
                                       self->shared->NoteFailure("TLS の開始", error);
                                       if (!error) self->Read();
                                   });
        } else {
            Read();
        }
    }

private:
    void Read() {
        parser.emplace();
        parser->header_limit(static_cast<std::uint32_t>(shared->options.maxHeaderBytes));
        parser->body_limit(kMaxRequestBodyBytes);
        beast::get_lowest_layer(stream).expires_after(shared->options.requestTimeout);
        http::async_read(stream, buffer, *parser,
                         [self = this->shared_from_this()](beast::error_code error, std::size_t) {
                             self->OnRead(error);
                         });
    }

    void OnRead(beast::error_code error) {
        if (error == http::error::header_limit) {
            Respond(http::status::request_header_fields_too_large, "", "", false);
            return;
        }
        if (error) {
            // Closed, too slow or malformed: nothing more to say to it.
            shared->NoteFailure("ページの要求", error);
            return;
        }
        Request request = parser->release();
        const std::string_view target = request.target();
        const std::string_view path = target.substr(0, target.find('?'));
        if (websocket::is_upgrade(request)) {
            if (path != kSeatPath) {
                Respond(http::status::not_found, "", "", false);
            } else if (!FromOwnPage(request, std::is_same_v<Stream, TlsStream>)) {
                Respond(http::status::forbidden, "", "", false);
            } else {
                std::string peer;
                beast::error_code ignored;
                const tcp::endpoint remote =
                    beast::get_lowest_layer(stream).socket().remote_endpoint(ignored);
                if (!ignored) peer = remote.address().to_string();
                beast::get_lowest_layer(stream).expires_never();
                // The stream goes to the seat; this connection is done.
                shared->open.erase(this);
                OpenSeat(shared, std::move(stream), std::move(request), std::move(peer));
            }
            return;
        }
        if (request.method() != http::verb::get) {
            Respond(http::status::method_not_allowed, "", "", false);
            return;
        }
        const auto file = std::find_if(std::begin(kPageFiles), std::end(kPageFiles),
                                       [&](const PageFile& f) { return f.path == path; });
        if (file == std::end(kPageFiles)) {
            Respond(http::status::not_found, "", "", request.keep_alive());
            return;
        }
        Respond(http::status::ok, file->type, file->body(), request.keep_alive());
    }

    void Respond(http::status status, std::string_view type, std::string_view body,
                 bool keepAlive) {
        auto response = std::make_shared<http::response<http::string_body>>(status, 11);
        response->set(http::field::server, "vesk-relay");
        if (status == http::status::method_not_allowed) response->set(http::field::allow, "GET");
        if (!type.empty()) response->set(http::field::content_type, type);
        response->set(http::field::cache_control, "no-cache");
        response->set("X-Content-Type-Options", "nosniff");
        response->set("Content-Security-Policy",
                      "default-src 'self'; connect-src 'self'; frame-ancestors 'none'");
        response->body() = body;
        response->keep_alive(keepAlive);
        response->prepare_payload();
        beast::get_lowest_layer(stream).expires_after(shared->options.requestTimeout);
        http::async_write(
            stream, *response,
            [self = this->shared_from_this(), response](beast::error_code error, std::size_t) {
                self->shared->NoteFailure("ページの送信", error);
                if (!error && response->keep_alive()) {
                    self->Read();
                    return;
                }
                beast::error_code ignored;
                beast::get_lowest_layer(self->stream)
                    .socket()
                    .shutdown(tcp::socket::shutdown_send, ignored);
            });
    }

    const std::shared_ptr<WebServer::Shared> shared;
    Stream stream;
    beast::flat_buffer buffer;
    std::optional<http::request_parser<http::string_body>> parser;
};

// How long accepting rests after a failure, such as the system running out of descriptors,
// rather than trying again at once and keeping the loop busy with it.
constexpr auto kAcceptPause = std::chrono::milliseconds(100);

void Accept(const std::shared_ptr<WebServer::Shared>& shared) {
    shared->acceptor->async_accept([shared](beast::error_code error, tcp::socket socket) {
        if (error == asio::error::operation_aborted || !shared->acceptor) return;
        if (error) {
            shared->NoteFailure("接続の受け付け", error);
            auto pause = std::make_shared<asio::steady_timer>(shared->acceptor->get_executor(),
                                                              kAcceptPause);
            pause->async_wait([shared, pause](beast::error_code) {
                if (shared->acceptor) Accept(shared);
            });
            return;
        }
        if (shared->pageConnections < shared->options.maxPageConnections) {
            // A line leaves as soon as it is told, as on the relay's own connections.
            beast::error_code ignored;
            socket.set_option(tcp::no_delay(true), ignored);
            if (shared->tls) {
                std::make_shared<PageSession<TlsStream>>(shared, std::move(socket), *shared->tls)
                    ->Start();
            } else {
                std::make_shared<PageSession<beast::tcp_stream>>(shared, std::move(socket))
                    ->Start();
            }
        }
        Accept(shared);
    });
}

}  // namespace

void WebServer::Shared::NoteFailure(std::string_view during, const beast::error_code& error) {
    if (!error || error == asio::error::operation_aborted || error == asio::error::eof ||
        error == websocket::error::closed || error == http::error::end_of_stream) {
        return;
    }
    const std::string cause = std::string(during) + "：" + error.message();
    if (failuresNoted.size() >= kMostFailuresNoted || !failuresNoted.insert(cause).second) return;
    if (const std::shared_ptr<RelayLoop> relay = loop.lock()) {
        relay->LogLine("ブラウザ席：" + cause +
                       (failuresNoted.size() == kMostFailuresNoted
                            ? " (これより後の原因は記録しません)"
                            : " (同じ原因はこれより後は記録しません)"));
    }
}

WebServer::WebServer(WebOptions options, RelayServer& relay)
    : relay(relay), shared(std::make_shared<Shared>(std::move(options))) {}

WebServer::~WebServer() { Stop(); }

bool WebServer::Start(std::uint16_t port, std::string& error) {
    if (shared->acceptor) return false;
    beast::error_code code;
    if (!shared->options.certificateFile.empty()) {
        asio::ssl::context& tls = shared->tls.emplace(asio::ssl::context::tls_server);
        tls.set_options(asio::ssl::context::default_workarounds | asio::ssl::context::no_sslv2 |
                        asio::ssl::context::no_sslv3 | asio::ssl::context::no_tlsv1 |
                        asio::ssl::context::no_tlsv1_1);
        std::string failed = shared->options.certificateFile;
        tls.use_certificate_chain_file(shared->options.certificateFile, code);
        if (!code) {
            failed = shared->options.keyFile;
            tls.use_private_key_file(shared->options.keyFile, asio::ssl::context::pem, code);
        }
        if (code) {
            error = failed + " を読めません (" + code.message() + ")";
            shared->tls.reset();
            return false;
        }
    }
    relay.RunOnLoop([&](RelayLoop& loop) {
        if (loop.Closed()) {
            code = asio::error::shut_down;
            return;
        }
        shared->loop = loop.shared_from_this();
        tcp::acceptor& acceptor = shared->acceptor.emplace(loop.Context());
        const tcp::endpoint endpoint(tcp::v4(), port);
        acceptor.open(endpoint.protocol(), code);
        if (!code) acceptor.set_option(asio::socket_base::reuse_address(true), code);
        if (!code) acceptor.bind(endpoint, code);
        if (!code) acceptor.listen(asio::socket_base::max_listen_connections, code);
        if (code) {
            shared->acceptor.reset();
            return;
        }
        shared->port = acceptor.local_endpoint().port();
        Accept(shared);
    });
    if (code) error = code.message();
    return !code;
}

int WebServer::Port() const { return shared->port; }

void WebServer::Stop() {
    relay.RunOnLoop([&](RelayLoop&) {
        shared->acceptor.reset();
        shared->port = -1;
        // Every connection still open ends: the seats leave the party, which hears of it while
        // the relay can still tell it.
        const std::set<WebConnection*> open = shared->open;
        for (WebConnection* connection : open) connection->Shut();
    });
}

std::size_t WebServer::SeatCount() const { return shared->seats; }

}  // namespace vesk::web

// One browser seat: the page's WebSocket on one side, the seat's own connection to the relay
// on the other, and the SeatBridge between them.

#include <sys/socket.h>
#include <unistd.h>

#include <random>
#include <vector>

#include "web/seat_bridge.h"
#include "web/seat_lists.h"
#include "web/web_shared.h"

namespace vesk::web {

namespace {

using LocalSocket = asio::local::stream_protocol::socket;

// Longer than any line the relay passes on; a longer one means the connection is broken.
constexpr std::size_t kMaxRelayLineBytes = 8192;
constexpr std::size_t kRelayReadBytes = 16384;
// What waits for a page that reads slowly before the seat stops taking lines from the relay;
// the relay then holds them, and cuts the seat off as it cuts off any client that falls too
// far behind.
constexpr std::size_t kMaxPageBacklogBytes = 256 * 1024;

constexpr std::string_view kFullNotice = "パーティが満員です。しばらくしてから再接続してください。";
constexpr std::string_view kEndedNotice = "リレーとの接続が切れました。";
constexpr std::string_view kRefusedNotice =
    "パーティに参加できませんでした。満員か、同じ場所からの接続が多すぎます。";

// Stream: beast::tcp_stream, or TlsStream when the relay has a certificate.
template <typename Stream>
class SeatSession : public std::enable_shared_from_this<SeatSession<Stream>> {
public:
    SeatSession(std::shared_ptr<WebServer::Shared> shared, Stream stream, std::string peerAddress)
        : shared(std::move(shared)),
          page(std::move(stream)),
          relay(page.get_executor()),
          peerAddress(std::move(peerAddress)),
          bridge(std::random_device{}()) {
        ++this->shared->seats;
    }
    ~SeatSession() { --shared->seats; }

    void Accept(Request request) {
        const WebOptions& options = shared->options;
        websocket::stream_base::timeout timeout{};
        timeout.handshake_timeout = options.requestTimeout;
        timeout.idle_timeout = options.pingTimeout;
        timeout.keep_alive_pings = true;
        page.set_option(timeout);
        page.read_message_max(options.maxMessageBytes);
        page.text(true);
        page.async_accept(request, [self = this->shared_from_this()](beast::error_code error) {
            if (error) return;
            self->Welcome();
        });
    }

private:
    void Welcome() {
        if (shared->seats > shared->options.maxSeats) {
            closeCode = websocket::close_code::try_again_later;
            Tell(NoticeMessage(kFullNotice), R"({"full":true})");
            return;
        }
        Tell(ListsMessage(LoadSeatLists(shared->options.dataPaths)));
        ReadPage();
    }

    void ReadPage() {
        page.async_read(fromPage,
                        [self = this->shared_from_this()](beast::error_code error, std::size_t) {
                            self->OnPageMessage(error);
                        });
    }

    void OnPageMessage(beast::error_code error) {
        if (error) {
            End();
            return;
        }
        if (!page.got_text()) {
            closeCode = websocket::close_code::unknown_data;
            CloseAfterTelling();
            return;
        }
        const std::string message = beast::buffers_to_string(fromPage.data());
        fromPage.consume(fromPage.size());
        SeatBridge::Reply reply = bridge.FromBrowser(message);
        for (std::string& shown : reply.toBrowser) Tell(std::move(shown));
        if (reply.joining && !TakeSeat()) return;
        if (!reply.toRelay.empty()) {
            // The next message waits until the relay has taken this one, so a flood from the
            // page backs up to the page and meets the relay's flood limit as VeskChat's would.
            WriteRelay(std::move(reply.toRelay));
            return;
        }
        ReadPage();
    }

    bool TakeSeat() {
        int ends[2];
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
            Tell(NoticeMessage(kEndedNotice));
            CloseAfterTelling();
            return false;
        }
        beast::error_code error;
        relay.assign(asio::local::stream_protocol(), ends[1], error);
        if (error) {
            ::close(ends[0]);
            ::close(ends[1]);
            Tell(NoticeMessage(kEndedNotice));
            CloseAfterTelling();
            return false;
        }
        shared->adopt(ends[0], peerAddress);
        ReadRelay();
        return true;
    }

    void WriteRelay(std::string lines) {
        relayWriting = std::move(lines);
        asio::async_write(relay, asio::buffer(relayWriting),
                          [self = this->shared_from_this()](beast::error_code error, std::size_t) {
                              if (error) {
                                  self->RelayEnded();
                                  return;
                              }
                              self->ReadPage();
                          });
    }

    void ReadRelay() {
        if (ended) return;
        if (pageBacklog > kMaxPageBacklogBytes) {
            relayPaused = true;
            return;
        }
        // Whatever has arrived is taken at once, so a busy party costs one read per burst.
        const std::size_t kept = fromRelay.size();
        fromRelay.resize(kept + kRelayReadBytes);
        relay.async_read_some(
            asio::buffer(fromRelay.data() + kept, kRelayReadBytes),
            [self = this->shared_from_this(), kept](beast::error_code error, std::size_t length) {
                self->fromRelay.resize(kept + length);
                self->OnRelayBytes(error);
            });
    }

    void OnRelayBytes(beast::error_code error) {
        if (error) {
            RelayEnded();
            return;
        }
        const std::string_view bytes = fromRelay;
        std::size_t taken = 0;
        for (std::size_t end; (end = bytes.find("\r\n", taken)) != std::string_view::npos;) {
            for (std::string& shown : bridge.FromRelay(bytes.substr(taken, end + 2 - taken))) {
                Tell(std::move(shown));
            }
            taken = end + 2;
        }
        fromRelay.erase(0, taken);
        if (fromRelay.size() > kMaxRelayLineBytes) {
            RelayEnded();
            return;
        }
        ReadRelay();
    }

    void RelayEnded() {
        if (ended) return;
        Tell(NoticeMessage(bridge.Seated() ? kEndedNotice : kRefusedNotice), R"({"ended":true})");
        CloseAfterTelling();
    }

    void Tell(std::string message, std::string then = {}) {
        if (pageBacklog > kMaxPageBacklogBytes * 4) {
            // A page that sends without ever reading what it is told.
            End();
            beast::get_lowest_layer(page).close();
            return;
        }
        pageBacklog += message.size();
        toPage.push_back(std::move(message));
        if (!then.empty()) {
            pageBacklog += then.size();
            toPage.push_back(std::move(then));
        }
        if (!pageWriting) WritePage();
    }

    // Everything told since the last write leaves in one message: a JSON array when there is
    // more than one, so that a busy party costs one frame per write, not one per line.
    void WritePage() {
        if (toPage.empty()) {
            pageWriting = false;
            if (closeCode) ClosePage();
            return;
        }
        pageWriting = true;
        if (toPage.size() == 1) {
            outgoing = std::move(toPage.front());
        } else {
            outgoing = "[";
            for (const std::string& message : toPage) {
                if (outgoing.size() > 1) outgoing += ',';
                outgoing += message;
            }
            outgoing += ']';
        }
        toPage.clear();
        page.async_write(asio::buffer(outgoing), [self = this->shared_from_this()](
                                                     beast::error_code error, std::size_t) {
            self->pageBacklog = 0;
            for (const std::string& message : self->toPage) self->pageBacklog += message.size();
            if (error) {
                self->End();
                return;
            }
            if (self->relayPaused && self->pageBacklog <= kMaxPageBacklogBytes / 2) {
                self->relayPaused = false;
                self->ReadRelay();
            }
            self->WritePage();
        });
    }

    // Closes the page's WebSocket once what it was told has gone out.
    void CloseAfterTelling() {
        if (!closeCode) closeCode = websocket::close_code::normal;
        if (!pageWriting) ClosePage();
    }

    void ClosePage() {
        if (closing) return;
        closing = true;
        End();
        page.async_close(*closeCode, [self = this->shared_from_this()](beast::error_code) {});
    }

    // The seat leaves the party: the relay sees its connection end, as when VeskChat closes.
    void End() {
        if (ended) return;
        ended = true;
        beast::error_code ignored;
        relay.close(ignored);
    }

    const std::shared_ptr<WebServer::Shared> shared;
    websocket::stream<Stream> page;
    LocalSocket relay;
    const std::string peerAddress;
    SeatBridge bridge;

    beast::flat_buffer fromPage;
    std::string fromRelay;
    std::string relayWriting;         // lines on their way to the relay
    std::vector<std::string> toPage;  // told, waiting for the write under way to end
    std::string outgoing;             // the message being written
    std::size_t pageBacklog = 0;
    bool pageWriting = false;
    bool relayPaused = false;
    bool ended = false;
    bool closing = false;
    std::optional<websocket::close_code> closeCode;
};

}  // namespace

void OpenSeat(const std::shared_ptr<WebServer::Shared>& shared, beast::tcp_stream stream,
              Request request, std::string peerAddress) {
    std::make_shared<SeatSession<beast::tcp_stream>>(shared, std::move(stream),
                                                     std::move(peerAddress))
        ->Accept(std::move(request));
}

void OpenSeat(const std::shared_ptr<WebServer::Shared>& shared, TlsStream stream, Request request,
              std::string peerAddress) {
    std::make_shared<SeatSession<TlsStream>>(shared, std::move(stream), std::move(peerAddress))
        ->Accept(std::move(request));
}

}  // namespace vesk::web

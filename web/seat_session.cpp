// One browser seat: the page's WebSocket on one side, the seat's place in the party on the
// other, and the SeatBridge between them.

#include <array>
#include <random>
#include <vector>

#include "protocol/line_splitter.h"
#include "web/seat_bridge.h"
#include "web/seat_lists.h"
#include "web/web_shared.h"

namespace vesk::web {

namespace {

// What waits for a page that reads slowly before the seat stops taking lines from the relay;
// the relay then holds them, and cuts the seat off as it cuts off any client that falls too
// far behind.
constexpr std::size_t kMaxPageBacklogBytes = 256 * 1024;
// Runs of the relay's lines looked at in one go.
constexpr std::size_t kRelayRuns = 8;

constexpr std::string_view kFullNotice = "パーティが満員です。しばらくしてから再接続してください。";
constexpr std::string_view kEndedNotice = "リレーとの接続が切れました。";
constexpr std::string_view kRefusedNotice =
    "パーティに参加できませんでした。満員か、同じ場所からの接続が多すぎます。";

// Stream: beast::tcp_stream, or TlsStream when the relay has a certificate.
template <typename Stream>
class SeatSession : public WebConnection,
                    public LocalParticipant,
                    public std::enable_shared_from_this<SeatSession<Stream>> {
public:
    SeatSession(std::shared_ptr<WebServer::Shared> shared, Stream stream, std::string peerAddress)
        : shared(std::move(shared)),
          page(std::move(stream)),
          peerAddress(std::move(peerAddress)),
          bridge(std::random_device{}()) {
        ++this->shared->seats;
        this->shared->open.insert(this);
    }
    ~SeatSession() {
        shared->open.erase(this);
        --shared->seats;
    }

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

    void Shut() override {
        End();
        beast::error_code ignored;
        beast::get_lowest_layer(page).socket().close(ignored);
    }

    void LinesWaiting() override { TakeLines(); }

    void MaySayMore() override {
        if (!pageHeld || ended) return;
        pageHeld = false;
        ReadPage();
    }

    void SeatEnded() override {
        if (ended) return;
        ended = true;
        Tell(NoticeMessage(bridge.Seated() ? kEndedNotice : kRefusedNotice), R"({"ended":true})");
        CloseAfterTelling();
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
        if (pageBacklog > kMaxPageBacklogBytes * 4) {
            // A page that sends without ever reading what it is told.
            End();
            beast::get_lowest_layer(page).close();
            return;
        }
        const std::string message = beast::buffers_to_string(fromPage.data());
        fromPage.consume(fromPage.size());
        SeatBridge::Reply reply = bridge.FromBrowser(message);
        for (std::string& shown : reply.toBrowser) Tell(std::move(shown));
        if (reply.joining && !TakeSeat()) return;
        // While the relay holds as much of this seat's lines as it will, the next message
        // waits: a flood from the page backs up to the page and meets the relay's flood limit
        // as VeskChat's would.
        if (!reply.toRelay.empty() && !seat.Say(reply.toRelay)) {
            pageHeld = true;
            return;
        }
        ReadPage();
    }

    bool TakeSeat() {
        if (const std::shared_ptr<RelayLoop> loop = shared->loop.lock()) {
            seat = loop->TakeSeat(*this, peerAddress);
        }
        if (seat) return true;
        ended = true;
        Tell(NoticeMessage(kRefusedNotice));
        CloseAfterTelling();
        return false;
    }

    // Takes the lines the relay holds for the seat, as far as the page keeps up with them.
    void TakeLines() {
        std::array<std::string_view, kRelayRuns> runs;
        while (!ended && pageBacklog <= kMaxPageBacklogBytes) {
            const std::size_t count = seat.Pending(runs);
            if (count == 0) return;
            std::size_t taken = 0;
            for (std::size_t i = 0; i < count && pageBacklog <= kMaxPageBacklogBytes; ++i) {
                fromRelay.Feed(runs[i]);
                while (pageBacklog <= kMaxPageBacklogBytes) {
                    const std::optional<std::string_view> line = fromRelay.Next();
                    if (!line) break;
                    for (std::string& shown : bridge.FromRelay(*line)) Tell(std::move(shown));
                }
                taken += runs[i].size() - fromRelay.Unread();
            }
            seat.Taken(taken);
        }
        // The rest waits in the relay until the page has taken what it was told; the relay
        // hears that the seat is behind.
        if (ended) return;
        relayPaused = true;
        seat.Taken(0);
    }

    void Tell(std::string message, std::string then = {}) {
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
                self->TakeLines();
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

    // The seat leaves the party, as when VeskChat closes its connection.
    void End() {
        ended = true;
        seat.Leave();
    }

    const std::shared_ptr<WebServer::Shared> shared;
    websocket::stream<Stream> page;
    const std::string peerAddress;
    SeatBridge bridge;
    PartySeat seat;

    beast::flat_buffer fromPage;
    LineSplitter fromRelay;
    std::vector<std::string> toPage;  // told, waiting for the write under way to end
    std::string outgoing;             // the message being written
    std::size_t pageBacklog = 0;
    bool pageWriting = false;
    bool pageHeld = false;     // the relay holds enough of its lines: the page is not read
    bool relayPaused = false;  // the page has enough to take: the relay's lines wait
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

// One browser seat: its place in the party, which outlives the page's WebSocket, and the
// WebSocket of the page that holds it now, with the SeatBridge between page and party.
//
// A page that loses its connection without leaving comes back with the resume key its seat
// gave it and the number of the next message it wants: the seat kept what the page has not
// acknowledged, and the relay kept what the seat had not taken yet, so the page gets every
// message once and in order. Meanwhile the seat is held in the party: nobody sees it leave.

#include <array>
#include <chrono>
#include <deque>
#include <random>
#include <vector>

#include "dice/dice_seal.h"
#include "protocol/decimal_text.h"
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
// What a seat keeps of the conversation that its page has not acknowledged. Beyond it the
// seat takes no more from the relay until the page acknowledges some.
constexpr std::size_t kMaxUnackedBytes = 1024 * 1024;
// The most a page's write buffer keeps between writes.
constexpr std::size_t kKeptWriteBytes = 16 * 1024;
// Runs of the relay's lines looked at in one go.
constexpr std::size_t kRelayRuns = 8;

constexpr std::string_view kFullNotice = "パーティが満員です。しばらくしてから再接続してください。";
constexpr std::string_view kEndedNotice = "リレーとの接続が切れました。";
constexpr std::string_view kRefusedNotice =
    "パーティに参加できませんでした。満員か、同じ場所からの接続が多すぎます。";
constexpr std::string_view kJoinedNotice = "すでにパーティに参加しています";

std::int64_t EpochMs(std::chrono::system_clock::time_point when) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(when.time_since_epoch()).count();
}

}  // namespace

// A message on its way to the page: seq is its number in the seat's conversation, 0 for a
// message outside it (lists, notices, answers). A message of the conversation stays in the
// seat, which keeps it until the page acknowledges it; the page's connection refers to it
// there (kept) until it writes it.
struct Told {
    std::string json;
    std::uint64_t seq = 0;
    std::int64_t epochMs = 0;
    const std::string* kept = nullptr;
    std::string_view Text() const { return kept ? *kept : json; }
};

// What a seat needs of the page's WebSocket that holds it.
class SeatPage {
public:
    virtual void Tell(Told message) = 0;
    virtual std::size_t Backlog() const = 0;
    // The relay has room for the seat's lines again: the page may be read.
    virtual void MaySayMore() = 0;
    // The seat's place is gone: the page is told why and closed.
    virtual void SeatGone(std::string_view notice) = 0;
    // Another WebSocket took the seat: this one is closed and holds it no more.
    virtual void Replaced() = 0;

protected:
    ~SeatPage() = default;
};

class Seat : public WebConnection,
             public LocalParticipant,
             public std::enable_shared_from_this<Seat> {
public:
    Seat(std::shared_ptr<WebServer::Shared> shared, std::string peerAddress)
        : shared(std::move(shared)),
          peerAddress(std::move(peerAddress)),
          bridge(std::random_device{}()) {}
    ~Seat() { shared->open.erase(this); }

    bool Joined() const { return bridge.Joined(); }

    // A new seat for the page, which has not joined the party yet.
    void Open(SeatPage& newPage) { page = &newPage; }

    // A message for the bridge from the page that holds the seat: false when the page must
    // wait for MaySayMore before it is read again.
    bool FromPage(std::string_view message) {
        SeatBridge::Reply reply = bridge.FromBrowser(message);
        for (std::string& shown : reply.toBrowser) TellPage(Told{std::move(shown)});
        if (reply.joining && !TakePlace()) return true;
        // While the relay holds as much of this seat's lines as it will, the next message
        // waits: a flood from the page backs up to the page and meets the relay's flood limit
        // as VeskChat's would.
        return reply.toRelay.empty() || place.Say(reply.toRelay);
    }

    // The page acknowledges every message before next, all of which it was written.
    void Acknowledged(std::uint64_t next) {
        while (!unacked.empty() && firstUnacked < next) {
            unackedBytes -= unacked.front().json.size();
            unacked.pop_front();
            ++firstUnacked;
        }
        if (relayPaused) TakeLines();
    }

    // page holds the seat from now on; next: the first message it wants again, or none for a
    // page that starts anew (the participant list and the recent conversation, then what
    // comes).
    void Attach(SeatPage& newPage, std::optional<std::uint64_t> next) {
        const auto self = shared_from_this();
        if (page && page != &newPage) std::exchange(page, nullptr)->Replaced();
        page = &newPage;
        if (held) {
            held = false;
            place.Resume();
        }
        page->Tell(Told{R"({"resumed":true})"});
        if (!next) {
            page->Tell(Told{bridge.PeopleMessage()});
            TellPast();
            next = nextSeq;
        }
        for (std::uint64_t seq = std::max(*next, firstUnacked); seq < nextSeq; ++seq) {
            const Told& kept = unacked[seq - firstUnacked];
            page->Tell(Told{{}, seq, kept.epochMs, &kept.json});
        }
        TakeLines();
    }

    // The page that held the seat is gone without leaving: the seat keeps its place for the
    // grace time.
    void Detach(SeatPage& gone) {
        if (page != &gone) return;
        page = nullptr;
        if (!Joined() || ended) return;
        held = true;
        place.Hold();
    }

    // The player left: the seat's place is given up at once.
    void Leave(SeatPage& from) {
        const auto self = shared_from_this();
        if (page == &from) page = nullptr;
        End();
    }

    void Shut() override {
        const auto self = shared_from_this();
        End();
    }

    void LinesWaiting() override { TakeLines(); }

    // The page has taken enough of what it was told: what waits in the relay may come.
    void PageHasRoom() {
        if (relayPaused) TakeLines();
    }

    void MaySayMore() override {
        if (page) page->MaySayMore();
    }

    void SeatEnded() override {
        if (ended) return;
        const auto self = shared_from_this();
        End();
        Gone(bridge.Seated() ? kEndedNotice : kRefusedNotice);
    }

private:
    // The page that holds the seat, if any, is told that its place is gone.
    void Gone(std::string_view notice) {
        ended = true;
        // The page lets go of this seat, which may have been the last to hold it.
        const auto self = shared_from_this();
        if (page) std::exchange(page, nullptr)->SeatGone(notice);
    }

    bool TakePlace() {
        if (shared->places.size() >= shared->options.maxSeats) {
            Gone(kFullNotice);
            return false;
        }
        if (const std::shared_ptr<RelayLoop> loop = shared->loop.lock()) {
            place = loop->TakeSeat(*this, peerAddress);
        }
        if (!place) {
            Gone(kRefusedNotice);
            return false;
        }
        std::array<std::uint8_t, 16> random;
        std::random_device entropy;
        for (std::uint8_t& byte : random) byte = static_cast<std::uint8_t>(entropy());
        key = HexOf(random);
        shared->places.emplace(key, shared_from_this());
        shared->open.insert(this);
        TellPage(Told{R"({"key":")" + key + R"("})"});
        TellPast();
        return true;
    }

    void TellPast() {
        const auto steadyNow = PartyClock::now();
        const auto wallNow = std::chrono::system_clock::now();
        std::vector<SaidBefore> lines;
        for (PartyCore::PastLine& past : place.History()) {
            const auto when =
                wallNow - std::chrono::duration_cast<std::chrono::system_clock::duration>(
                              steadyNow - past.at);
            lines.push_back(SaidBefore{std::move(past.line), EpochMs(when)});
        }
        if (!lines.empty()) TellPage(Told{PastMessage(lines)});
    }

    void TellPage(Told message) {
        if (page) page->Tell(std::move(message));
    }

    bool Room() const {
        return page && page->Backlog() <= kMaxPageBacklogBytes && unackedBytes <= kMaxUnackedBytes;
    }

    // Takes the lines the relay holds for the seat, as far as the page keeps up with them.
    void TakeLines() {
        relayPaused = false;
        std::array<std::string_view, kRelayRuns> runs;
        while (!ended && Room()) {
            const std::size_t count = place.Pending(runs);
            if (count == 0) return;
            std::size_t taken = 0;
            for (std::size_t i = 0; i < count && Room(); ++i) {
                fromRelay.Feed(runs[i]);
                while (Room()) {
                    const std::optional<std::string_view> line = fromRelay.Next();
                    if (!line) break;
                    for (std::string& shown : bridge.FromRelay(*line)) Converse(std::move(shown));
                }
                taken += runs[i].size() - fromRelay.Unread();
            }
            place.Taken(taken);
        }
        // The rest waits in the relay until the page has taken and acknowledged enough; the
        // relay hears that the seat is behind.
        if (ended || !page) return;
        relayPaused = true;
        place.Taken(0);
    }

    // A message of the conversation: numbered, kept until acknowledged, told.
    void Converse(std::string json) {
        const Told& kept = unacked.emplace_back(
            Told{std::move(json), nextSeq++, EpochMs(std::chrono::system_clock::now())});
        unackedBytes += kept.json.size();
        page->Tell(Told{{}, kept.seq, kept.epochMs, &kept.json});
    }

    // The caller holds this seat: the registry may have held the last reference to it.
    void End() {
        if (!key.empty()) {
            shared->open.erase(this);
            shared->places.erase(key);
            key.clear();
        }
        ended = true;
        place.Leave();
    }

    const std::shared_ptr<WebServer::Shared> shared;
    const std::string peerAddress;
    SeatBridge bridge;
    PartySeat place;
    std::string key;
    SeatPage* page = nullptr;
    LineSplitter fromRelay;
    // The conversation not acknowledged yet: numbers firstUnacked to nextSeq - 1.
    std::deque<Told> unacked;
    std::uint64_t firstUnacked = 1;
    std::uint64_t nextSeq = 1;
    std::size_t unackedBytes = 0;
    bool relayPaused = false;  // the page has enough to take: the relay's lines wait
    bool held = false;
    bool ended = false;
};

namespace {

// The fields of a page message, split at line feeds.
std::vector<std::string_view> Fields(std::string_view message) {
    std::vector<std::string_view> fields;
    for (std::size_t end; (end = message.find('\n')) != std::string_view::npos;) {
        fields.push_back(message.substr(0, end));
        message.remove_prefix(end + 1);
    }
    fields.push_back(message);
    return fields;
}

std::optional<std::uint64_t> SeqField(std::string_view text) {
    if (text.empty() || text.size() > 15 || !IsDecimalDigits(text)) return std::nullopt;
    return std::stoull(std::string(text));
}

// Stream: beast::tcp_stream, or TlsStream when the relay has a certificate.
template <typename Stream>
class SeatSession : public WebConnection,
                    public SeatPage,
                    public std::enable_shared_from_this<SeatSession<Stream>> {
public:
    SeatSession(std::shared_ptr<WebServer::Shared> shared, Stream stream, std::string peerAddress)
        : shared(std::move(shared)), page(std::move(stream)), peerAddress(std::move(peerAddress)) {
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
            self->shared->NoteFailure("WebSocket の開始", error);
            if (!error) self->Welcome();
        });
    }

    void Shut() override {
        End();
        beast::error_code ignored;
        beast::get_lowest_layer(page).socket().close(ignored);
    }

    void Tell(Told message) override {
        Queue(std::move(message));
        if (!pageWriting) WritePage();
    }

    // Two messages that leave together.
    void Tell(Told first, Told then) {
        Queue(std::move(first));
        Tell(std::move(then));
    }

    std::size_t Backlog() const override { return pageBacklog; }

    void MaySayMore() override {
        if (!pageHeld || closing) return;
        pageHeld = false;
        ReadPage();
    }

    void SeatGone(std::string_view notice) override {
        LetGoOfSeat();
        Tell(Told{NoticeMessage(notice)}, Told{R"({"ended":true})"});
        CloseAfterTelling();
    }

    void Replaced() override {
        LetGoOfSeat();
        Tell(Told{R"({"replaced":true})"});
        closeCode = websocket::close_code::policy_error;
        CloseAfterTelling();
    }

private:
    void Welcome() {
        if (shared->seats > shared->options.maxSeats) {
            closeCode = websocket::close_code::try_again_later;
            Tell(Told{NoticeMessage(kFullNotice)}, Told{R"({"full":true})"});
            return;
        }
        Tell(Told{ListsMessage(LoadSeatLists(shared->options.dataPaths))});
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
            shared->NoteFailure("ページからの受信", error);
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
        if (!Take(message)) {
            pageHeld = true;
            return;
        }
        if (!closing) ReadPage();
    }

    // False when the page must wait before it is read again.
    bool Take(std::string_view message) {
        const std::vector<std::string_view> fields = Fields(message);
        const std::string_view kind = fields.front();
        if (kind == "ping") {
            Tell(Told{R"({"pong":true})"});
        } else if (kind == "ack" && fields.size() == 2) {
            // Never past what was written: the seat lets go of what the page acknowledges.
            if (const auto next = SeqField(fields[1]); next && seat) {
                seat->Acknowledged(std::min(*next, writtenThrough + 1));
            }
        } else if (kind == "leave") {
            if (const std::shared_ptr<Seat> holding = seat) {
                LetGoOfSeat();
                holding->Leave(*this);
            }
            CloseAfterTelling();
        } else if (kind == "resume" && fields.size() == 3) {
            Resume(fields[1], fields[2]);
        } else {
            if (!seat) {
                seat = std::make_shared<Seat>(shared, peerAddress);
                seat->Open(*this);
            }
            // The seat may end within, and this page with it.
            const std::shared_ptr<Seat> holding = seat;
            return holding->FromPage(message);
        }
        return true;
    }

    void Resume(std::string_view key, std::string_view nextField) {
        if (seat && seat->Joined()) {
            Tell(Told{NoticeMessage(kJoinedNotice)});
            return;
        }
        const auto found = shared->places.find(std::string(key));
        if (found == shared->places.end()) {
            // Its place is gone (the grace time passed, or the relay started anew).
            Tell(Told{R"({"resumed":false})"});
            return;
        }
        LetGoOfSeat();
        seat = found->second;
        seat->Attach(*this, SeqField(nextField));
    }

    // Everything told since the last write leaves in one message: a JSON array when there is
    // more than one, so that a busy party costs one frame per write, not one per line. The
    // conversation's messages follow a {"n":SEQ,"t":MS} entry with the number and the time
    // of the first of them; a new entry comes where a number is passed over (a page that
    // came back) or the time has moved on by a second.
    void WritePage() {
        if (toPage.empty()) {
            pageWriting = false;
            if (closeCode) ClosePage();
            return;
        }
        pageWriting = true;
        const bool several = toPage.size() > 1 || toPage.front().seq != 0;
        outgoing.assign(several ? "[" : "");
        std::uint64_t expected = 0;
        std::int64_t markedAt = 0;
        for (const Told& told : toPage) {
            if (outgoing.size() > 1) outgoing += ',';
            if (told.seq != 0 && (told.seq != expected || told.epochMs >= markedAt + 1000)) {
                outgoing += R"({"n":)" + std::to_string(told.seq) + R"(,"t":)" +
                            std::to_string(told.epochMs) + "},";
                markedAt = told.epochMs;
            }
            if (told.seq != 0) expected = told.seq + 1;
            outgoing += told.Text();
        }
        if (several) outgoing += ']';
        if (expected != 0) writtenThrough = expected - 1;
        toPage.clear();
        page.async_write(asio::buffer(outgoing),
                         [self = this->shared_from_this()](beast::error_code error, std::size_t) {
                             self->Written(error);
                         });
    }

    void Written(beast::error_code error) {
        // No buffer the size of the largest message (the recent conversation on joining) is
        // kept for the rest of the evening.
        if (outgoing.capacity() > kKeptWriteBytes) outgoing = std::string();
        CountBacklog();
        if (error) {
            shared->NoteFailure("ページへの送信", error);
            End();
            return;
        }
        if (seat && pageBacklog <= kMaxPageBacklogBytes / 2) seat->PageHasRoom();
        WritePage();
    }

    // Closes the page's WebSocket once what it was told has gone out.
    void CloseAfterTelling() {
        if (!closeCode) closeCode = websocket::close_code::normal;
        if (!pageWriting) ClosePage();
    }

    void ClosePage() {
        if (closing) return;
        End();
        closing = true;
        page.async_close(*closeCode, [self = this->shared_from_this()](beast::error_code) {});
    }

    // The page is gone or going: a seat it held is held in the party for its return.
    void End() {
        if (closing || !seat) return;
        const std::shared_ptr<Seat> holding = seat;
        LetGoOfSeat();
        holding->Detach(*this);
    }

    void Queue(Told message) {
        pageBacklog += message.Text().size();
        toPage.push_back(std::move(message));
    }

    void CountBacklog() {
        pageBacklog = 0;
        for (const Told& told : toPage) pageBacklog += told.Text().size();
    }

    // What this connection still had to write of the seat's conversation is the seat's, which
    // gives it to the page that holds the seat next.
    void LetGoOfSeat() {
        seat.reset();
        std::erase_if(toPage, [](const Told& told) { return told.kept != nullptr; });
        CountBacklog();
    }

    const std::shared_ptr<WebServer::Shared> shared;
    websocket::stream<Stream> page;
    const std::string peerAddress;
    std::shared_ptr<Seat> seat;

    beast::flat_buffer fromPage;
    std::vector<Told> toPage;  // told, waiting for the write under way to end
    std::string outgoing;      // the message being written
    std::size_t pageBacklog = 0;
    std::uint64_t writtenThrough = 0;  // the last message of the conversation written
    bool pageWriting = false;
    bool pageHeld = false;  // the relay holds enough of its lines: the page is not read
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

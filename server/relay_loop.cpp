#include "server/relay_loop.h"

#include <algorithm>
#include <array>
#include <cerrno>

#ifndef _WIN32
#include <fcntl.h>
#include <time.h>
#include <unistd.h>
#endif

#include "protocol/cp932.h"
#include "protocol/socket.h"

namespace vesk {

namespace {

using boost::system::error_code;

// How long accepting rests when the system is short of memory or descriptors and no spare
// descriptor helps: long enough not to spin, short enough that a freed one is soon used.
constexpr auto kAcceptPause = std::chrono::milliseconds(100);
// The most connections taken in one after another before the rest of the loop has its turn.
constexpr int kAcceptBatch = 64;
// Runs of waiting lines handed to the system in one write.
constexpr std::size_t kWriteRuns = 16;
// The longest a flush waits for the one before it to be made up for, and the shortest wait
// worth a timer. Only a round of more than a few chat lines makes the next flush wait: at a
// chat's pace every line leaves at once.
constexpr PartyClock::duration kLongestFlushPause = std::chrono::milliseconds(2);
constexpr std::size_t kBusyRoundBytes = 2048;
constexpr PartyClock::duration kShortestFlushPause = std::chrono::microseconds(20);
// Refusals for want of descriptors are logged at most this often, with how many there were.
constexpr auto kRefusalLogInterval = std::chrono::seconds(1);

// How long the loop's own thread has been busy. Where the system counts that finely, the time
// it spent preempted does not count, so a busy host does not stretch the pauses between
// flushes; elsewhere wall time stands in.
PartyClock::duration BusyTime() {
#ifdef _WIN32
    return PartyClock::now().time_since_epoch();
#else
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return std::chrono::duration_cast<PartyClock::duration>(std::chrono::seconds(now.tv_sec) +
                                                            std::chrono::nanoseconds(now.tv_nsec));
#endif
}

bool OutOfDescriptors(const error_code& error) {
#ifdef _WIN32
    return error == asio::error::no_descriptors;
#else
    return error == asio::error::no_descriptors ||
           (error.category() == boost::system::system_category() && error.value() == ENFILE);
#endif
}

bool ShortOfResources(const error_code& error) {
    return OutOfDescriptors(error) || error == asio::error::no_buffer_space ||
           error == asio::error::no_memory;
}

// An accept that failed for a connection that went wrong before it was taken, or for the
// network it came over, which says nothing about the listener: the next one is taken as usual.
bool ConnectionGoneBeforeAccept(const error_code& error) {
    if (error == asio::error::connection_aborted || error == asio::error::connection_reset ||
        error == asio::error::interrupted || error == asio::error::network_down ||
        error == asio::error::network_unreachable || error == asio::error::host_unreachable ||
        error == asio::error::no_protocol_option || error == asio::error::operation_not_supported) {
        return true;
    }
#ifndef _WIN32
    // Errors of the new connection that Linux hands on from accept.
    if (error.category() == boost::system::system_category()) {
        return error.value() == EPROTO || error.value() == ENONET || error.value() == EHOSTDOWN;
    }
#endif
    return false;
}

int OpenSpareDescriptor() {
#ifdef _WIN32
    return -1;
#else
    return ::open("/dev/null", O_RDONLY | O_CLOEXEC);
#endif
}

void CloseSpareDescriptor(int descriptor) {
#ifndef _WIN32
    if (descriptor >= 0) ::close(descriptor);
#else
    (void)descriptor;
#endif
}

}  // namespace

// A client on a TCP connection. Its socket never blocks: a read takes what is there, at most
// what the core has room for, and a write hands the system what it takes of the lines waiting
// in the core; what it does not take waits there until the socket has room.
class RelayLoop::TcpConnection : public Endpoint,
                                 public std::enable_shared_from_this<TcpConnection> {
public:
    TcpConnection(RelayLoop& loop, tcp::socket socket, ConnectionId id)
        : loop(loop), socket(std::move(socket)), id(id) {}

    void Start() { Read(); }

    void Write() override {
        if (waitingForRoom || closed) return;
        std::array<std::string_view, kWriteRuns> runs;
        std::array<asio::const_buffer, kWriteRuns> buffers;
        PartyCore& core = loop.core;
        for (;;) {
            const std::size_t count = core.Pending(id, runs);
            if (count == 0) break;
            std::size_t offered = 0;
            for (std::size_t i = 0; i < count; ++i) {
                buffers[i] = asio::buffer(runs[i]);
                offered += runs[i].size();
            }
            error_code error;
            const std::size_t taken = socket.write_some(
                std::span<const asio::const_buffer>(buffers.data(), count), error);
            if (error == asio::error::would_block) {
                core.Taken(id, 0, PartyClock::now());
                WaitForRoom();
                break;
            }
            if (error) {
                core.Ended(id, PartyClock::now());
                break;
            }
            core.Taken(id, taken, PartyClock::now());
            if (taken < offered) {
                // The system's buffer for it is full; another try now would only say so.
                WaitForRoom();
                break;
            }
        }
        loop.Carry();
    }

    void ResumeReading() override {
        if (!stalled || closed) return;
        stalled = false;
        asio::post(loop.Context(), [self = shared_from_this()] { self->Read(); });
    }

    void Close(CloseKind how, bool quiet) override {
        closed = true;
        error_code error;
        bool shutDown = true;
        if (how == CloseKind::Reset) {
            // Discards what it was sent and what it still sends; the close never waits.
            socket.set_option(asio::socket_base::linger(true, 0), error);
        } else if (how == CloseKind::Orderly) {
            socket.shutdown(tcp::socket::shutdown_both, error);
            // A connection the peer reset is shut down already.
            shutDown = !error || error == asio::error::not_connected;
        }
        socket.close(error);
        if (quiet || how == CloseKind::Refused) return;
        if (!shutDown) loop.LogLine("ERROR：切断処理失敗");
        if (error) loop.LogLine("ERROR：ソケット破棄失敗");
    }

private:
    void Read() {
        if (closed) return;
        PartyCore& core = loop.core;
        const std::size_t room = core.ReadRoom(id);
        if (room == 0) {
            // Read from no more until the core says so; whether more waits tells a paste that
            // fits from a flooder that goes on. A client that has left with everything it sent
            // read leaves now: its waiting lines are not shown after it left.
            char next = 0;
            error_code error;
            const std::size_t waiting =
                socket.receive(asio::buffer(&next, 1), tcp::socket::message_peek, error);
            if (error && error != asio::error::would_block) {
                core.Ended(id, PartyClock::now());
            } else {
                stalled = true;
                core.Unread(id, waiting > 0, PartyClock::now());
            }
            loop.Carry();
            return;
        }
        const std::span<char> buffer = loop.ReadBuffer();
        const std::size_t wanted = std::min(room, buffer.size());
        error_code error;
        const std::size_t got = socket.read_some(asio::buffer(buffer.data(), wanted), error);
        if (error == asio::error::would_block) {
            core.Received(id, {}, PartyClock::now(), true);
            WaitForBytes();
            return;
        }
        if (error) {
            core.Ended(id, PartyClock::now());
            loop.Carry();
            return;
        }
        const bool drained = got < wanted;
        core.Received(id, std::string_view(buffer.data(), got), PartyClock::now(), drained);
        loop.Carry();
        if (closed) return;
        if (drained) {
            WaitForBytes();
        } else {
            // More may be there: read again once everyone else ready now had a turn.
            asio::post(loop.Context(), [self = shared_from_this()] { self->Read(); });
        }
    }

    // A wait that ends in an error (Windows reports a reset connection there) goes on to the
    // read or write, which meets the error and ends the connection.
    void WaitForBytes() {
        socket.async_wait(tcp::socket::wait_read, [self = shared_from_this()](error_code error) {
            if (error != asio::error::operation_aborted) self->Read();
        });
    }

    void WaitForRoom() {
        waitingForRoom = true;
        socket.async_wait(tcp::socket::wait_write, [self = shared_from_this()](error_code error) {
            self->waitingForRoom = false;
            if (error != asio::error::operation_aborted) self->Write();
        });
    }

    RelayLoop& loop;
    tcp::socket socket;
    const ConnectionId id;
    bool waitingForRoom = false;
    bool stalled = false;  // told there is no room; reading waits for ResumeReading
    bool closed = false;
};

struct SeatLink {
    explicit SeatLink(LocalParticipant* participant) : participant(participant) {}
    LocalParticipant* participant;
};

// A local participant's side of the loop. Its calls reach the participant from handlers of
// their own, so that a participant is never called back from within a call it made, and only
// while its seat still holds it.
class RelayLoop::SeatEndpoint : public Endpoint, public std::enable_shared_from_this<SeatEndpoint> {
public:
    SeatEndpoint(RelayLoop& loop, std::shared_ptr<SeatLink> link)
        : loop(loop), link(std::move(link)) {}

    void Write() override {
        Tell([](LocalParticipant& told) { told.LinesWaiting(); });
    }
    void ResumeReading() override {
        Tell([](LocalParticipant& told) { told.MaySayMore(); });
    }
    void Close(CloseKind, bool) override {
        // The loop lets go of it now; the participant still hears of its end.
        Tell([](LocalParticipant& told) { told.SeatEnded(); });
        closed = true;
    }

private:
    template <typename Call>
    void Tell(Call call) {
        if (closed || !link->participant) return;
        asio::post(loop.Context(), [link = link, call] {
            if (link->participant) call(*link->participant);
        });
    }

    RelayLoop& loop;
    const std::shared_ptr<SeatLink> link;
    bool closed = false;
};

RelayLoop::RelayLoop(asio::io_context& context, RelayReporter& reporter,
                     const RelayOptions& options)
    : context(context),
      reporter(reporter),
      options(options),
      core(options),
      readBuffer(std::make_unique_for_overwrite<char[]>(kReadBytes)),
      acceptPause(context),
      timer(context),
      flushTimer(context) {}

RelayLoop::~RelayLoop() { CloseSpareDescriptor(spareDescriptor); }

void RelayLoop::LogLine(std::string_view utf8Text) {
    if (!closed) reporter.LogLine(Cp932FromUtf8(utf8Text));
}

ListenStep RelayLoop::Listen(std::uint16_t port) {
    if (closed) return ListenStep::Socket;
    if (acceptor) StopListening();
    RaiseOpenFileLimit();
    if (spareDescriptor < 0) spareDescriptor = OpenSpareDescriptor();
    const Listener opened = OpenListener(port, MaxListenBacklog());
    if (opened.failedAt != ListenStep::Done) return opened.failedAt;
    error_code error;
    acceptor.emplace(context);
    acceptor->assign(tcp::v4(), opened.handle, error);
    if (!error) acceptor->non_blocking(true, error);
    if (error) {
        acceptor.reset();
        CloseSocket(opened.handle);
        return ListenStep::Listen;
    }
    listeningPort = LocalPort(opened.handle);
    return ListenStep::Done;
}

void RelayLoop::Accept() {
    if (!acceptor) return;
    LogLine("接続受け入れ可能");
    AcceptNext();
}

void RelayLoop::StopListening() {
    if (!acceptor) return;
    acceptor.reset();
    acceptPause.cancel();
    listeningPort = -1;
    LogLine("接続受け入れ不能");
}

void RelayLoop::AcceptNext() {
    if (!acceptor) return;
#ifdef _WIN32
    // Winsock waits for a connection only in an accept of its own.
    acceptor->async_accept([self = shared_from_this()](error_code error, tcp::socket socket) {
        if (!self->acceptor || error == asio::error::operation_aborted) return;
        if (!error) self->TakeIn(std::move(socket));
        self->AcceptWaiting(error);
    });
#else
    // Accepts only once a connection waits: out of descriptors, an accept fails at once
    // whether one waits or not.
    acceptor->async_wait(tcp::acceptor::wait_read, [self = shared_from_this()](error_code error) {
        if (!self->acceptor || error == asio::error::operation_aborted) return;
        self->AcceptWaiting(error);
    });
#endif
}

void RelayLoop::AcceptWaiting(error_code error) {
    // A crowd that joins at once is taken in together, and hears of its own members in the
    // writes that follow, one to each client for all of them.
    for (int taken = 0; !error && taken < kAcceptBatch && acceptor; ++taken) {
        tcp::socket waiting(context);
        acceptor->accept(waiting, error);
        if (!error) TakeIn(std::move(waiting));
    }
    if (!acceptor) return;
    if (!error || error == asio::error::would_block || error == asio::error::try_again ||
        ConnectionGoneBeforeAccept(error)) {
        AcceptNext();
    } else if (OutOfDescriptors(error) && spareDescriptor >= 0) {
        RefuseForWantOfDescriptors();
        AcceptNext();
    } else if (ShortOfResources(error)) {
        // Out of memory, or of descriptors with none to spare: the service goes on once some
        // are free.
        acceptPause.expires_after(kAcceptPause);
        acceptPause.async_wait([self = shared_from_this()](error_code waited) {
            if (!waited) self->AcceptNext();
        });
    } else {
        acceptor.reset();
        listeningPort = -1;
        LogLine("接続受け入れ不能");
    }
}

void RelayLoop::RefuseForWantOfDescriptors() {
    CloseSpareDescriptor(spareDescriptor);
    spareDescriptor = -1;
    error_code error;
    tcp::socket refused(context);
    acceptor->accept(refused, error);
    std::string from;
    if (!error) {
        error_code ignored;
        from = refused.remote_endpoint(ignored).address().to_string();
        refused.close(ignored);
    }
    spareDescriptor = OpenSpareDescriptor();
    if (error) return;
    // A crowd that finds the relay full would otherwise fill its log.
    ++refusedUnlogged;
    const PartyClock::time_point now = PartyClock::now();
    if (now - lastRefusalLogged < kRefusalLogInterval) return;
    lastRefusalLogged = now;
    std::string line = "接続拒否：" + from + " からの接続を受けられません (ディスクリプタ不足)";
    if (refusedUnlogged > 1) line += " ほか " + std::to_string(refusedUnlogged - 1) + " 件";
    refusedUnlogged = 0;
    LogLine(line);
}

void RelayLoop::TakeIn(tcp::socket socket) {
    error_code error;
    const tcp::endpoint peer = socket.remote_endpoint(error);
    if (error || closed) return;  // gone already
    const std::optional<ConnectionId> id = core.Connected(
        peer.address().to_string(), "ポート番号 " + std::to_string(peer.port()), PartyClock::now());
    if (!id) {
        socket.close(error);
        Carry();
        return;
    }
    if (options.tcpHistory) core.SendHistory(*id, PartyClock::now());
    socket.non_blocking(true, error);
    SetNoDelay(socket.native_handle());
    // The send buffer is left to the system, which grows it for a fast reader far beyond what
    // a fixed size may be set to.
    EnableKeepAlive(socket.native_handle(), options.keepAliveIdle, options.keepAliveInterval,
                    options.keepAliveProbes);
    const auto connection = std::make_shared<TcpConnection>(*this, std::move(socket), *id);
    if (endpoints.size() <= id->slot) endpoints.resize(id->slot + 1);
    endpoints[id->slot] = Seated{*id, connection};
    Carry();
    connection->Start();
}

PartySeat RelayLoop::TakeSeat(LocalParticipant& participant, const std::string& peerAddress) {
    const std::optional<ConnectionId> id =
        core.Connected(peerAddress, "ブラウザ " + peerAddress, PartyClock::now());
    if (!id) {
        Carry();
        return {};
    }
    if (endpoints.size() <= id->slot) endpoints.resize(id->slot + 1);
    const auto link = std::make_shared<SeatLink>(&participant);
    endpoints[id->slot] = Seated{*id, std::make_shared<SeatEndpoint>(*this, link)};
    Carry();
    return PartySeat(shared_from_this(), *id, link);
}

RelayLoop::Endpoint* RelayLoop::EndpointOf(ConnectionId id) {
    if (id.slot >= endpoints.size() || !(endpoints[id.slot].id == id)) return nullptr;
    return endpoints[id.slot].endpoint.get();
}

void RelayLoop::Carry() {
    // A call made while the actions are being carried out adds to them; they are carried out
    // after, in order.
    if (carrying) return;
    carrying = true;
    for (;;) {
        core.TakeActions(batch);
        if (batch.empty()) break;
        for (const PartyAction& action : batch) Do(action);
    }
    carrying = false;
    if (!closed) {
        ScheduleFlush();
        ArmTimer();
    }
}

void RelayLoop::Do(const PartyAction& action) {
    if (action.kind == PartyAction::Kind::Log) {
        if (!closed) reporter.LogLine(action.text);
        return;
    }
    Endpoint* endpoint = EndpointOf(action.connection);
    if (!endpoint) return;
    switch (action.kind) {
        case PartyAction::Kind::Write:
            endpoint->Write();
            break;
        case PartyAction::Kind::ResumeReading:
            endpoint->ResumeReading();
            break;
        case PartyAction::Kind::Close: {
            // Kept alive until its close is done, whoever else let it go.
            const std::shared_ptr<Endpoint> closing =
                std::move(endpoints[action.connection.slot].endpoint);
            endpoints[action.connection.slot] = Seated{};
            closing->Close(action.close, action.quiet);
            break;
        }
        case PartyAction::Kind::Log:
            break;
    }
}

void RelayLoop::ScheduleFlush() {
    if (flushPosted || !core.FlushWanted()) return;
    flushPosted = true;
    const auto flush = [self = shared_from_this()] {
        self->flushPosted = false;
        if (self->closed) return;
        const bool busy = self->core.RoundBytes() > kBusyRoundBytes;
        const PartyClock::duration busyBefore = BusyTime();
        self->core.Flush(PartyClock::now());
        self->Carry();
        self->flushEnded = PartyClock::now();
        self->flushTook =
            busy ? std::min(BusyTime() - busyBefore, kLongestFlushPause) : PartyClock::duration{};
    };
    // A flush of a busy round that kept the loop busy for a while is followed by as long for
    // reading before the next: under load the rounds grow, and the writes to each client
    // shrink in number.
    const PartyClock::time_point due = flushEnded + flushTook;
    if (PartyClock::now() + kShortestFlushPause >= due) {
        // After every handler that is ready now: what they all broadcast leaves in one write
        // per client.
        asio::post(context, flush);
        return;
    }
    flushTimer.expires_at(due);
    flushTimer.async_wait([flush](error_code error) {
        if (!error) flush();
    });
}

void RelayLoop::ArmTimer() {
    const PartyClock::time_point next = core.NextDeadline();
    if (next == armedFor) return;
    armedFor = next;
    if (next == PartyClock::time_point::max()) {
        timer.cancel();
        return;
    }
    timer.expires_at(next);
    timer.async_wait([self = shared_from_this(), next](error_code error) {
        if (error || self->armedFor != next || self->closed) return;
        self->armedFor = PartyClock::time_point::max();
        self->core.Tick(PartyClock::now());
        self->Carry();
    });
}

void RelayLoop::ClearRoster() { core.ClearRoster(); }

void RelayLoop::SetDice(bool on) { core.SetDice(on); }

void RelayLoop::Close() {
    if (closed) return;
    acceptor.reset();
    listeningPort = -1;
    acceptPause.cancel();
    closed = true;
    core.CloseAll();
    Carry();
    timer.cancel();
    flushTimer.cancel();
}

PartySeat::PartySeat(PartySeat&& other) noexcept
    : loop(std::move(other.loop)), id(other.id), link(std::move(other.link)) {
    other.loop.reset();
}

PartySeat& PartySeat::operator=(PartySeat&& other) noexcept {
    if (this != &other) {
        Leave();
        loop = std::move(other.loop);
        id = other.id;
        link = std::move(other.link);
        other.loop.reset();
    }
    return *this;
}

bool PartySeat::Say(std::string_view bytes) {
    const std::shared_ptr<RelayLoop> relay = loop.lock();
    if (!relay || relay->closed) return true;
    PartyCore& core = relay->core;
    core.Received(id, bytes, PartyClock::now(), true);
    const bool room = core.ReadRoom(id) > 0;
    relay->Carry();
    return room;
}

std::size_t PartySeat::Pending(std::span<std::string_view> out) const {
    const std::shared_ptr<RelayLoop> relay = loop.lock();
    return relay ? relay->core.Pending(id, out) : 0;
}

void PartySeat::Taken(std::size_t count) {
    const std::shared_ptr<RelayLoop> relay = loop.lock();
    if (!relay) return;
    relay->core.Taken(id, count, PartyClock::now());
    relay->Carry();
}

void PartySeat::Hold() {
    const std::shared_ptr<RelayLoop> relay = loop.lock();
    if (!relay) return;
    relay->core.Hold(id, PartyClock::now());
    relay->Carry();
}

void PartySeat::Resume() {
    const std::shared_ptr<RelayLoop> relay = loop.lock();
    if (!relay) return;
    relay->core.Resume(id, PartyClock::now());
    relay->Carry();
}

std::vector<PartyCore::PastLine> PartySeat::History() const {
    const std::shared_ptr<RelayLoop> relay = loop.lock();
    return relay ? relay->core.History() : std::vector<PartyCore::PastLine>{};
}

void PartySeat::Leave() {
    // The participant hears nothing more, whatever the loop had on its way to it.
    if (link) link->participant = nullptr;
    link.reset();
    const std::shared_ptr<RelayLoop> relay = loop.lock();
    loop.reset();
    if (!relay) return;
    relay->core.Ended(id, PartyClock::now());
    relay->Carry();
}

}  // namespace vesk

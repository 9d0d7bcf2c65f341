#pragma once

// The relay's one event loop: it owns the listening socket and every client's socket, feeds
// the party core what happens on them and carries out what the core answers. Browser seats are
// participants of the same core, in the same loop. Nothing here waits for a peer: sockets never
// block, and a peer that cannot take its lines has them wait in the core's queue for it.
//
// Everything here runs on the loop's thread (RelayServer starts it and hands work to it).

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/socket.h"
#include "server/asio.h"
#include "server/party_core.h"
#include "server/relay_reporter.h"

namespace vesk {

class RelayLoop;
// What a seat and the loop share: the participant, for as long as it is there to be told.
struct SeatLink;

// A participant that lives in the relay's loop rather than behind a socket, such as a browser
// seat. The relay calls it from handlers of its own only, never from within a call it made.
class LocalParticipant {
public:
    // Lines wait for it: PartySeat::Pending gives them, PartySeat::Taken says it took them.
    virtual void LinesWaiting() = 0;
    // It may say more, after PartySeat::Say told it to wait.
    virtual void MaySayMore() = 0;
    // The relay is done with its seat: it was cut off, or the relay is closing.
    virtual void SeatEnded() = 0;

protected:
    ~LocalParticipant() = default;
};

// A local participant's place in the party. Leaving it, or letting it go, is the participant's
// leaving, announced as any departure. Once the relay has ended the seat, or the loop is gone,
// it does nothing.
class PartySeat {
public:
    PartySeat() = default;
    ~PartySeat() { Leave(); }
    PartySeat(PartySeat&& other) noexcept;
    PartySeat& operator=(PartySeat&& other) noexcept;

    // Whether the relay gave a seat; it may have ended it since.
    explicit operator bool() const { return !loop.expired(); }

    // Bytes of the line protocol, as a client would send them. False when it must wait for
    // MaySayMore before it says more.
    bool Say(std::string_view bytes);
    // The oldest lines waiting for it, in up to out.size() runs of whole lines.
    std::size_t Pending(std::span<std::string_view> out) const;
    // It took count bytes of what Pending gave.
    void Taken(std::size_t count);
    // Its page is away: it keeps its place for the grace time, lines waiting for it (it may
    // be ended meanwhile). Back, it takes them through Pending as before.
    void Hold();
    void Resume();
    // The party's recent lines, oldest first.
    std::vector<PartyCore::PastLine> History() const;
    void Leave();

private:
    friend class RelayLoop;
    PartySeat(const std::shared_ptr<RelayLoop>& loop, ConnectionId id,
              std::shared_ptr<SeatLink> link)
        : loop(loop), id(id), link(std::move(link)) {}

    std::weak_ptr<RelayLoop> loop;
    ConnectionId id;
    std::shared_ptr<SeatLink> link;
};

class RelayLoop : public std::enable_shared_from_this<RelayLoop> {
public:
    RelayLoop(asio::io_context& context, RelayReporter& reporter, const RelayOptions& options);
    ~RelayLoop();
    RelayLoop(const RelayLoop&) = delete;
    RelayLoop& operator=(const RelayLoop&) = delete;

    asio::io_context& Context() { return context; }

    // Takes the port (0: the system picks one): Done, or the step that failed. A listener
    // taken before is let go first.
    ListenStep Listen(std::uint16_t port);
    // Logs "接続受け入れ可能" and takes connections from now on.
    void Accept();
    // Lets the port go; connected clients go on. Logs "接続受け入れ不能".
    void StopListening();
    // For the end of the program: stops listening and closes every connection, seats
    // included; nothing is logged and no line is sent from now on.
    void Close();
    bool Closed() const { return closed; }

    void ClearRoster();
    void SetDice(bool on);
    int ListeningPort() const { return listeningPort; }
    std::size_t SlotCount() const { return core.SlotCount(); }
    int ConnectedCount() const { return core.ConnectedCount(); }
    std::vector<Participant> Roster() const { return core.Roster(); }
    // A line for the relay's event log (UTF-8), from the loop's thread.
    void LogLine(std::string_view utf8Text);

    // A seat for a local participant coming from peerAddress; one that holds nothing when the
    // relay turned it away. The participant must outlive the seat.
    PartySeat TakeSeat(LocalParticipant& participant, const std::string& peerAddress);

private:
    friend class PartySeat;
    class TcpConnection;
    class SeatEndpoint;

    // What a connection of the loop does for the party: TCP clients and local seats alike.
    class Endpoint {
    public:
        virtual ~Endpoint() = default;
        virtual void Write() = 0;          // bytes wait for it in the core
        virtual void ResumeReading() = 0;  // the core has room for its bytes again
        virtual void Close(CloseKind how, bool quiet) = 0;
    };

    static constexpr std::size_t kReadBytes = 64 * 1024;

    // Carries out what the core answered; every call of the core is followed by one.
    void Carry();
    // A buffer for one read at a time, shared by every connection.
    std::span<char> ReadBuffer() { return {readBuffer.get(), kReadBytes}; }

    void AcceptNext();
    // Takes in the connections that wait, after the wait ended with error.
    void AcceptWaiting(boost::system::error_code error);
    // Takes a connection in: a slot, its roster lines and reading; or turned away.
    void TakeIn(tcp::socket socket);
    // Out of descriptors: the next waiting connection is refused, so that it is not left
    // hanging, and the log says why.
    void RefuseForWantOfDescriptors();
    void Do(const PartyAction& action);
    void ArmTimer();
    void ScheduleFlush();
    Endpoint* EndpointOf(ConnectionId id);

    asio::io_context& context;
    RelayReporter& reporter;
    const RelayOptions options;
    PartyCore core;
    std::unique_ptr<char[]> readBuffer;

    std::optional<tcp::acceptor> acceptor;
    int listeningPort = -1;
    asio::steady_timer acceptPause;
    // A descriptor kept in hand for the moment the relay runs out of them: let go, it makes room
    // to accept the waiting connection and turn it away.
    int spareDescriptor = -1;
    PartyClock::time_point lastRefusalLogged;
    int refusedUnlogged = 0;

    // By slot, with the id of the connection each one serves.
    struct Seated {
        ConnectionId id;
        std::shared_ptr<Endpoint> endpoint;
    };
    std::vector<Seated> endpoints;

    asio::steady_timer timer;
    asio::steady_timer flushTimer;
    PartyClock::time_point flushEnded;  // of the last flush, and how long it took
    PartyClock::duration flushTook{};
    PartyClock::time_point armedFor = PartyClock::time_point::max();
    bool flushPosted = false;
    std::vector<PartyAction> batch;
    bool carrying = false;
    bool closed = false;
};

}  // namespace vesk

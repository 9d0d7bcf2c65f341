#pragma once

// The relay: it listens on one port, gives every accepted client a slot, keeps the participant
// roster, relays every line of every client to all clients and announces departures. Its one
// loop runs on a thread of its own; every call here hands its work to that thread and waits
// for it, which never takes long, as the loop never waits for a peer.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "protocol/participant_roster.h"
#include "server/relay_options.h"
#include "server/relay_reporter.h"

namespace boost::asio {
class io_context;
}

namespace vesk {

class RelayLoop;

class RelayServer {
public:
    explicit RelayServer(RelayReporter& reporter, RelayOptions options = {});
    ~RelayServer();
    RelayServer(const RelayServer&) = delete;
    RelayServer& operator=(const RelayServer&) = delete;

    // Listens on port (0: the system picks one) and takes connections. False after a failure,
    // which has been logged. Starting while running lets the earlier port go first.
    // onListening runs on the calling thread once the port is taken, before the relay logs
    // that it takes connections, so that the caller's own log line comes first.
    bool Start(std::uint16_t port, const std::function<void()>& onListening = {});

    // Lets the port go; clients already connected go on relaying.
    void Stop();

    // For the end of the program: stops, empties the roster and closes every connection, then
    // ends the loop's thread. Nothing is logged and no line is sent after it begins.
    void Close();

    // Removes every participant record.
    void ClearRoster();
    // Whether the relay rolls the dice commands in chat lines from now on.
    void SetDice(bool on);

    // The port being listened on, or -1 when stopped.
    int ListeningPort() const;

    std::size_t SlotCount() const;
    int ConnectedCount() const;
    std::vector<Participant> Roster() const;

    // For what lives in the relay's loop besides the relay itself, such as the browser seats:
    // runs work on the loop's thread and waits for it; on the calling thread once the loop has
    // ended.
    void RunOnLoop(const std::function<void(RelayLoop&)>& work) const;
    boost::asio::io_context& Context();

private:
    struct Running;
    std::unique_ptr<Running> running;
};

}  // namespace vesk

#pragma once

// The relay: it listens on one port, gives every accepted client a slot, runs one relay
// thread per client, keeps the participant roster, relays every line of every client to all
// clients and announces departures.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "protocol/participant_roster.h"
#include "protocol/socket.h"
#include "server/relay_reporter.h"

namespace vesk {

struct RelayOptions {
    // A client that takes no bytes for this long is cut off, so it cannot hold up the party.
    std::chrono::milliseconds sendTimeout{5000};
    // A client whose machine or network vanished is noticed after about two minutes.
    std::chrono::seconds keepAliveIdle{60};
    std::chrono::seconds keepAliveInterval{10};
    int keepAliveProbes = 6;
};

class RelayServer {
public:
    static constexpr std::size_t kInitialSlots = 20;
    static constexpr std::size_t kSlotGrowth = 10;

    explicit RelayServer(RelayReporter& reporter, RelayOptions options = {});
    ~RelayServer();
    RelayServer(const RelayServer&) = delete;
    RelayServer& operator=(const RelayServer&) = delete;

    // Listens on port (0: the system picks one) and starts the accept loop. False after a
    // failure, which has been logged. Starting while running stops the earlier listener.
    bool Start(std::uint16_t port);

    // Closes the listening socket; clients already connected go on relaying.
    void Stop();

    // For the end of the program: stops, empties the roster and cuts off every client, then
    // waits for all threads. Nothing is logged and no line is sent after it begins.
    void Close();

    // Removes every participant record.
    void ClearRoster();

    // The port being listened on, or -1 when stopped.
    int ListeningPort() const;

    std::size_t SlotCount() const;
    int ConnectedCount() const;
    std::vector<Participant> Roster() const;

private:
    void StopListening();  // listenLock held
    void AcceptLoop(SocketHandle listener);
    void RelayThread(int clientNumber);
    bool Welcome(int clientNumber, SocketHandle socket);
    void Depart(int clientNumber, SocketHandle socket, bool named);

    int TakeSlot(SocketHandle socket);                            // server lock held
    void SendRoster(int clientNumber);                            // server lock held
    void FreeSlot(int clientNumber);                              // takes the server lock
    void Broadcast(std::string_view bytes, int leftOut);          // server lock held
    void SendToClient(int clientNumber, std::string_view bytes);  // server lock held

    void Log(std::string_view utf8Text);
    void StartWorker(int clientNumber);
    void ReapFinishedWorkers();  // workerLock held

    RelayReporter& reporter;
    const RelayOptions options;

    // The server lock. It guards the slot table (slots, connectedCount), the roster, and
    // every send to a client, so that the lines of one broadcast never mix with another's on
    // any socket. Taken by relay threads, the accept loop and the main thread's roster and
    // slot queries; never held while reporting.
    mutable std::mutex serverLock;
    std::vector<SocketHandle> slots;
    int connectedCount = 0;
    ParticipantRoster roster;

    // Guards the listener and the accept thread; taken by the thread that starts and stops.
    mutable std::mutex listenLock;
    SocketHandle listener = kInvalidSocket;
    int listeningPort = -1;
    std::thread acceptThread;

    // Relay threads by id; a thread that ends puts its id in finishedWorkers so that the
    // accept loop or Close joins it. Guards both containers.
    std::mutex workerLock;
    std::map<std::thread::id, std::thread> workers;
    std::vector<std::thread::id> finishedWorkers;

    // Set by Close: a read that fails from now on is the end of the program, no departure.
    std::atomic<bool> closing{false};
};

}  // namespace vesk

#pragma once

// The relay: it listens on one port, gives every accepted client a slot, runs one relay
// thread per client, keeps the participant roster, relays every line of every client to all
// clients and announces departures.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "protocol/buffered_line_reader.h"
#include "protocol/participant_roster.h"
#include "protocol/socket.h"
#include "server/client_outbox.h"
#include "server/flood_gate.h"
#include "server/queue_memory.h"
#include "server/relay_reporter.h"
#include "server/worker_registry.h"

namespace vesk {

struct RelayOptions {
    // What the relay holds for a client that has not read its lines yet, beyond what the
    // system holds for it. Nobody waits for a client to read; one whose lines pass this is cut
    // off. A client that keeps reading falls this far behind only in a flood.
    std::size_t sendQueueBytes = 16 * 1024 * 1024;
    // What the relay holds for all its clients together. Beyond it, the clients whose lines
    // fill it are read from no more until some is taken.
    std::size_t relayQueueBytes = 256 * 1024 * 1024;
    // A client that takes no whole line for this long while some wait for it is stuck, and
    // cut off, so that it holds nobody's memory for good.
    std::chrono::milliseconds stuckReceiver{5000};
    // A connection that sends no name line within this time never joins, and is closed.
    std::chrono::milliseconds nameTimeout{30000};
    // Connections from one address at a time; the next one is closed at once. 0: no limit.
    int perAddress = 10;
    // Lines per second that one participant may send for long; lines beyond it wait their turn
    // (its own lines only, nobody else's). 0 lets every participant send at full speed.
    int floodLimit = 50;
    // How long a participant may go on sending while more of its lines wait than the relay
    // holds for it before it is cut off. No person does that; a program that does could
    // otherwise keep its lines, held in the system's buffers, coming long after it left.
    std::chrono::milliseconds floodCutOff{5000};
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
    // onListening runs on the calling thread once the port is taken, before the accept loop
    // logs anything, so that the caller's own log line comes first.
    bool Start(std::uint16_t port, const std::function<void()>& onListening = {});

    // Closes the listening socket; clients already connected go on relaying.
    void Stop();

    // For the end of the program: stops, empties the roster and cuts off every client, then
    // waits for all threads. Nothing is logged and no line is sent after it begins.
    void Close();

    // Takes in a connection made elsewhere, such as the relay's end of a browser seat, the way
    // an accepted one is taken in: a slot, the roster lines and a relay thread; peerAddress
    // names it in the event log and counts against the connections one address may have. The
    // relay owns the socket from now on. Not after Close.
    void AdoptConnection(SocketHandle client, std::string peerAddress);

    // Removes every participant record.
    void ClearRoster();

    // The port being listened on, or -1 when stopped.
    int ListeningPort() const;

    std::size_t SlotCount() const;
    int ConnectedCount() const;
    std::vector<Participant> Roster() const;

private:
    struct Slot {
        std::shared_ptr<ClientOutbox> outbox;  // none when the slot is free
        std::string peerAddress;
    };

    // A connection the accept loop hands to its relay thread.
    struct Newcomer {
        int clientNumber = -1;
        std::string peerAddress;
        int peerPort = 0;
        std::shared_ptr<ClientOutbox> outbox;
        std::unique_ptr<BufferedLineReader> reader;  // over its socket
        std::optional<std::string> name;             // when announced already, with the lines below
        std::string joinLines;
    };

    void StopListening();  // listenLock held
    // Accepts from when mayAccept is set: once Start's caller has had its say.
    void AcceptLoop(SocketHandle listener, std::future<void> mayAccept);
    // The one way in for every connection: false when its address has as many connections as
    // it may have, and the connection has then been closed.
    bool SetUpClient(SocketHandle client, const std::string& peerAddress);
    // A connection let in, with a reader over it; nothing when it was turned away.
    std::optional<Newcomer> Welcome(SocketHandle client, const std::string& peerAddress,
                                    int peerPort);
    // Gives the newcomers their slots, roster lines and relay threads; origins name them in
    // the event log.
    void TakeIn(std::vector<Newcomer>& newcomers, const std::vector<std::string>& origins);
    void RelayThread(Newcomer newcomer);
    // The name from a name line that came with the connection, with the join lines that
    // came with it; nothing when it has not arrived yet.
    static std::optional<std::string> NameArrived(BufferedLineReader& reader,
                                                  std::string& joinLines);
    // The name from the first line, or nothing when the connection ended before it or the
    // name timeout passed.
    std::optional<std::string> ReadName(int clientNumber, BufferedLineReader& reader);
    // Relays the participant's lines until it leaves; announced when the accept loop has
    // sent its participant line already.
    void Relay(const Newcomer& newcomer, const std::string& name, bool announced);
    void Depart(int clientNumber, ClientOutbox& outbox, bool named);
    // Waits until when, receiving meanwhile what the client sends; false when Close or the
    // client's leaving came first, or when the gate cut it off for flooding.
    bool PauseUntil(BufferedLineReader& reader, FloodGate::Clock::time_point when, FloodGate& gate);

    // A slot for the newcomer, which is given its outbox there.
    int TakeSlot(Newcomer& newcomer);  // server lock held
    std::string RosterLines() const;   // server lock held
    void FreeSlot(int clientNumber);   // server lock held
    // Sends bytes to every client but the one left out.
    void Broadcast(std::string_view bytes, std::optional<int> leftOut,
                   const std::vector<QueueMemory::Share>& senders = {});  // server lock held
    // Sends the queued lines and adds the newcomers' records.
    void SendQueued();                                            // server lock held
    void SendToClient(int clientNumber, std::string_view bytes);  // server lock held

    void Log(std::string_view utf8Text);
    void StartWorker(Newcomer newcomer);

    RelayReporter& reporter;
    const RelayOptions options;
    // Before the slots, so that it outlives every queue.
    QueueMemory queueMemory;

    // The server lock. It guards the slot table (slots, connectedCount), the roster, and
    // every send to a client, so that the lines of one broadcast never mix with another's on
    // any socket. Taken by relay threads, the accept loop and the main thread's roster and
    // slot queries; never held while reporting, and no send under it waits for a peer.
    mutable std::mutex serverLock;
    std::vector<Slot> slots;
    int connectedCount = 0;
    std::map<std::string, int> connectionsFrom;  // by peer address, slot or not yet
    ParticipantRoster roster;
    std::string sending;  // the queued lines being sent, kept for its capacity
    std::vector<QueueMemory::Share> sendingFrom;
    std::vector<Participant> newcomers;  // the queued records being added

    // Relayed lines waiting for the next holder of the server lock, in the order they were
    // taken up, and the records of the newcomers whose participant lines are among them.
    // Taken by relay threads to add to them, and under the server lock to take them all;
    // never held while sending.
    std::mutex queueLock;
    std::string queued;
    std::vector<QueueMemory::Share> queuedFrom;  // whose lines queued holds
    std::vector<Participant> joining;

    // Guards the listener and the accept thread; taken by the thread that starts and stops.
    mutable std::mutex listenLock;
    SocketHandle listener = kInvalidSocket;
    int listeningPort = -1;
    std::thread acceptThread;

    // The relay threads; one that ends is joined when the next starts, the rest by Close.
    WorkerRegistry workers;

    // Set by Close: a read that fails from now on is the end of the program, no departure.
    std::atomic<bool> closing{false};
};

}  // namespace vesk

#include "server/relay_server.h"

#include <algorithm>
#include <system_error>

#include "protocol/cp932.h"
#include "protocol/player_name.h"
#include "protocol/wire_messages.h"

namespace vesk {

namespace {

constexpr int kLingerSeconds = 2;

// How long the accept loop rests when the system is short of descriptors or memory: long
// enough not to spin, short enough that a freed descriptor is soon used.
constexpr auto kAcceptPause = std::chrono::milliseconds(100);
// The longest a paused flooder's thread sleeps before it looks at the closing flag again.
constexpr auto kPauseSlice = std::chrono::milliseconds(100);
// The longest a connection's thread waits for its name line before it looks at the closing
// flag again.
constexpr auto kNameWaitSlice = std::chrono::milliseconds(500);
// The most connections taken in together, so that the first of a crowd hear soon.
constexpr std::size_t kAcceptBatch = 64;
// VeskChat follows its name line with three lines (a blank, the join announcement, a blank);
// those that came with the name line leave with the participant line.
constexpr int kJoinLines = 3;

// Only the relay speaks for the roster: a client's participant line would make every client
// list someone who is not there, or drop someone who is.
bool IsRosterLine(std::string_view line) {
    return line.starts_with(wire::kPaddPrefix) || line.starts_with(wire::kPdelPrefix);
}

// The name from a name line. The record holds 51 bytes; a TAB or a line end inside the name
// would corrupt the participant lines of every client.
std::string NameFromLine(std::string_view line) {
    return PlayerNameForLines(line.substr(0, line.size() - 2), kNameMaxBytes);
}

}  // namespace

RelayServer::RelayServer(RelayReporter& reporter, RelayOptions options)
    : reporter(reporter),
      options(options),
      queueMemory(options.relayQueueBytes),
      slots(kInitialSlots) {}

RelayServer::~RelayServer() { Close(); }

void RelayServer::Log(std::string_view utf8Text) { reporter.LogLine(Cp932FromUtf8(utf8Text)); }

bool RelayServer::Start(std::uint16_t port, const std::function<void()>& onListening) {
    std::lock_guard guard(listenLock);
    if (closing) return false;
    StopListening();
    RaiseOpenFileLimit();
    const Listener opened = OpenListener(port, MaxListenBacklog());
    switch (opened.failedAt) {
        case ListenStep::Socket:
            Log("ERROR：ソケット作成失敗");
            return false;
        case ListenStep::Bind:
            Log("ERROR：ソケット初期化(bind)失敗");
            return false;
        case ListenStep::Listen:
            Log("ERROR：ソケット初期化(listen)");
            return false;
        case ListenStep::Done:
            break;
    }
    // Holds the accept loop back until the caller has had its say. Not a semaphore: MinGW's
    // std::binary_semaphore can miss its release and keep the loop waiting for good.
    std::promise<void> mayAccept;
    try {
        acceptThread =
            std::thread(&RelayServer::AcceptLoop, this, opened.handle, mayAccept.get_future());
    } catch (const std::system_error&) {
        // Without its accept loop the server would look started and take nobody.
        Log("ERROR：スレッド作成失敗");
        CloseSocket(opened.handle);
        return false;
    }
    listener = opened.handle;
    listeningPort = LocalPort(listener);
    if (onListening) onListening();
    mayAccept.set_value();
    return true;
}

void RelayServer::Stop() {
    std::lock_guard guard(listenLock);
    StopListening();
}

void RelayServer::StopListening() {
    if (listener == kInvalidSocket) return;
    // Wakes the pending accept; the loop ends at the failure. Where the wake did not close the
    // listener, it is closed only after the loop has ended.
    const bool closed = WakePendingAccept(listener);
    acceptThread.join();
    if (!closed) CloseSocket(listener);
    listener = kInvalidSocket;
    listeningPort = -1;
}

void RelayServer::Close() {
    closing = true;
    Stop();
    {
        std::lock_guard guard(serverLock);
        roster.Clear();
        for (const Slot& slot : slots) {
            if (slot.outbox) ShutdownBoth(slot.outbox->Socket());
        }
    }
    workers.JoinAll();
}

void RelayServer::ClearRoster() {
    std::lock_guard guard(serverLock);
    roster.Clear();
}

int RelayServer::ListeningPort() const {
    std::lock_guard guard(listenLock);
    return listeningPort;
}

std::size_t RelayServer::SlotCount() const {
    std::lock_guard guard(serverLock);
    return slots.size();
}

int RelayServer::ConnectedCount() const {
    std::lock_guard guard(serverLock);
    return connectedCount;
}

std::vector<Participant> RelayServer::Roster() const {
    std::lock_guard guard(serverLock);
    return roster.Participants();
}

void RelayServer::AcceptLoop(SocketHandle listeningSocket, std::future<void> mayAccept) {
    mayAccept.wait();
    Log("接続受け入れ可能");
    std::vector<Accepted> batch;
    std::vector<Newcomer> newcomers;
    std::vector<std::string> origins;
    for (;;) {
        const Accepted accepted = AcceptConnection(listeningSocket);
        if (accepted.temporaryFailure) {
            // Out of descriptors or memory for now: the service goes on once some are free.
            std::this_thread::sleep_for(kAcceptPause);
            continue;
        }
        if (accepted.handle == kInvalidSocket) {
            Log("接続受け入れ不能");
            return;
        }
        // A party that joins at once is taken in together: one hold of the server lock gives
        // them all their slots and roster lines and announces those whose name lines came with
        // their connections, in one write per client for all of them. A failure here is met
        // by the next accept above.
        batch.assign(1, accepted);
        while (batch.size() < kAcceptBatch && WaitReadable(listeningSocket, {})) {
            const Accepted waiting = AcceptConnection(listeningSocket);
            if (waiting.handle == kInvalidSocket) break;
            batch.push_back(waiting);
        }
        newcomers.clear();
        origins.clear();
        for (const Accepted& client : batch) {
            std::optional<Newcomer> newcomer =
                Welcome(client.handle, client.peerAddress, client.peerPort);
            if (!newcomer) continue;
            newcomers.push_back(std::move(*newcomer));
            origins.push_back("ポート番号 " + std::to_string(client.peerPort));
        }
        TakeIn(newcomers, origins);
    }
}

void RelayServer::AdoptConnection(SocketHandle client, std::string peerAddress) {
    if (closing) {
        CloseSocket(client);
        return;
    }
    std::optional<Newcomer> newcomer = Welcome(client, peerAddress, 0);
    if (!newcomer) return;
    std::vector<Newcomer> newcomers;
    newcomers.push_back(std::move(*newcomer));
    TakeIn(newcomers, {"ブラウザ " + peerAddress});
}

std::optional<RelayServer::Newcomer> RelayServer::Welcome(SocketHandle client,
                                                          const std::string& peerAddress,
                                                          int peerPort) {
    if (!SetUpClient(client, peerAddress)) return std::nullopt;
    Newcomer newcomer;
    newcomer.peerAddress = peerAddress;
    newcomer.peerPort = peerPort;
    newcomer.reader = std::make_unique<BufferedLineReader>(client);
    newcomer.name = NameArrived(*newcomer.reader, newcomer.joinLines);
    return newcomer;
}

void RelayServer::TakeIn(std::vector<Newcomer>& newcomers,
                         const std::vector<std::string>& origins) {
    {
        std::lock_guard guard(serverLock);
        // What was taken up before goes first, to those already here.
        SendQueued();
        // The roster lines go out in the same hold of the server lock that gives each
        // newcomer its slot: from then on every broadcast reaches it, so a participant
        // who joins or leaves meanwhile is announced to it exactly once, after them.
        const std::string rosterLines = RosterLines();
        std::string announcement;
        for (Newcomer& newcomer : newcomers) {
            newcomer.clientNumber = TakeSlot(newcomer);
            if (!rosterLines.empty()) SendToClient(newcomer.clientNumber, rosterLines);
        }
        for (const Newcomer& newcomer : newcomers) {
            if (!newcomer.name) continue;
            roster.Append(*newcomer.name, newcomer.clientNumber);
            announcement += wire::PaddLine(*newcomer.name, newcomer.clientNumber);
            announcement += newcomer.joinLines;
        }
        if (!announcement.empty()) Broadcast(announcement, std::nullopt);
    }
    for (std::size_t i = 0; i < newcomers.size(); ++i) {
        Log("接続：クライアント No." + std::to_string(newcomers[i].clientNumber) + " (" +
            origins[i] + ")");
        StartWorker(std::move(newcomers[i]));
    }
}

bool RelayServer::SetUpClient(SocketHandle client, const std::string& peerAddress) {
    bool admitted = true;
    {
        std::lock_guard guard(serverLock);
        int& count = connectionsFrom[peerAddress];
        if (options.perAddress > 0 && count >= options.perAddress) {
            admitted = false;
        } else {
            ++count;
        }
    }
    if (!admitted) {
        // One host cannot take every descriptor and thread the relay has; its players and
        // everybody else's go on.
        ClearLinger(client);
        CloseSocket(client);
        Log("接続拒否：" + peerAddress + " からの接続が上限 (" +
            std::to_string(options.perAddress) + ") に達しています");
        return false;
    }
    SetLinger(client, kLingerSeconds);
    SetNoDelay(client);
    // The send buffer is left to the system, which grows it for a fast reader far beyond
    // what a fixed size may be set to.
    EnableKeepAlive(client, options.keepAliveIdle, options.keepAliveInterval,
                    options.keepAliveProbes);
    return true;
}

void RelayServer::StartWorker(Newcomer newcomer) {
    const int clientNumber = newcomer.clientNumber;
    const std::shared_ptr<ClientOutbox> outbox = newcomer.outbox;
    const bool named = newcomer.name.has_value();
    const bool started = workers.Start(
        [this, newcomer = std::move(newcomer)]() mutable { RelayThread(std::move(newcomer)); });
    if (started) return;
    Log("ERROR：スレッド作成失敗");
    if (named) {
        // The party has heard of it already, so it hears of its leaving too.
        Depart(clientNumber, *outbox, true);
        return;
    }
    {
        std::lock_guard serverGuard(serverLock);
        FreeSlot(clientNumber);
    }
    CloseSocket(outbox->Socket());
}

int RelayServer::TakeSlot(Newcomer& newcomer) {
    if (static_cast<std::size_t>(connectedCount) >= slots.size()) {
        slots.resize(slots.size() + kSlotGrowth);
    }
    std::size_t number = 0;
    while (slots[number].outbox) ++number;
    newcomer.outbox = std::make_shared<ClientOutbox>(newcomer.reader->Socket(),
                                                     options.sendQueueBytes, options.stuckReceiver);
    slots[number] = Slot{newcomer.outbox, newcomer.peerAddress};
    ++connectedCount;
    return static_cast<int>(number);
}

void RelayServer::FreeSlot(int clientNumber) {
    Slot& slot = slots[static_cast<std::size_t>(clientNumber)];
    const auto from = connectionsFrom.find(slot.peerAddress);
    if (from != connectionsFrom.end() && --from->second <= 0) connectionsFrom.erase(from);
    slot = Slot{};
    --connectedCount;
}

void RelayServer::Broadcast(std::string_view bytes, std::optional<int> leftOut,
                            const std::vector<QueueMemory::Share>& senders) {
    OutgoingLines lines(bytes, queueMemory, &senders);
    int sent = 0;
    for (std::size_t i = 0; i < slots.size() && sent < connectedCount; ++i) {
        if (leftOut == static_cast<int>(i) || !slots[i].outbox) continue;
        // Nobody waits for a client to read: what its socket does not take now waits in its
        // own queue.
        slots[i].outbox->Send(lines);
        ++sent;
    }
}

void RelayServer::SendToClient(int clientNumber, std::string_view bytes) {
    OutgoingLines lines(bytes, queueMemory);
    slots[static_cast<std::size_t>(clientNumber)].outbox->Send(lines);
}

void RelayServer::RelayThread(Newcomer newcomer) {
    BufferedLineReader& reader = *newcomer.reader;
    const bool announced = newcomer.name.has_value();
    // A client whose queue cannot be written is cut off, and leaves at its first read.
    newcomer.outbox->StartWriter();
    if (!announced) newcomer.name = ReadName(newcomer.clientNumber, reader);
    if (newcomer.name) Relay(newcomer, *newcomer.name, announced);
    Depart(newcomer.clientNumber, *newcomer.outbox, newcomer.name.has_value());
}

std::optional<std::string> RelayServer::NameArrived(BufferedLineReader& reader,
                                                    std::string& joinLines) {
    if (!WaitReadable(reader.Socket(), {}) || !reader.Receive()) return std::nullopt;
    const auto line = reader.TakeLine();
    if (!line) return std::nullopt;
    std::string name = NameFromLine(*line);
    for (int n = 0; n < kJoinLines; ++n) {
        const auto next = reader.TakeLine();
        if (!next) break;
        if (!IsRosterLine(*next)) joinLines += *next;
    }
    return name;
}

std::optional<std::string> RelayServer::ReadName(int clientNumber, BufferedLineReader& reader) {
    const auto deadline = std::chrono::steady_clock::now() + options.nameTimeout;
    for (;;) {
        if (const auto line = reader.TakeLine()) return NameFromLine(*line);
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left <= std::chrono::milliseconds::zero()) {
            // A connection that never becomes a player would hold its slot and its
            // address's share of connections for good.
            Log("クライアント No." + std::to_string(clientNumber) + " は名前を送らないまま " +
                std::to_string(options.nameTimeout.count() / 1000) + " 秒経ちました");
            return std::nullopt;
        }
        // Close shuts the socket down, which ends the wait, or the next one where a shutdown
        // does not wake a wait already under way.
        if (closing) return std::nullopt;
        if (WaitReadable(reader.Socket(), std::min(left, kNameWaitSlice)) && !reader.Receive()) {
            return std::nullopt;
        }
    }
}

void RelayServer::Relay(const Newcomer& newcomer, const std::string& name, bool announced) {
    const int clientNumber = newcomer.clientNumber;
    BufferedLineReader& reader = *newcomer.reader;
    const auto sender = std::make_shared<QueueMemory::Sender>();
    // The newcomer's participant line leaves with the lines that followed its name line,
    // which are usually its join lines: one broadcast instead of two.
    std::string lines = announced ? std::string() : wire::PaddLine(name, clientNumber);
    bool joined = announced;
    const auto flush = [&] {
        if (lines.empty()) return;
        // Queued first: whoever holds the server lock next sends every queued line in one
        // write per client, so senders that meet at the lock share their writes. A whole
        // party joining at once shares them most.
        {
            std::lock_guard guard(queueLock);
            queued += lines;
            queuedFrom.push_back(QueueMemory::Share{sender, lines.size()});
            if (!joined) joining.push_back(Participant{name, clientNumber});
        }
        lines.clear();
        joined = true;
        std::lock_guard guard(serverLock);
        SendQueued();
    };
    FloodGate gate(options.floodLimit, options.floodCutOff, FloodGate::Clock::now());
    for (;;) {
        // Every whole line already received leaves in one broadcast: one write per client.
        while (const auto line = reader.TakeLine()) {
            if (IsRosterLine(*line)) continue;
            const auto now = FloodGate::Clock::now();
            const auto turn = gate.Take(now);
            if (turn > now) {
                // This participant sends faster than anyone types: what it sent so far
                // leaves, its next line waits its turn, and meanwhile nothing more is read
                // from it, so it is slowed down through its own connection.
                const std::string waiting(*line);
                flush();
                if (!PauseUntil(reader, turn, gate)) return;
                lines = waiting;
                continue;
            }
            lines += *line;
        }
        // Sent before waiting for more, so the participant is on the roster from the moment
        // its name line has been read.
        flush();
        // While the relay holds as much as it may, a client whose lines fill it is read from
        // no more: its own connection slows it down, and the others go on.
        queueMemory.WaitWhileFilling(*sender, [&] { return closing || newcomer.outbox->CutOff(); });
        if (!reader.Receive()) return;
    }
}

void RelayServer::SendQueued() {
    {
        std::lock_guard guard(queueLock);
        sending.swap(queued);
        sendingFrom.swap(queuedFrom);
        newcomers.swap(joining);
    }
    // A newcomer's record is added in the same hold of the lock that announces it, so a client
    // accepted meanwhile learns of it exactly once: from its roster lines or from this
    // broadcast.
    for (const Participant& newcomer : newcomers) roster.Append(newcomer.name, newcomer.id);
    newcomers.clear();
    if (!sending.empty()) Broadcast(sending, std::nullopt, sendingFrom);
    sending.clear();
    sendingFrom.clear();
}

bool RelayServer::PauseUntil(BufferedLineReader& reader, FloodGate::Clock::time_point when,
                             FloodGate& gate) {
    const SocketHandle socket = reader.Socket();
    for (;;) {
        if (closing) return false;
        const auto now = FloodGate::Clock::now();
        if (now >= when) return true;
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(when - now);
        if (!reader.Full()) {
            // Reading on while the lines wait is how a flooder that leaves is seen off: its
            // leaving arrives behind everything it sent. The lines it left waiting are dropped
            // rather than shown after it left. Close shuts the socket down, which ends the
            // wait too.
            if (!WaitReadable(socket, left)) {
                gate.BacklogCleared();
                continue;
            }
            if (!reader.Receive()) return false;
            continue;
        }
        if (!WaitReadable(socket, {})) {
            gate.BacklogCleared();  // all it sent is in the reader: it has stopped
        } else if (gate.BackloggedTooLong(now)) {
            // The reset at close discards what it sent and the system still holds.
            SetLinger(socket, 0);
            return false;
        }
        // Nothing more can be read now; a short sleep keeps Close prompt.
        std::this_thread::sleep_for(std::min<std::chrono::milliseconds>(left, kPauseSlice));
    }
}

std::string RelayServer::RosterLines() const {
    std::string lines;
    for (const Participant& present : roster.Participants()) {
        lines += wire::PaddLine(present.name, present.id);
    }
    return lines;
}

void RelayServer::Depart(int clientNumber, ClientOutbox& outbox, bool named) {
    const SocketHandle socket = outbox.Socket();
    if (closing) {
        // The program is ending: no log, no lines, only the socket is released, and the close
        // leaves what is unsent to the system rather than wait for a peer.
        {
            std::lock_guard guard(serverLock);
            FreeSlot(clientNumber);
        }
        ShutdownBoth(socket);
        outbox.StopWriter();
        ClearLinger(socket);
        CloseSocket(socket);
        return;
    }
    Log("切断：クライアント No." + std::to_string(clientNumber));
    {
        std::lock_guard guard(serverLock);
        if (named) {
            // What was taken up before leaves first; its own record is in the roster by now,
            // as it sent the queue itself when it joined.
            SendQueued();
            std::string lines = wire::PdelLine(clientNumber);
            if (const Participant* record = roster.Find(clientNumber)) {
                lines += std::string(wire::kBlankTalk) + wire::DepartureLine(record->name) +
                         std::string(wire::kBlankTalk);
                roster.RemoveById(clientNumber);
            }
            Broadcast(lines, clientNumber);
        }
        // Freed in the same hold of the lock that announces the departure, so that whoever
        // has heard of it finds the number free. The socket is closed only afterwards, so no
        // broadcast can reach a descriptor that the system has given to a newer connection.
        FreeSlot(clientNumber);
    }
    const bool shutDown = ShutdownBoth(socket);
    // The writer ends before the descriptor is closed and may be given to a newer connection.
    outbox.StopWriter();
    const bool closed = CloseSocket(socket);
    if (!shutDown) Log("ERROR：切断処理失敗");
    if (!closed) Log("ERROR：ソケット破棄失敗");
}

}  // namespace vesk

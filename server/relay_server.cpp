#include "server/relay_server.h"

#include <system_error>

#include "protocol/cp932.h"
#include "protocol/line_transport.h"
#include "protocol/player_name.h"
#include "protocol/wire_messages.h"

namespace vesk {

namespace {

// Leaves nobody out of a broadcast.
constexpr int kNobody = -10;

constexpr int kListenBacklog = 5;
constexpr int kLingerSeconds = 2;

}  // namespace

RelayServer::RelayServer(RelayReporter& reporter, RelayOptions options)
    : reporter(reporter), options(options), slots(kInitialSlots, kInvalidSocket) {}

RelayServer::~RelayServer() { Close(); }

void RelayServer::Log(std::string_view utf8Text) { reporter.LogLine(Cp932FromUtf8(utf8Text)); }

bool RelayServer::Start(std::uint16_t port) {
    std::lock_guard guard(listenLock);
    if (closing) return false;
    StopListening();
    const Listener opened = OpenListener(port, kListenBacklog);
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
    try {
        acceptThread = std::thread(&RelayServer::AcceptLoop, this, opened.handle);
    } catch (const std::system_error&) {
        // Without its accept loop the server would look started and take nobody.
        Log("ERROR：スレッド作成失敗");
        CloseSocket(opened.handle);
        return false;
    }
    listener = opened.handle;
    listeningPort = LocalPort(listener);
    return true;
}

void RelayServer::Stop() {
    std::lock_guard guard(listenLock);
    StopListening();
}

void RelayServer::StopListening() {
    if (listener == kInvalidSocket) return;
    // Shutting the listener down wakes the pending accept; it is closed only after the
    // accept loop has ended, so that the loop never waits on a reused descriptor.
    ShutdownBoth(listener);
    acceptThread.join();
    CloseSocket(listener);
    listener = kInvalidSocket;
    listeningPort = -1;
}

void RelayServer::Close() {
    closing = true;
    Stop();
    {
        std::lock_guard guard(serverLock);
        roster.Clear();
        for (const SocketHandle socket : slots) {
            if (socket != kInvalidSocket) ShutdownBoth(socket);
        }
    }
    std::map<std::thread::id, std::thread> running;
    {
        std::lock_guard guard(workerLock);
        running.swap(workers);
        finishedWorkers.clear();
    }
    for (auto& [id, worker] : running) worker.join();
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

void RelayServer::AcceptLoop(SocketHandle listeningSocket) {
    Log("接続受け入れ可能");
    for (;;) {
        int peerPort = 0;
        const SocketHandle client = AcceptConnection(listeningSocket, &peerPort);
        if (client == kInvalidSocket) {
            Log("接続受け入れ不能");
            return;
        }
        SetLinger(client, kLingerSeconds);
        SetSendTimeout(client, options.sendTimeout);
        EnableKeepAlive(client, options.keepAliveIdle, options.keepAliveInterval,
                        options.keepAliveProbes);
        int clientNumber;
        {
            // The roster lines go out in the same hold of the server lock that gives the
            // newcomer its slot: from then on every broadcast reaches it, so a participant
            // who joins or leaves meanwhile is announced to it exactly once, after them.
            std::lock_guard guard(serverLock);
            clientNumber = TakeSlot(client);
            SendRoster(clientNumber);
        }
        Log("接続：クライアント No." + std::to_string(clientNumber) + " (ポート番号 " +
            std::to_string(peerPort) + ")");
        StartWorker(clientNumber);
    }
}

void RelayServer::StartWorker(int clientNumber) {
    std::unique_lock guard(workerLock);
    ReapFinishedWorkers();
    try {
        std::thread worker(&RelayServer::RelayThread, this, clientNumber);
        const std::thread::id id = worker.get_id();
        workers.emplace(id, std::move(worker));
    } catch (const std::system_error&) {
        guard.unlock();
        Log("ERROR：スレッド作成失敗");
        SocketHandle socket;
        {
            std::lock_guard serverGuard(serverLock);
            socket = slots[static_cast<std::size_t>(clientNumber)];
        }
        FreeSlot(clientNumber);
        CloseSocket(socket);
    }
}

void RelayServer::ReapFinishedWorkers() {
    for (const std::thread::id id : finishedWorkers) {
        const auto found = workers.find(id);
        if (found == workers.end()) continue;
        found->second.join();
        workers.erase(found);
    }
    finishedWorkers.clear();
}

int RelayServer::TakeSlot(SocketHandle socket) {
    if (static_cast<std::size_t>(connectedCount) >= slots.size()) {
        slots.resize(slots.size() + kSlotGrowth, kInvalidSocket);
    }
    std::size_t number = 0;
    while (slots[number] != kInvalidSocket) ++number;
    slots[number] = socket;
    ++connectedCount;
    return static_cast<int>(number);
}

void RelayServer::FreeSlot(int clientNumber) {
    std::lock_guard guard(serverLock);
    slots[static_cast<std::size_t>(clientNumber)] = kInvalidSocket;
    --connectedCount;
}

void RelayServer::Broadcast(std::string_view bytes, int leftOut) {
    int sent = 0;
    for (std::size_t i = 0; i < slots.size() && sent < connectedCount; ++i) {
        if (static_cast<int>(i) == leftOut || slots[i] == kInvalidSocket) continue;
        SendToClient(static_cast<int>(i), bytes);
        ++sent;
    }
}

void RelayServer::SendToClient(int clientNumber, std::string_view bytes) {
    const SocketHandle socket = slots[static_cast<std::size_t>(clientNumber)];
    // A client that cannot take its lines in time is cut off: its own relay thread then
    // finds the connection ended and runs its departure, and the party goes on.
    if (!SendAll(socket, bytes)) ShutdownBoth(socket);
}

void RelayServer::RelayThread(int clientNumber) {
    SocketHandle socket;
    {
        std::lock_guard guard(serverLock);
        socket = slots[static_cast<std::size_t>(clientNumber)];
    }
    const bool named = Welcome(clientNumber, socket);
    if (named) {
        LineBuffer line;
        for (;;) {
            const int length = ReadLine(socket, line);
            if (length < 0) break;
            std::lock_guard guard(serverLock);
            Broadcast(std::string_view(line.data(), static_cast<std::size_t>(length)), kNobody);
        }
    }
    Depart(clientNumber, socket, named);
    std::lock_guard guard(workerLock);
    finishedWorkers.push_back(std::this_thread::get_id());
}

void RelayServer::SendRoster(int clientNumber) {
    std::string lines;
    for (const Participant& present : roster.Participants()) {
        lines += wire::PaddLine(present.name, present.id);
    }
    if (!lines.empty()) SendToClient(clientNumber, lines);
}

bool RelayServer::Welcome(int clientNumber, SocketHandle socket) {
    LineBuffer line;
    const int length = ReadLine(socket, line);
    if (length < 0) return false;
    // The record holds 51 bytes; a TAB or a line end inside the name would corrupt the
    // participant lines of every client.
    const std::string name = PlayerNameForLines(
        std::string_view(line.data(), static_cast<std::size_t>(length) - 2), kNameMaxBytes);
    bool recorded;
    {
        std::lock_guard guard(serverLock);
        recorded = roster.Append(name, clientNumber) != nullptr;
        Broadcast(wire::PaddLine(name, clientNumber), kNobody);
    }
    if (!recorded) reporter.ShowMessage(Cp932FromUtf8("メモリ確保に失敗しました"));
    return true;
}

void RelayServer::Depart(int clientNumber, SocketHandle socket, bool named) {
    if (closing) {
        // The program is ending: no log, no lines, only the socket is released.
        FreeSlot(clientNumber);
        CloseSocket(socket);
        return;
    }
    Log("切断：クライアント No." + std::to_string(clientNumber));
    if (named) {
        std::lock_guard guard(serverLock);
        std::string lines = wire::PdelLine(clientNumber);
        if (const ParticipantRecord* record = roster.Find(clientNumber)) {
            lines += std::string(wire::kBlankTalk) + wire::DepartureLine(record->Name()) +
                     std::string(wire::kBlankTalk);
            roster.RemoveById(clientNumber);
        }
        Broadcast(lines, clientNumber);
    }
    const bool shutDown = ShutdownBoth(socket);
    // The slot is freed before the socket is closed, so no broadcast can reach a descriptor
    // that the system has already given to a newer connection.
    FreeSlot(clientNumber);
    const bool closed = CloseSocket(socket);
    if (!shutDown) Log("ERROR：切断処理失敗");
    if (!closed) Log("ERROR：ソケット破棄失敗");
}

}  // namespace vesk

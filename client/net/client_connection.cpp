#include "client/net/client_connection.h"

#include <condition_variable>
#include <functional>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

#include "protocol/cp932.h"
#include "protocol/line_splitter.h"
#include "protocol/line_transport.h"
#include "protocol/player_name.h"
#include "protocol/socket.h"
#include "protocol/wire_messages.h"

namespace vesk {

namespace {

// Why a connection failed, in words the player can act on.
std::string FailureReason(const ConnectionTarget& target, const ConnectResult& result) {
    switch (result.failure) {
        case ConnectFailure::BadAddress:
            return kClientPorts.Holds(target.port) ? kAddressRule : kPortRule;
        case ConnectFailure::Refused:
            return "接続を拒否されました。サーバーが起動しているか、"
                   "ポート番号が合っているかを確かめてください。";
        case ConnectFailure::TimedOut:
            return "サーバーから応答がありませんでした。アドレスとネットワークを確かめてください。";
        case ConnectFailure::Unreachable:
            return "サーバーまでの経路が見つかりません。アドレスとネットワークを確かめてください。";
        case ConnectFailure::None:
        case ConnectFailure::Other:
            break;
    }
    return "(エラー番号 " + std::to_string(result.error) + ")";
}

}  // namespace

struct ClientConnection::Link {
    Link(std::uint64_t id, SocketHandle socket, std::string playerName)
        : id(id), socket(socket), playerName(std::move(playerName)) {}
    // Only once both threads have ended, so no thread can reach a descriptor that the system
    // has given to a newer connection.
    ~Link() { CloseSocket(socket); }

    // sendLock held. A failed send may have left part of a line in the stream, which would
    // corrupt the next one; the connection is given up instead, and its reader thread
    // reports that.
    bool Send(std::string_view bytes) {
        if (SendAll(socket, bytes)) return true;
        ShutdownBoth(socket);
        return false;
    }

    // sendLock held. The name line, a blank talk line, the join announcement and another
    // blank talk line, before any other line of the connection: the server takes the first
    // line as the player's name.
    bool SendJoinLinesOnce() {
        if (joinSent) return true;
        joinSent = true;
        const std::string blank(wire::kBlankTalk);
        return Send(wire::NameLine(playerName) + blank + wire::JoinAnnouncement(playerName) +
                    blank);
    }

    const std::uint64_t id;
    const SocketHandle socket;
    const std::string playerName;  // read when the connection was opened

    // Guards joinSent and every send on the socket, so that lines never mix and the join
    // lines go first. Taken by the join thread and by SendLine on the main thread.
    std::mutex sendLock;
    bool joinSent = false;

    // Main thread: a line of this connection was taken up, so a reader that waits for room
    // may go on.
    void LineTaken() {
        {
            std::lock_guard guard(postLock);
            --pendingLines;
        }
        roomForLines.notify_one();
    }

    // Main thread, before the socket is shut down: nothing is posted from now on, and a reader
    // that waits for room stops waiting.
    void StopPosting() {
        {
            std::lock_guard guard(postLock);
            closing = true;
        }
        roomForLines.notify_one();
    }

    // Guards closing and pendingLines. The reader thread holds it while it posts to the window
    // and waits on roomForLines while pendingLines is at the bound; the main thread takes it to
    // count a line off and to set closing.
    std::mutex postLock;
    std::condition_variable roomForLines;
    bool closing = false;
    std::size_t pendingLines = 0;  // posted lines the main thread has not taken up

    std::thread joinThread;
    std::thread readerThread;
    bool listed = false;  // main thread: the relay has listed a participant on this connection
};

struct ClientConnection::PendingOpen {
    // Guards abandoned. The connect thread holds it while it posts its outcome to the window;
    // the main thread takes it to abandon the open, after which the thread touches nothing
    // but its own socket.
    std::mutex lock;
    bool abandoned = false;
};

namespace {

// A socket on its way from a connect thread to the main thread: closed unless taken, so that
// a task dropped on the way leaves no connection open.
class SocketInTransit {
public:
    explicit SocketInTransit(SocketHandle socket) : socket(socket) {}
    ~SocketInTransit() {
        if (socket != kInvalidSocket) CloseSocket(socket);
    }
    SocketInTransit(const SocketInTransit&) = delete;
    SocketInTransit& operator=(const SocketInTransit&) = delete;
    SocketHandle Take() { return std::exchange(socket, kInvalidSocket); }

private:
    SocketHandle socket;
};

}  // namespace

ClientConnection::ClientConnection(ChatWindow& window, ConnectionOptions options)
    : window(window),
      options(options),
      replay(window),
      dispatcher(roster, replay),
      self(std::make_shared<ClientConnection*>(this)) {}

ClientConnection::~ClientConnection() { Close(); }

std::string ClientConnection::PlayerName() {
    return PlayerNameForLines(window.CurrentPlayerName());
}

bool ClientConnection::OpenConnection() {
    if (closed) return false;
    CancelBackgroundOpen();
    if (current) Disconnect();

    std::string name = PlayerName();
    const ConnectResult result = ConnectTo(target.address, target.port, options.connectTimeout);
    if (result.handle == kInvalidSocket) {
        ReportConnectFailure(result);
        return false;
    }
    return Adopt(result.handle, std::move(name));
}

bool ClientConnection::OpenInBackground() {
    if (closed || current || pending) return false;
    auto attempt = std::make_shared<PendingOpen>();
    const std::weak_ptr<ClientConnection*> owner = self;
    try {
        std::thread([attempt, owner, target = target, timeout = options.connectTimeout,
                     &window = window] {
            auto socket = std::make_shared<SocketInTransit>(
                ConnectTo(target.address, target.port, timeout).handle);
            std::lock_guard guard(attempt->lock);
            if (attempt->abandoned) return;
            window.PostToMainThread([owner, attempt, socket] {
                if (const auto alive = owner.lock()) {
                    (*alive)->BackgroundOpenEnded(attempt, socket->Take());
                }
            });
        }).detach();
    } catch (const std::system_error&) {
        return false;
    }
    pending = std::move(attempt);
    return true;
}

void ClientConnection::CancelBackgroundOpen() {
    if (!pending) return;
    std::lock_guard guard(pending->lock);
    pending->abandoned = true;
    pending.reset();
}

void ClientConnection::BackgroundOpenEnded(const std::shared_ptr<PendingOpen>& attempt,
                                           SocketHandle socket) {
    if (attempt != pending) {
        if (socket != kInvalidSocket) CloseSocket(socket);
        return;
    }
    pending.reset();
    if (socket == kInvalidSocket || !Adopt(socket, lastPlayerName)) {
        Notify(ConnectionEvent::OpenFailed);
    }
}

void ClientConnection::Notify(ConnectionEvent event) {
    if (events) events(event);
}

bool ClientConnection::Adopt(SocketHandle socket, std::string name) {
    SetSendTimeout(socket, options.sendTimeout);
    SetNoDelay(socket);
    EnableKeepAlive(socket, options.keepAliveIdle, options.keepAliveInterval,
                    options.keepAliveProbes);

    replay.Started();
    auto link = std::make_unique<Link>(++lastLinkId, socket, name);
    try {
        link->joinThread = std::thread(&ClientConnection::JoinThread, this, std::ref(*link));
    } catch (const std::system_error&) {
        window.ShowMessage(Cp932FromUtf8("参加スレッドの作成に失敗しました"));
        return false;
    }
    try {
        link->readerThread = std::thread(&ClientConnection::ReaderThread, this, std::ref(*link));
    } catch (const std::system_error&) {
        ShutdownBoth(link->socket);
        link->joinThread.join();
        window.ShowMessage(Cp932FromUtf8("読み取りスレッドの作成に失敗しました"));
        return false;
    }
    current = std::move(link);
    lastPlayerName = std::move(name);
    window.SetMenuState(MenuState::Active);
    Notify(ConnectionEvent::Opened);
    return true;
}

void ClientConnection::ReportConnectFailure(const ConnectResult& result) {
    window.ShowMessage(Cp932FromUtf8("サーバーに接続できませんでした（アドレス ") + target.address +
                       Cp932FromUtf8("、ポート " + std::to_string(target.port) + "）\n" +
                                     FailureReason(target, result)));
}

void ClientConnection::Disconnect() {
    CancelBackgroundOpen();
    roster.Clear();
    CloseConnection();
    window.SetMenuState(MenuState::Idle);
    window.ClearParticipantRows();
}

void ClientConnection::Close() {
    if (closed) return;
    closed = true;
    CancelBackgroundOpen();
    roster.Clear();
    CloseConnection();
}

void ClientConnection::CloseConnection() {
    if (!current) return;
    current->StopPosting();
    // Wakes the reader from its read and the join thread from a send that waits.
    ShutdownBoth(current->socket);
    current->joinThread.join();
    current->readerThread.join();
    current.reset();
}

bool ClientConnection::SendLine(std::string_view line) {
    if (!current) return false;
    Link& link = *current;
    std::lock_guard guard(link.sendLock);
    // A line sent before the join thread came to its lines goes behind them.
    return link.SendJoinLinesOnce() && link.Send(line);
}

void ClientConnection::JoinThread(Link& link) {
    std::lock_guard guard(link.sendLock);
    // The result is not looked at: a failed send gives the connection up, and the reader
    // thread reports that.
    link.SendJoinLinesOnce();
}

void ClientConnection::ReaderThread(Link& link) {
    const std::weak_ptr<ClientConnection*> owner = self;
    const std::uint64_t id = link.id;
    // One receive takes every byte that is waiting; each line among them goes on its own.
    constexpr std::size_t kReceiveBytes = 64 * 1024;
    const auto received = std::make_unique_for_overwrite<char[]>(kReceiveBytes);
    LineSplitter lines;
    for (;;) {
        std::optional<std::string_view> line = lines.Next();
        while (!line) {
            const long got = ReceiveSome(link.socket, received.get(), kReceiveBytes);
            if (got <= 0) break;
            lines.Feed(std::string_view(received.get(), static_cast<std::size_t>(got)));
            line = lines.Next();
        }
        std::unique_lock guard(link.postLock);
        if (link.closing) return;
        if (!line) {
            // Only this connection's own socket: a newer connection is never touched.
            ShutdownBoth(link.socket);
            window.PostToMainThread([owner, id] {
                if (const auto alive = owner.lock()) (*alive)->ConnectionEnded(id);
            });
            return;
        }
        // The line is held here, and no more is read, until the window has room for it.
        link.roomForLines.wait(
            guard, [&] { return link.closing || link.pendingLines < options.maxPendingLines; });
        if (link.closing) return;
        ++link.pendingLines;
        window.PostToMainThread([owner, id, text = std::string(*line)] {
            if (const auto alive = owner.lock()) (*alive)->ReceiveLine(id, text);
        });
    }
}

void ClientConnection::ReceiveLine(std::uint64_t linkId, std::string_view line) {
    if (!current || current->id != linkId) return;
    current->LineTaken();
    dispatcher.Dispatch(line);
    if (!current->listed && roster.Count() > 0) {
        current->listed = true;
        Notify(ConnectionEvent::Listed);
    }
}

void ClientConnection::ConnectionEnded(std::uint64_t linkId) {
    if (!current || current->id != linkId) return;
    Disconnect();
    window.AppendChatLog(Cp932FromUtf8("サーバーとの接続が切れました\r\n"));
    Notify(ConnectionEvent::Lost);
}

}  // namespace vesk

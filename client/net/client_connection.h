#pragma once

// VeskChat's connection to the relay: opening it with its join and reader threads, sending
// lines, closing it, and the participant roster that the lines it receives keep.
//
// Threads: the main thread calls every public function and runs the dispatcher, so the roster
// and the participant list change there only. Each connection has a join thread (the four
// join lines, then it ends) and a reader thread (one line at a time, handed to the main thread
// through ChatWindow::PostToMainThread, tagged with its connection; it waits while
// ConnectionOptions::maxPendingLines of them are not taken up yet). Closing a connection shuts
// its socket down, which wakes both threads, and waits for them to end, never for the window;
// a line of a connection that has been closed since it was posted is dropped.
//
// A connection can also be opened in the background, for joining the party again by itself:
// a connect thread of its own connects and hands the socket to the main thread, which never
// waits for it; a background open that is cancelled or outlived by the object closes its
// socket itself and touches nothing else.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "client/net/chat_window.h"
#include "client/net/replay_overlap.h"
#include "protocol/line_dispatcher.h"
#include "protocol/participant_roster.h"
#include "protocol/port_range.h"
#include "protocol/socket.h"

namespace vesk {

// The server to connect to: dotted IPv4 text (host names are not resolved) and a port.
struct ConnectionTarget {
    std::string address = "127.0.0.1";
    int port = kDefaultServerPort;
};

// What to type instead of an address or a port that no connection can be made to (UTF-8).
inline constexpr const char* kAddressRule =
    "アドレスは 127.0.0.1 のように数字とピリオドで指定してください。";
inline constexpr const char* kPortRule = "ポート番号は 1 から 65535 までの数で指定してください。";

struct ConnectionOptions {
    // Connecting runs on the main thread, so an unreachable server may hold the window up
    // this long at most rather than for the system's own connection timeout.
    std::chrono::milliseconds connectTimeout{4000};
    // A line the server does not take within this time is dropped and its connection given
    // up, so a stalled server cannot freeze the window.
    std::chrono::milliseconds sendTimeout{5000};
    // Lines the reader thread may have handed to the main thread that the main thread has not
    // taken up yet. A reader this far ahead waits, so a flood while the window is busy backs up
    // through TCP to the relay, which deals with slow receivers, instead of filling memory.
    std::size_t maxPendingLines = 256;
    // A server whose machine or network vanished is noticed about a minute later: 30 s
    // idle, then three probes 10 s apart; data it never acknowledges is given up as soon.
    std::chrono::seconds keepAliveIdle{30};
    std::chrono::seconds keepAliveInterval{10};
    int keepAliveProbes = 3;
};

// What the owner of the connection hears of, on the main thread.
enum class ConnectionEvent {
    Opened,      // a connection was made, by OpenConnection or in the background
    Listed,      // the relay listed a participant on it: the party took the player in
    Lost,        // it ended without the player choosing it
    OpenFailed,  // a background open could not connect
};

class ClientConnection {
public:
    // window must outlive the connection object.
    explicit ClientConnection(ChatWindow& window, ConnectionOptions options = {});
    // Closes as at the end of the program (see Close).
    ~ClientConnection();
    ClientConnection(const ClientConnection&) = delete;
    ClientConnection& operator=(const ClientConnection&) = delete;

    ConnectionTarget& Target() { return target; }
    const ConnectionTarget& Target() const { return target; }

    // Connects to the target and starts the join and reader threads; the menu then shows
    // the connected state. A connection that is open already is disconnected first. When the
    // server cannot be reached, a message with its address and port says so, the menu stays
    // in the not-connected state, and the result is false.
    bool OpenConnection();

    // Connects to the target in the background under the player name of the last connection;
    // ConnectionEvent::Opened or OpenFailed tells the outcome. False when it cannot start
    // (closed, connected, or a background open runs already).
    bool OpenInBackground();
    // A background open that still runs is forgotten; its socket is closed when it comes.
    void CancelBackgroundOpen();
    bool OpeningInBackground() const { return pending != nullptr; }

    void OnEvent(std::function<void(ConnectionEvent)> listener) { events = std::move(listener); }

    // The disconnect command: empties the roster, closes the connection, sets the menu to the
    // not-connected state and empties the participant list. No notice in the chat log.
    void Disconnect();

    // Sends one whole line (CR LF included) on the current connection; lines from the join
    // thread never come between its bytes, and the name line always goes first. False when
    // there is no connection or the send failed; the line is then dropped.
    bool SendLine(std::string_view line);

    bool Connected() const { return current != nullptr; }

    // The end of the program: empties the roster and closes the connection without touching
    // the window; no thread of this object touches it afterwards. Nothing can be opened after.
    void Close();

    const ParticipantRoster& Roster() const { return roster; }

    // The player name as the lines carry it, read from the window now.
    std::string PlayerName();

private:
    // One open connection: its socket, its two threads and their locks.
    struct Link;
    // One background open: its connect thread holds it while it posts its outcome.
    struct PendingOpen;

    // Takes a connected socket: the connection's threads start and the menu shows it.
    bool Adopt(SocketHandle socket, std::string playerName);
    void BackgroundOpenEnded(const std::shared_ptr<PendingOpen>& attempt, SocketHandle socket);
    void Notify(ConnectionEvent event);
    void CloseConnection();
    void JoinThread(Link& link);
    void ReaderThread(Link& link);
    // Main thread: what the reader thread of the connection with this id handed over.
    void ReceiveLine(std::uint64_t linkId, std::string_view line);
    void ConnectionEnded(std::uint64_t linkId);
    void ReportConnectFailure(const ConnectResult& result);

    ChatWindow& window;
    const ConnectionOptions options;
    ConnectionTarget target;
    ParticipantRoster roster;
    // A relay's replay of the recent lines, on a rejoin, shows only what the log lacks.
    ReplayOverlap replay;
    IncomingLineDispatcher dispatcher;

    // The open connection or nullptr; only the main thread reads or changes it.
    std::unique_ptr<Link> current;
    std::uint64_t lastLinkId = 0;
    bool closed = false;
    std::shared_ptr<PendingOpen> pending;
    // The player name of the last connection made, which a background open joins under.
    std::string lastPlayerName;
    std::function<void(ConnectionEvent)> events;

    // Tasks posted to the main thread hold this weakly: one that runs after the object is
    // gone does nothing.
    std::shared_ptr<ClientConnection*> self;
};

}  // namespace vesk

#pragma once

// A thin layer over stream sockets: BSD sockets on POSIX (socket_posix.cpp), Windows Sockets
// on Windows (socket_windows.cpp), what both share in socket.cpp. Every call retries when a
// signal interrupts it; none of them throws.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "protocol/windows_headers.h"

namespace vesk {

#ifdef _WIN32
using SocketHandle = SOCKET;
inline constexpr SocketHandle kInvalidSocket = INVALID_SOCKET;
#else
using SocketHandle = int;
inline constexpr SocketHandle kInvalidSocket = -1;
#endif

// Raises this process's limit of open descriptors to the most it may have, so that each
// client costs one descriptor of plenty. Nothing to do on Windows.
void RaiseOpenFileLimit();

// The error code of the last failed socket call on this thread.
int LastSocketError();

// Takes what is waiting, up to capacity, waiting for at least one byte: the count, 0 when the
// peer closed the connection, -1 on an error.
long ReceiveSome(SocketHandle socket, char* buffer, std::size_t capacity);

// Hands bytes to the system: the count taken (at least 1), or 0 or -1 when the send failed,
// timed out or the connection is gone. Never raises SIGPIPE. What the socket can take now is
// taken at once; when it can take nothing, the call waits for room until the socket's send
// timeout, counted from started, has passed. A caller that sends one buffer in several calls
// passes the same started to all of them, so the timeout bounds the whole buffer.
long SendSome(SocketHandle socket, const char* bytes, std::size_t count,
              std::chrono::steady_clock::time_point started = std::chrono::steady_clock::now());

// Hands the socket's send buffer what it takes of bytes now, without waiting for the peer: the
// count taken (0 when the buffer is full), or -1 when the connection is gone. On Windows it
// leaves the socket in non-blocking mode, which the other calls here allow for.
long SendNow(SocketHandle socket, std::string_view bytes);

// Waits up to timeout for room in the socket's send buffer, or its failure: 1 when there is
// either, 0 when the time ran out, -1 when the wait itself failed. A negative timeout waits
// without end.
int WaitWritable(SocketHandle socket, std::chrono::milliseconds timeout);

// Switches the socket between waiting and non-waiting calls; false when it cannot.
bool SetBlocking(SocketHandle socket, bool blocking);

// Waits up to timeout for something to read: bytes, the peer's close, an error, or the socket
// being shut down on this side. True when there is.
bool WaitReadable(SocketHandle socket, std::chrono::milliseconds timeout);

// Ends both directions, which wakes every thread blocked on the socket. A connection that is
// already gone (reset by the peer) counts as shut down.
bool ShutdownBoth(SocketHandle socket);
bool CloseSocket(SocketHandle socket);

enum class ListenStep { Done, Socket, Bind, Listen };

struct Listener {
    SocketHandle handle = kInvalidSocket;
    ListenStep failedAt = ListenStep::Done;  // the step that failed, or Done
};

// The longest queue of connections not yet accepted that the system allows: a whole party
// joining at once must not find it full.
int MaxListenBacklog();

// A listening IPv4 socket on every interface; port 0 lets the system choose.
Listener OpenListener(std::uint16_t port, int backlog);

struct Accepted {
    SocketHandle handle = kInvalidSocket;
    int peerPort = 0;
    std::string peerAddress;  // dotted IPv4
    // No connection, but the listener still works: the system was short of descriptors or
    // memory for a moment, and a later try may succeed.
    bool temporaryFailure = false;
};

// Waits for the next connection. No handle and no temporary failure once the listener is shut
// down or fails for good.
Accepted AcceptConnection(SocketHandle listener);

// The local port a socket is bound to, or -1.
int LocalPort(SocketHandle socket);

// Why a connection could not be made.
enum class ConnectFailure {
    None,
    BadAddress,   // the text is no IPv4 address, or the port is out of range
    Refused,      // nothing listens at that address and port
    TimedOut,     // no answer within the time given
    Unreachable,  // no route to that network or host
    Other,        // the system's error number tells
};

struct ConnectResult {
    SocketHandle handle = kInvalidSocket;
    ConnectFailure failure = ConnectFailure::None;
    int error = 0;  // the system's error number when the connection failed
};

// Whether text is an IPv4 address that ConnectTo takes.
bool IsIpv4AddressText(const std::string& text);

// Connects to an IPv4 address in any form inet_addr reads, such as "192.168.0.5" or "127.1"
// (host names are not resolved), waiting at most timeout.
ConnectResult ConnectTo(const std::string& dottedAddress, int port,
                        std::chrono::milliseconds timeout);

// Unsent data is given at most this long when the socket is closed; 0 discards it and resets
// the connection at close.
void SetLinger(SocketHandle socket, int seconds);
// Lines leave as soon as they are handed over, not held back to be merged with later ones.
void SetNoDelay(SocketHandle socket);
// How many bytes the system keeps for a peer that has not taken them yet.
void SetSendBuffer(SocketHandle socket, int bytes);
// A send that cannot hand over its bytes within this time fails.
void SetSendTimeout(SocketHandle socket, std::chrono::milliseconds timeout);
// The time SetSendTimeout gave the socket; zero when a send may wait without end.
std::chrono::milliseconds SendTimeoutOf(SocketHandle socket);
// A peer that vanished without closing (machine off, network gone) is noticed after about
// idle + interval * probes; unacknowledged data gives up after the same time.
void EnableKeepAlive(SocketHandle socket, std::chrono::seconds idle, std::chrono::seconds interval,
                     int probes);

}  // namespace vesk

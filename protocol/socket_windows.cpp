// The socket layer on Windows Sockets.

#include "protocol/socket.h"

#include <mstcpip.h>

#include "protocol/socket_system.h"

namespace vesk {

namespace system {

bool Interrupted() { return false; }
bool AcceptAborted() { return WSAGetLastError() == WSAECONNRESET; }

bool ShortOfResources() {
    const int error = WSAGetLastError();
    return error == WSAEMFILE || error == WSAENOBUFS;
}

bool ConnectPending() { return WSAGetLastError() == WSAEWOULDBLOCK; }

const int kConnectTimedOut = WSAETIMEDOUT;

ConnectFailure ConnectFailureOf(int error) {
    switch (error) {
        case WSAECONNREFUSED:
            return ConnectFailure::Refused;
        case WSAETIMEDOUT:
            return ConnectFailure::TimedOut;
        case WSAENETUNREACH:
        case WSAEHOSTUNREACH:
            return ConnectFailure::Unreachable;
        default:
            return ConnectFailure::Other;
    }
}

bool ReadIpv4Address(const std::string& text, in_addr* address) {
    const unsigned long value = inet_addr(text.c_str());
    // The failure value is also 255.255.255.255, which no connection can be made to.
    if (value == INADDR_NONE) return false;
    address->s_addr = value;
    return true;
}

// Windows would let a second program take a port that is listened on already, so the address
// is not marked for reuse there.
void AllowQuickRestart(SocketHandle) {}

}  // namespace system

namespace {

// SendNow leaves its socket in non-blocking mode. A call that would wait then fails with this
// error, and the calls that are meant to wait wait for the socket themselves.
bool WouldWait() { return WSAGetLastError() == WSAEWOULDBLOCK; }

// A shutdown that comes between a try and the wait for the socket does not wake that wait; it
// fails the next try, which comes after at most this long.
constexpr std::chrono::milliseconds kWaitSlice{500};

timeval TimevalOf(std::chrono::milliseconds timeout) {
    return {static_cast<long>(timeout.count() / 1000),
            static_cast<long>(timeout.count() % 1000 * 1000)};
}

}  // namespace

void RaiseOpenFileLimit() {}

int LastSocketError() { return WSAGetLastError(); }

long ReceiveSome(SocketHandle socket, char* buffer, std::size_t capacity) {
    for (;;) {
        const long result = recv(socket, buffer, static_cast<int>(capacity), 0);
        if (result >= 0 || !WouldWait()) return result;
        WaitReadable(socket, kWaitSlice);
    }
}

long SendSome(SocketHandle socket, const char* bytes, std::size_t count,
              std::chrono::steady_clock::time_point started) {
    // Winsock has no flag for a single send that does not wait, so the room is waited for
    // first; the send itself is then bounded by the socket's own timeout.
    for (;;) {
        if (!system::WaitForRoom(socket, started)) return -1;
        const long result = send(socket, bytes, static_cast<int>(count), 0);
        if (result >= 0 || !WouldWait()) return result;
    }
}

long SendNow(SocketHandle socket, std::string_view bytes) {
    // Winsock has no flag for a single send that does not wait: the socket is switched to
    // non-blocking mode for good. A switch for this send alone would race with a receive
    // on another thread, which would take the mode for a failure.
    SetBlocking(socket, false);
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const long result =
            send(socket, bytes.data() + sent, static_cast<int>(bytes.size() - sent), 0);
        if (result > 0) {
            sent += static_cast<std::size_t>(result);
            continue;
        }
        if (result < 0 && WouldWait()) break;
        return -1;
    }
    return static_cast<long>(sent);
}

int WaitWritable(SocketHandle socket, std::chrono::milliseconds timeout) {
    fd_set writable, failed;
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(socket, &writable);
    FD_SET(socket, &failed);
    timeval limit = TimevalOf(timeout);
    const int ready =
        select(0, nullptr, &writable, &failed, timeout.count() < 0 ? nullptr : &limit);
    return ready < 0 ? -1 : ready > 0 ? 1 : 0;
}

bool SetBlocking(SocketHandle socket, bool blocking) {
    u_long nonBlocking = blocking ? 0 : 1;
    return ioctlsocket(socket, FIONBIO, &nonBlocking) == 0;
}

bool WaitReadable(SocketHandle socket, std::chrono::milliseconds timeout) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(socket, &readable);
    timeval limit = TimevalOf(timeout);
    return select(0, &readable, nullptr, nullptr, &limit) > 0;
}

bool ShutdownBoth(SocketHandle socket) {
    const bool shutDown = shutdown(socket, SD_BOTH) == 0 || WSAGetLastError() == WSAENOTCONN;
    // Winsock leaves a call that already waits on the socket waiting until the peer closes;
    // cancelling the socket's pending calls wakes it, and the shutdown fails every later one.
    CancelIoEx(reinterpret_cast<HANDLE>(socket), nullptr);
    return shutDown;
}

bool CloseSocket(SocketHandle socket) { return closesocket(socket) == 0; }

void SetSendTimeout(SocketHandle socket, std::chrono::milliseconds timeout) {
    const DWORD value = static_cast<DWORD>(timeout.count());
    setsockopt(socket, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&value),
               sizeof value);
}

std::chrono::milliseconds SendTimeoutOf(SocketHandle socket) {
    DWORD value = 0;
    int length = sizeof value;
    if (getsockopt(socket, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<char*>(&value), &length) != 0)
        return {};
    return std::chrono::milliseconds(value);
}

void EnableKeepAlive(SocketHandle socket, std::chrono::seconds idle, std::chrono::seconds interval,
                     int probes) {
    // Winsock takes the idle time and the interval in one control, and sends a fixed number of
    // probes; the interval is scaled so that a vanished peer is noticed after the same time.
    // Unacknowledged data is bounded by the system's own retransmission limit.
    constexpr int kWindowsProbes = 10;
    tcp_keepalive values{};
    values.onoff = 1;
    values.keepalivetime = static_cast<ULONG>(idle / std::chrono::milliseconds(1));
    values.keepaliveinterval =
        static_cast<ULONG>(interval * probes / kWindowsProbes / std::chrono::milliseconds(1));
    DWORD returned = 0;
    WSAIoctl(socket, SIO_KEEPALIVE_VALS, &values, sizeof values, nullptr, 0, &returned, nullptr,
             nullptr);
}

}  // namespace vesk

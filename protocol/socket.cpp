#include "protocol/socket.h"

#include <cstring>

#ifdef _WIN32
#include <mstcpip.h>
#else
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace vesk {

namespace {

#ifdef _WIN32
using Length = int;
constexpr int kSendFlags = 0;
bool Interrupted() { return false; }
bool Aborted() { return WSAGetLastError() == WSAECONNRESET; }
bool ShortOfResources() {
    const int error = WSAGetLastError();
    return error == WSAEMFILE || error == WSAENOBUFS;
}
#else
using Length = std::size_t;
constexpr int kSendFlags = MSG_NOSIGNAL;
bool Interrupted() { return errno == EINTR; }
// A connection that failed before it was taken, which says nothing about the listener.
bool Aborted() {
    switch (errno) {
        case ECONNABORTED:
        case EPROTO:
        case ENETDOWN:
        case ENONET:
        case EHOSTDOWN:
        case EHOSTUNREACH:
        case ENETUNREACH:
        case ENOPROTOOPT:
        case EOPNOTSUPP:
            return true;
        default:
            return false;
    }
}
bool ShortOfResources() {
    return errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM;
}
#endif

template <typename Call>
long Retry(Call call) {
    long result;
    do {
        result = static_cast<long>(call());
    } while (result < 0 && Interrupted());
    return result;
}

// Waits for room in the socket's send buffer; false once its send timeout, counted from
// started, has passed.
bool WaitForRoom(SocketHandle socket, std::chrono::steady_clock::time_point started) {
    using std::chrono::milliseconds;
    const milliseconds timeout = SendTimeoutOf(socket);
    milliseconds left(-1);
    if (timeout > milliseconds::zero()) {
        left =
            std::chrono::ceil<milliseconds>(started + timeout - std::chrono::steady_clock::now());
        if (left <= milliseconds::zero()) return false;
    }
    return WaitWritable(socket, left) > 0;
}

#ifdef _WIN32
// SendWithoutWaiting leaves its socket in non-blocking mode. A call that would wait then fails
// with this error, and the calls that are meant to wait wait for the socket themselves.
bool WouldWait() { return WSAGetLastError() == WSAEWOULDBLOCK; }

// A shutdown that comes between a try and the wait for the socket does not wake that wait; it
// fails the next try, which comes after at most this long.
constexpr std::chrono::milliseconds kWaitSlice{500};
#endif

// Takes bytes, waiting for at least one.
long Receive(SocketHandle socket, char* buffer, std::size_t capacity) {
    for (;;) {
        const long result =
            Retry([&] { return recv(socket, buffer, static_cast<Length>(capacity), 0); });
#ifdef _WIN32
        if (result < 0 && WouldWait()) {
            WaitReadable(socket, kWaitSlice);
            continue;
        }
#endif
        return result;
    }
}

}  // namespace

void RaiseOpenFileLimit() {
#ifndef _WIN32
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == limit.rlim_max) return;
    limit.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_NOFILE, &limit);
#endif
}

int LastSocketError() {
#ifdef _WIN32
    return WSAGetLastError();
#else
    return errno;
#endif
}

long ReceiveSome(SocketHandle socket, char* buffer, std::size_t capacity) {
    return Receive(socket, buffer, capacity);
}

long SendSome(SocketHandle socket, const char* bytes, std::size_t count,
              std::chrono::steady_clock::time_point started) {
#ifdef _WIN32
    // Winsock has no flag for a single send that does not wait, so the room is waited for
    // first; the send itself is then bounded by the socket's own timeout.
    for (;;) {
        if (!WaitForRoom(socket, started)) return -1;
        const long result = send(socket, bytes, static_cast<Length>(count), kSendFlags);
        if (result >= 0 || !WouldWait()) return result;
    }
#else
    // The socket's own timeout would start again with every call, so a peer that takes a
    // few bytes now and then could hold a send up without end; the wait is bounded here.
    for (;;) {
        const long result = Retry([&] {
            return send(socket, bytes, static_cast<Length>(count), kSendFlags | MSG_DONTWAIT);
        });
        if (result >= 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) return result;
        if (!WaitForRoom(socket, started)) return -1;
    }
#endif
}

int WaitWritable(SocketHandle socket, std::chrono::milliseconds timeout) {
#ifdef _WIN32
    fd_set writable, failed;
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(socket, &writable);
    FD_SET(socket, &failed);
    timeval limit{static_cast<long>(timeout.count() / 1000),
                  static_cast<long>(timeout.count() % 1000 * 1000)};
    const int ready =
        select(0, nullptr, &writable, &failed, timeout.count() < 0 ? nullptr : &limit);
    return ready < 0 ? -1 : ready > 0 ? 1 : 0;
#else
    pollfd entry{socket, POLLOUT, 0};
    const int wait = timeout.count() < 0 ? -1 : static_cast<int>(timeout.count());
    return static_cast<int>(Retry([&] { return poll(&entry, 1, wait); }));
#endif
}

bool SetBlocking(SocketHandle socket, bool blocking) {
#ifdef _WIN32
    u_long nonBlocking = blocking ? 0 : 1;
    return ioctlsocket(socket, FIONBIO, &nonBlocking) == 0;
#else
    const int flags = fcntl(socket, F_GETFL, 0);
    if (flags < 0) return false;
    return fcntl(socket, F_SETFL, blocking ? flags & ~O_NONBLOCK : flags | O_NONBLOCK) == 0;
#endif
}

long SendNow(SocketHandle socket, std::string_view bytes) {
#ifdef _WIN32
    // Winsock has no flag for a single send that does not wait: the socket is switched to
    // non-blocking mode for good. A switch for this send alone would race with a receive
    // on another thread, which would take the mode for a failure.
    SetBlocking(socket, false);
    constexpr int flags = kSendFlags;
#else
    constexpr int flags = kSendFlags | MSG_DONTWAIT;
#endif
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const long result = Retry([&] {
            return send(socket, bytes.data() + sent, static_cast<Length>(bytes.size() - sent),
                        flags);
        });
        if (result > 0) {
            sent += static_cast<std::size_t>(result);
            continue;
        }
#ifdef _WIN32
        if (result < 0 && WouldWait()) break;
#else
        if (result < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
#endif
        return -1;
    }
    return static_cast<long>(sent);
}

bool WaitReadable(SocketHandle socket, std::chrono::milliseconds timeout) {
#ifdef _WIN32
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(socket, &readable);
    timeval limit{static_cast<long>(timeout.count() / 1000),
                  static_cast<long>(timeout.count() % 1000 * 1000)};
    return select(0, &readable, nullptr, nullptr, &limit) > 0;
#else
    pollfd entry{socket, POLLIN, 0};
    return Retry([&] { return poll(&entry, 1, static_cast<int>(timeout.count())); }) > 0;
#endif
}

bool ShutdownBoth(SocketHandle socket) {
#ifdef _WIN32
    const bool shutDown = shutdown(socket, SD_BOTH) == 0 || WSAGetLastError() == WSAENOTCONN;
    // Winsock leaves a call that already waits on the socket waiting until the peer closes;
    // cancelling the socket's pending calls wakes it, and the shutdown fails every later one.
    CancelIoEx(reinterpret_cast<HANDLE>(socket), nullptr);
    return shutDown;
#else
    return shutdown(socket, SHUT_RDWR) == 0 || errno == ENOTCONN;
#endif
}

bool CloseSocket(SocketHandle socket) {
#ifdef _WIN32
    return closesocket(socket) == 0;
#else
    return close(socket) == 0;
#endif
}

int MaxListenBacklog() { return SOMAXCONN; }

Listener OpenListener(std::uint16_t port, int backlog) {
    Listener listener;
    listener.handle = socket(AF_INET, SOCK_STREAM, 0);
    if (listener.handle == kInvalidSocket) {
        listener.failedAt = ListenStep::Socket;
        return listener;
    }
#ifndef _WIN32
    // Lets a stop and a start on the same port follow each other while connections of the
    // last run sit in TIME_WAIT. On POSIX it still refuses a port another program listens
    // on; on Windows it would not, so it is left off there.
    const int on = 1;
    setsockopt(listener.handle, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
#endif
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    address.sin_port = htons(port);
    if (bind(listener.handle, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        listener.failedAt = ListenStep::Bind;
    } else if (listen(listener.handle, backlog) != 0) {
        listener.failedAt = ListenStep::Listen;
    }
    if (listener.failedAt != ListenStep::Done) {
        CloseSocket(listener.handle);
        listener.handle = kInvalidSocket;
    }
    return listener;
}

Accepted AcceptConnection(SocketHandle listener) {
    sockaddr_in peer{};
    Accepted accepted;
    for (;;) {
#ifdef _WIN32
        int length = sizeof peer;
#else
        socklen_t length = sizeof peer;
#endif
        accepted.handle = accept(listener, reinterpret_cast<sockaddr*>(&peer), &length);
        if (accepted.handle != kInvalidSocket) break;
        if (Interrupted() || Aborted()) continue;
        accepted.temporaryFailure = ShortOfResources();
        return accepted;
    }
    accepted.peerPort = ntohs(peer.sin_port);
    const std::uint32_t address = ntohl(peer.sin_addr.s_addr);
    accepted.peerAddress =
        std::to_string(address >> 24) + "." + std::to_string(address >> 16 & 0xff) + "." +
        std::to_string(address >> 8 & 0xff) + "." + std::to_string(address & 0xff);
    return accepted;
}

bool WakePendingAccept(SocketHandle listener) {
#ifdef _WIN32
    // Closed even when the close reports a failure: the handle is of no use after either.
    closesocket(listener);
    return true;
#else
    ShutdownBoth(listener);
    return false;
#endif
}

int LocalPort(SocketHandle socket) {
    sockaddr_in address{};
#ifdef _WIN32
    int length = sizeof address;
#else
    socklen_t length = sizeof address;
#endif
    if (getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length) != 0) return -1;
    return ntohs(address.sin_port);
}

namespace {

#ifdef _WIN32
bool ConnectPending() { return WSAGetLastError() == WSAEWOULDBLOCK; }
constexpr int kConnectTimedOut = WSAETIMEDOUT;
using OptionLength = int;
#else
bool ConnectPending() { return errno == EINPROGRESS; }
constexpr int kConnectTimedOut = ETIMEDOUT;
using OptionLength = socklen_t;
#endif

// The forms inet_addr reads: up to four parts in decimal, octal ("010") or hexadecimal
// ("0x7f"), the last part filling the bytes the others leave ("127.1" is 127.0.0.1).
bool ReadIpv4Address(const std::string& text, in_addr* address) {
#ifdef _WIN32
    const unsigned long value = inet_addr(text.c_str());
    // The failure value is also 255.255.255.255, which no connection can be made to.
    if (value == INADDR_NONE) return false;
    address->s_addr = value;
    return true;
#else
    return inet_aton(text.c_str(), address) != 0;
#endif
}

// 0 when connected, else the error; a timed-out error when the time ran out.
int WaitForConnect(SocketHandle socket, std::chrono::milliseconds timeout) {
    const int ready = WaitWritable(socket, timeout);
    if (ready == 0) return kConnectTimedOut;
    if (ready < 0) return LastSocketError();
    int error = 0;
    OptionLength length = sizeof error;
    getsockopt(socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length);
    return error;
}

}  // namespace

bool IsIpv4AddressText(const std::string& text) {
    in_addr address{};
    return ReadIpv4Address(text, &address);
}

ConnectResult ConnectTo(const std::string& dottedAddress, int port,
                        std::chrono::milliseconds timeout) {
    ConnectResult result;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    if (port < 0 || port > 65535 || !ReadIpv4Address(dottedAddress, &address.sin_addr)) {
        result.badAddress = true;
        return result;
    }
    const SocketHandle handle = socket(AF_INET, SOCK_STREAM, 0);
    if (handle == kInvalidSocket) {
        result.error = LastSocketError();
        return result;
    }
    // Connect without blocking, so that an unreachable server costs at most the timeout
    // rather than the system's own connection timeout.
    int error = 0;
    if (!SetBlocking(handle, false)) {
        error = LastSocketError();
    } else if (connect(handle, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        error = ConnectPending() ? WaitForConnect(handle, timeout) : LastSocketError();
    }
    if (error == 0 && !SetBlocking(handle, true)) error = LastSocketError();
    if (error != 0) {
        CloseSocket(handle);
        result.error = error;
        return result;
    }
    result.handle = handle;
    return result;
}

void SetLinger(SocketHandle socket, int seconds) {
    linger value{};
    value.l_onoff = 1;
    value.l_linger = static_cast<decltype(value.l_linger)>(seconds);
    setsockopt(socket, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&value), sizeof value);
}

void ClearLinger(SocketHandle socket) {
    linger value{};
    setsockopt(socket, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&value), sizeof value);
}

void SetNoDelay(SocketHandle socket) {
    const int on = 1;
    setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
}

void SetSendBuffer(SocketHandle socket, int bytes) {
    setsockopt(socket, SOL_SOCKET, SO_SNDBUF, reinterpret_cast<const char*>(&bytes), sizeof bytes);
}

void SetSendTimeout(SocketHandle socket, std::chrono::milliseconds timeout) {
#ifdef _WIN32
    const DWORD value = static_cast<DWORD>(timeout.count());
#else
    timeval value{};
    value.tv_sec = static_cast<time_t>(timeout.count() / 1000);
    value.tv_usec = static_cast<suseconds_t>(timeout.count() % 1000 * 1000);
#endif
    setsockopt(socket, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&value),
               sizeof value);
}

std::chrono::milliseconds SendTimeoutOf(SocketHandle socket) {
#ifdef _WIN32
    DWORD value = 0;
    int length = sizeof value;
    if (getsockopt(socket, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<char*>(&value), &length) != 0)
        return {};
    return std::chrono::milliseconds(value);
#else
    timeval value{};
    socklen_t length = sizeof value;
    if (getsockopt(socket, SOL_SOCKET, SO_SNDTIMEO, &value, &length) != 0) return {};
    return std::chrono::seconds(value.tv_sec) +
           std::chrono::ceil<std::chrono::milliseconds>(std::chrono::microseconds(value.tv_usec));
#endif
}

void EnableKeepAlive(SocketHandle socket, std::chrono::seconds idle, std::chrono::seconds interval,
                     int probes) {
#ifdef _WIN32
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
#else
    const int on = 1;
    setsockopt(socket, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
#ifdef TCP_KEEPIDLE
    const int idleSeconds = static_cast<int>(idle.count());
    const int intervalSeconds = static_cast<int>(interval.count());
    setsockopt(socket, IPPROTO_TCP, TCP_KEEPIDLE, &idleSeconds, sizeof idleSeconds);
    setsockopt(socket, IPPROTO_TCP, TCP_KEEPINTVL, &intervalSeconds, sizeof intervalSeconds);
    setsockopt(socket, IPPROTO_TCP, TCP_KEEPCNT, &probes, sizeof probes);
#endif
#ifdef TCP_USER_TIMEOUT
    // Keepalive probes only run while nothing is waiting for acknowledgement; this bounds the
    // other case, data sent to a peer that no longer answers.
    const unsigned int userTimeout =
        static_cast<unsigned int>((idle + interval * probes) / std::chrono::milliseconds(1));
    setsockopt(socket, IPPROTO_TCP, TCP_USER_TIMEOUT, &userTimeout, sizeof userTimeout);
#endif
#if !defined(TCP_KEEPIDLE) && !defined(TCP_USER_TIMEOUT)
    (void)idle;
    (void)interval;
    (void)probes;
#endif
#endif
}

}  // namespace vesk

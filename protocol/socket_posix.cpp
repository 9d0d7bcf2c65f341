// The socket layer on BSD sockets.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "protocol/socket.h"
#include "protocol/socket_system.h"

namespace vesk {

namespace system {

bool Interrupted() { return errno == EINTR; }

bool AcceptAborted() {
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

bool ConnectPending() { return errno == EINPROGRESS; }

const int kConnectTimedOut = ETIMEDOUT;

ConnectFailure ConnectFailureOf(int error) {
    switch (error) {
        case ECONNREFUSED:
            return ConnectFailure::Refused;
        case ETIMEDOUT:
            return ConnectFailure::TimedOut;
        case ENETUNREACH:
        case EHOSTUNREACH:
            return ConnectFailure::Unreachable;
        default:
            return ConnectFailure::Other;
    }
}

bool ReadIpv4Address(const std::string& text, in_addr* address) {
    return inet_aton(text.c_str(), address) != 0;
}

void AllowQuickRestart(SocketHandle listener) {
    const int on = 1;
    setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
}

}  // namespace system

namespace {

bool WouldWait() { return errno == EAGAIN || errno == EWOULDBLOCK; }

}  // namespace

void RaiseOpenFileLimit() {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == limit.rlim_max) return;
    limit.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_NOFILE, &limit);
}

int LastSocketError() { return errno; }

long ReceiveSome(SocketHandle socket, char* buffer, std::size_t capacity) {
    return system::Retry([&] { return recv(socket, buffer, capacity, 0); });
}

long SendSome(SocketHandle socket, const char* bytes, std::size_t count,
              std::chrono::steady_clock::time_point started) {
    // The socket's own timeout would start again with every call, so a peer that takes a
    // few bytes now and then could hold a send up without end; the wait is bounded here.
    for (;;) {
        const long result =
            system::Retry([&] { return send(socket, bytes, count, MSG_NOSIGNAL | MSG_DONTWAIT); });
        if (result >= 0 || !WouldWait()) return result;
        if (!system::WaitForRoom(socket, started)) return -1;
    }
}

long SendNow(SocketHandle socket, std::string_view bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const long result = system::Retry([&] {
            return send(socket, bytes.data() + sent, bytes.size() - sent,
                        MSG_NOSIGNAL | MSG_DONTWAIT);
        });
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
    pollfd entry{socket, POLLOUT, 0};
    const int wait = timeout.count() < 0 ? -1 : static_cast<int>(timeout.count());
    return static_cast<int>(system::Retry([&] { return poll(&entry, 1, wait); }));
}

bool SetBlocking(SocketHandle socket, bool blocking) {
    const int flags = fcntl(socket, F_GETFL, 0);
    if (flags < 0) return false;
    return fcntl(socket, F_SETFL, blocking ? flags & ~O_NONBLOCK : flags | O_NONBLOCK) == 0;
}

bool WaitReadable(SocketHandle socket, std::chrono::milliseconds timeout) {
    pollfd entry{socket, POLLIN, 0};
    return system::Retry([&] { return poll(&entry, 1, static_cast<int>(timeout.count())); }) > 0;
}

bool ShutdownBoth(SocketHandle socket) {
    return shutdown(socket, SHUT_RDWR) == 0 || errno == ENOTCONN;
}

bool CloseSocket(SocketHandle socket) { return close(socket) == 0; }

void SetSendTimeout(SocketHandle socket, std::chrono::milliseconds timeout) {
    timeval value{};
    value.tv_sec = static_cast<time_t>(timeout.count() / 1000);
    value.tv_usec = static_cast<suseconds_t>(timeout.count() % 1000 * 1000);
    setsockopt(socket, SOL_SOCKET, SO_SNDTIMEO, &value, sizeof value);
}

std::chrono::milliseconds SendTimeoutOf(SocketHandle socket) {
    timeval value{};
    socklen_t length = sizeof value;
    if (getsockopt(socket, SOL_SOCKET, SO_SNDTIMEO, &value, &length) != 0) return {};
    return std::chrono::seconds(value.tv_sec) +
           std::chrono::ceil<std::chrono::milliseconds>(std::chrono::microseconds(value.tv_usec));
}

void EnableKeepAlive(SocketHandle socket, std::chrono::seconds idle, std::chrono::seconds interval,
                     int probes) {
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
}

}  // namespace vesk

#include "protocol/socket.h"

#include "protocol/socket_system.h"

#ifndef _WIN32
#include <arpa/inet.h>
#include <netinet/tcp.h>
#endif

namespace vesk {

namespace system {

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

}  // namespace system

int MaxListenBacklog() { return SOMAXCONN; }

Listener OpenListener(std::uint16_t port, int backlog) {
    Listener listener;
    listener.handle = socket(AF_INET, SOCK_STREAM, 0);
    if (listener.handle == kInvalidSocket) {
        listener.failedAt = ListenStep::Socket;
        return listener;
    }
    system::AllowQuickRestart(listener.handle);
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
        system::AddressLength length = sizeof peer;
        accepted.handle = accept(listener, reinterpret_cast<sockaddr*>(&peer), &length);
        if (accepted.handle != kInvalidSocket) break;
        if (system::Interrupted() || system::AcceptAborted()) continue;
        accepted.temporaryFailure = system::ShortOfResources();
        return accepted;
    }
    accepted.peerPort = ntohs(peer.sin_port);
    const std::uint32_t address = ntohl(peer.sin_addr.s_addr);
    accepted.peerAddress =
        std::to_string(address >> 24) + "." + std::to_string(address >> 16 & 0xff) + "." +
        std::to_string(address >> 8 & 0xff) + "." + std::to_string(address & 0xff);
    return accepted;
}

int LocalPort(SocketHandle socket) {
    sockaddr_in address{};
    system::AddressLength length = sizeof address;
    if (getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length) != 0) return -1;
    return ntohs(address.sin_port);
}

namespace {

// 0 when connected, else the error; a timed-out error when the time ran out.
int WaitForConnect(SocketHandle socket, std::chrono::milliseconds timeout) {
    const int ready = WaitWritable(socket, timeout);
    if (ready == 0) return system::kConnectTimedOut;
    if (ready < 0) return LastSocketError();
    int error = 0;
    system::AddressLength length = sizeof error;
    getsockopt(socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length);
    return error;
}

}  // namespace

bool IsIpv4AddressText(const std::string& text) {
    in_addr address{};
    return system::ReadIpv4Address(text, &address);
}

ConnectResult ConnectTo(const std::string& dottedAddress, int port,
                        std::chrono::milliseconds timeout) {
    ConnectResult result;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    if (port < 0 || port > 65535 || !system::ReadIpv4Address(dottedAddress, &address.sin_addr)) {
        result.failure = ConnectFailure::BadAddress;
        return result;
    }
    const SocketHandle handle = socket(AF_INET, SOCK_STREAM, 0);
    int error = 0;
    if (handle == kInvalidSocket) {
        error = LastSocketError();
    } else if (!SetBlocking(handle, false)) {
        // Connect without blocking, so that an unreachable server costs at most the timeout
        // rather than the system's own connection timeout.
        error = LastSocketError();
    } else if (connect(handle, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        error = system::ConnectPending() ? WaitForConnect(handle, timeout) : LastSocketError();
    }
    if (error == 0 && !SetBlocking(handle, true)) error = LastSocketError();
    if (error != 0) {
        if (handle != kInvalidSocket) CloseSocket(handle);
        result.failure = system::ConnectFailureOf(error);
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

void SetNoDelay(SocketHandle socket) {
    const int on = 1;
    setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
}

void SetSendBuffer(SocketHandle socket, int bytes) {
    setsockopt(socket, SOL_SOCKET, SO_SNDBUF, reinterpret_cast<const char*>(&bytes), sizeof bytes);
}

}  // namespace vesk

#include "tests/support/test_peer.h"

#ifndef _WIN32
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#endif

#include <cerrno>
#include <stdexcept>
#include <thread>
#include <vector>

#include "protocol/cp932.h"

namespace vesk::test {

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds deadline) {
    const auto until = std::chrono::steady_clock::now() + deadline;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= until) return condition();
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

int FreePort() {
    TestListener probe;
    return probe.Port();
}

std::string Sjis(std::string_view utf8) { return Cp932FromUtf8(utf8); }

TestPeer::TestPeer(int port, int receiveBuffer) {
    handle = socket(AF_INET, SOCK_STREAM, 0);
    if (receiveBuffer > 0) SetReceiveBuffer(receiveBuffer);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(handle, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        CloseSocket(handle);
        handle = kInvalidSocket;
    }
}

TestPeer::TestPeer(Adopt socket) : handle(socket.connected) {}

TestPeer::~TestPeer() { Close(); }

bool TestPeer::Send(std::string_view bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const long result = SendSome(handle, bytes.data() + sent, bytes.size() - sent);
        if (result <= 0) return false;
        sent += static_cast<std::size_t>(result);
    }
    return true;
}

long TestPeer::SendNow(std::string_view bytes) {
#ifdef _WIN32
    // Winsock has no flag for one send that does not wait: the socket is switched for it.
    SetBlocking(handle, false);
    const int result = send(handle, bytes.data(), static_cast<int>(bytes.size()), 0);
    const bool nothingNow = result < 0 && WSAGetLastError() == WSAEWOULDBLOCK;
    SetBlocking(handle, true);
#else
    const auto result = send(handle, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    const bool nothingNow = result < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
#endif
    return nothingNow ? 0 : static_cast<long>(result);
}

void TestPeer::ShutdownSending() {
#ifdef _WIN32
    shutdown(handle, SD_SEND);
#else
    shutdown(handle, SHUT_WR);
#endif
}

std::size_t TestPeer::BytesWaiting() const {
#ifdef _WIN32
    u_long waiting = 0;
    ioctlsocket(handle, FIONREAD, &waiting);
#else
    int waiting = 0;
    ioctl(handle, FIONREAD, &waiting);
#endif
    return static_cast<std::size_t>(waiting);
}

void TestPeer::DropWaiting(std::size_t bytes) {
    if (!WaitReadable(handle, 0ms)) return;
    std::vector<char> chunk(bytes);
    recv(handle, chunk.data(), static_cast<int>(chunk.size()), 0);
}

void TestPeer::SetReceiveBuffer(int bytes) {
    setsockopt(handle, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&bytes), sizeof bytes);
}

bool TestPeer::Fill(std::chrono::steady_clock::time_point until) {
    if (ended || handle == kInvalidSocket) return false;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        until - std::chrono::steady_clock::now());
    if (!WaitReadable(handle, std::max(left, 0ms))) return true;
    char chunk[8192];
    const auto got = recv(handle, chunk, sizeof chunk, 0);
    if (got <= 0) {
        ended = true;
        return false;
    }
    pending.append(chunk, static_cast<std::size_t>(got));
    return true;
}

std::optional<std::string> TestPeer::NextLine(std::chrono::milliseconds deadline) {
    const auto until = std::chrono::steady_clock::now() + deadline;
    for (;;) {
        const auto end = pending.find("\r\n");
        if (end != std::string::npos) {
            std::string line = pending.substr(0, end + 2);
            pending.erase(0, end + 2);
            return line;
        }
        if (std::chrono::steady_clock::now() >= until || !Fill(until)) return std::nullopt;
    }
}

bool TestPeer::WaitForLine(std::string_view line, std::vector<std::string>* skipped,
                           std::chrono::milliseconds deadline) {
    const auto until = std::chrono::steady_clock::now() + deadline;
    while (std::chrono::steady_clock::now() < until) {
        auto next = NextLine(std::chrono::duration_cast<std::chrono::milliseconds>(
            until - std::chrono::steady_clock::now()));
        if (!next) return false;
        if (*next == line) return true;
        if (skipped != nullptr) skipped->push_back(*next);
    }
    return false;
}

bool TestPeer::WaitForClose(std::chrono::milliseconds deadline) {
    const auto until = std::chrono::steady_clock::now() + deadline;
    while (std::chrono::steady_clock::now() < until) {
        pending.clear();
        if (!Fill(until)) return true;
    }
    return false;
}

bool TestPeer::Quiet(std::chrono::milliseconds wait) { return !NextLine(wait).has_value(); }

void TestPeer::Close() {
    if (handle != kInvalidSocket) CloseSocket(handle);
    handle = kInvalidSocket;
}

void TestPeer::Reset() {
    SetLinger(handle, 0);
    Close();
}

TestListener::TestListener() {
    const Listener listener = OpenListener(0, 5);
    if (listener.handle == kInvalidSocket) throw std::runtime_error("no test listener");
    handle = listener.handle;
    port = LocalPort(handle);
}

TestListener::~TestListener() { CloseSocket(handle); }

SocketHandle TestListener::Accept() { return AcceptConnection(handle).handle; }

SocketHandle TestListener::Accept(std::chrono::milliseconds deadline) {
    return WaitReadable(handle, deadline) ? Accept() : kInvalidSocket;
}

}  // namespace vesk::test

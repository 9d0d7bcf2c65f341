#pragma once

// A real TCP peer on loopback for tests: it sends raw bytes and reads lines by itself, so a
// test never depends on the line reader it is testing.

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/socket.h"

namespace vesk::test {

using namespace std::chrono_literals;

inline constexpr std::chrono::milliseconds kDeadline = 10s;

// Polls condition until it holds or the deadline passes; the result of the last check.
bool WaitUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds deadline = kDeadline);

// A loopback port that nothing listens on right now: one the system just handed out and took
// back.
int FreePort();

// Text in code page 932 from a UTF-8 literal, for expected lines.
std::string Sjis(std::string_view utf8);

class TestPeer {
public:
    // Connects to 127.0.0.1:port; receiveBuffer > 0 sets a small receive window first.
    explicit TestPeer(int port, int receiveBuffer = 0);
    // Takes over a connected socket, such as one accepted by a test listener.
    struct Adopt {
        SocketHandle connected;
    };
    explicit TestPeer(Adopt socket);
    ~TestPeer();
    TestPeer(const TestPeer&) = delete;
    TestPeer& operator=(const TestPeer&) = delete;

    bool Connected() const { return handle != kInvalidSocket; }
    SocketHandle Handle() const { return handle; }

    bool Send(std::string_view bytes);
    // Sends what the system takes at once, without waiting: the count taken, 0 when it takes
    // nothing now, -1 when the connection is gone.
    long SendNow(std::string_view bytes);
    // Ends this side's sending; the peer reads the end after everything sent before it.
    void ShutdownSending();
    // Bytes received and not yet read by anyone.
    std::size_t BytesWaiting() const;
    // Reads and drops what has arrived, at most bytes, without waiting.
    void DropWaiting(std::size_t bytes);
    void SetReceiveBuffer(int bytes);

    // The next whole line with its CR LF, or nothing when the deadline passes or the
    // connection ends first.
    std::optional<std::string> NextLine(std::chrono::milliseconds deadline = kDeadline);

    // Reads lines until one equals line; the lines passed over are appended to skipped.
    bool WaitForLine(std::string_view line, std::vector<std::string>* skipped = nullptr,
                     std::chrono::milliseconds deadline = kDeadline);

    // True when the peer closes the connection within the deadline (lines before are dropped).
    bool WaitForClose(std::chrono::milliseconds deadline = kDeadline);

    // No line arrives within a short wait.
    bool Quiet(std::chrono::milliseconds wait = 300ms);

    // Orderly close.
    void Close();
    // Close with unread data discarded and a reset sent (SO_LINGER 0).
    void Reset();

private:
    // Receives what is there within the deadline; false when the connection ended.
    bool Fill(std::chrono::steady_clock::time_point until);

    SocketHandle handle = kInvalidSocket;
    std::string pending;
    bool ended = false;
};

// A listening socket on a free loopback port with its accepted peers, for transport tests.
class TestListener {
public:
    TestListener();
    ~TestListener();
    int Port() const { return port; }
    // Accepts one connection (blocking).
    SocketHandle Accept();
    // Accepts one connection that comes within the deadline, or gives kInvalidSocket.
    SocketHandle Accept(std::chrono::milliseconds deadline);

private:
    SocketHandle handle = kInvalidSocket;
    int port = 0;
};

}  // namespace vesk::test

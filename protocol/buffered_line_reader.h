#pragma once

// A line reader for a thread that owns its socket: one receive takes every byte that is
// waiting, and each whole line among them is handed out without another system call. A line is
// every byte up to its first CR LF, CR LF included and NUL bytes kept; a line longer than
// kLongestLine is cut at a character boundary and the rest of it dropped. A half line that the
// connection ends in is dropped.

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "protocol/line_transport.h"
#include "protocol/socket.h"

namespace vesk {

class BufferedLineReader {
public:
    explicit BufferedLineReader(SocketHandle socket);

    // The next whole line among the bytes received so far, or nothing when more bytes are
    // needed. The view stays valid until the next call of TakeLine or Receive.
    std::optional<std::string_view> TakeLine();

    // Waits for more bytes from the socket, keeping the lines not taken yet; false when the
    // connection ended or failed. Call it only when the buffer is not Full, as it never is
    // once TakeLine has given nothing.
    bool Receive();

    // The lines received and not taken yet fill the buffer: nothing more can be received
    // until some are taken.
    bool Full() const { return begin == 0 && end == kReceiveCapacity; }

    // The next line, receiving as needed; nothing when the connection ended first.
    std::optional<std::string_view> NextLine();

    SocketHandle Socket() const { return socket; }

private:
    // Adds bytes of the line being assembled, keeping only what a cut may need; false when
    // some were dropped.
    bool Keep(const char* bytes, std::size_t count);
    std::string_view FinishLine();

    SocketHandle socket;
    // Enough for a burst of lines from a busy client in one system call. Left uninitialised,
    // so that the memory of a client that sends little is never touched.
    static constexpr std::size_t kReceiveCapacity = 64 * 1024;

    std::unique_ptr<char[]> received;  // bytes from the socket; [begin, end) not yet looked at
    std::size_t begin = 0;
    std::size_t end = 0;
    std::string partial;    // the start of a line whose end has not arrived yet
    bool endsInCr = false;  // the last byte of the partial line was a CR
    bool crKept = false;    // ... and it is the last byte in partial
    std::string finished;   // a line assembled from several receives
};

}  // namespace vesk

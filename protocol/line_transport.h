#pragma once

// The line transport both programs share: every message is one line ending in CR LF.

#include <array>
#include <cstddef>
#include <string_view>

#include "protocol/socket.h"

namespace vesk {

// The most a reader takes in at once, and so the longest line, CR LF included.
inline constexpr std::size_t kLinePeekWindow = 4096;
// A line, its NUL terminator and slack.
inline constexpr std::size_t kLineBufferSize = 4100;

using LineBuffer = std::array<char, kLineBufferSize>;

// Reads one line: peeks for its CR LF, then takes exactly the line's bytes, so the next line
// stays in the socket whatever the TCP segmentation. On success the buffer holds the line,
// CR LF included, and a NUL after it, and the result is the line's length (at least 2);
// NUL bytes inside the line are kept. -1 when the connection ended or failed.
//
// A line longer than kLinePeekWindow is cut to fit, at a character boundary, and ends with
// CR LF; the rest of it up to its CR LF is taken from the socket and dropped, so the lines
// after it arrive intact.
int ReadLine(SocketHandle socket, LineBuffer& line);

// Hands every byte to the socket; false as soon as one send fails. The socket's send timeout
// bounds the whole of bytes, however many pieces the system takes them in.
bool SendAll(SocketHandle socket, std::string_view bytes);

}  // namespace vesk

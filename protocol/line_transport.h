#pragma once

// The line transport both programs share: every message is one line ending in CR LF.

#include <cstddef>
#include <string_view>

#include "protocol/socket.h"

namespace vesk {

// The longest line, CR LF included. A longer one is cut to this at a character boundary, and
// the rest of it dropped.
inline constexpr std::size_t kLongestLine = 4096;

// Hands every byte to the socket; false as soon as one send fails. The socket's send timeout
// bounds the whole of bytes, however many pieces the system takes them in.
bool SendAll(SocketHandle socket, std::string_view bytes);

}  // namespace vesk

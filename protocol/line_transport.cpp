#include "protocol/line_transport.h"

#include <algorithm>
#include <cstring>

#include "protocol/cp932.h"

namespace vesk {

namespace {

// Room for the text of a line: the peek window less the CR LF. One byte more is kept while
// reading, so that a cut can tell whether the last kept byte starts a double-byte character.
constexpr std::size_t kTextCapacity = kLinePeekWindow - 2;
constexpr std::size_t kKeptCapacity = kTextCapacity + 1;

// Where the first CR LF of bytes starts, or size when there is none.
std::size_t FindLineEnd(const char* bytes, std::size_t size) {
    const std::string_view text(bytes, size);
    const std::size_t position = text.find("\r\n");
    return position == std::string_view::npos ? size : position;
}

}  // namespace

int ReadLine(SocketHandle socket, LineBuffer& line) {
    std::array<char, kLineBufferSize> scratch;
    std::size_t length = 0;  // text bytes kept in line
    bool endsInCr = false;   // the last byte taken was a CR
    bool crKept = false;     // ... and it is the last byte kept in line

    const auto keep = [&](const char* bytes, std::size_t count) {
        const std::size_t kept = std::min(count, kKeptCapacity - length);
        std::memcpy(line.data() + length, bytes, kept);
        length += kept;
        return kept == count;
    };

    for (;;) {
        const long peeked = PeekSome(socket, scratch.data(), kLinePeekWindow);
        if (peeked <= 0) return -1;
        const auto available = static_cast<std::size_t>(peeked);

        // A CR that ended the last read and the LF that starts this one are one line end.
        if (endsInCr && scratch[0] == '\n') {
            if (!ReceiveExact(socket, scratch.data(), 1)) return -1;
            if (crKept) --length;
            break;
        }

        const std::size_t end = FindLineEnd(scratch.data(), available);
        const bool complete = end < available;
        const std::size_t take = complete ? end + 2 : available;
        if (!ReceiveExact(socket, scratch.data(), take)) return -1;
        if (complete) {
            keep(scratch.data(), end);
            break;
        }
        endsInCr = scratch[take - 1] == '\r';
        crKept = keep(scratch.data(), take) && endsInCr;
    }

    if (length > kTextCapacity) {
        length = Cp932FitLength(std::string_view(line.data(), length), kTextCapacity);
    }
    line[length] = '\r';
    line[length + 1] = '\n';
    line[length + 2] = '\0';
    return static_cast<int>(length + 2);
}

bool SendAll(SocketHandle socket, std::string_view bytes) {
    // One bound for all the pieces: a peer that takes a few bytes now and then gets no more
    // time than one that takes none.
    const auto started = std::chrono::steady_clock::now();
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const long result = SendSome(socket, bytes.data() + sent, bytes.size() - sent, started);
        if (result <= 0) return false;
        sent += static_cast<std::size_t>(result);
    }
    return true;
}

}  // namespace vesk

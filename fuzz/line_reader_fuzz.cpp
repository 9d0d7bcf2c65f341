// The line reader over a real socket pair: the bytes arrive in pieces of sizes the input
// chooses, and the reader must give exactly the lines of the cut rule, worked out here on the
// whole stream at once, whatever the pieces, and never write past its buffer.

#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "protocol/buffered_line_reader.h"
#include "protocol/cp932.h"
#include "protocol/line_transport.h"

namespace {

// Both ends in one thread: everything must fit the socket's buffers.
constexpr std::size_t kMaxStream = 48 * 1024;

struct Pair {
    Pair() { socketpair(AF_UNIX, SOCK_STREAM, 0, ends); }
    ~Pair() {
        close(ends[0]);
        close(ends[1]);
    }
    void Write(const std::string& bytes) {
        std::size_t sent = 0;
        while (sent < bytes.size()) {
            const auto got = send(ends[0], bytes.data() + sent, bytes.size() - sent, 0);
            if (got <= 0) std::abort();
            sent += static_cast<std::size_t>(got);
        }
    }
    int ends[2] = {-1, -1};
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    // The first byte seeds the piece sizes; the rest is the stream.
    unsigned state = data[0];
    const std::string stream(reinterpret_cast<const char*>(data) + 1,
                             std::min(size - 1, kMaxStream));

    // Every byte up to the first CR LF is a line; a longer one keeps what fits, never half a
    // character; a half line at the end is dropped.
    std::vector<std::string> expected;
    constexpr std::size_t kText = vesk::kLongestLine - 2;
    for (std::size_t start = 0;;) {
        const std::size_t end = stream.find("\r\n", start);
        if (end == std::string::npos) break;
        std::string_view text(stream.data() + start, end - start);
        if (text.size() > kText) {
            text = text.substr(0, kText + 1);
            text = text.substr(0, vesk::Cp932FitLength(text, kText));
        }
        expected.emplace_back(std::string(text) + "\r\n");
        start = end + 2;
    }

    std::vector<std::string> buffered;
    {
        Pair pair;
        vesk::BufferedLineReader reader(pair.ends[1]);
        std::size_t at = 0;
        while (at < stream.size()) {
            state = state * 1103515245u + 12345u;
            const std::size_t piece =
                std::min<std::size_t>(1 + (state >> 16) % 97, stream.size() - at);
            pair.Write(stream.substr(at, piece));
            at += piece;
            if (!reader.Receive()) std::abort();
            while (const auto line = reader.TakeLine()) buffered.emplace_back(*line);
        }
        shutdown(pair.ends[0], SHUT_WR);
        while (const auto line = reader.NextLine()) buffered.emplace_back(*line);
    }
    if (buffered != expected) std::abort();
    return 0;
}

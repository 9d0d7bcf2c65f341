// The line splitter fed the stream in pieces of sizes the input chooses: it must give exactly
// the lines of the cut rule, worked out here on the whole stream at once, whatever the pieces,
// and keep no more of a line than the cut needs however long it runs.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/cp932.h"
#include "protocol/line_splitter.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    // The first byte seeds the piece sizes; the rest is the stream.
    unsigned state = data[0];
    const std::string_view stream(reinterpret_cast<const char*>(data) + 1, size - 1);

    // Every byte up to the first CR LF is a line; a longer one keeps what fits, never half a
    // character; a half line at the end is not given.
    std::vector<std::string> expected;
    constexpr std::size_t kText = vesk::kLongestLine - 2;
    for (std::size_t start = 0;;) {
        const std::size_t end = stream.find("\r\n", start);
        if (end == std::string::npos) break;
        std::string_view text = stream.substr(start, end - start);
        if (text.size() > kText) {
            text = text.substr(0, kText + 1);
            text = text.substr(0, vesk::Cp932FitLength(text, kText));
        }
        expected.emplace_back(std::string(text) + "\r\n");
        start = end + 2;
    }

    std::vector<std::string> split;
    vesk::LineSplitter splitter;
    for (std::size_t at = 0; at < stream.size();) {
        state = state * 1103515245u + 12345u;
        // Mostly small pieces, now and then one larger than a line.
        const std::size_t most = (state >> 28) == 0 ? 3 * vesk::kLongestLine : 97;
        const std::size_t piece =
            std::min<std::size_t>(1 + (state >> 16) % most, stream.size() - at);
        splitter.Feed(stream.substr(at, piece));
        at += piece;
        while (const auto line = splitter.Next()) split.emplace_back(*line);
        if (splitter.PartialBytes() >= vesk::kLongestLine) std::abort();
    }
    if (split != expected) std::abort();
    return 0;
}

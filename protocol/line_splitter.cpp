#include "protocol/line_splitter.h"

#include <algorithm>

#include "protocol/cp932.h"

namespace vesk {

namespace {

// Room for the text of a line, and one byte more so that a cut can tell whether the last kept
// byte starts a double-byte character.
constexpr std::size_t kTextCapacity = kLongestLine - 2;
constexpr std::size_t kKeptCapacity = kTextCapacity + 1;

}  // namespace

void LineSplitter::Feed(std::string_view bytes) { input = bytes; }

std::optional<std::string_view> LineSplitter::Next() {
    if (input.empty()) return std::nullopt;
    // A CR that ended the last feed and the LF that starts this one are one line end.
    if (endsInCr && input.front() == '\n') {
        input.remove_prefix(1);
        if (crKept) partial.pop_back();
        return FinishLine();
    }
    const std::size_t lineEnd = input.find("\r\n");
    if (lineEnd == std::string_view::npos) {
        const bool allKept = Keep(input);
        endsInCr = input.back() == '\r';
        crKept = endsInCr && allKept;
        input = {};
        return std::nullopt;
    }
    const std::string_view line = input.substr(0, lineEnd + 2);
    input.remove_prefix(lineEnd + 2);
    // The common case: the whole line arrived in this feed and fits.
    if (partial.empty() && lineEnd <= kTextCapacity) return line;
    Keep(line.substr(0, lineEnd));
    return FinishLine();
}

bool LineSplitter::Keep(std::string_view bytes) {
    const std::size_t kept = std::min(bytes.size(), kKeptCapacity - partial.size());
    partial.append(bytes.substr(0, kept));
    return kept == bytes.size();
}

std::string_view LineSplitter::FinishLine() {
    std::size_t length = partial.size();
    if (length > kTextCapacity) length = Cp932FitLength(partial, kTextCapacity);
    finished.assign(partial, 0, length);
    finished += "\r\n";
    partial.clear();
    endsInCr = false;
    crKept = false;
    return finished;
}

}  // namespace vesk

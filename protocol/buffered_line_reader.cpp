#include "protocol/buffered_line_reader.h"

#include <algorithm>
#include <cstring>

#include "protocol/cp932.h"

namespace vesk {

namespace {

// Room for the text of a line, and one byte more so that a cut can tell whether the last kept
// byte starts a double-byte character.
constexpr std::size_t kTextCapacity = kLongestLine - 2;
constexpr std::size_t kKeptCapacity = kTextCapacity + 1;

}  // namespace

BufferedLineReader::BufferedLineReader(SocketHandle socket)
    : socket(socket), received(std::make_unique_for_overwrite<char[]>(kReceiveCapacity)) {}

std::optional<std::string_view> BufferedLineReader::TakeLine() {
    if (begin == end) return std::nullopt;
    const char* const bytes = received.get();
    // A CR that ended the last receive and the LF that starts this one are one line end.
    if (endsInCr && bytes[begin] == '\n') {
        ++begin;
        if (crKept) partial.pop_back();
        return FinishLine();
    }
    const std::string_view waiting(bytes + begin, end - begin);
    const std::size_t lineEnd = waiting.find("\r\n");
    if (lineEnd == std::string_view::npos) {
        const bool allKept = Keep(waiting.data(), waiting.size());
        endsInCr = waiting.back() == '\r';
        crKept = endsInCr && allKept;
        begin = end;
        return std::nullopt;
    }
    begin += lineEnd + 2;
    if (partial.empty() && lineEnd <= kTextCapacity) {
        // The common case: the whole line arrived in this receive and fits.
        return std::string_view(waiting.data(), lineEnd + 2);
    }
    Keep(waiting.data(), lineEnd);
    return FinishLine();
}

bool BufferedLineReader::Keep(const char* bytes, std::size_t count) {
    const std::size_t kept = std::min(count, kKeptCapacity - partial.size());
    partial.append(bytes, kept);
    return kept == count;
}

std::string_view BufferedLineReader::FinishLine() {
    std::size_t length = partial.size();
    if (length > kTextCapacity) length = Cp932FitLength(partial, kTextCapacity);
    finished.assign(partial, 0, length);
    finished += "\r\n";
    partial.clear();
    endsInCr = false;
    crKept = false;
    return finished;
}

bool BufferedLineReader::Receive() {
    if (begin == end) {
        begin = 0;
        end = 0;
    } else if (end == kReceiveCapacity) {
        std::memmove(received.get(), received.get() + begin, end - begin);
        end -= begin;
        begin = 0;
    }
    const long got = ReceiveSome(socket, received.get() + end, kReceiveCapacity - end);
    if (got <= 0) return false;
    end += static_cast<std::size_t>(got);
    return true;
}

std::optional<std::string_view> BufferedLineReader::NextLine() {
    for (;;) {
        if (const auto line = TakeLine()) return line;
        if (!Receive()) return std::nullopt;
    }
}

}  // namespace vesk

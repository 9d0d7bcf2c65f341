#pragma once

// How much of the conversation the chat log window keeps: the newest lines up to a count and
// a size, oldest out first. A peer that floods the party could otherwise grow the window
// without end; the session record keeps every line on the disk.

#include <cstddef>
#include <deque>

namespace vesk {

struct LogLimits {
    std::size_t maxLines = 20000;
    std::size_t maxBytes = 8 * 1024 * 1024;
};

class LogBound {
public:
    explicit LogBound(LogLimits limits = {}) : limits(limits) {}

    // A line of this many bytes was added at the end: how many of the oldest lines must go so
    // that the log keeps within its limits (once over one, a twentieth below it). A line
    // larger than the byte limit is kept alone.
    std::size_t Added(std::size_t bytes);

    // The log was emptied.
    void Cleared();

    std::size_t Lines() const { return sizes.size(); }
    std::size_t Bytes() const { return bytes; }

private:
    const LogLimits limits;
    std::deque<std::size_t> sizes;  // oldest first
    std::size_t bytes = 0;
};

}  // namespace vesk

#include "server/send_queue.h"

#include <utility>

namespace vesk {

namespace {

// Whether bytes [from, to) of lines hold the end of a line. Every line ends in CR LF, and a
// piece of lines starts at the start of a line, so an LF right after a CR ends one.
bool EndsALine(const std::string& lines, std::size_t from, std::size_t to) {
    for (std::size_t i = lines.find('\n', from); i < to; i = lines.find('\n', i + 1)) {
        if (i > 0 && lines[i - 1] == '\r') return true;
    }
    return false;
}

}  // namespace

SendQueue::SendQueue(std::size_t capBytes, Clock::duration stuckAfter)
    : capBytes(capBytes), stuckAfter(stuckAfter) {}

bool SendQueue::Push(Lines lines, std::size_t offset, Clock::time_point now) {
    const std::size_t count = lines->size() - offset;
    if (count == 0) return true;
    if (count > capBytes - size) return false;
    if (pieces.empty()) lastLine = now;
    pieces.push_back(Piece{std::move(lines), offset});
    size += count;
    return true;
}

void SendQueue::Taken(std::size_t count, Clock::time_point now) {
    Piece& front = pieces.front();
    const std::size_t end = front.offset + count;
    if (EndsALine(*front.lines, front.offset, end)) lastLine = now;
    size -= count;
    front.offset = end;
    if (end == front.lines->size()) pieces.pop_front();
}

SendQueue::Clock::time_point SendQueue::Deadline() const {
    if (pieces.empty()) return Clock::time_point::max();
    return lastLine + stuckAfter;
}

void SendQueue::Clear() {
    pieces.clear();
    size = 0;
}

}  // namespace vesk

#include "server/send_queue.h"

#include <algorithm>
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

std::size_t SendQueue::Front(std::span<std::string_view> out) const {
    std::size_t filled = 0;
    for (; filled < out.size() && filled < pieces.size(); ++filled) {
        out[filled] = pieces[filled].Bytes();
    }
    return filled;
}

void SendQueue::Taken(std::size_t count, Clock::time_point now) {
    size -= count;
    while (count > 0) {
        Piece& front = pieces.front();
        const std::size_t here = std::min(count, front.lines->size() - front.offset);
        const std::size_t end = front.offset + here;
        // A piece ends with a whole line; a part of one may hold the end of a line or not.
        if (end == front.lines->size() || EndsALine(*front.lines, front.offset, end)) {
            lastLine = now;
        }
        front.offset = end;
        count -= here;
        if (end == front.lines->size()) pieces.pop_front();
    }
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

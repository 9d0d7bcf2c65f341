#pragma once

// What the relay holds for one receiver beyond what the receiver's system buffer takes: whole
// lines, in the order they were broadcast, and the rule that tells a receiver who is merely
// behind from one who is stuck. No sockets and no clock of its own, so that the rule can be
// driven with any clock.

#include <chrono>
#include <cstddef>
#include <deque>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace vesk {

class SendQueue {
public:
    using Clock = std::chrono::steady_clock;
    // Broadcast lines, shared by every receiver that holds some of them. Each starts at the
    // start of a line and ends with a whole line.
    using Lines = std::shared_ptr<const std::string>;

    // The waiting bytes of the oldest lines: lines from offset on. Holding it keeps the lines.
    struct Piece {
        Lines lines;
        std::size_t offset = 0;
        std::string_view Bytes() const { return std::string_view(*lines).substr(offset); }
    };

    // capBytes: the most that may wait. stuckAfter: how long the receiver may take no whole
    // line while some wait.
    SendQueue(std::size_t capBytes, Clock::duration stuckAfter);

    // Queues lines from offset on, behind what waits already; false, and nothing queued, when
    // the queue would then hold more than its cap.
    bool Push(Lines lines, std::size_t offset, Clock::time_point now);

    bool Empty() const { return pieces.empty(); }
    std::size_t Size() const { return size; }
    // The oldest waiting bytes, in up to out.size() runs: how many runs were filled.
    std::size_t Front(std::span<std::string_view> out) const;

    // The receiver's system took count bytes from the front, at most Size.
    void Taken(std::size_t count, Clock::time_point now);

    // From when the receiver counts as stuck unless it takes a whole line first; never while
    // nothing waits. A receiver that takes a byte now and then is stuck all the same.
    Clock::time_point Deadline() const;
    bool Stuck(Clock::time_point now) const { return now >= Deadline(); }
    // The receiver is back after a time in which it could take nothing: the stuck rule counts
    // from now.
    void Restart(Clock::time_point now) { lastLine = now; }

    void Clear();

private:
    const std::size_t capBytes;
    const Clock::duration stuckAfter;
    std::deque<Piece> pieces;
    std::size_t size = 0;
    // When the queue last began to fill, or the receiver last took the end of a line.
    Clock::time_point lastLine;
};

}  // namespace vesk

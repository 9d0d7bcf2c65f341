#pragma once

// How fast one participant's lines may leave, and when a participant that keeps sending faster
// than that is cut off. Time is passed in, so the rule is the same whatever clock drives it.

#include <chrono>
#include <optional>

namespace vesk {

// Lets a participant send linesPerSecond lines a second for long, and a second's worth at
// once after a quiet spell (a pasted block, the join lines).
class FloodGate {
public:
    using Clock = std::chrono::steady_clock;

    // linesPerSecond 0 or less lets every line leave at once. cutOff: how long more of its
    // lines may wait than the relay holds for it before the participant is cut off.
    FloodGate(int linesPerSecond, std::chrono::milliseconds cutOff, Clock::time_point now);

    // Takes a line's turn: the time from which the line may leave (at most now when it may at
    // once, which also ends any backlog).
    Clock::time_point Take(Clock::time_point now);

    // Everything the participant sent has been read while its lines wait: it has stopped.
    void BacklogCleared();
    // More of its lines wait than the relay holds for it, and it goes on sending: true once
    // that has lasted the cut-off time since it was first seen.
    bool BackloggedTooLong(Clock::time_point now);
    // When the backlog seen since BackloggedTooLong first said false lasts the cut-off time;
    // the end of time while there is none.
    Clock::time_point CutOffAt() const;

private:
    const int rate;
    const std::chrono::milliseconds cutOff;
    double credit;  // lines that may leave at once; below 0 while lines wait their turn
    Clock::time_point refilled;
    std::optional<Clock::time_point> backloggedSince;
};

}  // namespace vesk

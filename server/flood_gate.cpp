#include "server/flood_gate.h"

#include <algorithm>

namespace vesk {

namespace {

double Seconds(FloodGate::Clock::duration d) { return std::chrono::duration<double>(d).count(); }

}  // namespace

FloodGate::FloodGate(int linesPerSecond, std::chrono::milliseconds cutOff, Clock::time_point now)
    : rate(linesPerSecond), cutOff(cutOff), credit(linesPerSecond), refilled(now) {}

FloodGate::Clock::time_point FloodGate::Take(Clock::time_point now) {
    if (rate <= 0) return Clock::time_point::min();
    credit = std::min<double>(rate, credit + Seconds(now - refilled) * rate);
    refilled = now;
    credit -= 1;
    Clock::time_point turn = now;
    if (credit < 0) {
        turn += std::chrono::duration_cast<Clock::duration>(
            std::chrono::duration<double>(-credit / rate));
    }
    if (turn <= now) backloggedSince.reset();
    return turn;
}

void FloodGate::BacklogCleared() { backloggedSince.reset(); }

bool FloodGate::BackloggedTooLong(Clock::time_point now) {
    if (!backloggedSince) {
        backloggedSince = now;
        return false;
    }
    return now - *backloggedSince >= cutOff;
}

FloodGate::Clock::time_point FloodGate::CutOffAt() const {
    return backloggedSince ? *backloggedSince + cutOff : Clock::time_point::max();
}

}  // namespace vesk

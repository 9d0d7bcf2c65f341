#include "client/net/rejoin_schedule.h"

#include <algorithm>

namespace vesk {

void RejoinSchedule::Lost(Clock::time_point now) {
    switch (state) {
        case State::Idle:
            state = State::Waiting;
            tries = 0;
            lostAt = now;
            next = now + kFirstDelay;
            break;
        case State::Trying:
            Failed(now);
            break;
        case State::Waiting:
            break;
    }
}

std::optional<RejoinSchedule::Clock::time_point> RejoinSchedule::NextTry() const {
    if (state != State::Waiting) return std::nullopt;
    return next;
}

std::optional<int> RejoinSchedule::Due(Clock::time_point now) {
    if (state != State::Waiting || now < next) return std::nullopt;
    state = State::Trying;
    return ++tries;
}

bool RejoinSchedule::Failed(Clock::time_point now) {
    if (state != State::Trying) return state == State::Waiting;
    // 1 second before the first try, then twice as long after each failure up to 30.
    const std::chrono::seconds delay =
        std::min<std::chrono::seconds>(kFirstDelay * (1 << std::min(tries, 5)), kLongestDelay);
    if (now + delay > lostAt + kGiveUpAfter) {
        state = State::Idle;
        return false;
    }
    state = State::Waiting;
    next = now + delay;
    return true;
}

void RejoinSchedule::Joined() { state = State::Idle; }

void RejoinSchedule::Stop() { state = State::Idle; }

}  // namespace vesk

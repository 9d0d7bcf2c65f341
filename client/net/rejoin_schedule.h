#pragma once

// When VeskChat tries to join the party again after the connection was lost without the
// player choosing it (the relay restarted, the network dropped, the machine slept): 1, 2, 4,
// 8 and 16 seconds after the loss or the last failed try, then every 30 seconds, until 10
// minutes have passed since the loss. A try has succeeded once the relay lists the player;
// a connection that ends before that, as a full party ends it, is a failed try. The player's
// disconnect, connect or quit stops the tries at once. Time comes from the caller, so tests
// run the schedule on a clock of their own.

#include <chrono>
#include <optional>

namespace vesk {

class RejoinSchedule {
public:
    using Clock = std::chrono::steady_clock;

    static constexpr std::chrono::seconds kFirstDelay{1};
    static constexpr std::chrono::seconds kLongestDelay{30};
    static constexpr std::chrono::minutes kGiveUpAfter{10};

    // The connection was lost, or a try's connection ended before the relay listed the
    // player (then it counts as a failed try, see Failed).
    void Lost(Clock::time_point now);

    // When the next try is due; nothing while a try runs or no tries are on.
    std::optional<Clock::time_point> NextTry() const;

    // The try to start now: its number from 1, or nothing when none is due.
    std::optional<int> Due(Clock::time_point now);

    // The running try could not connect. False when the tries are over: the next one would
    // come more than kGiveUpAfter after the loss.
    bool Failed(Clock::time_point now);

    // The relay listed the player: the party is joined again, no more tries.
    void Joined();

    // The player disconnected, connected elsewhere or quit.
    void Stop();

    // Tries are on: waiting for the next one or running one.
    bool Active() const { return state != State::Idle; }

private:
    enum class State { Idle, Waiting, Trying };

    State state = State::Idle;
    int tries = 0;
    Clock::time_point lostAt;
    Clock::time_point next;
};

}  // namespace vesk

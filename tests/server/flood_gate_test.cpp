#include "server/flood_gate.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace vesk {
namespace {

using Clock = FloodGate::Clock;
using std::chrono::milliseconds;

TEST(FloodGate, ASecondsWorthLeavesAtOnceAndTheRestAtTheRate) {
    struct Case {
        int linesPerSecond;
        std::vector<int> at;    // when each line comes, in milliseconds
        std::vector<int> turn;  // when it may leave
    };
    const std::vector<Case> cases = {
        {0, {0, 0, 0, 0}, {0, 0, 0, 0}},                          // no limit
        {2, {0, 0, 0, 0}, {0, 0, 500, 1000}},                     // a burst
        {2, {0, 10000, 10000, 10000}, {0, 10000, 10000, 10500}},  // a quiet spell earns a second
        {1, {0, 0, 1500, 4000}, {0, 1000, 2000, 4000}},           // credit comes back with time
    };
    const Clock::time_point start = Clock::now();
    for (const Case& c : cases) {
        FloodGate gate(c.linesPerSecond, milliseconds(5000), start);
        for (std::size_t i = 0; i < c.at.size(); ++i) {
            const Clock::time_point now = start + milliseconds(c.at[i]);
            const Clock::time_point turn = gate.Take(now);
            EXPECT_EQ(std::max(turn, now), start + milliseconds(c.turn[i]))
                << "rate " << c.linesPerSecond << ", line " << i;
        }
    }
}

TEST(FloodGate, AFlooderIsCutOffOnceItsBacklogHasLastedTheCutOffTime) {
    // At a millisecond: 'b' a look at a backlog that goes on, 'X' one that cuts off, 's' all it
    // sent has been read, 'l' a line that leaves at once, 'w' a line that waits its turn.
    using Steps = std::vector<std::pair<int, char>>;
    const std::vector<std::pair<int, Steps>> cases = {
        {5000, {{100, 'b'}, {5099, 'b'}, {5100, 'X'}}},
        {5000, {{0, 'b'}, {4000, 's'}, {6000, 'b'}, {10999, 'b'}, {11000, 'X'}}},
        {5000, {{0, 'l'}, {0, 'b'}, {4000, 'l'}, {6000, 'b'}, {10999, 'b'}}},
        {5000, {{0, 'l'}, {0, 'b'}, {100, 'w'}, {5000, 'X'}}},
        {0, {{0, 'b'}, {0, 'X'}}},
    };
    const Clock::time_point start = Clock::now();
    for (std::size_t n = 0; n < cases.size(); ++n) {
        FloodGate gate(1, milliseconds(cases[n].first), start);
        for (const auto& [at, step] : cases[n].second) {
            const Clock::time_point now = start + milliseconds(at);
            SCOPED_TRACE(testing::Message() << "case " << n << ", '" << step << "' at " << at);
            if (step == 's') {
                gate.BacklogCleared();
            } else if (step == 'l' || step == 'w') {
                EXPECT_EQ(gate.Take(now) > now, step == 'w');
            } else {
                EXPECT_EQ(gate.BackloggedTooLong(now), step == 'X');
            }
        }
    }
}

}  // namespace
}  // namespace vesk

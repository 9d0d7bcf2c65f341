#include "server/flood_gate.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vesk {
namespace {

using namespace std::chrono_literals;
using Clock = FloodGate::Clock;

// What happens to the gate, at a time in milliseconds from its creation.
enum class Event {
    Line,            // a line arrives; expect: the millisecond of its turn
    Sending,         // more lines wait than are held, and more come; expect: 1 when cut off
    StoppedSending,  // all it sent has been read; expect unused
};

struct Step {
    Event event;
    int at;
    int expect;
};

struct Case {
    std::string name;
    int linesPerSecond;
    std::chrono::milliseconds cutOff;
    std::vector<Step> steps;
};

TEST(FloodGate, LinesLeaveAtTheirTurnAndAFlooderIsCutOffOnlyAfterTheCutOffTime) {
    const std::vector<Case> cases = {
        {"no limit lets a burst leave at once",
         0,
         5000ms,
         {{Event::Line, 0, 0}, {Event::Line, 0, 0}, {Event::Line, 0, 0}, {Event::Line, 1, 1}}},
        {"a second's worth leaves at once, the next waits its share of a second",
         2,
         5000ms,
         {{Event::Line, 0, 0}, {Event::Line, 0, 0}, {Event::Line, 0, 500}, {Event::Line, 0, 1000}}},
        {"a quiet spell earns no more than a second's worth",
         2,
         5000ms,
         {{Event::Line, 0, 0},
          {Event::Line, 10000, 10000},
          {Event::Line, 10000, 10000},
          {Event::Line, 10000, 10500}}},
        {"lines that wait keep their turns, and credit comes back with time",
         1,
         5000ms,
         {{Event::Line, 0, 0},
          {Event::Line, 0, 1000},
          {Event::Line, 1500, 2000},
          {Event::Line, 4000, 4000}}},
        {"a backlog is cut off once it has lasted the cut-off time",
         1,
         5000ms,
         {{Event::Sending, 100, 0}, {Event::Sending, 5099, 0}, {Event::Sending, 5100, 1}}},
        {"one that stopped sending starts its backlog afresh",
         1,
         5000ms,
         {{Event::Sending, 0, 0},
          {Event::StoppedSending, 4000, 0},
          {Event::Sending, 6000, 0},
          {Event::Sending, 10999, 0},
          {Event::Sending, 11000, 1}}},
        {"a line that leaves at once ends the backlog",
         1,
         5000ms,
         {{Event::Line, 0, 0},
          {Event::Sending, 0, 0},
          {Event::Line, 4000, 4000},
          {Event::Sending, 6000, 0}}},
        {"a line that waits does not",
         1,
         5000ms,
         {{Event::Line, 0, 0},
          {Event::Sending, 0, 0},
          {Event::Line, 100, 1000},
          {Event::Sending, 5000, 1}}},
        {"a cut-off time of nothing cuts off at the second look",
         1,
         0ms,
         {{Event::Sending, 0, 0}, {Event::Sending, 0, 1}}},
    };
    const Clock::time_point start = Clock::now();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FloodGate gate(c.linesPerSecond, c.cutOff, start);
        for (const Step& step : c.steps) {
            const Clock::time_point now = start + std::chrono::milliseconds(step.at);
            switch (step.event) {
                case Event::Line: {
                    const Clock::time_point turn = gate.Take(now);
                    if (step.expect == step.at) {
                        EXPECT_LE(turn, now) << "line at " << step.at;
                    } else {
                        EXPECT_EQ(
                            std::chrono::round<std::chrono::milliseconds>(turn - start).count(),
                            step.expect)
                            << "line at " << step.at;
                    }
                    break;
                }
                case Event::Sending:
                    EXPECT_EQ(gate.BackloggedTooLong(now), step.expect == 1) << "at " << step.at;
                    break;
                case Event::StoppedSending:
                    gate.BacklogCleared();
                    break;
            }
        }
    }
}

}  // namespace
}  // namespace vesk

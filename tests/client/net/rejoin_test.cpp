// Joining the party again by itself: the schedule of tries on a clock of the test's own, and
// the background open that a try makes against a real relay.

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "client/net/client_connection.h"
#include "client/net/rejoin_schedule.h"
#include "server/relay_server.h"
#include "tests/client/net/test_player.h"
#include "tests/server/recording_reporter.h"

namespace vesk {
namespace {

using namespace std::chrono_literals;
using Clock = RejoinSchedule::Clock;

// What happens, at a second counted from the loss.
enum class Step { Lost, TryFails, Listed, Stop };

struct ScheduleCase {
    std::string title;
    std::vector<std::pair<int, Step>> steps;
    std::vector<int> tryAt;  // the seconds at which tries were due, in order
    bool activeAtEnd;
};

std::ostream& operator<<(std::ostream& out, const ScheduleCase& c) { return out << c.title; }

// Runs the schedule second by second up to 700 s. A step at a second when a try is due is the
// outcome of that try; a due try without one fails at once, as against a relay that is down.
std::pair<std::vector<int>, bool> RunSchedule(const ScheduleCase& c) {
    RejoinSchedule schedule;
    std::vector<int> tries;
    for (int second = 0; second <= 700; ++second) {
        const Clock::time_point now = Clock::time_point{} + std::chrono::seconds(second);
        std::optional<Step> step;
        for (const auto& [at, what] : c.steps) {
            if (at == second) step = what;
        }
        if (schedule.Due(now)) {
            EXPECT_FALSE(schedule.NextTry());
            tries.push_back(second);
            if (!step) step = Step::TryFails;
        }
        if (!step) continue;
        switch (*step) {
            case Step::Lost:
                schedule.Lost(now);
                break;
            case Step::TryFails:
                schedule.Failed(now);
                break;
            case Step::Listed:
                schedule.Joined();
                break;
            case Step::Stop:
                schedule.Stop();
                break;
        }
    }
    return {tries, schedule.Active()};
}

std::vector<ScheduleCase> Cases() {
    // 1, 2, 4, 8 and 16 s apart, then every 30 s, for 10 minutes from the loss.
    const std::vector<int> everyTry = {1,   3,   7,   15,  31,  61,  91,  121, 151, 181, 211, 241,
                                       271, 301, 331, 361, 391, 421, 451, 481, 511, 541, 571};
    return {
        {"ADownRelayIsTriedFor10Minutes", {{0, Step::Lost}}, everyTry, false},
        {"TheRelayBackAtTheThirdTry", {{0, Step::Lost}, {7, Step::Listed}}, {1, 3, 7}, false},
        {"AFullPartyCountsAsAFailedTry",
         // The third try connects, the relay says the party is full and closes.
         {{0, Step::Lost}, {7, Step::Lost}},
         everyTry,
         false},
        {"DisconnectStopsTheTriesAtOnce", {{0, Step::Lost}, {5, Step::Stop}}, {1, 3}, false},
        {"ALaterLossStartsAFreshSchedule",
         {{0, Step::Lost}, {1, Step::Listed}, {300, Step::Lost}, {301, Step::Listed}},
         {1, 301},
         false},
        {"NoLossNoTries", {}, {}, false},
    };
}

class Schedule : public ::testing::TestWithParam<ScheduleCase> {};

TEST_P(Schedule, TriesComeWhenDue) {
    const auto [tries, active] = RunSchedule(GetParam());
    EXPECT_EQ(tries, GetParam().tryAt);
    EXPECT_EQ(active, GetParam().activeAtEnd);
}

INSTANTIATE_TEST_SUITE_P(Rejoin, Schedule, ::testing::ValuesIn(Cases()),
                         [](const auto& info) { return info.param.title; });

TEST(RejoinScheduleTest, NextTryAndStopWhileATryRuns) {
    RejoinSchedule schedule;
    const Clock::time_point zero{};
    EXPECT_FALSE(schedule.Active());
    schedule.Lost(zero);
    EXPECT_EQ(schedule.NextTry(), zero + 1s);
    EXPECT_FALSE(schedule.Due(zero + 999ms));
    EXPECT_EQ(schedule.Due(zero + 1s), 1);
    // A second loss report while the try runs is that try failing.
    schedule.Lost(zero + 1s);
    EXPECT_EQ(schedule.NextTry(), zero + 3s);
    EXPECT_EQ(schedule.Due(zero + 3s), 2);
    schedule.Stop();
    // Counted afresh after a stop.
    schedule.Lost(zero + 4s);
    EXPECT_EQ(schedule.Due(zero + 5s), 1);
    schedule.Stop();
    EXPECT_FALSE(schedule.Active());
    EXPECT_FALSE(schedule.Failed(zero + 4s));
    EXPECT_FALSE(schedule.Due(zero + 100s));
}

class BackgroundOpen : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(relay->Start(0)); }

    test::RecordingReporter reporter;
    std::unique_ptr<RelayServer> relay = std::make_unique<RelayServer>(reporter);
};

TEST_F(BackgroundOpen, OpensUnderTheLastNameAndReportsEachStep) {
    test::Player aya("Aya", relay->ListeningPort());
    std::vector<ConnectionEvent> events;
    aya.connection.OnEvent([&](ConnectionEvent event) { events.push_back(event); });
    ASSERT_TRUE(aya.connection.OpenConnection());
    ASSERT_TRUE(aya.PumpUntilRows({"Aya"}));
    EXPECT_EQ(events, (std::vector{ConnectionEvent::Opened, ConnectionEvent::Listed}));

    // The relay goes: the loss is reported once, and a try against the closed port fails.
    relay.reset();
    ASSERT_TRUE(aya.Pump([&] { return events.size() == 3; }));
    EXPECT_EQ(events.back(), ConnectionEvent::Lost);
    EXPECT_TRUE(aya.window.rows.empty());
    EXPECT_TRUE(aya.connection.OpenInBackground());
    EXPECT_FALSE(aya.connection.OpenInBackground());
    ASSERT_TRUE(aya.Pump([&] { return events.size() == 4; }));
    EXPECT_EQ(events.back(), ConnectionEvent::OpenFailed);

    // Back on the same port, under the name of the lost connection, whatever the box says now.
    relay = std::make_unique<RelayServer>(reporter);
    ASSERT_TRUE(relay->Start(aya.connection.Target().port));
    aya.window.playerName = "Someone";
    EXPECT_TRUE(aya.connection.OpenInBackground());
    ASSERT_TRUE(aya.PumpUntilRows({"Aya"}));
    EXPECT_EQ(events, (std::vector{ConnectionEvent::Opened, ConnectionEvent::Listed,
                                   ConnectionEvent::Lost, ConnectionEvent::OpenFailed,
                                   ConnectionEvent::Opened, ConnectionEvent::Listed}));
    EXPECT_EQ(aya.window.menu, MenuState::Active);
}

TEST_F(BackgroundOpen, ACancelledOpenLeavesNoConnection) {
    test::Player aya("Aya", relay->ListeningPort());
    std::vector<ConnectionEvent> events;
    aya.connection.OnEvent([&](ConnectionEvent event) { events.push_back(event); });
    EXPECT_TRUE(aya.connection.OpenInBackground());
    aya.connection.CancelBackgroundOpen();
    EXPECT_FALSE(aya.connection.OpeningInBackground());
    // The relay sees the connection come and go, whether the connect had posted its outcome
    // already or not; the player never joins.
    EXPECT_TRUE(aya.Pump([&] { return reporter.Count("切断：クライアント No.0") == 1; }));
    EXPECT_TRUE(events.empty());
    EXPECT_FALSE(aya.connection.Connected());
    EXPECT_EQ(relay->ConnectedCount(), 0);
}

}  // namespace
}  // namespace vesk

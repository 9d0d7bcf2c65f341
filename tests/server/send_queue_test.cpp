#include "server/send_queue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace vesk {
namespace {

using namespace std::chrono_literals;
using Clock = SendQueue::Clock;

SendQueue::Lines Lines(const std::string& text) {
    return std::make_shared<const std::string>(text);
}

// A busy party as one receiver sees it, on a fake clock: a line of 80 bytes every 100 ms, and
// a receiver whose system takes, each 100 ms, what its behaviour says. Nothing of it is held
// by the system here: every byte the receiver does not take waits in the queue.
struct Receiver {
    const char* behaviour;
    // Bytes taken at this moment of the run, given what waits.
    std::function<std::size_t(Clock::duration sinceStart, std::size_t waiting)> takes;
    // When the receiver must count as stuck, counted from the start; nothing: never.
    std::optional<Clock::duration> stuckAt;
};

TEST(SendQueue, OnlyAReceiverThatTakesNoWholeLineForTheStuckTimeIsStuck) {
    constexpr std::size_t kLine = 80;
    const std::string line = "talk" + std::string(kLine - 6, 'x') + "\r\n";
    const auto all = [](Clock::duration, std::size_t waiting) { return waiting; };
    const Receiver receivers[] = {
        {"keeps reading", all, std::nullopt},
        {"pauses 3 s now and then (a laptop's Wi-Fi)",
         [](Clock::duration t, std::size_t waiting) {
             return t % 10s < 3s ? std::size_t{0} : waiting;
         },
         std::nullopt},
        {"reads a line a second, slower than the party talks",
         [&](Clock::duration t, std::size_t waiting) {
             return t % 1s == 0s ? std::min(waiting, kLine) : 0;
         },
         std::nullopt},
        {"stops reading after 10 s",
         [](Clock::duration t, std::size_t waiting) { return t < 10s ? waiting : 0; }, 15s},
        {"takes one byte every 2 s after 10 s",
         [](Clock::duration t, std::size_t waiting) {
             if (t < 10s) return waiting;
             return t % 2s == 0s ? std::min<std::size_t>(waiting, 1) : 0;
         },
         15s},
    };
    for (const Receiver& receiver : receivers) {
        SendQueue queue(16 * 1024 * 1024, 5s);
        const Clock::time_point start{};
        std::optional<Clock::duration> stuckAt;
        for (Clock::duration t = 0s; t < 40s && !stuckAt; t += 100ms) {
            ASSERT_TRUE(queue.Push(Lines(line), 0, start + t)) << receiver.behaviour;
            queue.Taken(std::min(queue.Size(), receiver.takes(t, queue.Size())), start + t);
            if (queue.Stuck(start + t)) stuckAt = t;
        }
        EXPECT_EQ(stuckAt, receiver.stuckAt) << receiver.behaviour;
    }
}

TEST(SendQueue, KeepsLinesWholeAndInOrderFromAnyOffsetWithinItsCap) {
    SendQueue queue(20, 5s);
    const Clock::time_point now{};
    EXPECT_TRUE(queue.Empty());
    EXPECT_EQ(queue.Deadline(), Clock::time_point::max());
    // The system took the first 3 bytes of this one before it was queued.
    ASSERT_TRUE(queue.Push(Lines("talka\r\n"), 3, now));
    ASSERT_TRUE(queue.Push(Lines("talkb\r\ntalkc\r\n"), 0, now));
    EXPECT_EQ(queue.Size(), 4u + 14u);
    EXPECT_FALSE(queue.Push(Lines("talkd\r\n"), 0, now)) << "past the cap of 20 bytes";
    EXPECT_EQ(queue.Size(), 18u);
    EXPECT_TRUE(queue.Push(Lines("talkd\r\n"), 5, now)) << "two bytes still fit";

    // The system takes 5 bytes at a time from the first two runs, across them where one ends.
    std::string delivered;
    while (!queue.Empty()) {
        std::string_view runs[2];
        const std::size_t filled = queue.Front(runs);
        const std::string waiting =
            std::string(runs[0]) + (filled > 1 ? std::string(runs[1]) : std::string());
        const std::size_t taken = std::min<std::size_t>(waiting.size(), 5);
        delivered.append(waiting.substr(0, taken));
        queue.Taken(taken, now);
    }
    EXPECT_EQ(delivered, "ka\r\ntalkb\r\ntalkc\r\n\r\n");
    EXPECT_EQ(queue.Size(), 0u);
}

TEST(SendQueue, ALineEndSplitAcrossTakesCountsOnceWhole) {
    SendQueue queue(1024, 5s);
    const Clock::time_point start{};
    ASSERT_TRUE(queue.Push(Lines("talka\r\ntalkb\r\n"), 0, start));
    queue.Taken(6, start + 4s);  // up to the CR
    EXPECT_EQ(queue.Deadline(), start + 5s);
    queue.Taken(1, start + 4s);  // the LF: a whole line left
    EXPECT_EQ(queue.Deadline(), start + 9s);
    queue.Clear();
    EXPECT_TRUE(queue.Empty());
    EXPECT_FALSE(queue.Stuck(start + 60s));
}

}  // namespace
}  // namespace vesk

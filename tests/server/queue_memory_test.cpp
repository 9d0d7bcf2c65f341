#include "server/queue_memory.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <string>

namespace vesk {
namespace {

using namespace std::chrono_literals;

TEST(QueueMemory, OnlyTheSendersWhoseLinesFillItWaitAndOnlyUntilTheyAreTaken) {
    QueueMemory memory(10000);
    const auto flooder = std::make_shared<QueueMemory::Sender>();
    const auto chatter = std::make_shared<QueueMemory::Sender>();
    const auto listener = std::make_shared<QueueMemory::Sender>();
    const std::string flood(12000, 'f');
    SendQueue::Lines held = memory.Hold(flood, {{flooder, flood.size()}});
    const SendQueue::Lines chat = memory.Hold("talkhi\r\n", {{chatter, 8}});
    EXPECT_GT(memory.Held(), 12000u);

    // Over the cap: a sender with a small share, or none, goes on at once.
    const auto never = [] { return false; };
    memory.WaitWhileFilling(*chatter, never);
    memory.WaitWhileFilling(*listener, never);

    // The flooder waits until its lines are taken from the queues, and no longer.
    auto waiting =
        std::async(std::launch::async, [&] { memory.WaitWhileFilling(*flooder, never); });
    EXPECT_EQ(waiting.wait_for(200ms), std::future_status::timeout);
    held.reset();
    EXPECT_EQ(waiting.wait_for(10s), std::future_status::ready);
    EXPECT_LT(memory.Held(), 1000u);

    // A wait also ends when the relay closes or the sender is cut off.
    held = memory.Hold(flood, {{flooder, flood.size()}});
    std::atomic<bool> stop{false};
    auto stopped = std::async(std::launch::async, [&] {
        memory.WaitWhileFilling(*flooder, [&] { return stop.load(); });
    });
    stop = true;
    EXPECT_EQ(stopped.wait_for(10s), std::future_status::ready);
}

}  // namespace
}  // namespace vesk

#include "server/queue_memory.h"

#include <gtest/gtest.h>

#include <string>

namespace vesk {
namespace {

TEST(QueueMemory, OnlyTheSendersWhoseLinesFillItAreHeldBackAndOnlyUntilTheyAreTaken) {
    QueueMemory memory(10000);
    const auto flooder = std::make_shared<QueueMemory::Sender>();
    const auto chatter = std::make_shared<QueueMemory::Sender>();
    const auto listener = std::make_shared<QueueMemory::Sender>();
    SendQueue::Lines held = memory.Hold(std::string(12000, 'f'), {{flooder, 12000}});
    const SendQueue::Lines chat = memory.Hold("talkhi\r\n", {{chatter, 8}, {listener, 0}});
    EXPECT_GT(memory.Held(), 12000u);
    EXPECT_FALSE(memory.Released());

    // Over the cap: a sender with a small share, or none, goes on.
    EXPECT_TRUE(memory.Filling(*flooder));
    EXPECT_FALSE(memory.Filling(*chatter));
    EXPECT_FALSE(memory.Filling(*listener));

    // The flooder goes on once its lines are taken from the queues.
    held.reset();
    EXPECT_TRUE(memory.Released());
    EXPECT_FALSE(memory.Released()) << "said once";
    EXPECT_FALSE(memory.Filling(*flooder));
    EXPECT_LT(memory.Held(), 1000u);
}

}  // namespace
}  // namespace vesk

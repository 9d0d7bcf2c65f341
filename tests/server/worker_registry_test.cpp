#include "server/worker_registry.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>
#include <utility>
#include <vector>

namespace vesk {
namespace {

TEST(WorkerRegistry, EndedThreadsAreJoinedAtTheNextStartAndTheRestAtTheEnd) {
    // Threads started, and how many of them end before one more is started.
    const std::vector<std::pair<std::size_t, std::size_t>> cases = {
        {0, 0}, {1, 1}, {3, 1}, {3, 3}, {5, 0}};
    for (const auto& [started, ended] : cases) {
        SCOPED_TRACE(testing::Message() << started << " started, " << ended << " ended");
        std::vector<std::promise<void>> releases(started + 1);
        std::atomic<std::size_t> ran{0};
        WorkerRegistry registry;
        const auto start = [&](std::size_t i) {
            return registry.Start([&ran, release = releases[i].get_future()] {
                release.wait();
                ++ran;
            });
        };
        for (std::size_t i = 0; i < started; ++i) ASSERT_TRUE(start(i));
        for (std::size_t i = 0; i < ended; ++i) releases[i].set_value();
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (registry.Count().ended < ended && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::yield();
        }
        ASSERT_EQ(registry.Count().ended, ended);

        ASSERT_TRUE(start(started));
        EXPECT_EQ(registry.Count().running, started - ended + 1);
        EXPECT_EQ(registry.Count().ended, 0u);

        for (std::size_t i = ended; i <= started; ++i) releases[i].set_value();
        registry.JoinAll();
        EXPECT_EQ(ran.load(), started + 1);
        EXPECT_EQ(registry.Count().running + registry.Count().ended, 0u);
    }
}

}  // namespace
}  // namespace vesk

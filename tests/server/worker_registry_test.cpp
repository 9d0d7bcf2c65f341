#include "server/worker_registry.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <thread>
#include <vector>

namespace vesk {
namespace {

using namespace std::chrono_literals;

// Waits until the registry counts this many threads as running, or the deadline passes.
bool WaitForRunning(const WorkerRegistry& registry, std::size_t running) {
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    while (registry.Count().running != running) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::yield();
    }
    return true;
}

TEST(WorkerRegistry, EndedThreadsAreJoinedAtTheNextStartAndTheRestAtTheEnd) {
    struct Case {
        std::size_t started;
        std::size_t ended;  // before one more is started
    };
    const std::vector<Case> cases = {{0, 0}, {1, 1}, {3, 1}, {3, 3}, {5, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.started << " started, " << c.ended << " ended");
        std::vector<std::promise<void>> releases(c.started + 1);
        std::atomic<std::size_t> ran{0};
        WorkerRegistry registry;
        // Each worker owns something that cannot be copied, as a connection's thread does.
        const auto start = [&](std::size_t i) {
            auto release = std::make_unique<std::future<void>>(releases[i].get_future());
            return registry.Start([&ran, release = std::move(release)] {
                release->wait();
                ++ran;
            });
        };
        for (std::size_t i = 0; i < c.started; ++i) ASSERT_TRUE(start(i));
        for (std::size_t i = 0; i < c.ended; ++i) releases[i].set_value();
        ASSERT_TRUE(WaitForRunning(registry, c.started - c.ended));
        EXPECT_EQ(registry.Count().ended, c.ended);

        ASSERT_TRUE(start(c.started));
        const WorkerRegistry::Tally afterStart = registry.Count();
        EXPECT_EQ(afterStart.running, c.started - c.ended + 1);
        EXPECT_EQ(afterStart.ended, 0u);

        for (std::size_t i = c.ended; i <= c.started; ++i) releases[i].set_value();
        registry.JoinAll();
        EXPECT_EQ(ran.load(), c.started + 1);
        const WorkerRegistry::Tally afterJoin = registry.Count();
        EXPECT_EQ(afterJoin.running + afterJoin.ended, 0u);
    }
}

}  // namespace
}  // namespace vesk

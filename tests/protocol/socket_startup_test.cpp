#include "protocol/socket_startup.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "protocol/cp932.h"

namespace vesk {
namespace {

TEST(SocketStartup, OnlyVersion11IsReadyAndEachFailureHasItsMessage) {
    constexpr int kSystemNotReady = 10091;  // what Windows reports when its sockets are down
    const struct {
        int error;
        std::uint16_t granted;
        SocketStartupOutcome outcome;
        const char* message;
    } cases[] = {
        {0, 0x0101, SocketStartupOutcome::Ready, ""},
        {kSystemNotReady, 0x0101, SocketStartupOutcome::NoVersion,
         "WinSockのバージョンを取得できません"},
        {kSystemNotReady, 0, SocketStartupOutcome::NoVersion,
         "WinSockのバージョンを取得できません"},
        {0, 0x0001, SocketStartupOutcome::WrongVersion, "WinSock1.1以上が必要です"},  // 1.0
        {0, 0x0202, SocketStartupOutcome::WrongVersion, "WinSock1.1以上が必要です"},  // 2.2
    };
    for (const auto& c : cases) {
        const SocketStartupOutcome outcome = JudgeSocketStartup(c.error, c.granted);
        EXPECT_EQ(outcome, c.outcome) << c.error << " " << c.granted;
        EXPECT_EQ(SocketStartupMessage(outcome), Cp932FromUtf8(c.message))
            << c.error << " " << c.granted;
    }
}

TEST(SocketStartup, TheCheckOnThisSystemIsReadyAndSilent) {
    // The library is also readied by the test program; each start is balanced by a cleanup.
    std::vector<std::string> shown;
    EXPECT_TRUE(CheckSocketStartup([&](std::string_view text) { shown.emplace_back(text); }));
    EXPECT_TRUE(shown.empty());
    SocketCleanup();
}

}  // namespace
}  // namespace vesk

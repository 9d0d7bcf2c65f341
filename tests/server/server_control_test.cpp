#include "server/server_control.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>

#include "protocol/cp932.h"
#include "tests/server/recording_reporter.h"
#include "tests/support/test_peer.h"

namespace vesk {
namespace {

using test::FreePort;
using test::RecordingReporter;
using test::TestListener;
using test::WaitUntil;

const std::string kTooLow = "安全のためポート番号は1000以上を指定して下さい";
const std::string kTooHigh = "ポート番号は65535以下を指定して下さい";

TEST(ServerControl, RefusesPortsOutsideTheRuleWithoutListening) {
    const struct {
        std::string text;
        std::string message;
    } cases[] = {
        {"999", kTooLow},         {"0", kTooLow}, {"-15000", kTooLow}, {"", kTooLow},
        {"abc", kTooLow},          // no number reads as 0
        {"１５０００", kTooLow},   // full-width digits are no digits
        {"65536", kTooHigh},       // would listen on port 0, a port the system picks
        {"80536", kTooHigh},       // would listen on 15000
        {"4295032296", kTooHigh},  // 2^32 + 65000: beyond 32 bits too
    };
    for (const auto& c : cases) {
        RecordingReporter reporter;
        ServerControl control(reporter);
        EXPECT_EQ(control.StartFromText(Cp932FromUtf8(c.text)), StartOutcome::Refused) << c.text;
        EXPECT_EQ(reporter.Messages(), std::vector<std::string>{c.message}) << c.text;
        EXPECT_EQ(control.Relay().ListeningPort(), -1) << c.text;
        EXPECT_EQ(control.Menu(), MenuState::Idle) << c.text;
        EXPECT_TRUE(reporter.Lines().empty()) << c.text;
    }
}

TEST(ServerControl, StartsOnTheChosenPortAndStops) {
    RecordingReporter reporter;
    ServerControl control(reporter);
    const int port = FreePort();
    // Read the way atoi reads: leading blanks and a sign are fine, the rest of the text ends
    // the number.
    EXPECT_EQ(control.StartFromText("  +" + std::to_string(port) + " "), StartOutcome::Started);
    EXPECT_EQ(control.Relay().ListeningPort(), port);
    EXPECT_EQ(control.Menu(), MenuState::Active);
    EXPECT_TRUE(reporter.WaitFor("サーバー起動"));
    EXPECT_TRUE(reporter.WaitFor("接続受け入れ可能"));
    EXPECT_TRUE(reporter.Messages().empty());

    control.Stop();
    EXPECT_EQ(control.Menu(), MenuState::Idle);
    EXPECT_EQ(control.Relay().ListeningPort(), -1);
    EXPECT_TRUE(reporter.WaitFor("サーバー終了"));
    EXPECT_TRUE(reporter.WaitFor("接続受け入れ不能"));
}

TEST(ServerControl, APortInUseFailsWithTheBindLineEachTime) {
    RecordingReporter reporter;
    ServerControl control(reporter);
    TestListener other;
    for (int attempt = 0; attempt < 2; ++attempt) {
        EXPECT_EQ(control.StartFromText(std::to_string(other.Port())), StartOutcome::Failed);
        EXPECT_EQ(control.Menu(), MenuState::Idle);
    }
    const auto lines = reporter.Lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "ERROR：ソケット初期化(bind)失敗"), 2);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "サーバー起動"), 0);
    EXPECT_TRUE(reporter.Messages().empty());
}

}  // namespace
}  // namespace vesk

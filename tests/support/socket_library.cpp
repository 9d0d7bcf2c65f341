// Every test program readies the socket library before its first test, as the programs do
// at start-up; without it no socket call works on Windows.

#include <gtest/gtest.h>

#include "protocol/socket_startup.h"

namespace vesk::test {
namespace {

class SocketLibrary : public ::testing::Environment {
public:
    void SetUp() override { ASSERT_EQ(SocketStartup(), SocketStartupOutcome::Ready); }
    void TearDown() override { SocketCleanup(); }
};

const ::testing::Environment* const registered =
    ::testing::AddGlobalTestEnvironment(new SocketLibrary);

}  // namespace
}  // namespace vesk::test

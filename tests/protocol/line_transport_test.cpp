#include "protocol/line_transport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <string>
#include <thread>

#include "protocol/line_splitter.h"
#include "tests/support/test_peer.h"

namespace vesk {
namespace {

using namespace std::chrono_literals;
using test::TestListener;
using test::TestPeer;
using test::WaitUntil;

// A connected loopback pair: the test writes on writer, the code under test reads reader.
class LineTransport : public ::testing::Test {
protected:
    LineTransport() : writer(listener.Port()), reader(TestPeer::Adopt{listener.Accept()}) {}

    TestListener listener;
    TestPeer writer;
    TestPeer reader;
};

TEST_F(LineTransport, SendAllDeliversEveryByteOfALargeBuffer) {
    std::string bytes;
    for (int i = 0; bytes.size() < 3'000'000; ++i) bytes += "talk" + std::to_string(i) + "\r\n";
    auto sender = std::async(std::launch::async, [&] { return SendAll(writer.Handle(), bytes); });
    // Whole lines, however the system cut the stream.
    LineSplitter lines;
    std::string received;
    std::string piece(64 * 1024, '\0');
    while (received.size() < bytes.size()) {
        const long got = ReceiveSome(reader.Handle(), piece.data(), piece.size());
        ASSERT_GT(got, 0);
        lines.Feed(std::string_view(piece).substr(0, static_cast<std::size_t>(got)));
        while (const auto line = lines.Next()) received += *line;
    }
    EXPECT_TRUE(sender.get());
    EXPECT_EQ(received, bytes);
}

TEST_F(LineTransport, SendAllFailsOnAClosedConnection) {
    reader.Reset();
    EXPECT_TRUE(WaitUntil([&] { return !SendAll(writer.Handle(), "talk\r\n"); }));
}

TEST_F(LineTransport, SendAllHoldsTheSendTimeoutOverTheWholeBuffer) {
    // Small buffers, so that the peer's pace decides how fast the bytes go.
    const int small = 64 * 1024;
    SetSendBuffer(writer.Handle(), small);
    reader.SetReceiveBuffer(small);
    SetSendTimeout(writer.Handle(), 300ms);
    // A peer that takes a little every few milliseconds: every piece goes out well within the
    // timeout, the whole buffer would take seconds.
    std::atomic<bool> done{false};
    std::thread slowPeer([&] {
        while (!done) {
            reader.DropWaiting(4096);
            std::this_thread::sleep_for(5ms);
        }
    });
    const std::string bytes(4'000'000, 'x');
    const auto started = std::chrono::steady_clock::now();
    const bool sent = SendAll(writer.Handle(), bytes);
    const auto took = std::chrono::steady_clock::now() - started;
    done = true;
    slowPeer.join();
    EXPECT_FALSE(sent);
    EXPECT_LT(took, 3s);
}

}  // namespace
}  // namespace vesk

#include "protocol/line_transport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>

#include "protocol/cp932.h"
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

    std::string Read() {
        const int length = ReadLine(reader.Handle(), line);
        if (length < 0) return "<failed>";
        EXPECT_EQ(line[static_cast<std::size_t>(length)], '\0');
        return std::string(line.data(), static_cast<std::size_t>(length));
    }

    // Waits until the reader side has taken every byte sent so far.
    bool Drained() {
        return WaitUntil([&] { return reader.BytesWaiting() == 0; });
    }

    TestListener listener;
    TestPeer writer;
    TestPeer reader;
    LineBuffer line{};
};

TEST_F(LineTransport, TwoLinesInOneSegmentAreTwoReads) {
    writer.Send("talkone\r\npadd\t3\r\n");
    EXPECT_EQ(Read(), "talkone\r\n");
    EXPECT_EQ(Read(), "padd\t3\r\n");
}

TEST_F(LineTransport, ALineInPiecesIsOneRead) {
    auto first = std::async(std::launch::async, [&] { return Read(); });
    writer.Send("talkhel");
    ASSERT_TRUE(Drained());  // the reader took the first piece and waits for more
    writer.Send("lo\r\nnext\r\n");
    EXPECT_EQ(first.get(), "talkhello\r\n");
    EXPECT_EQ(Read(), "next\r\n");
}

TEST_F(LineTransport, CrEndingOneReadAndLfStartingTheNextEndTheLine) {
    auto first = std::async(std::launch::async, [&] { return Read(); });
    writer.Send("talkabc\r");
    ASSERT_TRUE(Drained());
    writer.Send("\npdel3\r\n");
    EXPECT_EQ(first.get(), "talkabc\r\n");
    EXPECT_EQ(Read(), "pdel3\r\n");  // not swallowed into the talk line
}

TEST_F(LineTransport, ALoneCrInsideALineStaysText) {
    writer.Send("a\rb\r\n");
    EXPECT_EQ(Read(), "a\rb\r\n");
}

TEST_F(LineTransport, ANulInsideALineLosesNothing) {
    writer.Send(std::string_view("ab\0cd\r\npadd\t1\r\n", 15));
    EXPECT_EQ(Read(), std::string("ab\0cd\r\n", 7));
    EXPECT_EQ(Read(), "padd\t1\r\n");
}

TEST_F(LineTransport, ALongLineIsCutAndTheStreamStaysInStep) {
    const std::string longText(10000, 'x');
    auto sender =
        std::async(std::launch::async, [&] { return writer.Send(longText + "\r\nafter\r\n"); });
    const std::string cut = Read();
    EXPECT_EQ(cut, std::string(4094, 'x') + "\r\n");
    EXPECT_EQ(Read(), "after\r\n");
    EXPECT_TRUE(sender.get());
}

TEST_F(LineTransport, ALongLineIsNotCutInsideADoubleByteCharacter) {
    // 4093 single bytes, then double-byte characters: the one at 4093..4094 does not fit.
    std::string text(4093, 'y');
    for (int i = 0; i < 10; ++i) text += Cp932FromUtf8("表");
    writer.Send(text + "\r\nafter\r\n");
    EXPECT_EQ(Read(), std::string(4093, 'y') + "\r\n");
    EXPECT_EQ(Read(), "after\r\n");
}

TEST_F(LineTransport, TheLongestLineThatFitsIsWhole) {
    const std::string text(4094, 'z');
    writer.Send(text + "\r\n" + text + "\r");
    writer.Send("\n");
    EXPECT_EQ(Read(), text + "\r\n");
    EXPECT_EQ(Read(), text + "\r\n");
}

TEST_F(LineTransport, ALongLineWhoseCrEndsAPeekIsStillCut) {
    auto first = std::async(std::launch::async, [&] { return Read(); });
    writer.Send(std::string(5000, 'w') + "\r");
    ASSERT_TRUE(Drained());
    writer.Send("\nnext\r\n");
    EXPECT_EQ(first.get(), std::string(4094, 'w') + "\r\n");
    EXPECT_EQ(Read(), "next\r\n");
}

TEST_F(LineTransport, ShortLinesAreReturnedAsTheyAre) {
    writer.Send("\r\nab\r\n");
    EXPECT_EQ(Read(), "\r\n");
    EXPECT_EQ(Read(), "ab\r\n");
}

TEST_F(LineTransport, AClosedConnectionFailsTheRead) {
    writer.Send("half a line");
    writer.Close();
    EXPECT_EQ(ReadLine(reader.Handle(), line), -1);
}

TEST_F(LineTransport, AResetConnectionFailsTheRead) {
    auto pending = std::async(std::launch::async, [&] { return ReadLine(reader.Handle(), line); });
    writer.Reset();
    EXPECT_EQ(pending.get(), -1);
}

TEST_F(LineTransport, SendAllDeliversEveryByteOfALargeBuffer) {
    std::string bytes;
    for (int i = 0; bytes.size() < 3'000'000; ++i) bytes += "talk" + std::to_string(i) + "\r\n";
    auto sender = std::async(std::launch::async, [&] { return SendAll(writer.Handle(), bytes); });
    std::string received;
    while (received.size() < bytes.size()) {
        const int length = ReadLine(reader.Handle(), line);
        ASSERT_GT(length, 0);
        received.append(line.data(), static_cast<std::size_t>(length));
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

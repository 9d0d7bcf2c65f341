#include "protocol/buffered_line_reader.h"

#include <gtest/gtest.h>

#include <future>
#include <string>
#include <vector>

#include "protocol/cp932.h"
#include "tests/support/test_peer.h"

namespace vesk {
namespace {

using test::Sjis;
using test::TestListener;
using test::TestPeer;
using test::WaitUntil;

struct Stream {
    const char* what;
    std::vector<std::string> pieces;  // each arrives in a receive of its own
    std::vector<std::string> lines;   // what the reader gives, in order
};

std::vector<Stream> Streams() {
    const std::string x4094(4094, 'x');
    return {
        {"two lines in one piece", {"talkone\r\npadd\t3\r\n"}, {"talkone\r\n", "padd\t3\r\n"}},
        {"a line in pieces", {"talkhel", "lo\r\nnext\r\n"}, {"talkhello\r\n", "next\r\n"}},
        {"CR and LF in different pieces", {"talkcr\r", "\ntalk\r\n"}, {"talkcr\r\n", "talk\r\n"}},
        {"a lone CR is text", {"ab\rcd\r", "x\r\n"}, {"ab\rcd\rx\r\n"}},
        {"NUL bytes are kept",
         {std::string("a\0b\r\n", 5), "\r\n"},
         {std::string("a\0b\r\n", 5), "\r\n"}},
        {"an overlong line is cut and its rest dropped",
         {std::string(3000, 'x'), std::string(2000, 'x') + "\r\nafter\r\n"},
         {x4094 + "\r\n", "after\r\n"}},
        {"a cut never splits a double-byte character",
         {std::string(4093, 'x') + Sjis("表") + "yy\r\n"},
         {std::string(4093, 'x') + "\r\n"}},
        {"a line of exactly the longest length",
         {x4094 + "\r", "\nz\r\n"},
         {x4094 + "\r\n", "z\r\n"}},
        {"a CR past the cut and its LF in the next piece",
         {x4094 + "yy\r", "\nz\r\n"},
         {x4094 + "\r\n", "z\r\n"}},
    };
}

// A connected loopback pair: the test writes on writer, the reader under test reads reader.
struct Pair {
    Pair() : writer(listener.Port()), reader(TestPeer::Adopt{listener.Accept()}) {}
    bool Arrived(std::size_t bytes) {
        return WaitUntil([&] { return reader.BytesWaiting() >= bytes; });
    }
    TestListener listener;
    TestPeer writer;
    TestPeer reader;
};

TEST(BufferedLineReader, GivesEachWholeLineWhateverThePieces) {
    for (const Stream& stream : Streams()) {
        Pair buffered;
        BufferedLineReader reader(buffered.reader.Handle());
        std::vector<std::string> lines;
        for (const std::string& piece : stream.pieces) {
            buffered.writer.Send(piece);
            ASSERT_TRUE(buffered.Arrived(piece.size())) << stream.what;
            ASSERT_TRUE(reader.Receive()) << stream.what;
            while (const auto line = reader.TakeLine()) lines.emplace_back(*line);
        }
        EXPECT_EQ(lines, stream.lines) << stream.what;
    }
}

TEST(BufferedLineReader, EndsWhenTheConnectionEndsAndDropsAHalfLine) {
    Pair pair;
    BufferedLineReader reader(pair.reader.Handle());
    pair.writer.Send("talkwhole\r\nhalf a li");
    pair.writer.Close();
    EXPECT_EQ(reader.NextLine(), "talkwhole\r\n");
    EXPECT_EQ(reader.NextLine(), std::nullopt);

    Pair reset;
    BufferedLineReader waiting(reset.reader.Handle());
    auto pending = std::async(std::launch::async, [&] { return waiting.NextLine(); });
    reset.writer.Reset();
    EXPECT_EQ(pending.get(), std::nullopt);
}

}  // namespace
}  // namespace vesk

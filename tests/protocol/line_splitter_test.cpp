#include "protocol/line_splitter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/test_peer.h"

namespace vesk {
namespace {

using test::Sjis;

struct Stream {
    const char* what;
    std::vector<std::string> pieces;  // each fed on its own
    std::vector<std::string> lines;   // what the splitter gives, in order
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

TEST(LineSplitter, GivesEachWholeLineWhateverThePieces) {
    for (const Stream& stream : Streams()) {
        LineSplitter splitter;
        std::vector<std::string> lines;
        for (const std::string& piece : stream.pieces) {
            splitter.Feed(piece);
            while (const auto line = splitter.Next()) lines.emplace_back(*line);
        }
        EXPECT_EQ(lines, stream.lines) << stream.what;
        EXPECT_EQ(splitter.PartialBytes(), 0u) << stream.what;
    }
}

TEST(LineSplitter, KeepsAHalfLineUntilItsEndAndNoMoreOfItThanACutNeeds) {
    LineSplitter splitter;
    splitter.Feed("talkwhole\r\nhalf a li");
    EXPECT_EQ(splitter.Next(), "talkwhole\r\n");
    EXPECT_EQ(splitter.Next(), std::nullopt);
    EXPECT_EQ(splitter.PartialBytes(), 9u);
    // A peer that never ends its line costs no more than one line.
    const std::string endless(1 << 20, 'x');
    for (int i = 0; i < 8; ++i) {
        splitter.Feed(endless);
        EXPECT_EQ(splitter.Next(), std::nullopt);
    }
    EXPECT_EQ(splitter.PartialBytes(), kLongestLine - 1);
    splitter.Feed("ne\r\n");
    EXPECT_EQ(splitter.Next(), "half a li" + std::string(kLongestLine - 2 - 9, 'x') + "\r\n");
}

}  // namespace
}  // namespace vesk

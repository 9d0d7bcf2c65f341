#include "protocol/wire_messages.h"

#include <gtest/gtest.h>

namespace vesk::wire {
namespace {

// The expected lines are spelled in bytes, so that a wrong code page shows up here.
TEST(WireMessages, ClientLinesAreByteExact) {
    EXPECT_EQ(NameLine("Aya"), "Aya\r\n");
    EXPECT_EQ(std::string(kBlankTalk), "talk\r\n");
    // "talkAya がパーティに参加しました\r\n"
    EXPECT_EQ(JoinAnnouncement("Aya"),
              "talkAya \x82\xaa\x83\x70\x81\x5b\x83\x65\x83\x42\x82\xc9\x8e\x51\x89\xc1\x82\xb5"
              "\x82\xdc\x82\xb5\x82\xbd\r\n");
    // "talkAya：hi\r\n" with the full-width colon 0x81 0x46.
    EXPECT_EQ(ChatLine("Aya", "hi"), "talkAya\x81\x46hi\r\n");
    // "talkAya：ころりんこ。。。2D[6]+3 = 4+2 = 9\r\n"
    EXPECT_EQ(DiceLine("Aya", "2D[6]+3", "4+2", 9),
              "talkAya\x81\x46\x82\xb1\x82\xeb\x82\xe8\x82\xf1\x82\xb1\x81\x42\x81\x42\x81\x42"
              "2D[6]+3 = 4+2 = 9\r\n");
    EXPECT_EQ(DiceLine("A", "0D[6]", "", -3).substr(23), "0D[6] =  = -3\r\n");
}

TEST(WireMessages, ServerLinesAreByteExact) {
    EXPECT_EQ(PaddLine("Aya", 0), "paddAya\t0\r\n");
    EXPECT_EQ(PaddLine("", 12), "padd\t12\r\n");
    EXPECT_EQ(PdelLine(7), "pdel7\r\n");
    // "Aya がパーティから抜けました\r\n"
    EXPECT_EQ(DepartureLine("Aya"),
              "Aya \x82\xaa\x83\x70\x81\x5b\x83\x65\x83\x42\x82\xa9\x82\xe7\x94\xb2\x82\xaf\x82"
              "\xdc\x82\xb5\x82\xbd\r\n");
}

}  // namespace
}  // namespace vesk::wire

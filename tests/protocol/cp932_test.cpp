#include "protocol/cp932.h"

#include <gtest/gtest.h>

#include "protocol/decimal_text.h"

namespace vesk {
namespace {

TEST(Cp932, UsesTheWindowsTableBothWays) {
    // The Windows extensions (circled digits), the full-width tilde, a character whose second
    // byte is a backslash, and a half-width kana.
    const std::string text = "①～表ｱ";
    const std::string bytes = Cp932FromUtf8(text);
    EXPECT_EQ(bytes, "\x87\x40\x81\x60\x95\x5c\xb1");
    EXPECT_EQ(Utf8FromCp932(bytes), text);
    EXPECT_EQ(Utf8FromCp932("\\~"), "\\~");
}

TEST(Cp932, CharactersItCannotHoldBecomeQuestionMarks) {
    EXPECT_EQ(Cp932FromUtf8("a😀b한c"), "a?b?c");
    EXPECT_EQ(Cp932FromUtf8("äé"), "??");         // no look-alikes
    EXPECT_EQ(Cp932FromUtf8("x\xe3"), "x?");      // UTF-8 cut off at its end
    EXPECT_EQ(Utf8FromCp932("a\x81"), "a?");      // lead byte without its second byte
    EXPECT_EQ(Utf8FromCp932("\x85\x40z"), "?z");  // unassigned double-byte code
}

TEST(Cp932, FitLengthNeverSplitsADoubleByteCharacter) {
    const std::string text = Cp932FromUtf8("aあい");  // 1 + 2 + 2 bytes
    EXPECT_EQ(Cp932FitLength(text, 10), 5u);
    EXPECT_EQ(Cp932FitLength(text, 5), 5u);
    EXPECT_EQ(Cp932FitLength(text, 4), 3u);
    EXPECT_EQ(Cp932FitLength(text, 2), 1u);
    EXPECT_EQ(Cp932FitLength(text, 0), 0u);
    // Half-width kana are single bytes, although they lie above 0x80.
    EXPECT_EQ(Cp932FitLength("\xb1\xb2\xb3", 2), 2u);
    EXPECT_EQ(Cp932Cut(Cp932FromUtf8("表表"), 3), Cp932FromUtf8("表"));
}

TEST(DecimalText, ReadsLikeAtoi) {
    EXPECT_EQ(ReadDecimal("42"), 42);
    EXPECT_EQ(ReadDecimal("  \t-17x3"), -17);
    EXPECT_EQ(ReadDecimal("+5"), 5);
    EXPECT_EQ(ReadDecimal("abc"), 0);
    EXPECT_EQ(ReadDecimal(""), 0);
    EXPECT_EQ(ReadDecimal("- 5"), 0);
    EXPECT_EQ(ReadDecimal("99999999999999999999"), 2147483647);
    EXPECT_EQ(ReadDecimal("-2147483648"), -2147483647 - 1);
    EXPECT_EQ(ReadDecimal("-99999999999999999999"), -2147483647 - 1);

    for (const char* digits : {"0", "0015000", "99999999999999999999"}) {
        EXPECT_TRUE(IsDecimalDigits(digits)) << digits;
    }
    for (const char* other : {"", "+5", "-5", " 5", "5 ", "5x", "\xef\xbc\x95"}) {
        EXPECT_FALSE(IsDecimalDigits(other)) << other;
    }
}

}  // namespace
}  // namespace vesk

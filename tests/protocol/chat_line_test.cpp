#include "protocol/chat_line.h"

#include <gtest/gtest.h>

#include "tests/support/test_peer.h"

namespace vesk {
namespace {

using test::Sjis;

TEST(ChatLineTest, OneWholeLineFromWhatWasTyped) {
    const std::string kanji48 =
        Sjis(std::string(24, 'a') + "表表表表表表表表表表表表");  // 48 bytes
    const std::string text498 = std::string(498, 'x');
    struct Case {
        const char* what;
        std::string name;
        std::string typed;
        std::string line;
    };
    const Case cases[] = {
        {"plain", "Aya", Sjis("こんにちは"), Sjis("talkAya：こんにちは\r\n")},
        {"nothing typed", "Aya", "", ""},
        {"empty name", "", "hi", Sjis("talk：hi\r\n")},
        {"percent unchanged", "Aya", "100%s %d", Sjis("talkAya：100%s %d\r\n")},
        {"pasted lines", "Aya", "a\r\nb\nc\rd", Sjis("talkAya：a b c d\r\n")},
        {"forged roster line", "Aya", "x\r\npaddKai\t3", Sjis("talkAya：x paddKai\t3\r\n")},
        {"only a line break", "Aya", "\r\n", Sjis("talkAya： \r\n")},
        {"600 bytes", "Aya", std::string(600, 'y'),
         Sjis("talkAya：") + std::string(499, 'y') + "\r\n"},
        {"cut before a double-byte character", "Aya", text498 + Sjis("表"),
         Sjis("talkAya：") + text498 + "\r\n"},
        {"line feed after a lone lead byte", "Aya", "\x81\n", Sjis("talkAya：") + "\x81 \r\n"},
        {"name cut at 49", kanji48 + Sjis("表"), "a", "talk" + kanji48 + Sjis("：a\r\n")},
    };
    for (const Case& c : cases) EXPECT_EQ(ChatLineFromInput(c.name, c.typed), c.line) << c.what;
}

}  // namespace
}  // namespace vesk

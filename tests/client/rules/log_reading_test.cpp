// Reading the chat log back: the bound that keeps the window's log small, who spoke a line,
// dice lines, lines that name the player, arrival stamps and the HTML page made of them.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "client/rules/html_log.h"
#include "client/rules/log_bound.h"
#include "client/rules/log_line.h"
#include "client/rules/seal_book.h"
#include "dice/dice_seal.h"
#include "protocol/cp932.h"

namespace vesk {
namespace {

std::string Sjis(std::string_view utf8) { return Cp932FromUtf8(utf8); }

TEST(LogBoundTest, KeepsTheNewestLinesWithinCountAndSize) {
    struct Case {
        LogLimits limits;
        std::vector<std::size_t> added;
        std::vector<std::size_t> dropped;  // after each addition
        std::size_t lines, bytes;
    };
    const std::vector<Case> cases = {
        {{3, 1000}, {10, 10, 10}, {0, 0, 0}, 3, 30},
        {{3, 1000}, {10, 10, 10, 10, 10}, {0, 0, 0, 1, 1}, 3, 30},
        {{100, 25}, {10, 10, 10}, {0, 0, 1}, 2, 20},
        // One big line pushes out several small ones at once.
        {{100, 25}, {5, 5, 5, 20}, {0, 0, 0, 3}, 1, 20},
        // Over a limit, a twentieth of it goes at once: 40 lines keep 38.
        {{40, 100000},
         std::vector<std::size_t>(41, 1),
         [] {
             std::vector<std::size_t> dropped(41, 0);
             dropped.back() = 3;
             return dropped;
         }(),
         38,
         38},
        // A line larger than the whole bound is still shown, alone.
        {{100, 25}, {5, 400, 5}, {0, 1, 1}, 1, 5},
    };
    for (const Case& c : cases) {
        LogBound bound(c.limits);
        std::vector<std::size_t> dropped;
        for (const std::size_t bytes : c.added) dropped.push_back(bound.Added(bytes));
        EXPECT_EQ(dropped, c.dropped);
        EXPECT_EQ(bound.Lines(), c.lines);
        EXPECT_EQ(bound.Bytes(), c.bytes);
        bound.Cleared();
        EXPECT_EQ(bound.Lines(), 0u);
        EXPECT_EQ(bound.Added(1), 0u);
    }
}

TEST(LogLineTest, SpeakerDiceAndMentionsAreReadOnCharacterBoundaries) {
    struct Case {
        std::string line;
        std::string speaker;
        bool dice;
        bool mentionsAya;
    };
    // "ア" is 83 41: its second byte is "A", which must not start a match of "Aya".
    const std::vector<Case> cases = {
        {Sjis("Ben：Aya、次どうぞ"), "Ben", false, true},
        {Sjis("Aya：Aya です"), "Aya", false, false},
        {Sjis("Ben：ころりんこ。。。2D[6] = 3+4 = 7"), "Ben", true, false},
        {Sjis("Ben：ころりんこと言った"), "Ben", false, false},
        {Sjis("【ダイス】Ben：(1D6) ＞ 3"), Sjis("【ダイス】Ben"), false, false},
        {Sjis("Aya がパーティに参加しました"), "", false, false},
        {Sjis("Ben：アya"), "Ben", false, false},
        {"", "", false, false},
        // The colon's bytes 81 46 inside "＝" (81 81) + "F" do not count as a colon.
        {Sjis("＝F：x"), Sjis("＝F"), false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SpeakerOf(c.line), c.speaker) << Utf8FromCp932(c.line);
        EXPECT_EQ(IsDiceLine(c.line), c.dice) << Utf8FromCp932(c.line);
        EXPECT_EQ(IsRelayDiceLine(c.line), c.line.starts_with(Sjis("【ダイス】")));
        EXPECT_EQ(MentionsPlayer(c.line, "Aya"), c.mentionsAya) << Utf8FromCp932(c.line);
        EXPECT_FALSE(MentionsPlayer(c.line, ""));
    }
    EXPECT_EQ(StampOf(0), "00:00:00 ");
    EXPECT_EQ(StampOf(23 * 3600 + 5 * 60 + 9), "23:05:09 ");
}

TEST(SealBookTest, TellsAShownSecretRollAgainstTheSealAnnouncedForIt) {
    const std::string key = "000102030405060708090a0b0c0d0e0f";
    const std::string result = Sjis("(1D100) ＞ 42 隠し");
    const auto sealLine = [&](const std::string& name, int number) {
        return Sjis("【ダイス】" + name + "：シークレットダイス #" + std::to_string(number) + " 封印 ") +
               SealOf(result, key);
    };
    const auto shownLine = [&](const std::string& name, int number, const std::string& shown,
                               const std::string& shownKey) {
        return Sjis("【ダイス】" + name + "：公開 #" + std::to_string(number) + " ") + shown +
               Sjis(" 鍵:") + shownKey;
    };
    SealBook book;
    EXPECT_FALSE(book.Read(sealLine("Aya", 1)));
    EXPECT_FALSE(book.Read(sealLine("Ben", 2)));
    const std::pair<std::string, std::string> cases[] = {
        {shownLine("Aya", 1, result, key), "（封印と一致）"},
        {shownLine("Aya", 1, Sjis("(1D100) ＞ 1 隠し"), key), "（封印と一致しません）"},
        {shownLine("Aya", 1, result, "f" + key.substr(1)), "（封印と一致しません）"},
        {shownLine("Ben", 1, result, key), "（封印を見ていないため確かめられません）"},
        {shownLine("Ben", 2, result, key), "（封印と一致）"},
    };
    for (const auto& [line, verdict] : cases) {
        EXPECT_EQ(book.Read(line), Sjis(verdict)) << Utf8FromCp932(line);
    }
    // A player's own line that looks like one tells nothing.
    EXPECT_FALSE(book.Read(Sjis("Aya：公開 #1 ") + result + Sjis(" 鍵:") + key));
    // Only the newest seals are kept.
    for (int number = 3; number < 3 + static_cast<int>(SealBook::kSeals); ++number) {
        book.Read(sealLine("Ben", number));
    }
    EXPECT_EQ(book.Read(shownLine("Aya", 1, result, key)),
              Sjis("（封印を見ていないため確かめられません）"));
}

TEST(HtmlLogTest, APageWithSteadyColoursMarkedDiceAndEscapedText) {
    const std::vector<LoggedLine> lines = {
        {Sjis("Aya：<b>こんにちは</b> & \"やあ\""), 3600},
        {Sjis("Ben：ころりんこ。。。1D[6] = 4 = 4"), 3601},
        {Sjis("【ダイス】Ben：(2D6) ＞ 7[3,4] ＞ 7"), 3601},
        {"", 3602},
        {Sjis("Aya がパーティから抜けました"), -1},
    };
    const std::string page = HtmlLog(lines, "VeskChat のログ");
    EXPECT_EQ(page.rfind("<!DOCTYPE html>", 0), 0u);
    EXPECT_NE(page.find("<meta charset=\"utf-8\">"), std::string::npos);
    // Self-contained: nothing is fetched from elsewhere.
    for (const char* outside : {"src=", "href=", "@import", "url("}) {
        EXPECT_EQ(page.find(outside), std::string::npos) << outside;
    }
    EXPECT_NE(page.find("&lt;b&gt;こんにちは&lt;/b&gt; &amp; &quot;やあ&quot;"), std::string::npos);
    EXPECT_EQ(page.find("<b>"), std::string::npos);
    EXPECT_NE(page.find("<td class=\"time\">01:00:00</td>"), std::string::npos);
    EXPECT_NE(page.find("<tr class=\"dice\">"), std::string::npos);
    // The relay's roll under its roller's name, marked as the relay's.
    EXPECT_NE(page.find("<tr class=\"relay\"><td class=\"time\">01:00:01</td><td class=\"text\"><span "
                        "class=\"mark\">サーバーのダイス</span><span class=\"speaker\""),
              std::string::npos);
    // A blank line and a line of unknown time have no time.
    EXPECT_NE(page.find("<tr class=\"notice\"><td class=\"time\"></td><td class=\"text\"></td>"),
              std::string::npos);
    EXPECT_EQ(page.find("01:00:02"), std::string::npos);
    EXPECT_NE(page.find("@media print"), std::string::npos);

    const std::string aya = SpeakerColour("Aya"), ben = SpeakerColour("Ben");
    EXPECT_EQ(aya, SpeakerColour("Aya"));
    EXPECT_NE(aya, ben);
    EXPECT_NE(page.find("style=\"color:" + aya + "\">Aya</span>"), std::string::npos);
    EXPECT_NE(page.find("style=\"color:" + ben + "\">Ben</span>"), std::string::npos);
    // Dark enough to read on paper: no channel near white.
    for (const std::string& colour : {aya, ben, SpeakerColour(Sjis("リナ"))}) {
        ASSERT_EQ(colour.size(), 7u);
        for (int channel = 0; channel < 3; ++channel) {
            EXPECT_LT(std::stoi(colour.substr(1 + 2 * channel, 2), nullptr, 16), 0xC0) << colour;
        }
    }
}

}  // namespace
}  // namespace vesk

// The chat log's lines as a window keeps them: what each addition tells the window to show
// and to take away, and the saved log made of what is left.

#include "client/rules/chat_history.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "client/rules/log_line.h"
#include "protocol/cp932.h"

namespace vesk {
namespace {

std::vector<std::string> Texts(const std::vector<std::string_view>& views) {
    return {views.begin(), views.end()};
}

TEST(ChatHistoryTest, TellsWhatToShowAndWhatToTakeAwayWithinItsBound) {
    struct Step {
        std::string text;
        std::vector<std::string> shown;
        std::size_t dropped;
        std::string fileText;  // after the step
    };
    // At most four lines (a twentieth of four is none, so a fifth line drops one).
    const std::vector<Step> steps = {
        {"a\r\nb\r\n", {"a", "b"}, 0, "a\r\nb\r\n"},
        {"\r\n", {""}, 0, "a\r\nb\r\n\r\n"},
        {"c", {"c"}, 0, "a\r\nb\r\n\r\nc\r\n"},
        {"d\r\n", {"d"}, 1, "b\r\n\r\nc\r\nd\r\n"},
        // More lines in one text than the bound holds: those that go at once are never shown,
        // and every line shown before goes.
        {"1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n", {"3", "4", "5", "6"}, 4, "3\r\n4\r\n5\r\n6\r\n"},
    };
    ChatHistory history({4, 1000});
    for (const Step& step : steps) {
        const ChatHistory::Added added = history.Append(step.text, 0);
        EXPECT_EQ(Texts(added.lines), step.shown) << step.text;
        EXPECT_EQ(added.dropped, step.dropped) << step.text;
        EXPECT_EQ(history.FileText(), step.fileText) << step.text;
    }
    history.Clear();
    EXPECT_EQ(history.FileText(), "");
    EXPECT_EQ(history.Append("x\r\n", 0).dropped, 0u);
}

TEST(ChatHistoryTest, SavedLogHasEveryLineWithCrLf) {
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},
        {"\r\n", "\r\n"},
        {Cp932FromUtf8("Aya：2D[6] = 7\r\n\r\nこんにちは\r\n"),
         "Aya\x81\x46"
         "2D[6] = 7\r\n\r\n" +
             Cp932FromUtf8("こんにちは") + "\r\n"},
        // A second byte that is a backslash, a machine-dependent character, a full-width
        // tilde and a half-width katakana, on a last line without its end.
        {"\x95\x5C\x87\x40\x81\x60\xB6", "\x95\x5C\x87\x40\x81\x60\xB6\r\n"},
    };
    for (const auto& [text, expected] : cases) {
        ChatHistory history;
        history.Append(text, 0);
        EXPECT_EQ(history.FileText(), expected) << text;
    }
}

TEST(ChatHistoryTest, KeepsTheBytesAsTheyArrivedWithTheirTimes) {
    ChatHistory history;
    const std::time_t arrival = 1765000000;
    // A byte pair that code page 932 does not define stays as it came.
    const std::string talk = Cp932FromUtf8("Aya：表①") + "\x85\x40";
    history.Append(talk + "\r\n", arrival);
    EXPECT_EQ(history.FileText(), talk + "\r\n");
    EXPECT_EQ(history.Lines(), (std::vector<LoggedLine>{{talk, SecondOfDay(arrival)}}));
}

}  // namespace
}  // namespace vesk

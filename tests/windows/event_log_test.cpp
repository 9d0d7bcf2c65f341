// VeskServer's event log: each line on a line of its own at the end, a user's selection kept
// while lines arrive, and a log of a long-running server trimmed by whole lines from the top.

#include "server/win/event_log.h"

#include <gtest/gtest.h>
#include <richedit.h>

#include <string>
#include <vector>

#include "tests/windows/native_driver.h"

namespace vesk::test {
namespace {

class EventLogTest : public ::testing::Test {
protected:
    void SetUp() override {
        parent = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr,
                                 nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(parent, nullptr);
    }
    void TearDown() override { DestroyWindow(parent); }

    // The log's lines, oldest first; the text must end with a line end.
    static std::vector<std::string> Lines(const EventLog& log) {
        const std::wstring text = WindowText(log.Handle());
        EXPECT_TRUE(text.ends_with(L"\r\n"));
        std::vector<std::string> lines;
        std::size_t start = 0;
        for (std::size_t end; (end = text.find(L"\r\n", start)) != std::wstring::npos;
             start = end + 2) {
            lines.emplace_back(text.begin() + static_cast<long>(start),
                               text.begin() + static_cast<long>(end));
        }
        return lines;
    }

    static CHARRANGE Selection(const EventLog& log) {
        CHARRANGE range{};
        SendMessageW(log.Handle(), EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
        return range;
    }

    HWND parent = nullptr;
};

TEST_F(EventLogTest, AppendsLinesAndKeepsTheUsersSelection) {
    EventLog log;
    log.Create(GetModuleHandleW(nullptr), parent);
    ASSERT_NE(log.Handle(), nullptr);
    log.AppendLine("first");
    EXPECT_EQ(Lines(log), (std::vector<std::string>{"first"}));

    // Selected to copy from: the selection stays where the user put it.
    CHARRANGE chosen{1, 4};
    SendMessageW(log.Handle(), EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&chosen));
    log.AppendLine("second");
    EXPECT_EQ(Selection(log).cpMin, 1);
    EXPECT_EQ(Selection(log).cpMax, 4);

    // No selection: the caret follows the end.
    CHARRANGE caret{2, 2};
    SendMessageW(log.Handle(), EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&caret));
    log.AppendLine("");
    log.AppendLine("third");
    EXPECT_EQ(Lines(log), (std::vector<std::string>{"first", "second", "", "third"}));
    EXPECT_GT(Selection(log).cpMin, 2);
}

TEST_F(EventLogTest, MakesRoomByDroppingTheOldestWholeLines) {
    constexpr long kMaxChars = 100;
    EventLog log(kMaxChars);
    log.Create(GetModuleHandleW(nullptr), parent);
    ASSERT_NE(log.Handle(), nullptr);
    for (int number = 10; number < 60; ++number) {
        log.AppendLine("line " + std::to_string(number));
        const auto lines = Lines(log);
        ASSERT_FALSE(lines.empty());
        // Whole lines, the newest last and none missing between the oldest kept and it; each
        // line takes 8 characters with its end.
        const int oldest = number - static_cast<int>(lines.size()) + 1;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            ASSERT_EQ(lines[i], "line " + std::to_string(oldest + static_cast<int>(i))) << number;
        }
        EXPECT_LE(static_cast<long>(lines.size()) * 8, kMaxChars) << number;
        EXPECT_GE(static_cast<long>(lines.size()) * 8, std::min(kMaxChars / 2, (number - 9) * 8L))
            << number;
    }
}

}  // namespace
}  // namespace vesk::test

#include "client/rules/session_record.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "client/rules/log_file.h"
#include "client/rules/log_line.h"
#include "dice/data_folder.h"
#include "protocol/cp932.h"
#include "tests/client/dice/temp_folder.h"

#ifndef _WIN32
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace vesk {
namespace {

std::string Bytes(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// 8 December 2026, some time in the day; the stamps are local time either way.
constexpr std::time_t kStarted = 1796730000;

TEST(SessionRecordTest, EachLineGoesBehindItsStampWithCrLfAndNamesNeverClash) {
    test::TempFolder folder;
    auto first = SessionRecord::Open(folder.Path(), kStarted);
    auto second = SessionRecord::Open(folder.Path(), kStarted);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->FileName(), LogFileName(kStarted, "_記録.txt"));
    EXPECT_EQ(second->FileName(), LogFileName(kStarted, "_記録2.txt"));

    EXPECT_TRUE(first->Append(Cp932FromUtf8("Aya：こんにちは\r\n"), kStarted));
    EXPECT_TRUE(first->Append("\r\n", kStarted + 1));
    EXPECT_TRUE(first->Append(Cp932FromUtf8("表①\r\nふたつめ\r\n"), kStarted + 62));
    first->Flush();
    EXPECT_EQ(Bytes(folder.Path() / NativePath(first->FileName())),
              ArrivalStamp(kStarted) + Cp932FromUtf8("Aya：こんにちは\r\n") +
                  ArrivalStamp(kStarted + 1) + "\r\n" + ArrivalStamp(kStarted + 62) +
                  Cp932FromUtf8("表①\r\n") + ArrivalStamp(kStarted + 62) +
                  Cp932FromUtf8("ふたつめ\r\n"));
    EXPECT_EQ(Bytes(folder.Path() / NativePath(second->FileName())), "");

    // A folder that is not there gives no record, and the program goes on without one.
    EXPECT_EQ(SessionRecord::Open(folder.Path() / "missing", kStarted), nullptr);
}

#ifndef _WIN32
// The program killed without warning, as a crash or kill -9 ends it: every line it had shown
// is in the file, whole.
TEST(SessionRecordTest, AKilledClientLeavesEveryLineShownSoFar) {
    test::TempFolder folder;
    int shown[2];
    ASSERT_EQ(pipe(shown), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(shown[0]);
        auto record = SessionRecord::Open(folder.Path(), kStarted);
        for (int line = 0; record && line < 1000; ++line) {
            record->Append(Cp932FromUtf8("Ben：" + std::to_string(line) + " 行目\r\n"), kStarted);
            // The parent hears of each line once the record has it, as a player sees it.
            if (write(shown[1], "x", 1) != 1) break;
        }
        pause();  // never flushed, never closed: only the kill ends it
        _exit(0);
    }
    close(shown[1]);
    char seen[40];
    std::size_t count = 0;
    while (count < 40) {
        const ssize_t got = read(shown[0], seen, sizeof seen - count);
        ASSERT_GT(got, 0);
        count += static_cast<std::size_t>(got);
    }
    ASSERT_EQ(kill(child, SIGKILL), 0);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    close(shown[0]);

    const std::string bytes = Bytes(folder.Path() / NativePath(LogFileName(kStarted, "_記録.txt")));
    // Every line the parent heard of, and any the child had written after them, each whole.
    std::string expected;
    std::size_t line = 0;
    while (expected.size() < bytes.size()) {
        expected +=
            ArrivalStamp(kStarted) + Cp932FromUtf8("Ben：" + std::to_string(line++) + " 行目\r\n");
    }
    EXPECT_GE(line, count);
    EXPECT_EQ(bytes, expected);
}
#endif

}  // namespace
}  // namespace vesk

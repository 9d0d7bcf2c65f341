#include "client/rules/log_file.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "protocol/cp932.h"
#include "tests/client/dice/fake_views.h"
#include "tests/client/dice/temp_folder.h"

namespace vesk {
namespace {

using test::FakeMessageBox;
using test::TempFolder;

std::time_t LocalMoment(int year, int month, int day, int hour, int minute, int second) {
    std::tm local{};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_sec = second;
    local.tm_isdst = -1;
    return std::mktime(&local);
}

std::string FileBytes(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

TEST(LogFileTest, NameIsTheLocalTimeInCodePage932) {
    const std::string name = LogFileName(LocalMoment(2026, 12, 7, 0, 41, 40));
    EXPECT_EQ(Utf8FromCp932(name), "2026年12月07日00時41分40秒.txt");
    EXPECT_EQ(name.size(), 30u);
}

TEST(LogFileTest, SaveWritesEveryByteAndNamesTheFile) {
    TempFolder folder;
    const std::time_t now = LocalMoment(2026, 12, 7, 21, 5, 9);
    // A path from a narrow literal would be read in the system's code page on Windows.
    const std::filesystem::path path = folder.Path() / u8"2026年12月07日21時05分09秒.txt";
    FakeMessageBox messages;

    ASSERT_TRUE(SaveLog("", now, messages, folder.Path()));
    EXPECT_TRUE(std::filesystem::exists(path));
    EXPECT_EQ(FileBytes(path), "");

    // A second save in the same second replaces the first.
    const std::string text = Cp932FromUtf8("一行目\r\n二行目\r\n");
    ASSERT_TRUE(SaveLog(text, now, messages, folder.Path()));
    EXPECT_EQ(FileBytes(path), text);
    EXPECT_EQ(messages.shown,
              std::vector<std::string>(
                  2, "ファイル名 2026年12月07日21時05分09秒.txt でログを保存しました"));
}

TEST(LogFileTest, FailuresAreReportedAndLeaveNoFile) {
    TempFolder folder;
    const std::time_t now = LocalMoment(2026, 12, 7, 21, 5, 9);
    FakeMessageBox messages;

    EXPECT_FALSE(SaveLog("log\r\n", now, messages, folder.Path() / "missing"));
    EXPECT_EQ(messages.shown, std::vector<std::string>{"ファイルを開けませんでした"});
}

TEST(LogFileTest, AFullDiskIsReportedAndLeavesNoFile) {
#ifdef _WIN32
    GTEST_SKIP() << "needs a file that every write fails on, as /dev/full is; Windows has none";
#else
    TempFolder folder;
    const std::time_t now = LocalMoment(2026, 12, 7, 21, 5, 9);
    FakeMessageBox messages;
    const std::filesystem::path full = folder.Path() / u8"2026年12月07日21時05分09秒.txt";
    std::filesystem::create_symlink("/dev/full", full);
    EXPECT_FALSE(SaveLog("log\r\n", now, messages, folder.Path()));
    EXPECT_EQ(messages.shown,
              std::vector<std::string>{
                  "ファイル名 2026年12月07日21時05分09秒.txt にログを書き込めませんでした。"
                  "ディスクの空きが足りません。"});
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(full)));
#endif
}

}  // namespace
}  // namespace vesk

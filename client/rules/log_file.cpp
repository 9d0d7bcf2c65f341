#include "client/rules/log_file.h"

#include <algorithm>
#include <cerrno>
#include <system_error>

#include "dice/data_folder.h"
#include "protocol/cp932.h"

#ifdef _WIN32
#include "protocol/windows_headers.h"
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace vesk {

namespace {

std::tm LocalTime(std::time_t now) {
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    return local;
}

enum class WriteOutcome { Written, NotCreated, NotWritten };

struct WriteResult {
    WriteOutcome outcome = WriteOutcome::Written;
    int error = 0;
};

// Creates or truncates the file and writes every byte through to the disk; a full disk or an
// I/O error shows up here rather than as a log that silently ends early.
#ifdef _WIN32
WriteResult WriteWholeFile(const std::filesystem::path& path, std::string_view bytes) {
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {WriteOutcome::NotCreated, int(GetLastError())};
    WriteResult result;
    while (!bytes.empty()) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 20));
        if (!WriteFile(file, bytes.data(), chunk, &written, nullptr) || written == 0) {
            result = {WriteOutcome::NotWritten, int(GetLastError())};
            break;
        }
        bytes.remove_prefix(written);
    }
    if (!CloseHandle(file) && result.outcome == WriteOutcome::Written) {
        result = {WriteOutcome::NotWritten, int(GetLastError())};
    }
    return result;
}
#else
WriteResult WriteWholeFile(const std::filesystem::path& path, std::string_view bytes) {
    const int file = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (file < 0) return {WriteOutcome::NotCreated, errno};
    WriteResult result;
    while (!bytes.empty()) {
        const ssize_t written = write(file, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {
            result = {WriteOutcome::NotWritten, written < 0 ? errno : ENOSPC};
            break;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    if (result.outcome == WriteOutcome::Written && fsync(file) != 0 && errno != EINVAL) {
        result = {WriteOutcome::NotWritten, errno};
    }
    if (close(file) != 0 && result.outcome == WriteOutcome::Written && errno != EINTR) {
        result = {WriteOutcome::NotWritten, errno};
    }
    return result;
}
#endif

std::string WriteFailureReason(int error) {
#ifdef _WIN32
    if (error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL) {
#else
    if (error == ENOSPC || error == EDQUOT) {
#endif
        return "ディスクの空きが足りません。";
    }
    return "（エラー番号 " + std::to_string(error) + "）";
}

}  // namespace

std::string LogFileName(std::time_t now, std::string_view extension) {
    const std::tm local = LocalTime(now);
    char name[500];
    const std::size_t length = std::strftime(name, sizeof name, "%Y年%m月%d日%H時%M分%S秒", &local);
    return Cp932FromUtf8(std::string(name, length).append(extension));
}

std::string LogFileText(std::string_view utf8ChatLog) {
    std::string withLineEnds;
    withLineEnds.reserve(utf8ChatLog.size() + utf8ChatLog.size() / 16);
    for (const char c : utf8ChatLog) {
        if (c == '\n') withLineEnds += '\r';
        withLineEnds += c;
    }
    return Cp932FromUtf8(withLineEnds);
}

bool SaveLog(std::string_view text, std::time_t now, MessageBoxView& messages,
             const std::filesystem::path& folder, std::string_view extension) {
    const std::string name = LogFileName(now, extension);
    const std::filesystem::path path = folder / NativePath(name);
    const WriteResult result = WriteWholeFile(path, text);
    switch (result.outcome) {
        case WriteOutcome::NotCreated:
            messages.ShowMessage(Cp932FromUtf8("ファイルを開けませんでした"));
            return false;
        case WriteOutcome::NotWritten: {
            // A log that ends early would pass for the whole evening's.
            std::error_code ignored;
            std::filesystem::remove(path, ignored);
            messages.ShowMessage(Cp932FromUtf8("ファイル名 ") + name +
                                 Cp932FromUtf8(" にログを書き込めませんでした。" +
                                               WriteFailureReason(result.error)));
            return false;
        }
        case WriteOutcome::Written:
            break;
    }
    messages.ShowMessage(Cp932FromUtf8("ファイル名 ") + name +
                         Cp932FromUtf8(" でログを保存しました"));
    return true;
}

}  // namespace vesk

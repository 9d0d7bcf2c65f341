#include "client/rules/log_file.h"

#include <system_error>

#include "client/rules/disk_file.h"
#include "protocol/cp932.h"
#include "protocol/path_text.h"

namespace vesk {

namespace {

std::string WriteFailureReason(int error) {
    if (DiskFull(error)) return "ディスクの空きが足りません。";
    return "（エラー番号 " + std::to_string(error) + "）";
}

}  // namespace

std::string LogFileName(std::time_t now, std::string_view extension) {
    const std::tm local = LocalTime(now);
    char name[500];
    const std::size_t length = std::strftime(name, sizeof name, "%Y年%m月%d日%H時%M分%S秒", &local);
    return Cp932FromUtf8(std::string(name, length).append(extension));
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

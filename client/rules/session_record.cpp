#include "client/rules/session_record.h"

#include "client/rules/disk_file.h"
#include "client/rules/log_file.h"
#include "client/rules/log_line.h"
#include "protocol/cp932.h"
#include "protocol/path_text.h"

namespace vesk {

namespace {

constexpr int kMaxNameTries = 100;

}  // namespace

SessionRecord::SessionRecord(std::unique_ptr<AppendFile> file, std::string name)
    : file(std::move(file)), name(std::move(name)) {}

SessionRecord::~SessionRecord() { Flush(); }

void SessionRecord::Flush() {
    if (!unflushed) return;
    file->Flush();
    unflushed = false;
}

std::unique_ptr<SessionRecord> SessionRecord::Open(const std::filesystem::path& folder,
                                                   std::time_t started) {
    for (int attempt = 1; attempt <= kMaxNameTries; ++attempt) {
        const std::string suffix = attempt == 1 ? "" : std::to_string(attempt);
        const std::string name = LogFileName(started, "_記録" + suffix + ".txt");
        std::unique_ptr<AppendFile> file = AppendFile::Create(folder / NativePath(name));
        if (file) return std::unique_ptr<SessionRecord>(new SessionRecord(std::move(file), name));
        if (!std::filesystem::exists(folder / NativePath(name))) return nullptr;
    }
    return nullptr;
}

bool SessionRecord::Append(std::string_view text, std::time_t arrival) {
    const std::string stamp = ArrivalStamp(arrival);
    std::string lines;
    while (!text.empty()) {
        const std::size_t end = text.find("\r\n");
        lines += stamp;
        lines += text.substr(0, end);
        lines += "\r\n";
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 2);
    }
    // One write for the whole text: a line is either in the file or not.
    unflushed = true;
    return file->Write(lines);
}

}  // namespace vesk

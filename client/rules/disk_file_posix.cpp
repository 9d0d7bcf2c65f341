#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "client/rules/disk_file.h"

namespace vesk {

std::tm LocalTime(std::time_t moment) {
    std::tm local{};
    localtime_r(&moment, &local);
    return local;
}

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

bool DiskFull(int error) { return error == ENOSPC || error == EDQUOT; }

std::unique_ptr<AppendFile> AppendFile::Create(const std::filesystem::path& path) {
    const int descriptor =
        open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC, 0644);
    if (descriptor < 0) return nullptr;
    return std::unique_ptr<AppendFile>(new AppendFile(descriptor));
}

AppendFile::~AppendFile() { close(static_cast<int>(handle)); }

bool AppendFile::Write(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = write(static_cast<int>(handle), bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

void AppendFile::Flush() { fdatasync(static_cast<int>(handle)); }

}  // namespace vesk

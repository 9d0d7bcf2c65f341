#include "client/rules/session_record.h"

#include <cerrno>

#include "client/rules/log_file.h"
#include "client/rules/log_line.h"
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

constexpr int kMaxNameTries = 100;

}  // namespace

#ifdef _WIN32
struct SessionRecord::File {
    explicit File(HANDLE handle) : handle(handle) {}
    ~File() { CloseHandle(handle); }
    static std::unique_ptr<File> Create(const std::filesystem::path& path) {
        const HANDLE handle = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                          CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) return nullptr;
        return std::make_unique<File>(handle);
    }
    bool Write(std::string_view bytes) {
        while (!bytes.empty()) {
            DWORD written = 0;
            if (!WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                           nullptr) ||
                written == 0) {
                return false;
            }
            bytes.remove_prefix(written);
        }
        return true;
    }
    void Flush() { FlushFileBuffers(handle); }
    const HANDLE handle;
};
#else
struct SessionRecord::File {
    explicit File(int descriptor) : descriptor(descriptor) {}
    ~File() { close(descriptor); }
    static std::unique_ptr<File> Create(const std::filesystem::path& path) {
        const int descriptor =
            open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC, 0644);
        if (descriptor < 0) return nullptr;
        return std::make_unique<File>(descriptor);
    }
    bool Write(std::string_view bytes) {
        while (!bytes.empty()) {
            const ssize_t written = write(descriptor, bytes.data(), bytes.size());
            if (written < 0 && errno == EINTR) continue;
            if (written <= 0) return false;
            bytes.remove_prefix(static_cast<std::size_t>(written));
        }
        return true;
    }
    void Flush() { fdatasync(descriptor); }
    const int descriptor;
};
#endif

SessionRecord::SessionRecord(std::unique_ptr<File> file, std::string name)
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
        std::unique_ptr<File> file = File::Create(folder / NativePath(name));
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

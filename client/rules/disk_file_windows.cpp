#include <algorithm>

#include "client/rules/disk_file.h"
#include "protocol/windows_headers.h"

namespace vesk {

namespace {

HANDLE HandleOf(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

}  // namespace

std::tm LocalTime(std::time_t moment) {
    std::tm local{};
    localtime_s(&local, &moment);
    return local;
}

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

bool DiskFull(int error) { return error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL; }

std::unique_ptr<AppendFile> AppendFile::Create(const std::filesystem::path& path) {
    const HANDLE handle = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                      CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    return std::unique_ptr<AppendFile>(new AppendFile(reinterpret_cast<std::intptr_t>(handle)));
}

AppendFile::~AppendFile() { CloseHandle(HandleOf(handle)); }

bool AppendFile::Write(std::string_view bytes) {
    while (!bytes.empty()) {
        DWORD written = 0;
        if (!WriteFile(HandleOf(handle), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                       nullptr) ||
            written == 0) {
            return false;
        }
        bytes.remove_prefix(written);
    }
    return true;
}

void AppendFile::Flush() { FlushFileBuffers(HandleOf(handle)); }

}  // namespace vesk

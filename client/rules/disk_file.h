#pragma once

// The files VeskChat writes, on each system's own calls: disk_file_posix.cpp and
// disk_file_windows.cpp, one of which CMake builds.

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string_view>

namespace vesk {

// The local date and time of a moment.
std::tm LocalTime(std::time_t moment);

enum class WriteOutcome { Written, NotCreated, NotWritten };

struct WriteResult {
    WriteOutcome outcome = WriteOutcome::Written;
    int error = 0;  // the system's error number when it failed
};

// Creates or truncates the file and writes every byte through to the disk; a full disk or an
// I/O error shows up here rather than as a file that silently ends early.
WriteResult WriteWholeFile(const std::filesystem::path& path, std::string_view bytes);

// Whether the system's error number says the disk is full.
bool DiskFull(int error);

// A new file that lines are added to as they come, which other programs may read meanwhile.
class AppendFile {
public:
    // Nothing when the file exists already or cannot be made.
    static std::unique_ptr<AppendFile> Create(const std::filesystem::path& path);
    ~AppendFile();
    AppendFile(const AppendFile&) = delete;
    AppendFile& operator=(const AppendFile&) = delete;

    // Hands every byte to the system; false when it could not.
    bool Write(std::string_view bytes);
    // Waits until what was written is on the disk.
    void Flush();

private:
    explicit AppendFile(std::intptr_t handle) : handle(handle) {}
    // A descriptor on POSIX, a HANDLE on Windows.
    const std::intptr_t handle;
};

}  // namespace vesk

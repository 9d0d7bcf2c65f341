#pragma once

// The session record: every line the chat log shows is appended, as it arrives, to a file of
// the connection in the data folder, named by the time the connection started, in code page
// 932 with CR LF like a saved log and each line behind its arrival time "HH:MM:SS ". Each line
// is handed to the system whole the moment it arrives, so a crash of the program loses none;
// the owner flushes it to the disk every second (Flush), so a power cut loses at most the
// last second. Saving the log (ログを保存) is a separate thing and stays as it is.

#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "client/rules/disk_file.h"

namespace vesk {

class SessionRecord {
public:
    // A new record file in folder, or nullptr when none can be made. Its name is the saved
    // log's name for started with "_記録" before ".txt", and "_記録2", "_記録3" and so on when
    // that name is taken.
    static std::unique_ptr<SessionRecord> Open(const std::filesystem::path& folder,
                                               std::time_t started);
    ~SessionRecord();
    SessionRecord(const SessionRecord&) = delete;
    SessionRecord& operator=(const SessionRecord&) = delete;

    // Appends text (lines ending in CR LF), each line behind the stamp of arrival. False when
    // the file could not take it.
    bool Append(std::string_view text, std::time_t arrival);

    // Puts the lines appended since the last flush on the disk; cheap when there are none.
    void Flush();

    // The file's name in code page 932, without folder.
    const std::string& FileName() const { return name; }

private:
    SessionRecord(std::unique_ptr<AppendFile> file, std::string name);

    std::unique_ptr<AppendFile> file;
    const std::string name;
    bool unflushed = false;
};

}  // namespace vesk

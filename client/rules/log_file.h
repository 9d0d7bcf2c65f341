#pragma once

// Saving the chat log: the whole conversation goes to a new text file named after the local
// date and time, in the current directory, as code page 932 with CR LF line ends.

#include <ctime>
#include <filesystem>
#include <string>
#include <string_view>

#include "client/message_box_view.h"

namespace vesk {

// "%Y年%m月%d日%H時%M分%S秒.txt" in code page 932, 30 bytes, such as
// 2026年12月07日00時41分40秒.txt. Another extension (UTF-8) may take the place of ".txt".
std::string LogFileName(std::time_t now, std::string_view extension = ".txt");

// Writes text to a new file named after now in folder (the current directory when empty),
// replacing a file of that name, and tells the user the outcome: the file name once every
// byte is on the disk; otherwise what went wrong, and no partly written file is left behind.
// True when the log was saved.
bool SaveLog(std::string_view text, std::time_t now, MessageBoxView& messages,
             const std::filesystem::path& folder = {}, std::string_view extension = ".txt");

}  // namespace vesk

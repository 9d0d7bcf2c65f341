#pragma once

// Paths are held as path text: on Windows code page 932 text, as its code page file APIs take
// it; on POSIX the bytes the system gave, never converted, since a trip through code page 932
// and back changes characters such as 〜 and −, and a folder would no longer be found. The data
// folder, the saved logs and the session record all name their files this way.

#include <filesystem>
#include <string>
#include <string_view>

namespace vesk {

// A path as path text, and back. On Windows, characters that code page 932 cannot hold
// become "?", so such a folder is not found and the message names it.
std::string PathText(const std::filesystem::path& path);
std::filesystem::path PathFromText(std::string_view pathText);

// Path text as code page 932 text, for a message.
std::string PathForMessage(std::string_view pathText);

// A file name made as code page 932 text, such as a saved log's, as the platform opens it.
std::filesystem::path NativePath(std::string_view cp932Path);

}  // namespace vesk

#pragma once

// The data folder holds the dice list and the name list. It is the current directory of the
// client at start-up, not necessarily the folder of the program, and it is worked out once:
// the program name joined to the current directory as the platform joins a relative name,
// then cut at the last separator.
//
// Paths are held as path text: on Windows code page 932 text, as its code page file APIs take
// it; on POSIX the bytes the system gave, never converted, since a trip through code page 932
// and back changes characters such as 〜 and −, and the folder would no longer be found.

#include <filesystem>
#include <string>
#include <string_view>

namespace vesk {

// Windows separates with "\" (and accepts "/"); a "\" may also be the second byte of a
// double-byte character such as 表. POSIX separates with "/" only, a byte that is never part
// of another character.
enum class PathStyle { Windows, Posix };

#ifdef _WIN32
inline constexpr PathStyle kNativePathStyle = PathStyle::Windows;
#else
inline constexpr PathStyle kNativePathStyle = PathStyle::Posix;
#endif

// The text before the last separator, the whole path when there is none. A separator at the
// very start counts only for POSIX, where it is the root: "/VeskChat" gives the empty text.
std::string CutAtLastSeparator(std::string_view fullPath, PathStyle style = kNativePathStyle);

struct ListPaths {
    std::string dataFolder;
    std::string diceList;  // the data folder, the platform's separator and "dice.sai"
    std::string nameList;  // the data folder, the platform's separator and "name.nam"

    bool operator==(const ListPaths&) const = default;
};

// The paths for a current directory, such as "C:\表" or "/home/aya/party".
ListPaths ListPathsFor(std::string_view currentDirectory, PathStyle style = kNativePathStyle);

// The paths for the process's current directory, read once at start-up. When the platform
// cannot tell the current directory the data folder is ".", which still names it.
ListPaths FindDataFolder();

// A path as path text, and back. On Windows, characters that code page 932 cannot hold
// become "?", so such a folder is not found and the message names it.
std::string PathText(const std::filesystem::path& path);
std::filesystem::path PathFromText(std::string_view pathText);

// Path text as code page 932 text, for a message.
std::string PathForMessage(std::string_view pathText);

// A file name made as code page 932 text, such as a saved log's, as the platform opens it.
std::filesystem::path NativePath(std::string_view cp932Path);

}  // namespace vesk

#pragma once

// The data folder holds the dice list and the name list. It is the current directory of the
// client at start-up, not necessarily the folder of the program, and it is worked out once:
// the program name joined to the current directory as the platform joins a relative name,
// then cut at the last separator.
// Its paths are path text (protocol/path_text.h).

#include <filesystem>
#include <string>
#include <string_view>

#include "protocol/path_text.h"

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

}  // namespace vesk

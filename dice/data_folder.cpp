#include "dice/data_folder.h"

#include <system_error>

#include "protocol/cp932.h"

namespace vesk {

namespace {

// The position of the last separator. Windows paths are read from the start character by
// character so that the second byte of a double-byte character is never taken for one, and a
// separator at position 0 does not count.
std::size_t LastSeparator(std::string_view path, PathStyle style) {
    if (style == PathStyle::Posix) return path.rfind('/');
    std::size_t last = std::string_view::npos;
    for (std::size_t at = 0; at < path.size(); ++at) {
        if (IsCp932LeadByte(static_cast<unsigned char>(path[at])) && at + 1 < path.size()) {
            ++at;
            continue;
        }
        if ((path[at] == '\\' || path[at] == '/') && at > 0) last = at;
    }
    return last;
}

}  // namespace

std::string CutAtLastSeparator(std::string_view fullPath, PathStyle style) {
    return std::string(fullPath.substr(0, LastSeparator(fullPath, style)));
}

ListPaths ListPathsFor(std::string_view currentDirectory, PathStyle style) {
    const bool windows = style == PathStyle::Windows;
    const char separator = windows ? '\\' : '/';
    // Joined like the platform joins a relative name: no second separator after a root such
    // as "C:\" or "/".
    std::string fullPath(currentDirectory.empty() ? "." : currentDirectory);
    if (LastSeparator(fullPath, style) != fullPath.size() - 1) fullPath += separator;
    fullPath += windows ? "VeskChat.exe" : "VeskChat";

    ListPaths paths;
    paths.dataFolder = CutAtLastSeparator(fullPath, style);
    paths.diceList = paths.dataFolder + separator + "dice.sai";
    paths.nameList = paths.dataFolder + separator + "name.nam";
    return paths;
}

ListPaths FindDataFolder() {
    std::error_code error;
    const std::filesystem::path current = std::filesystem::current_path(error);
    if (error) return ListPathsFor(".");
    return ListPathsFor(PathText(current));
}

}  // namespace vesk

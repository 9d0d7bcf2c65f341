#include "client/dice/data_folder.h"

#include <system_error>

#include "protocol/cp932.h"

namespace vesk {

namespace {

bool IsSeparator(char byte, PathStyle style) {
    return byte == '/' || (style == PathStyle::Windows && byte == '\\');
}

// The position of the last separator, read from the start character by character so that the
// second byte of a double-byte character is never taken for one. A separator at position 0
// is looked at only for POSIX.
std::size_t LastSeparator(std::string_view path, PathStyle style) {
    std::size_t last = std::string_view::npos;
    for (std::size_t at = 0; at < path.size(); ++at) {
        if (IsCp932LeadByte(static_cast<unsigned char>(path[at])) && at + 1 < path.size()) {
            ++at;
            continue;
        }
        if (IsSeparator(path[at], style) && (at > 0 || style == PathStyle::Posix)) last = at;
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
    const std::u8string utf8 = current.u8string();
    return ListPathsFor(
        Cp932FromUtf8(std::string_view(reinterpret_cast<const char*>(utf8.data()), utf8.size())));
}

std::filesystem::path NativePath(std::string_view cp932Path) {
    const std::string utf8 = Utf8FromCp932(cp932Path);
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

}  // namespace vesk

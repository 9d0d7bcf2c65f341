#include "protocol/path_text.h"

#include "protocol/cp932.h"

namespace vesk {

std::string PathText(const std::filesystem::path& path) {
#ifdef _WIN32
    const std::u8string utf8 = path.u8string();
    return Cp932FromUtf8(std::string_view(reinterpret_cast<const char*>(utf8.data()), utf8.size()));
#else
    return path.native();
#endif
}

std::filesystem::path PathFromText(std::string_view pathText) {
#ifdef _WIN32
    return NativePath(pathText);
#else
    return std::filesystem::path(std::string(pathText));
#endif
}

std::string PathForMessage(std::string_view pathText) {
#ifdef _WIN32
    return std::string(pathText);
#else
    // File names on POSIX are UTF-8 as the system's locale writes them; bytes that are no
    // UTF-8 show as "?".
    return Cp932FromUtf8(pathText);
#endif
}

std::filesystem::path NativePath(std::string_view cp932Path) {
    const std::string utf8 = Utf8FromCp932(cp932Path);
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

}  // namespace vesk

#pragma once

// A folder of the test's own under the system's temporary folder, removed afterwards.

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <string_view>

#include "protocol/cp932.h"

namespace vesk::test {

class TempFolder {
public:
    TempFolder() {
        std::random_device random;
        root = std::filesystem::temp_directory_path() /
               ("vesk_dice_" + std::to_string(random()) + std::to_string(random()));
        std::filesystem::create_directories(root);
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& Path() const { return root; }

    // Writes bytes exactly as given, with no line end translation.
    std::filesystem::path Write(const std::filesystem::path& name, std::string_view bytes) const {
        const std::filesystem::path file = root / name;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return file;
    }

private:
    std::filesystem::path root;
};

// A native path as the client holds paths: code page 932 text.
inline std::string Cp932Path(const std::filesystem::path& path) {
    const std::u8string utf8 = path.u8string();
    return Cp932FromUtf8(std::string(utf8.begin(), utf8.end()));
}

}  // namespace vesk::test

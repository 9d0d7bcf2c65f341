#pragma once

// A folder of the test's own under the system's temporary folder, removed afterwards.

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <string_view>

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

}  // namespace vesk::test

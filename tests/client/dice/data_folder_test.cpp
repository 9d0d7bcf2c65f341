#include "dice/data_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "client/dice/list_boxes.h"
#include "tests/client/dice/fake_views.h"
#include "tests/client/dice/temp_folder.h"
#include "tests/support/test_peer.h"

namespace vesk {

void PrintTo(const ListPaths& paths, std::ostream* out) {
    *out << "{" << paths.dataFolder << ", " << paths.diceList << ", " << paths.nameList << "}";
}

namespace {

using test::Sjis;

struct FolderCase {
    std::string currentDirectory;
    PathStyle style;
    std::string dataFolder;
    std::string separator;
};

TEST(DataFolder, IsTheCurrentDirectoryAndNamesTheListsInIt) {
    const FolderCase cases[] = {
        {"C:\\party", PathStyle::Windows, "C:\\party", "\\"},
        // 表 ends in the byte of a backslash; it is no separator.
        {Sjis("C:\\表"), PathStyle::Windows, Sjis("C:\\表"), "\\"},
        {Sjis("D:\\表\\ソ"), PathStyle::Windows, Sjis("D:\\表\\ソ"), "\\"},
        // At a drive root the data folder is the drive alone.
        {"C:\\", PathStyle::Windows, "C:", "\\"},
        {"\\\\host\\share", PathStyle::Windows, "\\\\host\\share", "\\"},
        {"/home/aya/party", PathStyle::Posix, "/home/aya/party", "/"},
        {Sjis("/home/aya/表"), PathStyle::Posix, Sjis("/home/aya/表"), "/"},
        // On POSIX a backslash is part of a name.
        {"/srv/odd\\", PathStyle::Posix, "/srv/odd\\", "/"},
        {"/", PathStyle::Posix, "", "/"},
        {"", PathStyle::Posix, ".", "/"},
    };
    for (const FolderCase& c : cases) {
        const ListPaths expected{c.dataFolder, c.dataFolder + c.separator + "dice.sai",
                                 c.dataFolder + c.separator + "name.nam"};
        EXPECT_EQ(ListPathsFor(c.currentDirectory, c.style), expected) << c.currentDirectory;
    }
}

TEST(DataFolder, CutsAtTheLastSeparatorThatIsNoPartOfACharacter) {
    const std::pair<std::string, std::string> windows[] = {
        {Sjis("C:\\表\\VeskChat.exe"), Sjis("C:\\表")},
        {Sjis("C:\\表"), "C:"},
        {Sjis("C:\\ソ表"), "C:"},
        {"C:/games/VeskChat.exe", "C:/games"},
        {"\\VeskChat.exe", "\\VeskChat.exe"},  // position 0 is never a cut
    };
    for (const auto& [path, folder] : windows)
        EXPECT_EQ(CutAtLastSeparator(path, PathStyle::Windows), folder) << path;
    EXPECT_EQ(CutAtLastSeparator(Sjis("/a/表/VeskChat"), PathStyle::Posix), Sjis("/a/表"));
    EXPECT_EQ(CutAtLastSeparator("/a/b\\c", PathStyle::Posix), "/a");
}

// Runs in folders of its own and goes back to the folder it started in.
class CurrentDirectory : public ::testing::Test {
protected:
    void SetUp() override { start = std::filesystem::current_path(); }
    void TearDown() override { std::filesystem::current_path(start); }

    // Makes a folder of this name the current directory.
    std::filesystem::path Enter(const char8_t* name) {
        const std::filesystem::path folder = temp.Path() / std::filesystem::path(name);
        std::filesystem::create_directories(folder);
        std::filesystem::current_path(folder);
        return folder;
    }

    test::TempFolder temp;
    std::filesystem::path start;
};

TEST_F(CurrentDirectory, FindsTheDataFolderWhereTheClientIsStarted) {
    const struct {
        const char8_t* name;
        bool found;
    } cases[] = {
        // 表 ends in the byte of a backslash in code page 932.
        {u8"表", true},
        // あ in UTF-8 has bytes that code page 932 takes for lead bytes.
        {u8"あ", true},
        // 〜 and − come back from code page 932 as ～ and －. POSIX path text is the system's
        // bytes, and the folder is found; Windows path text is code page 932, which cannot
        // hold them, and the message names the folder with "?" in their place.
        {u8"〜−", kNativePathStyle == PathStyle::Posix},
    };
    for (const auto& c : cases) {
        const std::filesystem::path folder = Enter(c.name);
        const ListPaths paths = FindDataFolder();
        temp.Write(folder / "dice.sai", "1D[6]\n");
        test::FakeComboBox diceBox;
        test::FakeMessageBox messages;
        EXPECT_EQ(LoadListFile(paths.diceList, diceBox, messages), c.found);
        if (c.found) {
            EXPECT_EQ(PathFromText(paths.dataFolder), folder);
            EXPECT_EQ(diceBox.items, (std::vector<std::string>{"1D[6]"}));
            EXPECT_EQ(messages.shown, (std::vector<std::string>{}));
        } else {
            const std::u8string parent = folder.parent_path().u8string();
            EXPECT_EQ(messages.shown,
                      (std::vector<std::string>{std::string(parent.begin(), parent.end()) +
                                                "\\??\\dice.sai ファイルを開けません"}));
        }
    }
}

TEST_F(CurrentDirectory, StartUpReadsTheListsOfTheCurrentDirectory) {
    const std::filesystem::path folder = Enter(u8"表");
    temp.Write(folder / "dice.sai", "1D[6]\r\n2D[6]+3\r\n");
    test::FakeComboBox diceBox;
    test::FakeComboBox nameBox;
    test::FakeMessageBox messages;
    const ListPaths paths = FindDataFolder();
    FillListsAtStartUp(paths, Sjis("ごんべ"), diceBox, nameBox, messages);

    EXPECT_EQ(diceBox.items, (std::vector<std::string>{"1D[6]", "2D[6]+3"}));
    EXPECT_EQ(diceBox.text, "1D[6]");
    // One message for the missing name list, naming its full path.
    const std::u8string nameList = (std::filesystem::current_path() / "name.nam").u8string();
    EXPECT_EQ(messages.shown,
              (std::vector<std::string>{std::string(nameList.begin(), nameList.end()) +
                                        " ファイルを開けません"}));
    EXPECT_EQ(nameBox.items, (std::vector<std::string>{Sjis("ごんべ")}));
}

}  // namespace
}  // namespace vesk

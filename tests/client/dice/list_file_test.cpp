#include "dice/list_file.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "client/dice/list_boxes.h"
#include "dice/dice_evaluator.h"
#include "tests/client/dice/fake_views.h"
#include "tests/client/dice/temp_folder.h"
#include "tests/support/test_peer.h"

namespace vesk {
namespace {

using test::FakeComboBox;
using test::FakeMessageBox;
using test::Sjis;
using Entries = std::vector<std::string>;

Entries Read(const std::string& bytes) {
    std::istringstream file(bytes);
    return ReadListEntries(file);
}

TEST(ListFile, ReadsOneEntryPerLineAsText) {
    const std::string x49(49, 'x');
    std::string kana30;  // 30 characters of two bytes
    for (int i = 0; i < 30; ++i) kana30 += Sjis("あ");
    const std::pair<std::string, Entries> cases[] = {
        {"1D[6]\n\n2D[6]+3\n", {"1D[6]", "2D[6]+3"}},
        {"1D[6]\r\n\r\n2D[6]+3\r\n", {"1D[6]", "2D[6]+3"}},
        {"1D[6]\n2D[6]", {"1D[6]", "2D[6]"}},
        {"a\rb\r\nc\r", {"a\rb", "c\r"}},
        {"1D[6]\n2D[6]\x1a"
         "3D[6]\n",
         {"1D[6]", "2D[6]"}},
        {"\x1a"
         "1D[6]\n",
         {}},
        {"  \n\t\n", {"  ", "\t"}},
        {"2D[6]\n2D[6]\n", {"2D[6]", "2D[6]"}},
        {"", {}},
        {"\r\n\n\r\n", {}},
        {x49 + "\r\n" + x49, {x49, x49}},
        {std::string(60, 'y') + "\n", {std::string(49, 'y'), std::string(11, 'y')}},
        {std::string(98, 'z'), {std::string(49, 'z'), std::string(49, 'z')}},
        // The 25th character would span bytes 49 and 50: the cut comes before it.
        {kana30 + "\n", {kana30.substr(0, 48), kana30.substr(48)}},
        {"a" + kana30 + "\n", {"a" + kana30.substr(0, 48), kana30.substr(48)}},
    };
    for (const auto& [bytes, entries] : cases) EXPECT_EQ(Read(bytes), entries) << bytes;
}

class ListFiles : public ::testing::Test {
protected:
    test::TempFolder temp;
    FakeComboBox diceBox;
    FakeComboBox nameBox;
    FakeMessageBox messages;
    ListPaths paths = ListPathsFor(PathText(temp.Path()));
};

TEST_F(ListFiles, LoadsEntriesInFileOrderAndSelectsTheFirst) {
    temp.Write("dice.sai", "1D[6]\r\n\r\n2D[6]+3\r\n");
    EXPECT_TRUE(LoadListFile(paths.diceList, diceBox, messages));
    EXPECT_EQ(diceBox.items, (Entries{"1D[6]", "2D[6]+3"}));
    EXPECT_EQ(diceBox.selected, 0);
    EXPECT_EQ(diceBox.text, "1D[6]");
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(ListFiles, AMissingFileIsNamedAndLeavesTheBoxAsItWas) {
    diceBox.items = {"3D[6]", "1D[20]"};
    diceBox.selected = 1;
    diceBox.text = "1D[20]";
    EXPECT_FALSE(LoadListFile(paths.diceList, diceBox, messages));
    // "<path> ファイルを開けません"
    EXPECT_EQ(messages.bytes,
              (Entries{paths.diceList + " \x83\x74\x83\x40\x83\x43\x83\x8b\x82\xf0\x8a\x4a\x82\xaf"
                                        "\x82\xdc\x82\xb9\x82\xf1"}));
    EXPECT_EQ(diceBox.items, (Entries{"3D[6]", "1D[20]"}));
    EXPECT_EQ(diceBox.selected, 1);
}

TEST_F(ListFiles, AFolderInPlaceOfAListIsNamedAndLeavesTheBoxAsItWas) {
    std::filesystem::create_directory(temp.Path() / "dice.sai");
    diceBox.items = {"3D[6]"};
    EXPECT_FALSE(LoadListFile(paths.diceList, diceBox, messages));
    EXPECT_EQ(messages.bytes, (Entries{paths.diceList + Sjis(" ファイルを開けません")}));
    EXPECT_EQ(diceBox.items, (Entries{"3D[6]"}));
    // Read as a stream all the same, it fails at its first byte, which ends it like an empty file.
    std::ifstream folder(temp.Path() / "dice.sai", std::ios::binary);
    EXPECT_EQ(ReadListEntries(folder), Entries{});
}

TEST_F(ListFiles, OpensFilesInAFolderWithADoubleByteName) {
    const std::filesystem::path folder = temp.Path() / std::filesystem::path(u8"表");
    temp.Write(folder / "name.nam", Sjis("ソフィア\n"));
    const ListPaths japanese = ListPathsFor(PathText(folder));
    FillNameList(japanese.nameList, Sjis("ごんべ"), nameBox, messages);
    EXPECT_EQ(nameBox.items, (Entries{Sjis("ごんべ"), Sjis("ソフィア")}));
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(ListFiles, StartUpFillsDiceThenDefaultNameThenNames) {
    temp.Write("dice.sai", "2D[6]\n1D[100]\n");
    temp.Write("name.nam", Sjis("アリス\nボブ"));
    FillListsAtStartUp(paths, Sjis("ごんべ"), diceBox, nameBox, messages);
    EXPECT_EQ(diceBox.items, (Entries{"2D[6]", "1D[100]"}));
    EXPECT_EQ(diceBox.text, "2D[6]");
    EXPECT_EQ(nameBox.items, (Entries{Sjis("ごんべ"), Sjis("アリス"), Sjis("ボブ")}));
    EXPECT_EQ(nameBox.text, Sjis("ごんべ"));
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(ListFiles, ReloadsEmptyTheBoxesAndReadTheFilesAgain) {
    temp.Write("dice.sai", "1D[6]\n");
    temp.Write("name.nam", "Aya\n");
    FillListsAtStartUp(paths, "Gon", diceBox, nameBox, messages);
    diceBox.text = "9D[9]";  // typed, and lost on the reload
    temp.Write("dice.sai", "3D[6]\n1D[20]+5\n");
    temp.Write("name.nam", "Bea\nCid\n");

    ReloadDiceList(paths, diceBox, messages);
    EXPECT_EQ(diceBox.items, (Entries{"3D[6]", "1D[20]+5"}));
    EXPECT_EQ(diceBox.text, "3D[6]");
    ReloadNameList(paths, "Gon", nameBox, messages);
    EXPECT_EQ(nameBox.items, (Entries{"Gon", "Bea", "Cid"}));
    EXPECT_EQ(nameBox.text, "Gon");

    std::filesystem::remove(temp.Path() / "dice.sai");
    std::filesystem::remove(temp.Path() / "name.nam");
    ReloadDiceList(paths, diceBox, messages);
    ReloadNameList(paths, "Gon", nameBox, messages);
    EXPECT_EQ(messages.shown.size(), 2u);
    EXPECT_TRUE(diceBox.items.empty());
    EXPECT_EQ(diceBox.text, "");
    // Without a name list the default name is still the current player name.
    EXPECT_EQ(nameBox.items, (Entries{"Gon"}));
    EXPECT_EQ(nameBox.text, "Gon");
}

// The sample lists that ship with the client.
TEST(SampleLists, LoadAndRollAsShipped) {
    FakeComboBox diceBox;
    FakeComboBox nameBox;
    FakeMessageBox messages;
    const ListPaths shipped = ListPathsFor(PathText(VESK_DATA_DIR));
    FillListsAtStartUp(shipped, Sjis("ごんべ"), diceBox, nameBox, messages);
    EXPECT_TRUE(messages.shown.empty());

    ASSERT_GE(diceBox.items.size(), 12u);
    EXPECT_EQ(diceBox.text, diceBox.items.front());
    RandomGenerator generator;
    for (const std::string& expression : diceBox.items) {
        const DiceRoll roll = EvaluateDice(expression, generator);
        EXPECT_EQ(roll.problem, DiceProblem::None) << expression;
        EXPECT_FALSE(roll.rollDetails.empty()) << expression;
    }
    ASSERT_GE(nameBox.items.size(), 4u);
    for (const std::string& name : nameBox.items) {
        EXPECT_LE(name.size(), kMaxListEntryBytes);
        // Shift-JIS throughout: the names survive the trip to Unicode and back.
        EXPECT_EQ(Cp932FromUtf8(Utf8FromCp932(name)), name);
        EXPECT_EQ(Utf8FromCp932(name).find('?'), std::string::npos);
    }
}

}  // namespace
}  // namespace vesk

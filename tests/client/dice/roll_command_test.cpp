#include "client/dice/roll_command.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "protocol/wire_messages.h"
#include "tests/client/dice/fake_views.h"
#include "tests/support/test_peer.h"

namespace vesk {
namespace {

using test::ExampleDraws;
using test::FakeComboBox;
using test::FakeMessageBox;
using test::FixedDraws;
using test::Sjis;

class RollCommandTest : public ::testing::Test {
protected:
    void Roll(const std::string& expression, const std::string& name) {
        diceBox.text = expression;
        nameBox.text = name;
        RollCommand(diceBox, nameBox, messages, draws, [this](std::string_view line) {
            sent.emplace_back(line);
            return true;
        });
    }

    FakeComboBox diceBox;
    FakeComboBox nameBox;
    FakeMessageBox messages;
    FixedDraws draws{ExampleDraws(), true};
    std::vector<std::string> sent;
};

TEST_F(RollCommandTest, SendsTheDiceLineByteForByte) {
    Roll("2D[6]+3", Sjis("ごんべ"));
    // "talkごんべ：ころりんこ。。。2D[6]+3 = 4+2 = 9\r\n"
    const std::vector<std::string> expected = {
        "talk\x82\xb2\x82\xf1\x82\xd7\x81\x46\x82\xb1\x82\xeb\x82\xe8\x82\xf1\x82\xb1\x81\x42"
        "\x81\x42\x81\x42"
        "2D[6]+3 = 4+2 = 9\r\n"};
    EXPECT_EQ(sent, expected);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(RollCommandTest, SendsEmptyDetailsBetweenTwoBlanks) {
    Roll("0D[6]", "Aya");
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0], Sjis("talkAya：ころりんこ。。。0D[6] =  = 0\r\n"));
    EXPECT_EQ(draws.Taken(), 0u);
}

TEST_F(RollCommandTest, AnEmptyDiceBoxAsksForAnExpression) {
    Roll("", "Aya");
    // "ダイス式を選択(入力)して下さい"
    EXPECT_EQ(messages.bytes, (std::vector<std::string>{
                                  "\x83\x5f\x83\x43\x83\x58\x8e\xae\x82\xf0\x91\x49\x91\xf0"
                                  "(\x93\xfc\x97\xcd)\x82\xb5\x82\xc4\x89\xba\x82\xb3\x82\xa2"}));
    EXPECT_TRUE(sent.empty());
}

TEST_F(RollCommandTest, TellsTheUserAndSendsNothingForWhatCannotBeRolled) {
    const std::pair<std::string, std::string> cases[] = {
        {"2D6", "2D[6]"},       {Sjis("2D［6］"), "2D[6]"}, {"  + ", "ダイス式に数がありません"},
        {"12345678901", "9桁"}, {"99999D[6]", "9999個"},
    };
    for (const auto& [expression, told] : cases) {
        messages.shown.clear();
        Roll(expression, "Aya");
        ASSERT_EQ(messages.shown.size(), 1u) << expression;
        EXPECT_NE(messages.shown[0].find(told), std::string::npos) << messages.shown[0];
    }
    EXPECT_TRUE(sent.empty());
    EXPECT_EQ(draws.Taken(), 0u);
}

TEST_F(RollCommandTest, CutsExpressionAndNameAtTheirLimitsBetweenCharacters) {
    // 1 and 49 characters of two bytes fill the 99 bytes; the "+5" after them is cut off.
    std::string hiragana;
    for (int i = 0; i < 49; ++i) hiragana += Sjis("あ");
    // The 25th two-byte character of the name would end at byte 50; it is left out whole.
    std::string name;
    for (int i = 0; i < 25; ++i) name += Sjis("ソ");
    Roll("1" + hiragana + "+5", name);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0], wire::DiceLine(name.substr(0, 48), "1" + hiragana, "", 1));

    // A character that would straddle byte 99 is left out whole.
    const std::string upToLimit = "7" + std::string(97, ' ');
    Roll(upToLimit + Sjis("あ") + "1", "Aya");
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[1], wire::DiceLine("Aya", upToLimit, "", 7));
}

TEST_F(RollCommandTest, ShortensTheDetailsOfManyDiceAndKeepsTheTotal) {
    Roll("300D[6]", "Aya");
    ASSERT_EQ(sent.size(), 1u);
    const std::string& line = sent[0];
    EXPECT_LE(line.size(), kMaxDiceLineBytes);
    // 50 rounds of 4+2+6+1+3+5.
    const std::string tail = "+... = 1050\r\n";
    ASSERT_GT(line.size(), tail.size());
    EXPECT_EQ(line.substr(line.size() - tail.size()), tail);
    const std::string head = Sjis("talkAya：ころりんこ。。。300D[6] = ");
    EXPECT_EQ(line.substr(0, head.size() + 13), head + "4+2+6+1+3+5+4");
    EXPECT_GT(line.size(), kMaxDiceLineBytes - 6) << "as many values as fit are shown";

    // Longest name and expression, five-digit values: still within the limit.
    FixedDraws highDraws({32766}, true);
    const std::string longExpression = "250D[32767]" + std::string(88, ' ');
    const std::string longName(49, 'n');
    diceBox.text = longExpression;
    nameBox.text = longName;
    std::string longLine;
    RollCommand(diceBox, nameBox, messages, highDraws, [&](std::string_view l) {
        longLine = l;
        return true;
    });
    EXPECT_LE(longLine.size(), kMaxDiceLineBytes);
    const std::string longTail = "+... = 8191750\r\n";
    EXPECT_EQ(longLine.substr(longLine.size() - longTail.size()), longTail);
    EXPECT_NE(longLine.find(" = 32767+32767+"), std::string::npos);
}

}  // namespace
}  // namespace vesk

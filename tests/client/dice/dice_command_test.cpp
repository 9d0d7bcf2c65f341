#include "dice/dice_command.h"

#include <gtest/gtest.h>

#include "dice/dice_seal.h"
#include "tests/support/fixed_dice.h"

namespace vesk {
namespace {

using Kind = DiceOutcome::Kind;

struct Case {
    std::string_view text;
    std::initializer_list<int> faces;
    std::string_view result;  // for Rolled and Refused
    Kind kind = Kind::Rolled;
    bool secret = false;
};

TEST(DiceCommand, RollsTheFormsTheTablesTypeInTheirLayout) {
    const Case cases[] = {
        {"2D6+3", {4, 5}, "(2D6+3) ＞ 9[4,5]+3 ＞ 12"},
        {"2d6", {3, 4}, "(2D6) ＞ 7[3,4] ＞ 7"},
        {"1D100", {42}, "(1D100) ＞ 42"},
        {"1D100<=50 目星", {42}, "(1D100<=50) ＞ 42 ＞ 成功 目星"},
        {"3D6>=10", {1, 2, 3}, "(3D6>=10) ＞ 6[1,2,3] ＞ 6 ＞ 失敗"},
        {"2D6<>7", {3, 4}, "(2D6<>7) ＞ 7[3,4] ＞ 7 ＞ 失敗"},
        {"(1D6+1)*2-7/2", {5}, "((1D6+1)*2-7/2) ＞ (5[5]+1)*2-7/2 ＞ 9"},
        {"1D6-7/2", {1}, "(1D6-7/2) ＞ 1[1]-7/2 ＞ -2"},
        {"-1D6/4", {5}, "(-1D6/4) ＞ -5[5]/4 ＞ -2"},
        {"4D6KH3", {6, 1, 4, 3}, "(4D6KH3) ＞ 13[6,4,3] ＞ 13"},
        {"4d6dl", {6, 1, 4, 3}, "(4D6DL) ＞ 13[6,4,3] ＞ 13"},
        {"2D20KL1", {15, 7}, "(2D20KL1) ＞ 7[7] ＞ 7"},
        {"3D6DH5", {6, 1, 4}, "(3D6DH5) ＞ 0[] ＞ 0"},
        {"5B6>=4", {2, 5, 4, 6, 1}, "(5B6>=4) ＞ 2,5,4,6,1 ＞ 成功数3"},
        {"3b10", {10, 1, 7}, "(3B10) ＞ 10,1,7"},
        {"D66", {3, 6}, "(D66) ＞ 36"},
        {"x3 2D6 攻撃", {1, 2, 3, 4, 5, 6}, "#1 (2D6) ＞ 3[1,2] ＞ 3 #2 (2D6) ＞ 7[3,4] ＞ 7 #3 (2D6) ＞ 11[5,6] ＞ 11 攻撃"},
        {"rep2 1D6", {2, 5}, "#1 (1D6) ＞ 2 #2 (1D6) ＞ 5"},
        {"choice[剣, 槍,弓]", {2}, "(choice[剣,槍,弓]) ＞ 槍"},
        {"CC<=55 目星", {32}, "(1D100<=55) ＞ 32 ＞ 成功 目星"},
        {"CC<=55", {11}, "(1D100<=55) ＞ 11 ＞ スペシャル"},
        {"CC<=55", {1}, "(1D100<=55) ＞ 1 ＞ 決定的成功/スペシャル"},
        {"CC<=55", {5}, "(1D100<=55) ＞ 5 ＞ スペシャル"},
        {"CCB<=55", {5}, "(1D100<=55) ＞ 5 ＞ 決定的成功/スペシャル"},
        {"CCB<=20", {5}, "(1D100<=20) ＞ 5 ＞ 決定的成功"},
        {"CC<=55", {99}, "(1D100<=55) ＞ 99 ＞ 失敗"},
        {"CC<=55", {100}, "(1D100<=55) ＞ 100 ＞ 致命的失敗"},
        {"CCB<=55", {96}, "(1D100<=55) ＞ 96 ＞ 致命的失敗"},
        {"CCB<=99", {97}, "(1D100<=99) ＞ 97 ＞ 成功"},
        {"CC", {73}, "(1D100) ＞ 73"},
        // An input method's full-width forms, and its ideographic space before the comment.
        {"２Ｄ６＋３　回避", {1, 1}, "(2D6+3) ＞ 2[1,1]+3 ＞ 5 回避"},
        {"ＣＣＢ＜＝４０", {41}, "(1D100<=40) ＞ 41 ＞ 失敗"},
        {"S2D6", {2, 2}, "(2D6) ＞ 4[2,2] ＞ 4", Kind::Rolled, true},
        {"Sx2 1D6", {2, 2}, "#1 (1D6) ＞ 2 #2 (1D6) ＞ 2", Kind::Rolled, true},
    };
    for (const Case& test : cases) {
        FixedDice dice(test.faces);
        const DiceOutcome outcome = RollDiceCommand(test.text, dice);
        EXPECT_EQ(outcome.kind, test.kind) << test.text;
        EXPECT_EQ(outcome.text, test.result) << test.text;
        EXPECT_EQ(outcome.secret, test.secret) << test.text;
    }
}

TEST(DiceCommand, TalkIsNoCommandAndRollsNothing) {
    for (const std::string_view text :
         {"", "こんにちは", "2D6は振らない", "100", "1+2", "x3", "x3 こんにちは", "2D6+",
          "2D6>=1D6", "D6", "choice[A]", "choice[A,,B]", "CC>=50", "ころりんこ。。。1D[100] = 1 = 1",
          "公開", "Sorry", "S", "09012345678 に電話して", "3B", "(2D6", "2D6))"}) {
        FixedDice dice;
        EXPECT_EQ(RollDiceCommand(text, dice).kind, Kind::NotCommand) << text;
        EXPECT_EQ(dice.rolls, 0) << text;
    }
}

TEST(DiceCommand, BoundsAreAnsweredBeforeADieIsCast) {
    const std::pair<std::string_view, std::string_view> cases[] = {
        {"101D6", "ダイスが多すぎます（1つの項に1個から100個まで）"},
        {"0D6", "ダイスが多すぎます（1つの項に1個から100個まで）"},
        {"100B6>=3", ""},
        {"100D6+100D6+100D6+100D6+100D6+100D6+100D6+100D6+100D6+100D6+1D6",
         "ダイスが多すぎます（1回に1000個まで）"},
        {"x20 100D6", "ダイスが多すぎます（1回に1000個まで）"},
        {"x21 1D6", "繰り返しは1回から20回までです"},
        {"x0 1D6", "繰り返しは1回から20回までです"},
        {"2D1", "ダイスの面の数は2から1000までです"},
        {"2D1001", "ダイスの面の数は2から1000までです"},
        {"2D99999999999999999999", "ダイスの面の数は2から1000までです"},
        {"1D6/0", "0で割ることはできません"},
        {"1D6+1000000000", "数が大きすぎます"},
        {"1D6*999999999*999999999*999999999", "数が大きすぎます"},
    };
    for (const auto& [text, why] : cases) {
        FixedDice dice;
        const DiceOutcome outcome = RollDiceCommand(text, dice);
        if (why.empty()) {
            EXPECT_EQ(outcome.kind, Kind::Rolled) << text;
            continue;
        }
        EXPECT_EQ(outcome.kind, Kind::Refused) << text;
        EXPECT_EQ(outcome.text, why) << text;
        // Division and size are only known once the dice are cast.
        if (!why.starts_with("0で") && !why.starts_with("数が")) {
            EXPECT_EQ(dice.rolls, 0) << text;
        }
    }
}

TEST(DiceCommand, EveryFormCastsDiceOfItsOwnFaces) {
    const std::pair<std::string_view, int> cases[] = {
        {"1D20", 20}, {"3B8", 8}, {"D66", 6}, {"CCB<=50", 100}, {"choice[a,b,c]", 3}};
    for (const auto& [text, faces] : cases) {
        FixedDice dice;
        RollDiceCommand(text, dice);
        EXPECT_EQ(dice.lastFaces, faces) << text;
    }
}

TEST(DiceCommand, ARevealNamesTheLatestOrOneByNumber) {
    EXPECT_EQ(ReadRevealRequest("公開"), 0);
    EXPECT_EQ(ReadRevealRequest("公開 #3"), 3);
    EXPECT_EQ(ReadRevealRequest("公開#12"), 12);
    EXPECT_EQ(ReadRevealRequest("公開　＃２"), 2);
    for (const std::string_view text : {"公開します", "公開 #", "公開 #0", "公開 #2 です", "公開 3", "公"}) {
        EXPECT_FALSE(ReadRevealRequest(text)) << text;
    }
}

// The relay's dice come from the system: every face as likely, with no bias towards any.
TEST(DiceCommand, TheSystemsDiceAreFair) {
    SystemDiceSource dice;
    constexpr int kRolls = 600'000;
    std::array<int, 7> counts{};
    for (int roll = 0; roll < kRolls; ++roll) {
        const int face = dice.Roll(6);
        ASSERT_TRUE(face >= 1 && face <= 6);
        ++counts[static_cast<std::size_t>(face)];
    }
    for (int face = 1; face <= 6; ++face) {
        EXPECT_NEAR(counts[static_cast<std::size_t>(face)], kRolls / 6, kRolls / 6 / 100)
            << "face " << face;
    }
    EXPECT_NE(dice.Key(), dice.Key());
}

TEST(DiceSeal, IsSha256OfTheResultAndItsKey) {
    // The standard's own examples.
    EXPECT_EQ(Sha256Hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(Sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(Sha256Hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    EXPECT_EQ(Sha256Hex(std::string(1000, 'a')).substr(0, 8), "41edece4");
    FixedDice dice;
    const std::string key = HexOf(dice.Key());
    EXPECT_EQ(key, "000102030405060708090a0b0c0d0e0f");
    EXPECT_EQ(SealOf("abc", key), Sha256Hex("abc" + key).substr(0, 16));
    const std::string seal = SealOf("(2D6) > 7[3,4] > 7", key);
    EXPECT_TRUE(SealHolds(seal, "(2D6) > 7[3,4] > 7", key));
    EXPECT_FALSE(SealHolds(seal, "(2D6) > 8[4,4] > 8", key)) << "a changed result";
    EXPECT_FALSE(SealHolds(seal, "(2D6) > 7[3,4] > 7", "f" + key.substr(1))) << "a changed key";
    EXPECT_FALSE(SealHolds(seal, "(2D6) > 7[3,4] > 7", key.substr(1))) << "no key of 32 digits";
}

}  // namespace
}  // namespace vesk

#include "dice/dice_evaluator.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "tests/client/dice/fake_views.h"
#include "tests/support/test_peer.h"

namespace vesk {

void PrintTo(const DiceRoll& roll, std::ostream* out) {
    *out << "{problem " << static_cast<int>(roll.problem) << ", details \"" << roll.rollDetails
         << "\", total " << roll.total << "}";
}

namespace {

using test::ExampleDraws;
using test::FixedDraws;
using test::Sjis;

struct Example {
    std::string expression;
    std::string rollDetails;
    int total;
};

// Each expression starts from the first of the example draws.
TEST(DiceEvaluator, EvaluatesLeftToRightWithTheExampleDraws) {
    const Example examples[] = {
        {"2D[6]+3", "4+2", 9},
        {"3D[6]-1", "4+2+6", 11},
        {"2D[6]+1D[4]", "4+2+2", 8},
        {"2D[6]-1D[4]", "4+2+2", 4},
        {"2+3-4", "", 1},
        {"1 2+3", "", 5},
        {"-5 3", "", 2},
        {"5-+3", "", 8},
        {"2D66", "4+2", 6},
        {"2D[6]3", "4+2", 3},
        {"2d[6]", "", 6},
        {"0D[6]", "", 0},
        {"D[6]", "", 6},
        {"5+", "", 5},
        {"5--3", "", 2},
        {"5+-3", "", 2},
        {"2D(6) + 3", "4+2", 9},
        {"3D[10]", "4+2+6", 12},
        {"6D[6]", "4+2+6+1+3+5", 21},
        {"0D", "", 0},
        {"1D[6", "4", 4},  // the closing byte lies beyond the end
        // Wraps around in 32-bit signed arithmetic: 2999999997 - 2^32.
        {"999999999+999999999+999999999", "", -1294967299},
        // Groups beyond the five of the term stack: the total is still the last group.
        {"1 2 3 4 5+6", "", 11},
        {"1 2 3 4 5 6 7", "", 7},
        {"1 2 3 4 5 6-1D[6]", "4", 2},
        // Double-byte characters are passed over; a full-width digit is no digit.
        {Sjis("２D[6]"), "", 6},
        {Sjis("命中 1D[100]+2 表"), "4", 6},
    };
    for (const Example& example : examples) {
        FixedDraws draws(ExampleDraws());
        EXPECT_EQ(EvaluateDice(example.expression, draws),
                  (DiceRoll{DiceProblem::None, example.total, example.rollDetails}))
            << example.expression;
    }
}

TEST(DiceEvaluator, ReadsSizesOfMoreThanOneDigit) {
    FixedDraws draws({99, 100, 9, 32767, 32767});
    EXPECT_EQ(EvaluateDice("2D[100]+1D[10]", draws),
              (DiceRoll{DiceProblem::None, 111, "100+1+10"}));
    // A draw is at most 32767, so no die shows more than 32768.
    EXPECT_EQ(EvaluateDice("1D[40000] 1D[999999999]", draws),
              (DiceRoll{DiceProblem::None, 32768, "32768+32768"}));
}

TEST(DiceEvaluator, RefusesWhatCannotBeRolledBeforeDrawingAnything) {
    const std::pair<std::string, DiceProblem> refused[] = {
        {"2D6", DiceProblem::MissingSize},
        {"2D", DiceProblem::MissingSize},
        {"2D6+3", DiceProblem::MissingSize},
        {"1D100", DiceProblem::MissingSize},
        {Sjis("2D［6］"), DiceProblem::MissingSize},
        {"2D[0]", DiceProblem::MissingSize},
        {"3D[6]+2D", DiceProblem::MissingSize},
        {"", DiceProblem::NoNumber},
        {"   ", DiceProblem::NoNumber},
        {"+-", DiceProblem::NoNumber},
        {"d[D]", DiceProblem::NoNumber},
        {Sjis("さいころ"), DiceProblem::NoNumber},
        {"1234567890", DiceProblem::TooManyDigits},
        {"0000000001+1", DiceProblem::TooManyDigits},
        {"1D[1234567890]", DiceProblem::TooManyDigits},
        {"10000D[6]", DiceProblem::TooManyDice},
        {"5000D[6]+5000D[6]", DiceProblem::TooManyDice},
    };
    for (const auto& [expression, problem] : refused) {
        FixedDraws draws(ExampleDraws());
        EXPECT_EQ(EvaluateDice(expression, draws).problem, problem) << expression;
        EXPECT_EQ(draws.Taken(), 0u) << expression;
    }
}

TEST(DiceEvaluator, RollsTheMostDiceAllowed) {
    FixedDraws draws(ExampleDraws(), true);
    const DiceRoll roll = EvaluateDice("9999D[6]", draws);
    EXPECT_EQ(roll.problem, DiceProblem::None);
    EXPECT_EQ(draws.Taken(), 9999u);
    EXPECT_EQ(roll.total, 1666 * 21 + 4 + 2 + 6);
}

}  // namespace
}  // namespace vesk

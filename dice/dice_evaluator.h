#pragma once

// Dice expressions such as 2D[6]+3: decimal numbers, dice terms (count, "D", one enclosing
// byte, size, one enclosing byte), plus and minus, read strictly left to right without
// precedence. Every other byte is passed over. A number that follows another with no sign
// between them starts a new group, and the total is the value of the last group.

#include <string>
#include <string_view>

#include "dice/random_generator.h"

namespace vesk {

// A number has at most nine digits, so it always fits a 32-bit integer.
inline constexpr int kMaxNumberDigits = 9;
// More dice than this in one roll would keep the window busy for a noticeable time.
inline constexpr long long kMaxDicePerRoll = 9999;

// low + (draw mod (high - low + 1)); low when the range is empty.
int DieDraw(DrawSource& draws, int low, int high);

// Draws count dice of size faces, appends each value to rollDetails (joined by "+") and
// returns their sum in 32-bit arithmetic. Draws nothing and returns 0 when count is below 1,
// and also when size is below 1, since such a die has no faces to show.
int RollDice(DrawSource& draws, int count, int size, std::string& rollDetails);

// Why an expression is not rolled. Nothing is drawn for an expression with a problem.
enum class DiceProblem {
    None,
    NoNumber,       // nothing to total: only blanks, signs or letters
    MissingSize,    // a dice term with at least one die and no faces (2D6, 2D, 2D[0])
    TooManyDigits,  // a number of more than nine digits
    TooManyDice,    // more than kMaxDicePerRoll dice in all
};

struct DiceRoll {
    DiceProblem problem = DiceProblem::None;
    int total = 0;
    // The value of every die drawn, in the order of the terms, joined by "+".
    std::string rollDetails;

    bool operator==(const DiceRoll&) const = default;
};

DiceRoll EvaluateDice(std::string_view expression, DrawSource& draws);

// What the user is told about a problem, in code page 932.
std::string DiceProblemMessage(DiceProblem problem);

}  // namespace vesk

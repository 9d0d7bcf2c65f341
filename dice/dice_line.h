#pragma once

// The dice line a roll sends to the party: the player's name, the expression as given, the
// value of every die and the total. VeskChat's roll command and the relay's browser seats roll
// through it, so the party sees the same line whoever rolls.

#include <cstddef>
#include <string>
#include <string_view>

#include "dice/dice_evaluator.h"
#include "dice/random_generator.h"

namespace vesk {

// What is read of an expression, in bytes.
inline constexpr std::size_t kMaxExpressionBytes = 99;
// The longest dice line, its CR LF included.
inline constexpr std::size_t kMaxDiceLineBytes = 499;

struct DiceLineRoll {
    DiceProblem problem = DiceProblem::None;
    std::string line;  // empty when there is a problem
};

// Rolls expression (code page 932, at most kMaxExpressionBytes) and composes the dice line
// for name, which the caller has put under the player name rule. The line holds at most
// kMaxDiceLineBytes: when the values of many dice do not fit, the values that do not fit are
// left out and "+..." marks the cut; the total stays exact.
DiceLineRoll RollDiceLine(std::string_view name, std::string_view expression, DrawSource& draws);

}  // namespace vesk

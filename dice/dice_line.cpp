#include "dice/dice_line.h"

#include "protocol/player_name.h"
#include "protocol/wire_messages.h"

namespace vesk {

namespace {

constexpr std::string_view kCutMark = "+...";

// The fixed parts of a dice line take 30 bytes and the total at most 11, so with the name and
// the expression at their limits there is still room for the cut mark and a die of the
// largest value (at most 32768).
static_assert(30 + kPlayerNameMaxBytes + kMaxExpressionBytes + 11 + kCutMark.size() + 5 <=
              kMaxDiceLineBytes);

std::string FitDiceLine(std::string_view name, std::string_view expression,
                        std::string_view rollDetails, int total) {
    std::string line = wire::DiceLine(name, expression, rollDetails, total);
    if (line.size() <= kMaxDiceLineBytes) return line;
    // The details are digits and "+" only, so a cut just before a "+" keeps every value shown
    // whole and splits no character.
    const std::size_t room = kMaxDiceLineBytes - (line.size() - rollDetails.size());
    std::size_t cut = rollDetails.rfind('+', room - kCutMark.size());
    if (cut == std::string_view::npos) cut = 0;
    const std::string shortened = std::string(rollDetails.substr(0, cut)) + std::string(kCutMark);
    return wire::DiceLine(name, expression, shortened, total);
}

}  // namespace

DiceLineRoll RollDiceLine(std::string_view name, std::string_view expression, DrawSource& draws) {
    const DiceRoll roll = EvaluateDice(expression, draws);
    if (roll.problem != DiceProblem::None) return {roll.problem, {}};
    return {DiceProblem::None, FitDiceLine(name, expression, roll.rollDetails, roll.total)};
}

}  // namespace vesk

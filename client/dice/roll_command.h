#pragma once

// The roll command: rolls the expression in the dice combo box and sends the outcome to the
// party as one talk line. The roller sees it, like everyone else, when the server relays it.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "client/dice/random_generator.h"
#include "client/dice/window_views.h"

namespace vesk {

// What is read from the dice combo box, in bytes.
inline constexpr std::size_t kMaxExpressionBytes = 99;
// The longest dice line, its CR LF included.
inline constexpr std::size_t kMaxDiceLineBytes = 499;

// Hands one whole line to the connection; false when it could not be sent. The roll command
// does not look at the result: with no connection open the dice are drawn and nothing is shown.
using LineSender = std::function<bool(std::string_view line)>;

// Sends at most kMaxDiceLineBytes. When the values of many dice do not fit the line, the
// values that do not fit are left out and "+..." marks the cut; the total stays exact.
void RollCommand(const ComboBoxView& diceBox, const ComboBoxView& nameBox, MessageBoxView& messages,
                 DrawSource& draws, const LineSender& send);

}  // namespace vesk

#pragma once

// The roll command: rolls the expression in the dice combo box and sends the outcome to the
// party as one talk line. The roller sees it, like everyone else, when the server relays it.

#include <functional>
#include <string>
#include <string_view>

#include "client/dice/combo_box_view.h"
#include "client/message_box_view.h"
#include "dice/dice_line.h"

namespace vesk {

// Hands one whole line to the connection; false when it could not be sent. The roll command
// does not look at the result: with no connection open the dice are drawn and nothing is shown.
using LineSender = std::function<bool(std::string_view line)>;

// Reads at most kMaxExpressionBytes of the dice box and sends the dice line (RollDiceLine).
void RollCommand(const ComboBoxView& diceBox, const ComboBoxView& nameBox, MessageBoxView& messages,
                 DrawSource& draws, const LineSender& send);

}  // namespace vesk

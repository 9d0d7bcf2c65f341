#include "client/dice/roll_command.h"

#include "dice/dice_line.h"
#include "protocol/cp932.h"
#include "protocol/player_name.h"

namespace vesk {

namespace {

// Text as a control hands it out with a byte limit: it ends at a NUL, and the limit never
// splits a double-byte character.
std::string ReadControlText(const ComboBoxView& box, std::size_t maxBytes) {
    const std::string text = box.Text();
    const std::string_view shown = std::string_view(text).substr(0, text.find('\0'));
    return std::string(Cp932Cut(shown, maxBytes));
}

}  // namespace

void RollCommand(const ComboBoxView& diceBox, const ComboBoxView& nameBox, MessageBoxView& messages,
                 DrawSource& draws, const LineSender& send) {
    const std::string expression = ReadControlText(diceBox, kMaxExpressionBytes);
    if (expression.empty()) {
        messages.ShowMessage(Cp932FromUtf8("ダイス式を選択(入力)して下さい"));
        return;
    }
    const DiceLineRoll roll = RollDiceLine(PlayerNameForLines(nameBox.Text()), expression, draws);
    if (roll.problem != DiceProblem::None) {
        messages.ShowMessage(DiceProblemMessage(roll.problem));
        return;
    }
    send(roll.line);
}

}  // namespace vesk

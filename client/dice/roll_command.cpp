#include "client/dice/roll_command.h"

#include "dice/dice_line.h"
#include "protocol/cp932.h"
#include "protocol/player_name.h"

namespace vesk {

void RollCommand(const ComboBoxView& diceBox, const ComboBoxView& nameBox, MessageBoxView& messages,
                 DrawSource& draws, const LineSender& send) {
    const std::string expression(Cp932Field(diceBox.Text(), kMaxExpressionBytes));
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

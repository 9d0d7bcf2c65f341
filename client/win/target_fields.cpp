#include "client/win/target_fields.h"

#include <string>

#include "client/rules/target_form.h"
#include "resources/client/vesk_chat_ids.h"
#include "ui/win/modal_form.h"
#include "ui/win/window_text.h"

namespace vesk {

void ShowTargetFields(HWND dialog, const ConnectionTarget& target) {
    SetDialogItemTextCp932(dialog, VESK_ID_ADDRESS, target.address);
    SetDlgItemInt(dialog, VESK_ID_PORT, static_cast<UINT>(target.port), TRUE);
}

std::optional<ConnectionTarget> ReadTargetFields(HWND dialog, MessageBoxView& messages) {
    // Both whole: the form takes the address at its field's size itself, and a port cut short
    // would be another port.
    const TargetForm form =
        ReadTargetForm(DialogItemTextCp932(dialog, VESK_ID_ADDRESS, std::string::npos),
                       DialogItemTextCp932(dialog, VESK_ID_PORT, std::string::npos));
    if (!form.target) {
        messages.ShowMessage(form.problem);
        FocusForRetyping(dialog,
                         form.wrongField == TargetField::Address ? VESK_ID_ADDRESS : VESK_ID_PORT);
    }
    return form.target;
}

}  // namespace vesk

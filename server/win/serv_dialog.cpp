#include "server/win/serv_dialog.h"

#include "protocol/port_range.h"
#include "server/server_control.h"
#include "server/win/server_resources.h"
#include "ui/win/modal_form.h"
#include "ui/win/window_text.h"

namespace vesk {

namespace {

// More than any port needs; longer text is cut here, and a cut number is still refused.
constexpr std::size_t kPortTextBytes = 64;

// Hands the port to control; false when it was refused, with the field ready for another port.
bool Start(HWND dialog, ServerControl& control) {
    const auto outcome =
        control.StartFromText(DialogItemTextCp932(dialog, IDC_PORT, kPortTextBytes),
                              IsDlgButtonChecked(dialog, IDC_DICE) == BST_CHECKED);
    if (outcome != StartOutcome::Refused) return true;
    FocusForRetyping(dialog, IDC_PORT);
    return false;
}

}  // namespace

void RunServDialog(HINSTANCE instance, HWND owner, ServerControl& control) {
    RunModalForm(
        instance, owner, L"SERV",
        [](HWND dialog) {
            SetDlgItemInt(dialog, IDC_PORT, kDefaultServerPort, TRUE);
            CheckDlgButton(dialog, IDC_DICE, BST_CHECKED);
        },
        [&](HWND dialog) { return Start(dialog, control); });
}

}  // namespace vesk

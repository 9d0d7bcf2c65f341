#include "server/win/serv_dialog.h"

#include "protocol/port_range.h"
#include "server/server_control.h"
#include "server/win/server_resources.h"
#include "ui/win/window_text.h"

namespace vesk {

namespace {

// More than any port needs; longer text is cut here, and a cut number is still refused.
constexpr std::size_t kPortTextBytes = 64;

void Start(HWND dialog, ServerControl& control) {
    const auto outcome =
        control.StartFromText(DialogItemTextCp932(dialog, IDC_PORT, kPortTextBytes));
    if (outcome == StartOutcome::Refused) {
        // Ready for another port.
        const HWND field = GetDlgItem(dialog, IDC_PORT);
        SetFocus(field);
        SendMessageW(field, EM_SETSEL, 0, -1);
        return;
    }
    EndDialog(dialog, IDOK);
}

INT_PTR CALLBACK ServProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        SetDlgItemInt(dialog, IDC_PORT, kDefaultServerPort, TRUE);
        return TRUE;
    }
    if (message != WM_COMMAND) return FALSE;
    switch (LOWORD(wParam)) {
        case IDOK:
            Start(dialog, *reinterpret_cast<ServerControl*>(GetWindowLongPtrW(dialog, DWLP_USER)));
            break;
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            break;
        default:
            break;
    }
    return TRUE;
}

}  // namespace

void RunServDialog(HINSTANCE instance, HWND owner, ServerControl& control) {
    DialogBoxParamW(instance, L"SERV", owner, ServProc, reinterpret_cast<LPARAM>(&control));
}

}  // namespace vesk

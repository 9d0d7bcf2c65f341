#include "client/win/win_combo_box.h"

#include "ui/win/wide_text.h"
#include "ui/win/window_text.h"

namespace vesk {

std::string WinComboBox::Text() const { return WindowTextCp932(box, std::string::npos); }

void WinComboBox::AddItem(std::string_view text) {
    const std::wstring item = WideFromCp932(text);
    SendMessageW(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
}

void WinComboBox::Clear() {
    SendMessageW(box, CB_RESETCONTENT, 0, 0);
    // A typed text is not an item and outlives the reset.
    SetWindowTextW(box, L"");
}

void WinComboBox::SelectFirst() {
    if (SendMessageW(box, CB_GETCOUNT, 0, 0) > 0) SendMessageW(box, CB_SETCURSEL, 0, 0);
}

}  // namespace vesk

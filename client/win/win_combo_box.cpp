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

int WinComboBox::Find(std::string_view text) const {
    // The box's own search ignores case; a name is found only as written.
    const std::wstring wanted = WideFromCp932(text);
    const auto count = static_cast<int>(SendMessageW(box, CB_GETCOUNT, 0, 0));
    for (int index = 0; index < count; ++index) {
        const auto length = SendMessageW(box, CB_GETLBTEXTLEN, index, 0);
        if (length != static_cast<LRESULT>(wanted.size())) continue;
        std::wstring item(wanted.size() + 1, L'\0');
        SendMessageW(box, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(item.data()));
        item.resize(wanted.size());
        if (item == wanted) return index;
    }
    return -1;
}

void WinComboBox::InsertFirst(std::string_view text) {
    const std::wstring item = WideFromCp932(text);
    SendMessageW(box, CB_INSERTSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
}

void WinComboBox::RemoveFirst() {
    if (SendMessageW(box, CB_GETCOUNT, 0, 0) > 0) SendMessageW(box, CB_DELETESTRING, 0, 0);
}

void WinComboBox::Select(int index) { SendMessageW(box, CB_SETCURSEL, index, 0); }

}  // namespace vesk

#include "ui/win/window_text.h"

#include <vector>

#include "protocol/cp932.h"
#include "ui/win/wide_text.h"

namespace vesk {

std::string WindowTextCp932(HWND window, std::size_t maxBytes) {
    const int length = GetWindowTextLengthW(window);
    if (length <= 0) return {};
    std::vector<wchar_t> text(static_cast<std::size_t>(length) + 1);
    const int read = GetWindowTextW(window, text.data(), length + 1);
    const std::string cp932 = Cp932FromWide({text.data(), static_cast<std::size_t>(read)});
    return std::string(Cp932Cut(cp932, maxBytes));
}

void SetWindowTextCp932(HWND window, std::string_view cp932) {
    SetWindowTextW(window, WideFromCp932(cp932).c_str());
}

std::string DialogItemTextCp932(HWND dialog, int id, std::size_t maxBytes) {
    return WindowTextCp932(GetDlgItem(dialog, id), maxBytes);
}

void SetDialogItemTextCp932(HWND dialog, int id, std::string_view cp932) {
    SetWindowTextCp932(GetDlgItem(dialog, id), cp932);
}

void ShowMessageBox(const wchar_t* title, std::string_view cp932) {
    MessageBoxW(nullptr, WideFromCp932(cp932).c_str(), title, MB_OK);
}

}  // namespace vesk

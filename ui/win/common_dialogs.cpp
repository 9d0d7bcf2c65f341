#include "ui/win/common_dialogs.h"

#include <shellapi.h>

#include <string>

#include "protocol/cp932.h"
#include "ui/win/modal_form.h"
#include "ui/win/window_text.h"

namespace vesk {

void RunAboutDialog(HINSTANCE instance, HWND owner) {
    RunModalForm(instance, owner, L"ABOUTDLG", {}, {});
}

void RunAddressDialog(HINSTANCE instance, HWND owner, int addressId, std::string_view address) {
    RunModalForm(instance, owner, L"SHOWIP",
                 [&](HWND dialog) { SetDialogItemTextCp932(dialog, addressId, address); }, {});
}

void OpenHelpPage(HWND owner, const wchar_t* programName) {
    std::wstring path(MAX_PATH, L'\0');
    DWORD length = 0;
    // Grows until the program's full path fits: an install folder may be deeper than MAX_PATH.
    while ((length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()))) ==
           path.size()) {
        path.resize(path.size() * 2);
    }
    path.resize(length);
    path.erase(path.find_last_of(L"\\/") + 1);
    path += L"help.html";
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteW(owner, L"open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    // ShellExecute reports success with a value above 32.
    if (result <= 32) {
        ShowMessageBox(programName, Cp932FromUtf8("ヘルプを開けませんでした（help.html）"));
    }
}

}  // namespace vesk

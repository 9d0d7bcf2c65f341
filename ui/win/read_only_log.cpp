#include "ui/win/read_only_log.h"

#include <richedit.h>

namespace vesk {

HWND CreateReadOnlyLog(HWND parent, HINSTANCE instance, LPARAM textLimit) {
    // The library stays loaded for the whole run.
    if (LoadLibraryW(L"msftedit.dll") == nullptr) return nullptr;
    constexpr DWORD kStyle = WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP |
                             ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY | ES_SAVESEL;
    const HWND control = CreateWindowExW(WS_EX_CLIENTEDGE, MSFTEDIT_CLASS, L"", kStyle, 0, 0, 0, 0,
                                         parent, nullptr, instance, nullptr);
    if (control != nullptr) SendMessageW(control, EM_EXLIMITTEXT, 0, textLimit);
    return control;
}

}  // namespace vesk

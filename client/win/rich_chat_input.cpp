#include "client/win/rich_chat_input.h"

#include <commctrl.h>
#include <richedit.h>

#include "client/win/control_menus.h"
#include "ui/win/window_text.h"

namespace vesk {

namespace {

constexpr int kChatInputId = 5555;
// More than a chat line carries: the line is cut to its own limit where it is made.
constexpr std::size_t kMaxReadBytes = 64 * 1024;
// Bit 30 of a key message: the key was down already, so this is a repeat.
constexpr LPARAM kKeyWasDown = 1 << 30;

}  // namespace

HWND RichChatInput::Create(HWND parent, HINSTANCE instance) {
    control = CreateWindowExW(
        WS_EX_CLIENTEDGE, MSFTEDIT_CLASS, L"",
        WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL | ES_SAVESEL, 0, 0, 0, 0, parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kChatInputId)), instance, nullptr);
    if (control == nullptr) return nullptr;
    SetWindowSubclass(control, Procedure, 0, reinterpret_cast<DWORD_PTR>(this));
    return control;
}

LRESULT CALLBACK RichChatInput::Procedure(HWND control, UINT message, WPARAM wParam, LPARAM lParam,
                                          UINT_PTR, DWORD_PTR self) {
    switch (message) {
        case WM_KEYDOWN:
            if (wParam != VK_RETURN) break;
            if ((lParam & kKeyWasDown) == 0) reinterpret_cast<RichChatInput*>(self)->send();
            return 0;
        case WM_CHAR:
            // The Enter that was sent already, which the one-line control would answer with a beep.
            if (wParam == L'\r') return 0;
            break;
        case WM_RBUTTONDOWN:
            ShowControlMenu(control, lParam,
                            {{ChatCommand::kCutInput, L"切り取り(&T)"},
                             {ChatCommand::kCopyInput, L"コピー(&C)"},
                             {ChatCommand::kPasteInput, L"貼り付け(&P)"}});
            break;
        case WM_NCDESTROY:
            RemoveWindowSubclass(control, Procedure, 0);
            break;
    }
    return DefSubclassProc(control, message, wParam, lParam);
}

std::string RichChatInput::Text() const {
    return control == nullptr ? std::string() : WindowTextCp932(control, kMaxReadBytes);
}

void RichChatInput::Clear() {
    if (control != nullptr) SetWindowTextW(control, L"");
}

void RichChatInput::Send(UINT message) {
    if (control != nullptr) SendMessageW(control, message, 0, 0);
}

}  // namespace vesk

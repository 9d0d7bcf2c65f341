#include "client/win/rich_chat_input.h"

#include <commctrl.h>
#include <richedit.h>

#include <optional>
#include <string>
#include <string_view>

#include "client/win/control_menus.h"
#include "ui/win/window_text.h"

namespace vesk {

namespace {

constexpr int kChatInputId = 5555;
// More than a chat line carries: the line is cut to its own limit where it is made.
constexpr std::size_t kMaxReadBytes = 64 * 1024;
// Bit 30 of a key message: the key was down already, so this is a repeat.
constexpr LPARAM kKeyWasDown = 1 << 30;

bool Down(int key) { return GetKeyState(key) < 0; }

// Text of several lines as one: each line break (CR LF, CR or LF) becomes one space, as the
// chat line makes of a line break in the Linux client's input. A one-line rich edit would
// otherwise keep only the first line of what is pasted and drop the rest.
std::wstring OneLine(std::wstring_view text) {
    std::wstring line;
    line.reserve(text.size());
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (text[at] != L'\r' && text[at] != L'\n') {
            line += text[at];
            continue;
        }
        if (text[at] == L'\r' && at + 1 < text.size() && text[at + 1] == L'\n') ++at;
        line += L' ';
    }
    return line;
}

// The clipboard's text, or nothing when it holds none.
std::optional<std::wstring> ClipboardText(HWND owner) {
    if (!IsClipboardFormatAvailable(CF_UNICODETEXT) || !OpenClipboard(owner)) return std::nullopt;
    std::optional<std::wstring> text;
    if (const HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
            // Up to its NUL, and never past the memory that holds it.
            const std::size_t most = GlobalSize(data) / sizeof(wchar_t);
            std::size_t length = 0;
            while (length < most && chars[length] != L'\0') ++length;
            text.emplace(chars, length);
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

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
            // The rich edit pastes Ctrl+V and Shift+Insert itself, without a WM_PASTE.
            if ((wParam == 'V' && Down(VK_CONTROL)) || (wParam == VK_INSERT && Down(VK_SHIFT))) {
                PasteAsOneLine(control);
                return 0;
            }
            if (wParam != VK_RETURN) break;
            if ((lParam & kKeyWasDown) == 0) reinterpret_cast<RichChatInput*>(self)->send();
            return 0;
        case WM_PASTE:
            PasteAsOneLine(control);
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

void RichChatInput::PasteAsOneLine(HWND control) {
    const std::optional<std::wstring> text = ClipboardText(control);
    if (!text) return;
    const std::wstring line = OneLine(*text);
    // As a paste: it takes the selection's place and can be undone.
    SendMessageW(control, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(line.c_str()));
}

void RichChatInput::Send(UINT message) {
    if (control != nullptr) SendMessageW(control, message, 0, 0);
}

}  // namespace vesk

#include "client/win/rich_chat_log.h"

#include <commctrl.h>
#include <richedit.h>

#include <numeric>

#include "client/rules/commands.h"
#include "client/rules/log_line.h"
#include "client/win/control_menus.h"
#include "ui/win/read_only_log.h"
#include "ui/win/wide_text.h"

namespace vesk {

namespace {

constexpr COLORREF kStampColour = RGB(0x70, 0x70, 0x70);
constexpr COLORREF kHighlightColour = RGB(0xff, 0xf0, 0x9a);
// The relay's rolls, apart from anything a player typed.
constexpr COLORREF kRelayRollColour = RGB(0x1d, 0x5f, 0xa8);
// Well above what the log's bound lets it hold, so the control never refuses a line.
constexpr LPARAM kTextLimit = 64 * 1024 * 1024;

LRESULT CALLBACK LogProcedure(HWND control, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                              DWORD_PTR) {
    if (message == WM_RBUTTONDOWN) {
        ShowControlMenu(control, lParam, {{ChatCommand::kCopyLog, L"コピー(&C)"}});
    } else if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(control, LogProcedure, 0);
    }
    return DefSubclassProc(control, message, wParam, lParam);
}

}  // namespace

HWND RichChatLog::Create(HWND parent, HINSTANCE instance) {
    control = CreateReadOnlyLog(parent, instance, kTextLimit);
    if (control == nullptr) return nullptr;
    SetWindowSubclass(control, LogProcedure, 0, 0);
    return control;
}

long RichChatLog::Insert(const std::wstring& text, COLORREF colour, bool highlight) {
    SendMessageW(control, EM_SETSEL, -1, -1);
    CHARFORMAT2W format{};
    format.cbSize = sizeof format;
    format.dwMask = CFM_COLOR | CFM_BACKCOLOR;
    format.crTextColor = colour;
    format.crBackColor = kHighlightColour;
    format.dwEffects = highlight ? 0 : CFE_AUTOBACKCOLOR;
    SendMessageW(control, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    SendMessageW(control, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
    return static_cast<long>(text.size());
}

void RichChatLog::Append(std::string_view text, const LineLook& look) {
    const ChatHistory::Added added = history.Append(text, look.arrival);
    if (control == nullptr) return;
    if (added.dropped > 0) {
        const long gone =
            std::accumulate(shownLengths.begin(),
                            shownLengths.begin() + static_cast<std::ptrdiff_t>(added.dropped), 0L);
        shownLengths.erase(shownLengths.begin(),
                           shownLengths.begin() + static_cast<std::ptrdiff_t>(added.dropped));
        SendMessageW(control, EM_SETSEL, 0, gone);
        SendMessageW(control, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L""));
    }
    const std::wstring stamp = WideFromCp932(ArrivalStamp(look.arrival));
    for (const std::string_view line : added.lines) {
        long length = 0;
        // A blank line, such as those around a join, reads better without a time.
        if (look.showTime && !line.empty()) length += Insert(stamp, kStampColour, false);
        // The rich edit ends a paragraph with CR alone.
        const COLORREF colour = look.relayRoll ? kRelayRollColour : GetSysColor(COLOR_WINDOWTEXT);
        length += Insert(WideFromCp932(line) + L"\r", colour, look.highlight);
        shownLengths.push_back(length);
    }
    SendMessageW(control, EM_SCROLLCARET, 0, 0);
}

void RichChatLog::Clear() {
    history.Clear();
    shownLengths.clear();
    if (control != nullptr) SetWindowTextW(control, L"");
}

void RichChatLog::Copy() {
    if (control != nullptr) SendMessageW(control, WM_COPY, 0, 0);
}

}  // namespace vesk

#include "server/win/event_log.h"

#include <richedit.h>

#include <string>

#include "ui/win/read_only_log.h"
#include "ui/win/wide_text.h"

namespace vesk {

void EventLog::Create(HINSTANCE instance, HWND parent) {
    // Room for maxChars and one more line of the longest kind.
    control = CreateReadOnlyLog(parent, instance, maxChars + 16384);
}

void EventLog::Fit(int width, int height) {
    if (control == nullptr) return;
    SetWindowPos(control, nullptr, 0, 0, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void EventLog::FollowDpi(int dpi) {
    font.Update(dpi);
    SetRichEditFont(control, font.Face(), font.Points(), dpi);
}

long EventLog::TextLength() const {
    // Counted as the control counts positions: a line end is one character inside.
    GETTEXTLENGTHEX query{GTL_NUMCHARS | GTL_PRECISE, 1200};
    return static_cast<long>(
        SendMessageW(control, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&query), 0));
}

void EventLog::MakeRoom(long needed) {
    const long excess = TextLength() + needed - maxChars;
    if (excess <= 0) return;
    // A quarter more than needed, so that the cut is made once in a long while.
    const long cutAt = excess + maxChars / 4;
    const auto line = SendMessageW(control, EM_EXLINEFROMCHAR, 0, cutAt);
    auto end = SendMessageW(control, EM_LINEINDEX, line + 1, 0);
    if (end < 0) end = TextLength();
    CHARRANGE oldest{0, static_cast<LONG>(end)};
    SendMessageW(control, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&oldest));
    SendMessageW(control, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L""));
}

void EventLog::AppendLine(std::string_view cp932) {
    if (control == nullptr) return;
    const std::wstring line = WideFromCp932(cp932) + L"\r\n";
    CHARRANGE userSelection{};
    SendMessageW(control, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&userSelection));
    const long before = TextLength();
    MakeRoom(static_cast<long>(line.size()));
    // The old positions hold only when nothing was cut from the top.
    const bool keepSelection = userSelection.cpMin != userSelection.cpMax && TextLength() == before;
    const auto end = static_cast<LONG>(TextLength());
    CHARRANGE caret{end, end};
    SendMessageW(control, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&caret));
    SendMessageW(control, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(line.c_str()));
    if (keepSelection) {
        SendMessageW(control, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&userSelection));
    }
    SendMessageW(control, WM_VSCROLL, SB_BOTTOM, 0);
}

}  // namespace vesk

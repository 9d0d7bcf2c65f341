#pragma once

// The chat log of the native window: a read-only multi-line rich edit that shows the lines,
// and beside it the lines as they arrived (ChatHistory), which the saved logs are made from.
// A right click offers Copy, which reaches the main window as command 210.

#include <cstddef>
#include <deque>

#include "client/app/chat_front_end.h"
#include "client/rules/chat_history.h"
#include "protocol/windows_headers.h"

namespace vesk {

class RichChatLog final : public ChatLogView {
public:
    // The control, a child of parent at zero size until the layout places it; nullptr when the
    // rich edit class is missing, and every call then does nothing to the screen.
    HWND Create(HWND parent, HINSTANCE instance);
    HWND Window() const { return control; }

    void Append(std::string_view text, const LineLook& look) override;
    void Clear() override;
    std::string FileText() const override { return history.FileText(); }
    std::vector<LoggedLine> Lines() const override { return history.Lines(); }
    void Copy() override;

private:
    // Inserts text at the end in the given colours; returns its length in the control.
    long Insert(const std::wstring& text, COLORREF colour, bool highlight);

    HWND control = nullptr;
    ChatHistory history;
    // Each shown line's length in the control, its paragraph end included, oldest first: what
    // goes when the history drops its oldest lines.
    std::deque<long> shownLengths;
};

}  // namespace vesk

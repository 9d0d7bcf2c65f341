#pragma once

// The server's event log: a read-only rich edit control that fills the main window, one line
// per event, newest at the bottom and in view.

#include <string_view>

#include "protocol/windows_headers.h"
#include "ui/win/window_dpi.h"

namespace vesk {

class EventLog {
public:
    // Characters kept before the oldest lines make room: a server may run for weeks, and a
    // log that stopped at the control's own limit would drop every later line unseen.
    static constexpr long kMaxChars = 4'000'000;

    explicit EventLog(long maxChars = kMaxChars) : maxChars(maxChars) {}

    // Makes the control as a child of parent, empty. Without the rich edit library the window runs
    // without a log and lines are dropped.
    void Create(HINSTANCE instance, HWND parent);

    // Fills the parent's client area of that size.
    void Fit(int width, int height);

    // Shows the lines in the UI font of a window on a monitor of dpi, there and after a move.
    void FollowDpi(int dpi);

    // Adds the line (code page 932, no line end) at the end on a line of its own and scrolls
    // it into view. A selection the user made to copy from is kept. Main thread.
    void AppendLine(std::string_view cp932);

    HWND Handle() const { return control; }

private:
    long TextLength() const;
    // Deletes whole lines from the top until needed more characters fit under maxChars.
    void MakeRoom(long needed);

    const long maxChars;
    HWND control = nullptr;
    UiFont font;
};

}  // namespace vesk

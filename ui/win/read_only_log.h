#pragma once

// The read-only log control of both native programs, VeskServer's event log and VeskChat's
// chat log: a wide rich edit (the older "richedit" class takes ANSI text only) with the
// scroll bars and styles both logs are specified with.

#include "protocol/windows_headers.h"

namespace vesk {

// The control, child of parent, holding up to textLimit characters; nothing when the rich edit
// library or the control cannot be had.
HWND CreateReadOnlyLog(HWND parent, HINSTANCE instance, LPARAM textLimit);

}  // namespace vesk

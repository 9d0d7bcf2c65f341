#pragma once

// Everything the connection side of VeskChat does to its window goes through this interface:
// the VeskChat window implements it, tests fake it. Texts are code page 932.

#include <functional>
#include <string>
#include <string_view>

#include "protocol/menu_state.h"

namespace vesk {

class ChatWindow {
public:
    virtual ~ChatWindow() = default;

    // Every call below runs on the main thread only.

    // Inserts text (ending in CR LF) at the end of the chat log: the caret moves to the end,
    // any selection in the log is dropped, and the log scrolls down one line.
    virtual void AppendChatLog(std::string_view text) = 0;

    // The participant list shows the roster row for row: a new row goes to the end.
    virtual void AddParticipantRow(std::string_view name) = 0;
    virtual void DeleteParticipantRow(int index) = 0;
    virtual void ClearParticipantRows() = 0;

    // A message box titled "VeskChat"; returns once the user has dismissed it.
    virtual void ShowMessage(std::string_view text) = 0;

    virtual void SetMenuState(MenuState state) = 0;

    // The text of the player name box as it stands; the caller applies the name rules.
    virtual std::string CurrentPlayerName() = 0;

    // Called from the connection's reader thread to hand a received line (or the end of its
    // connection) to the main thread: task runs there later, tasks in the order posted. Must
    // not wait for the main thread, which may be waiting for the reader thread to end. Tasks
    // still pending when the window goes away may be dropped; each one checks that the
    // connection it belongs to is still current before it does anything.
    virtual void PostToMainThread(std::function<void()> task) = 0;
};

}  // namespace vesk

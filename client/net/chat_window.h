#pragma once

// Everything the connection side of VeskChat does to its window goes through this interface:
// the VeskChat window implements it, tests fake it. Texts are code page 932.

#include <functional>
#include <string>
#include <string_view>

#include "client/message_box_view.h"
#include "protocol/line_dispatcher.h"
#include "protocol/menu_state.h"

namespace vesk {

class ChatWindow : public PartyView, public MessageBoxView {
public:
    // Every call below, and those of PartyView and MessageBoxView, runs on the main thread
    // only. ShowMessage is a message box titled "VeskChat".

    // Empties the participant list.
    virtual void ClearParticipantRows() = 0;

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

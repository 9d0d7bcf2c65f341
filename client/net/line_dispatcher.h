#pragma once

// What each line received from the server does: text for the chat log, or a participant
// added to or removed from the roster and the participant list, row for row.

#include <string_view>

#include "client/net/chat_window.h"
#include "protocol/participant_roster.h"

namespace vesk {

class IncomingLineDispatcher {
public:
    // Both must outlive the dispatcher. Everything runs on the main thread.
    IncomingLineDispatcher(ParticipantRoster& roster, ChatWindow& window);

    // line is one line as the line reader returns it, CR LF included. False when it was
    // ignored for being shorter than 4 bytes, true otherwise.
    //
    // In text for the chat log a NUL byte becomes "?", so that nothing after it is lost and the
    // window never receives a NUL.
    bool Dispatch(std::string_view line);

    // text: the name, a TAB, the id in decimal. Without a TAB there is no participant and the
    // text is dropped: a made-up id could match a real participant and a later departure
    // would then remove the wrong row. The name ends at a CR, LF or NUL and is cut to what a
    // record holds, as the relay cuts the names it announces.
    void AddParticipant(std::string_view text);

    // text: the id in decimal. Removes the oldest record with that id and its row; an id that
    // no record carries changes nothing.
    void RemoveParticipant(std::string_view text);

private:
    ParticipantRoster& roster;
    ChatWindow& window;
};

}  // namespace vesk

#pragma once

// What each line received from the relay does: text for the chat log, or a participant
// added to or removed from the roster and the participant list, row for row. VeskChat's
// window and the relay's browser seats show the party through it alike.

#include <string>
#include <string_view>

#include "protocol/participant_roster.h"

namespace vesk {

// A party has a few dozen players; a list longer than this is a peer filling it on purpose.
inline constexpr int kMaxParticipantRows = 1000;

// Text from a peer as the log or the list shows it, byte for byte otherwise: a lone CR or LF
// becomes a space, so that nobody can start a line that seems to come from someone else, and
// the other control characters (NUL, ESC, BEL, BS, DEL, ...) become "?", as undecodable bytes
// do. A TAB stays. No code page 932 character has one of these bytes inside it.
std::string ShownText(std::string_view text);

// What the chat log shows for a line that is neither a participant line nor too short (CR LF
// included): a talk line's text, any other line whole, as ShownText with a line end.
std::string LogTextOf(std::string_view line);

// Where the dispatcher shows what it received. Texts are code page 932.
class PartyView {
public:
    virtual ~PartyView() = default;

    // Inserts text (ending in CR LF) at the end of the chat log: the caret moves to the end,
    // any selection in the log is dropped, and the log scrolls down one line.
    virtual void AppendChatLog(std::string_view text) = 0;

    // The participant list shows the roster row for row: a new row goes to the end.
    virtual void AddParticipantRow(std::string_view name) = 0;
    virtual void DeleteParticipantRow(int index) = 0;
};

class IncomingLineDispatcher {
public:
    // Both must outlive the dispatcher. Everything runs on the main thread.
    IncomingLineDispatcher(ParticipantRoster& roster, PartyView& window,
                           int maxRows = kMaxParticipantRows);

    // line is one line as the line reader returns it, CR LF included. False when it was
    // ignored for being shorter than 4 bytes, true otherwise.
    //
    // Text for the chat log is ShownText with a line end: one line received is one line shown.
    bool Dispatch(std::string_view line);

    // text: the name, a TAB, the id in decimal. Without a TAB there is no participant and the
    // text is dropped: a made-up id could match a real participant and a later departure
    // would then remove the wrong row. The name ends at a CR, LF or NUL and is cut to what a
    // record holds, as the relay cuts the names it announces. Once the roster holds maxRows
    // records, further participants are ignored and the log says so once per filling.
    void AddParticipant(std::string_view text);

    // text: the id in decimal. Removes the oldest record with that id and its row; an id that
    // no record carries changes nothing.
    void RemoveParticipant(std::string_view text);

private:
    ParticipantRoster& roster;
    PartyView& window;
    const int maxRows;
    bool overflowReported = false;
};

}  // namespace vesk

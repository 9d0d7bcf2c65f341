#pragma once

// Reading a line of the chat log back: who spoke it, whether it is a dice roll, whether it
// names the player, and the arrival time that the window, the session record and the HTML
// export put beside it. Lines are code page 932; talk lines read "name：text".

#include <ctime>
#include <string>
#include <string_view>

namespace vesk {

// The local time of day of an arrival, in seconds from midnight.
int SecondOfDay(std::time_t arrival);

// "HH:MM:SS " for a time of day in seconds.
std::string StampOf(int secondOfDay);

inline std::string ArrivalStamp(std::time_t arrival) { return StampOf(SecondOfDay(arrival)); }

// The name before the line's first full-width colon, or nothing when the line has none (an
// announcement, a blank line). Found on character boundaries only.
std::string_view SpeakerOf(std::string_view line);

// What the speaker said: the text after that colon, or the whole line without one.
std::string_view SpokenText(std::string_view line);

// A line that the roll command of some player sent.
bool IsDiceLine(std::string_view line);

// A roll the relay made ("【ダイス】NAME：..."): no player's line carries the mark.
bool IsRelayDiceLine(std::string_view line);

// Whether someone else's talk line names the player: name occurs, on character boundaries, in
// what was said. The player's own lines never count, nor do announcements such as the
// player's own join, nor an empty name.
bool MentionsPlayer(std::string_view line, std::string_view name);

}  // namespace vesk

#pragma once

// What Enter in a chat input sends, VeskChat's or a browser seat's: one talk line with the
// player's name and the typed text.

#include <cstddef>
#include <string>
#include <string_view>

namespace vesk {

// The input is read with room for 499 bytes and a terminator.
inline constexpr std::size_t kMaxTypedBytes = 499;

// "talk%s：%s\r\n" for the current player name (as the name box shows it) and the typed text
// (code page 932), or nothing to send when nothing was typed. A line break in the typed text,
// which could only come from pasting, becomes a space: it would end the line early and let
// the rest reach every client as a line of its own. The text is cut to kMaxTypedBytes and the
// name to its limit, neither inside a double-byte character.
std::string ChatLineFromInput(std::string_view playerName, std::string_view typed);

}  // namespace vesk

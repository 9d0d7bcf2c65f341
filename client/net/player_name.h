#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vesk {

// The player name box is read with room for 49 bytes and a terminator.
inline constexpr std::size_t kPlayerNameMaxBytes = 49;

// The player name as it goes into the name line, the join announcement and every talk line
// the player sends. It ends before the first TAB, CR, LF or NUL: a TAB would make every client
// read a wrong id from the name's participant line, and a line end would let the name inject
// lines of its own. It is then cut to 49 bytes without splitting a double-byte character.
std::string PlayerNameForLines(std::string_view boxText);

}  // namespace vesk

#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vesk {

// VeskChat reads the player name box with room for 49 bytes and a terminator.
inline constexpr std::size_t kPlayerNameMaxBytes = 49;

// A player name as it may travel in a line: it ends before the first TAB, CR, LF or NUL (a TAB
// would make every client read a wrong id from the name's participant line, and a line end
// would let the name inject lines of its own), and is cut to maxBytes without splitting a
// double-byte character.
std::string PlayerNameForLines(std::string_view text, std::size_t maxBytes = kPlayerNameMaxBytes);

}  // namespace vesk

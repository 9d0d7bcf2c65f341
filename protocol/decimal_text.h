#pragma once

#include <string_view>

namespace vesk {

// Reads a number the way atoi does: leading white space, an optional sign, then decimal
// digits up to the first other byte; 0 when there are none. Values beyond the 32-bit range
// stop at its ends instead of overflowing.
int ReadDecimal(std::string_view text);

// True when text is one or more decimal digits and nothing else: no sign, no blanks.
bool IsDecimalDigits(std::string_view text);

}  // namespace vesk

#pragma once

// What kind of line of the party line protocol a line is: one reading for the relay, the
// client's dispatcher and the browser seat.

#include <string_view>

namespace vesk {

enum class LineKind {
    Talk,   // "talk": one line of the conversation follows
    Padd,   // "padd": a participant present or joined
    Pdel,   // "pdel": a participant left
    Other,  // anything else, shown whole as conversation
};

// By the line's first four bytes, compared exactly (case matters). Its CR LF may be there or
// not: a line too short to hold a prefix besides is Other.
LineKind KindOfLine(std::string_view line);

}  // namespace vesk

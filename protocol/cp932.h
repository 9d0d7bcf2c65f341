#pragma once

// Code page 932 (Shift-JIS with the Windows extensions) is the one text encoding of the
// party: on the wire, in the list files and in saved logs. Everything inside the programs is
// held as code page 932 bytes; conversion to Unicode happens only at the edge of a window or
// a terminal.

#include <cstddef>
#include <string>
#include <string_view>

namespace vesk {

// Characters that code page 932 cannot hold become "?", as the Windows text APIs do.
std::string Cp932FromUtf8(std::string_view utf8);

// Bytes that are no code page 932 character become "?".
std::string Utf8FromCp932(std::string_view cp932);

// The first byte of a double-byte character: 0x81 to 0x9F and 0xE0 to 0xFC.
constexpr bool IsCp932LeadByte(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

// The second byte of a double-byte character: 0x40 to 0xFC but for 0x7F.
constexpr bool IsCp932TrailByte(unsigned char byte) {
    return byte >= 0x40 && byte <= 0xFC && byte != 0x7F;
}

// The first place where part starts on a character boundary of text, or npos: the bytes of a
// double-byte character's second half never start a match.
std::size_t Cp932Find(std::string_view text, std::string_view part);

// The longest prefix of text of at most maxBytes bytes that does not end inside a
// double-byte character.
std::size_t Cp932FitLength(std::string_view text, std::size_t maxBytes);

inline std::string_view Cp932Cut(std::string_view text, std::size_t maxBytes) {
    return text.substr(0, Cp932FitLength(text, maxBytes));
}

// Text as a field of maxBytes holds it, as a control or a record hands it out: up to its first
// NUL, cut so that no double-byte character is split.
inline std::string_view Cp932Field(std::string_view text, std::size_t maxBytes) {
    return Cp932Cut(text.substr(0, text.find('\0')), maxBytes);
}

}  // namespace vesk

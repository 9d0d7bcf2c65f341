#pragma once

// The edge between the programs' code page 932 text and the Unicode of their widgets.

#include <QString>
#include <cstddef>
#include <string>
#include <string_view>

namespace vesk {

QString FromCp932(std::string_view text);

// Characters that code page 932 cannot hold become "?".
std::string ToCp932(const QString& text);

// What a control hands out with a byte limit: at most maxBytes of code page 932, never
// ending inside a double-byte character.
std::string ToCp932(const QString& text, std::size_t maxBytes);

}  // namespace vesk

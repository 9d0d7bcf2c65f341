#pragma once

// The dice list "dice.sai" and the name list "name.nam": code page 932 text in the data
// folder, one entry per line. VeskChat reads them into its combo boxes, the relay into the
// browser seat's lists; neither ever writes them.

#include <cstddef>
#include <istream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dice/data_folder.h"

namespace vesk {

inline constexpr std::size_t kMaxListEntryBytes = 49;

// The entries of a list file, read as text: a CR LF pair is a line end like LF, a lone CR is
// part of the entry, a byte 0x1A ends the file. Empty lines are skipped and nothing is
// trimmed. A line longer than kMaxListEntryBytes becomes several entries, cut before a
// double-byte character that would not fit whole. A last line without a line end counts. A
// read error ends the file as its end does.
std::vector<std::string> ReadListEntries(std::istream& file);

// The entries of the plain file at path, or nothing when it cannot be opened or names no plain
// file (such as a folder: a pipe would hold the reader up, a device could give bytes without
// end).
std::optional<std::vector<std::string>> ReadListFile(std::string_view path);

}  // namespace vesk

#pragma once

// The dice list "dice.sai" and the name list "name.nam": code page 932 text in the data
// folder, one entry per line, read at start-up and again on the user's command. The program
// never writes them.

#include <cstddef>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

#include "client/dice/data_folder.h"
#include "client/dice/window_views.h"

namespace vesk {

inline constexpr std::size_t kMaxListEntryBytes = 49;

// The entries of a list file, read as text: a CR LF pair is a line end like LF, a lone CR is
// part of the entry, a byte 0x1A ends the file. Empty lines are skipped and nothing is
// trimmed. A line longer than kMaxListEntryBytes becomes several entries, cut before a
// double-byte character that would not fit whole. A last line without a line end counts. A
// read error ends the file as its end does.
std::vector<std::string> ReadListEntries(std::istream& file);

// Appends the entries of the file at path to the box and selects its first item. When the file
// cannot be opened, or path names no plain file (such as a folder), the user is told so, the box
// is left as it is, and the result is false.
bool LoadListFile(std::string_view path, ComboBoxView& box, MessageBoxView& messages);

// The default player name, then the entries of the name list; the default name is selected.
// The connect dialog fills its name box the same way.
void FillNameList(std::string_view nameListPath, std::string_view defaultName, ComboBoxView& box,
                  MessageBoxView& messages);

// Start-up: the dice list first, then the name list.
void FillListsAtStartUp(const ListPaths& paths, std::string_view defaultName, ComboBoxView& diceBox,
                        ComboBoxView& nameBox, MessageBoxView& messages);

// Empties the dice box, a typed expression included, and reads the dice list again.
void ReloadDiceList(const ListPaths& paths, ComboBoxView& diceBox, MessageBoxView& messages);

// Empties the name box and fills it again: the default player name first, then the name list.
void ReloadNameList(const ListPaths& paths, std::string_view defaultName, ComboBoxView& nameBox,
                    MessageBoxView& messages);

}  // namespace vesk

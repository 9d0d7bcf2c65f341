#pragma once

// VeskChat's dice and name combo boxes, filled from the list files in the data folder at
// start-up and again on the user's command.

#include <string_view>

#include "client/dice/combo_box_view.h"
#include "client/message_box_view.h"
#include "dice/data_folder.h"

namespace vesk {

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

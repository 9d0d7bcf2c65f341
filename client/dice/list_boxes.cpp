#include "client/dice/list_boxes.h"

#include <optional>
#include <string>
#include <vector>

#include "dice/list_file.h"
#include "protocol/cp932.h"

namespace vesk {

bool LoadListFile(std::string_view path, ComboBoxView& box, MessageBoxView& messages) {
    const std::optional<std::vector<std::string>> entries = ReadListFile(path);
    if (!entries) {
        messages.ShowMessage(PathForMessage(path) + Cp932FromUtf8(" ファイルを開けません"));
        return false;
    }
    for (const std::string& entry : *entries) box.AddItem(entry);
    box.SelectFirst();
    return true;
}

void FillNameList(std::string_view nameListPath, std::string_view defaultName, ComboBoxView& box,
                  MessageBoxView& messages) {
    box.AddItem(defaultName);
    // Without a name list the default name still becomes the current player name; left
    // unselected, the name would be empty and the player would join the party nameless.
    if (!LoadListFile(nameListPath, box, messages)) box.SelectFirst();
}

void FillListsAtStartUp(const ListPaths& paths, std::string_view defaultName, ComboBoxView& diceBox,
                        ComboBoxView& nameBox, MessageBoxView& messages) {
    LoadListFile(paths.diceList, diceBox, messages);
    FillNameList(paths.nameList, defaultName, nameBox, messages);
}

void ReloadDiceList(const ListPaths& paths, ComboBoxView& diceBox, MessageBoxView& messages) {
    diceBox.Clear();
    LoadListFile(paths.diceList, diceBox, messages);
}

void ReloadNameList(const ListPaths& paths, std::string_view defaultName, ComboBoxView& nameBox,
                    MessageBoxView& messages) {
    nameBox.Clear();
    FillNameList(paths.nameList, defaultName, nameBox, messages);
}

}  // namespace vesk

#include "client/dice/list_file.h"

#include <filesystem>
#include <fstream>
#include <system_error>

#include "protocol/cp932.h"

namespace vesk {

namespace {

constexpr int kEndOfFileByte = 0x1A;

// Moves the first piece of a line that is longer than an entry may be into entries. Only the
// bytes before the limit are judged, so this can run as soon as the line passes the limit.
void CutLongLine(std::string& line, std::vector<std::string>& entries) {
    const std::size_t piece = Cp932FitLength(line, kMaxListEntryBytes);
    entries.push_back(line.substr(0, piece));
    line.erase(0, piece);
}

// The result of a read, or the end of the file when the system cannot read on: a file stream
// throws then (a failing disk, a network folder gone), and that ends the file as its end does.
template <typename Read>
int ByteOrEnd(Read read) {
    try {
        return read();
    } catch (const std::ios_base::failure&) {
        return std::char_traits<char>::eof();
    }
}

}  // namespace

std::vector<std::string> ReadListEntries(std::istream& file) {
    std::vector<std::string> entries;
    std::streambuf* bytes = file.rdbuf();
    if (bytes == nullptr) return entries;
    std::string line;
    for (;;) {
        const int byte = ByteOrEnd([&] { return bytes->sbumpc(); });
        if (byte == std::char_traits<char>::eof() || byte == kEndOfFileByte) break;
        // The CR of a CR LF pair goes; the LF that follows ends the line.
        if (byte == '\r' && ByteOrEnd([&] { return bytes->sgetc(); }) == '\n') continue;
        if (byte == '\n') {
            if (!line.empty()) entries.push_back(line);
            line.clear();
            continue;
        }
        line.push_back(static_cast<char>(byte));
        if (line.size() > kMaxListEntryBytes) CutLongLine(line, entries);
    }
    if (!line.empty()) entries.push_back(line);
    return entries;
}

bool LoadListFile(std::string_view path, ComboBoxView& box, MessageBoxView& messages) {
    const std::filesystem::path native = PathFromText(path);
    // Only a plain file is a list: a folder, a pipe or a device of that name cannot be opened
    // as one (a pipe would hold the window up, a device could give bytes without end).
    std::error_code error;
    std::ifstream file;
    if (std::filesystem::is_regular_file(native, error)) file.open(native, std::ios::binary);
    if (!file.is_open()) {
        messages.ShowMessage(PathForMessage(path) + Cp932FromUtf8(" ファイルを開けません"));
        return false;
    }
    for (const std::string& entry : ReadListEntries(file)) box.AddItem(entry);
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
    diceBox.ResetContent();
    LoadListFile(paths.diceList, diceBox, messages);
}

void ReloadNameList(const ListPaths& paths, std::string_view defaultName, ComboBoxView& nameBox,
                    MessageBoxView& messages) {
    nameBox.ResetContent();
    FillNameList(paths.nameList, defaultName, nameBox, messages);
}

}  // namespace vesk

#include "web/seat_lists.h"

#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "dice/list_file.h"
#include "protocol/cp932.h"

namespace vesk::web {

namespace {

std::vector<std::string> ListFor(const std::string& path, std::string_view sample) {
    std::optional<std::vector<std::string>> entries = ReadListFile(path);
    if (!entries) {
        std::istringstream built{std::string(sample)};
        entries = ReadListEntries(built);
    }
    std::vector<std::string> shown;
    shown.reserve(entries->size());
    for (const std::string& entry : *entries) shown.push_back(Utf8FromCp932(entry));
    return shown;
}

}  // namespace

SeatLists LoadSeatLists(const ListPaths& paths) {
    return {ListFor(paths.diceList, SampleDiceList()), ListFor(paths.nameList, SampleNameList())};
}

}  // namespace vesk::web

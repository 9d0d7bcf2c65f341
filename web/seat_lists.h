#pragma once

// The dice and name lists a browser seat offers: the relay's own "dice.sai" and "name.nam" in
// its data folder, read whenever a seat opens so that an edited file counts at once, or the
// sample lists built into the relay when the folder has none.

#include <string_view>

#include "dice/data_folder.h"
#include "web/seat_bridge.h"

namespace vesk::web {

SeatLists LoadSeatLists(const ListPaths& paths);

// The page's files and the sample lists, built into the program (page_files.cpp is written
// at build time from web/page/ and data/).
std::string_view IndexHtml();
std::string_view StyleCss();
std::string_view AppJs();
std::string_view Manifest();
std::string_view Icon192();
std::string_view Icon512();
std::string_view SampleDiceList();
std::string_view SampleNameList();

}  // namespace vesk::web

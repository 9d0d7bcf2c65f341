#pragma once

// The chat log as one self-contained HTML page (UTF-8, no outside resources) that any browser
// opens and prints: each speaker in a steady colour of their own, dice rolls marked (the
// relay's rolls apart from those a player's own program sent), arrival times in a column of
// their own.

#include <string>
#include <string_view>
#include <vector>

namespace vesk {

struct LoggedLine {
    std::string text;      // code page 932, without line end
    int secondOfDay = -1;  // local arrival time, or -1 when unknown

    bool operator==(const LoggedLine&) const = default;
};

// The colour of a speaker's name, the same for the same name in every export: "#rrggbb",
// dark enough to read on white paper.
std::string SpeakerColour(std::string_view name);

// The page; title is UTF-8.
std::string HtmlLog(const std::vector<LoggedLine>& lines, std::string_view title);

}  // namespace vesk

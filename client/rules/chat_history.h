#pragma once

// The chat log's lines as the window that shows them keeps them beside its control: each line
// with its arrival time, within LogLimits, so that the saved log and the HTML page come from
// the lines as they arrived, byte for byte, whatever the control made of them.

#include <cstddef>
#include <ctime>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "client/rules/html_log.h"
#include "client/rules/log_bound.h"

namespace vesk {

class ChatHistory {
public:
    explicit ChatHistory(LogLimits limits = {}) : bound(limits) {}

    struct Added {
        std::vector<std::string_view> lines;  // the new lines, views into the text added
        std::size_t dropped = 0;              // how many of the oldest lines went first
    };

    // Adds text (lines ending in CR LF; a last line without one counts as a whole line) that
    // arrived at arrival.
    Added Append(std::string_view text, std::time_t arrival);

    void Clear();

    // CR LF after every line, no arrival times: the saved log.
    std::string FileText() const;

    std::vector<LoggedLine> Lines() const { return {lines.begin(), lines.end()}; }

private:
    LogBound bound;
    std::deque<LoggedLine> lines;  // oldest first
};

}  // namespace vesk

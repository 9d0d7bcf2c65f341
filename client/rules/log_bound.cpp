#include "client/rules/log_bound.h"

namespace vesk {

std::size_t LogBound::Added(std::size_t lineBytes) {
    sizes.push_back(lineBytes);
    bytes += lineBytes;
    if (sizes.size() <= limits.maxLines && bytes <= limits.maxBytes) return 0;
    // Once over a limit, the oldest lines go until the log is a twentieth below it: the window
    // then trims once in a thousand lines or so rather than at every line.
    const std::size_t lowLines = limits.maxLines - limits.maxLines / 20;
    const std::size_t lowBytes = limits.maxBytes - limits.maxBytes / 20;
    std::size_t dropped = 0;
    while (sizes.size() > 1 && (sizes.size() > lowLines || bytes > lowBytes)) {
        bytes -= sizes.front();
        sizes.pop_front();
        ++dropped;
    }
    return dropped;
}

void LogBound::Cleared() {
    sizes.clear();
    bytes = 0;
}

}  // namespace vesk

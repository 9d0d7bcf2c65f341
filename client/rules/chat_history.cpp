#include "client/rules/chat_history.h"

#include "client/rules/log_line.h"

namespace vesk {

ChatHistory::Added ChatHistory::Append(std::string_view text, std::time_t arrival) {
    Added added;
    const int second = SecondOfDay(arrival);
    while (!text.empty()) {
        const std::size_t lineEnd = text.find("\r\n");
        const std::string_view line = text.substr(0, lineEnd);
        text.remove_prefix(lineEnd == std::string_view::npos ? text.size() : lineEnd + 2);
        lines.push_back({std::string(line), second});
        added.lines.push_back(line);
        added.dropped += bound.Added(line.size() + 2);
    }
    // Lines added and dropped by the same call never reach the window.
    const std::size_t droppedNew = added.dropped > lines.size() - added.lines.size()
                                       ? added.dropped - (lines.size() - added.lines.size())
                                       : 0;
    lines.erase(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(added.dropped));
    added.lines.erase(added.lines.begin(),
                      added.lines.begin() + static_cast<std::ptrdiff_t>(droppedNew));
    added.dropped -= droppedNew;
    return added;
}

void ChatHistory::Clear() {
    lines.clear();
    bound.Cleared();
}

std::string ChatHistory::FileText() const {
    std::string text;
    for (const LoggedLine& line : lines) text.append(line.text).append("\r\n");
    return text;
}

}  // namespace vesk

#include "client/net/replay_overlap.h"

#include <string_view>
#include <unordered_set>

#include "protocol/line_dispatcher.h"
#include "protocol/wire_messages.h"

namespace vesk {

namespace {

// The marker lines as the dispatcher shows them.
const std::string& StartText() {
    static const std::string text = LogTextOf(wire::HistoryStartLine());
    return text;
}

const std::string& EndText() {
    static const std::string text = LogTextOf(wire::HistoryEndLine());
    return text;
}

}  // namespace

void ReplayOverlap::Started() {
    if (state == State::InReplay) ShowHeld();
    state = State::BeforeFirstLine;
}

void ReplayOverlap::AppendChatLog(std::string_view text) {
    if (state == State::InReplay) {
        if (text == EndText()) {
            ShowReplay();
        } else if (replay.size() >= kReplayLines) {
            ShowHeld();
            Show(text);
        } else {
            replay.emplace_back(text);
        }
        return;
    }
    if (state == State::BeforeFirstLine && text == StartText()) {
        state = State::InReplay;
        replay.clear();
        return;
    }
    state = State::Live;
    Show(text);
}

// A participant line inside a replay means none is under way: a relay sends the roster first.
void ReplayOverlap::AddParticipantRow(std::string_view name) {
    if (state == State::InReplay) ShowHeld();
    window.AddParticipantRow(name);
}

void ReplayOverlap::DeleteParticipantRow(int index) {
    if (state == State::InReplay) ShowHeld();
    window.DeleteParticipantRow(index);
}

void ReplayOverlap::Show(std::string_view text) {
    window.AppendChatLog(text);
    // A relay keeps no blank line among its recent ones.
    if (text == wire::kLineEnd) return;
    recent.emplace_back(text);
    if (recent.size() > kRecentLines) recent.pop_front();
}

void ReplayOverlap::ShowReplay() {
    state = State::Live;
    // Of the lines shown, those a relay keeps: lines to this player alone (its secret rolls,
    // say) are in no replay.
    const std::unordered_set<std::string_view> kept(replay.begin(), replay.end());
    std::vector<std::string_view> shown;
    for (const std::string& text : recent) {
        if (kept.contains(text)) shown.push_back(text);
    }
    // The last of them is found in the replay; where it is there more than once, at the place
    // where the most lines before it agree with those shown before it, the latest of those.
    std::size_t from = 0;
    std::size_t agreeing = 0;
    for (std::size_t end = replay.size(); end > 0 && !shown.empty(); --end) {
        std::size_t count = 0;
        while (count < end && count < shown.size() &&
               replay[end - 1 - count] == shown[shown.size() - 1 - count]) {
            ++count;
        }
        if (count > agreeing) {
            agreeing = count;
            from = end;
        }
    }
    if (from < replay.size()) {
        window.AppendChatLog(StartText());
        for (std::size_t i = from; i < replay.size(); ++i) Show(replay[i]);
        window.AppendChatLog(EndText());
    }
    replay.clear();
}

void ReplayOverlap::ShowHeld() {
    state = State::Live;
    Show(StartText());
    for (const std::string& text : replay) Show(text);
    replay.clear();
}

}  // namespace vesk

#pragma once

// A relay may send a newcomer the party's recent lines after its roster lines, between its
// "【これまでの会話】" and "【ここまで】" lines. VeskChat rejoining a party it was in already
// shows of them only what came after the last line it shows, so that nothing appears twice.
//
// It stands between the dispatcher and the window: everything else passes as it came.

#include <cstddef>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/line_dispatcher.h"

namespace vesk {

class ReplayOverlap : public PartyView {
public:
    // Lines of the relay remembered to match a replay against, and lines a replay may hold:
    // more than any relay keeps.
    static constexpr std::size_t kRecentLines = 400;
    static constexpr std::size_t kReplayLines = 2000;

    // window must outlive this.
    explicit ReplayOverlap(PartyView& window) : window(window) {}

    // A new connection: a replay may come before its first chat line, and only then.
    void Started();

    void AppendChatLog(std::string_view text) override;
    void AddParticipantRow(std::string_view name) override;
    void DeleteParticipantRow(int index) override;

private:
    void Show(std::string_view text);
    // The replay is over: what it holds after the last line shown already is shown.
    void ShowReplay();
    // Not a replay after all (its end never came): everything held is shown as it came.
    void ShowHeld();

    enum class State { Live, BeforeFirstLine, InReplay };

    PartyView& window;
    State state = State::Live;
    std::deque<std::string> recent;  // the relay's texts shown, the newest last
    std::vector<std::string> replay;
};

}  // namespace vesk

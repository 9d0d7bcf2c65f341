#include "client/net/replay_overlap.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "protocol/cp932.h"
#include "protocol/line_dispatcher.h"
#include "protocol/participant_roster.h"

namespace vesk {
namespace {

struct ShownLog : PartyView {
    std::vector<std::string> shown;
    void AppendChatLog(std::string_view text) override {
        shown.emplace_back(text.substr(0, text.size() - 2));
    }
    void AddParticipantRow(std::string_view name) override {
        shown.push_back("+" + std::string(name));
    }
    void DeleteParticipantRow(int index) override { shown.push_back("-" + std::to_string(index)); }
};

std::string Line(const std::string& utf8) {
    if (utf8.starts_with("padd") || utf8.starts_with("pdel")) return utf8 + "\r\n";
    return Cp932FromUtf8("talk" + utf8 + "\r\n");
}

// Connections one after the other, each with its lines as the relay sent them; what the log
// shows of the last one.
struct Case {
    const char* what;
    std::vector<std::vector<std::string>> connections;
    std::vector<std::string> lastShown;
};

TEST(ReplayOverlap, ARejoinShowsOfTheReplayOnlyWhatCameAfterTheLastLineShown) {
    const std::string start = "【これまでの会話】", end = "【ここまで】";
    const Case cases[] = {
        {"a first join shows the whole replay",
         {{"paddGM\t0", start, "GM：ようこそ", "Aya がパーティから抜けました", end, "",
           "GM：始めます"}},
         {"+GM", start, "GM：ようこそ", "Aya がパーティから抜けました", end, "", "GM：始めます"}},
        {"a rejoin shows only the lines it missed",
         {{"GM：一", "", "GM：二"}, {"paddGM\t0", start, "GM：一", "GM：二", "GM：三", end}},
         {"+GM", start, "GM：三", end}},
        {"nothing missed, nothing shown",
         {{"GM：一", "GM：二"}, {start, "GM：一", "GM：二", end, "GM：四"}},
         {"GM：四"}},
        {"a line said twice is matched where the lines before it agree",
         {{"GM：はい", "Aya：次", "GM：はい"},
          {start, "GM：はい", "Aya：次", "GM：はい", "Aya：了解", "GM：はい", end}},
         {start, "Aya：了解", "GM：はい", end}},
        {"a line to this player alone, in no replay, does not hide the rest",
         {{"GM：一", "【ダイス】Ben：（シークレット）(1D6) ＞ 3"},
          {start, "GM：一", "GM：二", end}},
         {start, "GM：二", end}},
        {"nothing in common (the relay restarted): all of it is shown",
         {{"GM：一"}, {start, "新：A", end}},
         {start, "新：A", end}},
        {"the mark after the first chat line is only talk",
         {{"GM：一", start, "GM：二", end}},
         {"GM：一", start, "GM：二", end}},
        {"a replay whose end never comes is shown as it came at the next participant line",
         {{start, "Mal：一", "paddAya\t1"}},
         {start, "Mal：一", "+Aya"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ShownLog log;
        ReplayOverlap replay(log);
        ParticipantRoster roster;
        IncomingLineDispatcher dispatcher(roster, replay);
        for (const std::vector<std::string>& connection : c.connections) {
            log.shown.clear();
            roster.Clear();
            replay.Started();
            for (const std::string& line : connection) dispatcher.Dispatch(Line(line));
        }
        std::vector<std::string> expected;
        for (const std::string& text : c.lastShown) {
            expected.push_back(text.starts_with("+") ? text : Cp932FromUtf8(text));
        }
        EXPECT_EQ(log.shown, expected);
    }
}

}  // namespace
}  // namespace vesk

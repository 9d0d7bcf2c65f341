#include "protocol/line_dispatcher.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/client/net/fake_chat_window.h"
#include "tests/support/test_peer.h"

namespace vesk {
namespace {

using namespace std::string_literals;
using test::FakeChatWindow;
using test::Sjis;

struct DispatchCase {
    std::string title;
    std::vector<std::string> lines;   // received in this order
    std::vector<std::string> events;  // what the window saw, in order
    std::vector<Participant> roster;
};

std::ostream& operator<<(std::ostream& out, const DispatchCase& c) { return out << c.title; }

std::vector<DispatchCase> Cases() {
    const std::string departure = Sjis(" がパーティから抜けました");
    const std::string hello = Sjis("こんにちは");
    const std::string exact51 = std::string(49, 'm') + Sjis("表");
    return {
        {"BlankTalkIsAnEmptyLine", {"talk\r\n"}, {"log:\r\n"}, {}},
        {"TalkTextLosesItsPrefix", {"talk" + hello + "\r\n"}, {"log:" + hello + "\r\n"}, {}},
        {"FourBytesWithoutPrefixAreShownWhole", {"ab\r\n"}, {"log:ab\r\n"}, {}},
        {"ThreeBytesOrFewerShowNothing", {"a\r\n", "\r\n", "\n", ""}, {}, {}},
        {"PrefixesAreCaseSensitive",
         {"TALKhi\r\n", "Padd\t1\r\n"},
         {"log:TALKhi\r\n", "log:Padd\t1\r\n"},
         {}},
        {"DepartureOfANameStartingWithTalkLosesIt",
         {"talker" + departure + "\r\n"},
         {"log:er" + departure + "\r\n"},
         {}},
        {"DepartureOfANameStartingWithPdelRemovesIdZero",
         {"paddAya\t0\r\n", "paddBen\t1\r\n", "pdelia" + departure + "\r\n"},
         {"add:Aya", "add:Ben", "del:0"},
         {{"Ben", 1}}},
        {"PaddWithAnEmptyName", {"padd\t3\r\n"}, {"add:"}, {{"", 3}}},
        {"PaddWithoutDigitsIsIdZero", {"paddAya\tx\r\n"}, {"add:Aya"}, {{"Aya", 0}}},
        {"PaddWithoutTabIsDropped", {"paddAya\r\n", "padd\r\n"}, {}, {}},
        {"SameIdTwiceThenPdelRemovesTheOlder",
         {"paddAya\t5\r\n", "paddBen\t5\r\n", "pdel5\r\n"},
         {"add:Aya", "add:Ben", "del:0"},
         {{"Ben", 5}}},
        {"PdelOfAMiddleParticipant",
         {"paddAya\t0\r\n", "paddBen\t1\r\n", "paddKai\t2\r\n", "pdel1\r\n"},
         {"add:Aya", "add:Ben", "add:Kai", "del:1"},
         {{"Aya", 0}, {"Kai", 2}}},
        {"PdelOfAnUnknownIdChangesNothing",
         {"paddAya\t0\r\n", "pdel7\r\n"},
         {"add:Aya"},
         {{"Aya", 0}}},
        {"PdelWhileEmptyChangesNothing", {"pdel0\r\n", "pdel\r\n"}, {}, {}},
        {"FiftyOneByteNameFitsWhole",
         {"padd" + exact51 + "\t4\r\n"},
         {"add:" + exact51},
         {{exact51, 4}}},
        {"LongerNameIsCutBeforeADoubleByteCharacter",
         {"padd" + std::string(50, 'n') + Sjis("表") + "tail\t4\r\n"},
         {"add:" + std::string(50, 'n')},
         {{std::string(50, 'n'), 4}}},
        {"NulInTalkKeepsWhatFollows", {"talka\0b\r\n"s}, {"log:a?b\r\n"}, {}},
        {"PaddNameEndsAtALineBreakOrNul",
         {"paddMal\rpaddEve\t7\r\n", "paddBen\nX\t8\r\n", "paddA\0B\t2\r\n"s},
         {"add:Mal", "add:Ben", "add:A"},
         {{"Mal", 7}, {"Ben", 8}, {"A", 2}}},
        {"NulInThePrefixMakesPlainText", {"ta\0k hi\r\n"s}, {"log:ta?k hi\r\n"}, {}},
        // One line received is one line shown: nobody can fake a line of someone else.
        {"LoneCrOrLfInTalkIsASpace",
         {"talkMal：hi\rBen：give me\r\n", "talkx\ny\n\r\n"},
         {"log:Mal：hi Ben：give me\r\n", "log:x y \r\n"},
         {}},
        {"ControlCharactersShowAsQuestionMarks",
         {"talk\x1b[2J\x07\x08\x7f\tok" + hello + "\r\n"},
         {"log:?[2J???\tok" + hello + "\r\n"},
         {}},
        {"ControlCharactersInARowShowAsQuestionMarks",
         {"paddA\x1b\x7f\t1\r\n"},
         {"add:A??"},
         {{"A\x1b\x7f", 1}}},
    };
}

class Dispatch : public ::testing::TestWithParam<DispatchCase> {};

TEST_P(Dispatch, WindowAndRosterFollowTheLines) {
    FakeChatWindow window;
    ParticipantRoster roster;
    IncomingLineDispatcher dispatcher(roster, window);
    for (const std::string& line : GetParam().lines) {
        EXPECT_EQ(dispatcher.Dispatch(line), line.size() >= 4) << line;
    }
    EXPECT_EQ(window.events, GetParam().events);
    EXPECT_EQ(roster.Participants(), GetParam().roster);
    // Row i always shows the name of the i-th record.
    std::vector<std::string> names;
    for (const Participant& participant : roster.Participants()) {
        names.push_back(ShownText(participant.name));
    }
    EXPECT_EQ(window.rows, names);
}

TEST(DispatchBound, RowsPastTheBoundAreIgnoredAndReportedOncePerFilling) {
    FakeChatWindow window;
    ParticipantRoster roster;
    IncomingLineDispatcher dispatcher(roster, window, 3);
    for (int id = 0; id < 6; ++id) dispatcher.Dispatch("paddP\t" + std::to_string(id) + "\r\n");
    EXPECT_EQ(window.rows.size(), 3u);
    EXPECT_EQ(roster.Count(), 3);
    ASSERT_EQ(window.chatLog.size(), 1u);
    EXPECT_EQ(window.chatLog[0],
              Sjis("参加者が 3 人を超えたため、これより後の参加者は一覧に載せません\r\n"));
    // A departure makes room; a list emptied and filled again says so again.
    dispatcher.Dispatch("pdel1\r\n");
    dispatcher.Dispatch("paddQ\t9\r\n");
    EXPECT_EQ(window.rows.back(), "Q");
    for (int id : {0, 2, 9}) dispatcher.Dispatch("pdel" + std::to_string(id) + "\r\n");
    for (int id = 0; id < 4; ++id) dispatcher.Dispatch("paddR\t" + std::to_string(id) + "\r\n");
    EXPECT_EQ(window.chatLog.size(), 2u);
    EXPECT_EQ(roster.Count(), 3);
}

INSTANTIATE_TEST_SUITE_P(Lines, Dispatch, ::testing::ValuesIn(Cases()),
                         [](const auto& info) { return info.param.title; });

}  // namespace
}  // namespace vesk

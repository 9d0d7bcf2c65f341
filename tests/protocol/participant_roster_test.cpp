#include "protocol/participant_roster.h"

#include <gtest/gtest.h>

#include "protocol/cp932.h"

namespace vesk {
namespace {

using Roster = std::vector<Participant>;

TEST(ParticipantRoster, KeepsJoinOrderAndRemovesByPosition) {
    ParticipantRoster roster;
    EXPECT_EQ(roster.Count(), 0);
    EXPECT_EQ(roster.RemoveById(0), -1);  // nothing to remove in an empty roster
    roster.Append("Aya", 0);
    roster.Append("Ben", 1);
    roster.Append("Kai", 2);
    EXPECT_EQ(roster.Participants(), (Roster{{"Aya", 0}, {"Ben", 1}, {"Kai", 2}}));

    EXPECT_EQ(roster.RemoveById(1), 1);
    EXPECT_EQ(roster.Participants(), (Roster{{"Aya", 0}, {"Kai", 2}}));
    EXPECT_EQ(roster.RemoveById(9), -1);
    EXPECT_EQ(roster.Count(), 2);

    roster.Append("Ben", 1);  // a reused id joins as the newest
    EXPECT_EQ(roster.Participants(), (Roster{{"Aya", 0}, {"Kai", 2}, {"Ben", 1}}));
    roster.Clear();
    EXPECT_EQ(roster.Count(), 0);
    EXPECT_TRUE(roster.Participants().empty());
    roster.Append("Eve", 4);
    EXPECT_EQ(roster.Participants(), (Roster{{"Eve", 4}}));
}

TEST(ParticipantRoster, SameIdTwiceRemovesTheOlderFirst) {
    ParticipantRoster roster;
    roster.Append("first", 3);
    roster.Append("other", 4);
    roster.Append("second", 3);
    EXPECT_EQ(roster.Find(3)->name, "first");
    EXPECT_EQ(roster.RemoveById(3), 0);  // the first's position
    EXPECT_EQ(roster.Participants(), (Roster{{"other", 4}, {"second", 3}}));
    EXPECT_EQ(roster.RemoveById(3), 1);
    EXPECT_EQ(roster.Find(3), nullptr);
}

TEST(ParticipantRoster, NamesAreCutToTheFieldAtACharacterBoundary) {
    ParticipantRoster roster;
    const std::string exact(51, 'x');
    roster.Append(exact, 0);
    roster.Append(exact + "yz", 1);
    // 25 double-byte characters and one more: 52 bytes; the cut drops the whole last one.
    std::string kanji;
    for (int i = 0; i < 26; ++i) kanji += Cp932FromUtf8("表");
    roster.Append("a" + kanji, 2);
    roster.Append("", 3);
    const Roster participants = roster.Participants();
    EXPECT_EQ(participants[0].name, exact);
    EXPECT_EQ(participants[1].name, exact);
    EXPECT_EQ(participants[2].name, "a" + kanji.substr(0, 50));
    EXPECT_EQ(participants[3].name, "");
}

TEST(ParticipantText, IsNameTabId) {
    EXPECT_EQ(ParseParticipantText("Aya\t2"), (Participant{"Aya", 2}));
    EXPECT_EQ(ParseParticipantText("\t3"), (Participant{"", 3}));
    EXPECT_EQ(ParseParticipantText("Aya\tx"), (Participant{"Aya", 0}));
    EXPECT_EQ(ParseParticipantText("A\tb\t5"), (Participant{"A", 0}));
    EXPECT_EQ(ParseParticipantText("Aya 2"), std::nullopt);
}

}  // namespace
}  // namespace vesk

#include "web/seat_bridge.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "protocol/cp932.h"
#include "tests/support/test_peer.h"

namespace vesk::web {
namespace {

using test::Sjis;

std::string Joined(SeatBridge& seat, std::string_view name) {
    return seat.FromBrowser("join\n" + std::string(name)).toRelay;
}

struct PageCase {
    std::string title;
    std::string message;  // UTF-8, as the page sends it
    std::string toRelay;  // code page 932
    std::vector<std::string> toBrowser;
};

std::ostream& operator<<(std::ostream& out, const PageCase& c) { return out << c.title; }

class FromThePage : public ::testing::TestWithParam<PageCase> {};

TEST_P(FromThePage, BecomesTheLinesVeskChatWouldSend) {
    SeatBridge seat(1);
    Joined(seat, "Aya");
    const SeatBridge::Reply reply = seat.FromBrowser(GetParam().message);
    EXPECT_EQ(reply.toRelay, GetParam().toRelay);
    EXPECT_EQ(reply.toBrowser, GetParam().toBrowser);
    EXPECT_FALSE(reply.joining);
}

const std::string k498 =
    std::string(498, 'a');  // a double-byte character after it would be byte 500

INSTANTIATE_TEST_SUITE_P(
    Cases, FromThePage,
    ::testing::Values(
        PageCase{"Japanese", "say\nAya\nこんにちは", Sjis("talkAya：こんにちは\r\n"), {}},
        PageCase{
            "WindowsExtensionsAndWaveDash", "say\nAya\n①～表ｱ", Sjis("talkAya：①～表ｱ\r\n"), {}},
        PageCase{"WhatCodePage932LacksBecomesAQuestionMark",
                 "say\nAya\n한🎲x",
                 Sjis("talkAya：??x\r\n"),
                 {}},
        PageCase{"LineBreaksBecomeSpaces",
                 "say\nAya\none\r\ntwo\nthree",
                 Sjis("talkAya：one two three\r\n"),
                 {}},
        PageCase{"CutAt499BytesNotInsideACharacter",
                 "say\nAya\n" + k498 + "表表",
                 "talkAya" + Sjis("：") + k498 + "\r\n",
                 {}},
        PageCase{"SpeakerUnderTheNameRule", "say\nA\tB\nhi", Sjis("talkA：hi\r\n"), {}},
        PageCase{"NothingTypedSendsNothing", "say\nAya\n", "", {}},
        PageCase{"EmptyDiceExpression",
                 "roll\nAya\n",
                 "",
                 {R"({"notice":"ダイス式を選択(入力)して下さい"})"}},
        PageCase{"DiceWithoutFaces",
                 "roll\nAya\n2D",
                 "",
                 {R"({"notice":"ダイスの面数がありません(または 0 です)。\u000a2D[6] )"
                  R"(のように、D の後に半角の括弧で囲んだ面数を書いて下さい"})"}},
        PageCase{"SecondJoin", "join\nBen", "", {R"({"notice":"すでにパーティに参加しています"})"}},
        PageCase{
            "UnknownKind", "shout\nAya\nhi", "", {R"({"notice":"この操作は受け付けられません"})"}}),
    [](const auto& info) { return info.param.title; });

TEST(SeatBridge, JoinsAsVeskChatDoesUnderThePlayerNameRule) {
    struct Case {
        std::string typed;
        std::string name;  // code page 932 as the lines carry it; empty: refused
    };
    const std::string long49 = std::string(48, 'n');
    for (const Case& c : std::vector<Case>{{"花子①", Sjis("花子①")},
                                           {"Aya\tBen", "Aya"},
                                           {"Aya\r\nBen", "Aya"},
                                           {long49 + "表", long49},  // 50 bytes: the 表 goes
                                           {"", ""},
                                           {"\tAya", ""}}) {
        SCOPED_TRACE(c.typed);
        SeatBridge seat(1);
        const SeatBridge::Reply reply = seat.FromBrowser("join\n" + c.typed);
        EXPECT_EQ(reply.joining, !c.name.empty());
        EXPECT_EQ(seat.Joined(), !c.name.empty());
        if (c.name.empty()) {
            EXPECT_EQ(reply.toBrowser,
                      std::vector<std::string>{R"({"notice":"名前を入力してください"})"});
            EXPECT_EQ(seat.FromBrowser("say\nAya\nhi").toRelay, "") << "not joined";
            continue;
        }
        EXPECT_EQ(reply.toRelay, c.name + "\r\ntalk\r\ntalk" + c.name +
                                     Sjis(" がパーティに参加しました\r\n") + "talk\r\n");
    }
}

TEST(SeatBridge, RollsOnTheRelaySideAndTheLineAddsUp) {
    SeatBridge seat(12345);
    Joined(seat, "Aya");
    const std::string line = seat.FromBrowser("roll\nAya\n3D[6]+1D[4]-2").toRelay;
    const std::string head = Sjis("talkAya：ころりんこ。。。3D[6]+1D[4]-2 = ");
    ASSERT_TRUE(line.starts_with(head) && line.ends_with("\r\n")) << Utf8FromCp932(line);
    // "a+b+c+d = total": three dice of six faces and one of four.
    std::istringstream rest(line.substr(head.size()));
    int values[4] = {};
    char plus = 0;
    std::string equals;
    int total = 0;
    rest >> values[0] >> plus >> values[1] >> plus >> values[2] >> plus >> values[3] >> equals >>
        total;
    ASSERT_FALSE(rest.fail()) << Utf8FromCp932(line);
    EXPECT_EQ(equals, "=");
    int sum = 0;
    for (int i = 0; i < 4; ++i) {
        EXPECT_GE(values[i], 1);
        EXPECT_LE(values[i], i == 3 ? 4 : 6);
        sum += values[i];
    }
    EXPECT_EQ(total, sum - 2);

    // Two seats seeded alike roll alike: the draws come from the seat's own generator.
    SeatBridge twin(12345);
    Joined(twin, "Aya");
    EXPECT_EQ(twin.FromBrowser("roll\nAya\n3D[6]+1D[4]-2").toRelay, line);

    // A command the relay rolls goes as the chat line a player types; the seat casts nothing.
    for (const std::string command : {"2D6+3 回避", "S1D100", "公開 #2", "ｃｃｂ＜＝５０"}) {
        EXPECT_EQ(seat.FromBrowser("roll\nAya\n" + command).toRelay,
                  Sjis("talkAya：" + command + "\r\n"));
    }
}

TEST(SeatBridge, ShowsWhatTheRelaySendsWithVeskChatsTexts) {
    struct Case {
        std::string line;  // code page 932 from the relay
        std::vector<std::string> shown;
    };
    SeatBridge seat(1);
    for (const Case& c : std::vector<Case>{
             {"paddAya\t0\r\n", {R"({"add":"Aya"})"}},
             {Sjis("padd花子\t1\r\n"), {R"({"add":"花子"})"}},
             {"paddKai\t2\r\n", {R"({"add":"Kai"})"}},
             {"pdel1\r\n", {R"({"del":1})"}},
             {"pdel7\r\n", {}},
             {"talk\r\n", {R"({"log":""})"}},
             {Sjis("talkAya：\"q\" \\ ①\r\n"), {R"({"log":"Aya：\"q\" \\ ①"})"}},
             {"talkA\tB\x01\r\n", {R"({"log":"A\u0009B?"})"}},
             {Sjis("Kai がパーティから抜けました\r\n"),
              {R"({"log":"Kai がパーティから抜けました"})"}},
             {"talk\x81\r\n", {R"({"log":"?"})"}},
             {"ab\r\n", {R"({"log":"ab"})"}},
             {"a\r\n", {}},
             // The relay's own line comes with its bytes, for the page to check a seal over.
             {Sjis("talk【ダイス】A：1\r\n"),
              {R"({"log":"【ダイス】A：1","relay":"8179835f83438358817a41814631"})"}},
         }) {
        SCOPED_TRACE(Utf8FromCp932(c.line));
        EXPECT_EQ(seat.FromRelay(c.line), c.shown);
    }
}

TEST(SeatBridge, IsSeatedOnceTheRelayAnnouncesItsName) {
    SeatBridge seat(1);
    seat.FromRelay("paddAya\t0\r\n");
    EXPECT_FALSE(seat.Seated()) << "not joined yet";
    Joined(seat, "Aya");
    seat.FromRelay("paddAyame\t1\r\n");
    EXPECT_FALSE(seat.Seated()) << "another name";
    seat.FromRelay("paddAya\t2\r\n");
    EXPECT_TRUE(seat.Seated());
}

TEST(SeatBridge, ListsGoToThePageAsJson) {
    EXPECT_EQ(ListsMessage({{"2D[6]", "1D[100] 技能"}, {"アリス", "a\"b"}}),
              R"({"lists":{"dice":["2D[6]","1D[100] 技能"],"names":["アリス","a\"b"]}})");
    EXPECT_EQ(ListsMessage({}), R"({"lists":{"dice":[],"names":[]}})");
}

}  // namespace
}  // namespace vesk::web

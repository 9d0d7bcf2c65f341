#pragma once

// The lines of the party line protocol, byte for byte in code page 932. Every argument is
// code page 932 text as well.

#include <string>
#include <string_view>

namespace vesk::wire {

inline constexpr std::string_view kLineEnd = "\r\n";
inline constexpr std::string_view kTalkPrefix = "talk";
inline constexpr std::string_view kPaddPrefix = "padd";
inline constexpr std::string_view kPdelPrefix = "pdel";
inline constexpr std::string_view kBlankTalk = "talk\r\n";

// Client lines.
std::string NameLine(std::string_view name);          // "%s\r\n"
std::string JoinAnnouncement(std::string_view name);  // "talk%s がパーティに参加しました\r\n"
std::string ChatLine(std::string_view name, std::string_view text);  // "talk%s：%s\r\n"
// "talk%s：ころりんこ。。。%s = %s = %d\r\n"
std::string DiceLine(std::string_view name, std::string_view expression,
                     std::string_view rollDetails, int total);

// Server lines.
std::string PaddLine(std::string_view name, int id);  // "padd%s\t%d\r\n"
std::string PdelLine(int id);                         // "pdel%d\r\n"
std::string DepartureLine(std::string_view name);  // "%s がパーティから抜けました\r\n"

// The relay's dice lines: "talk【ダイス】%s：%s\r\n", name and text. The mark tells them from
// what players type; the relay lets no player's line carry it.
std::string_view DiceMark();  // "【ダイス】"
std::string RelayDiceLine(std::string_view name, std::string_view text);
// Around the recent conversation that a relay may send a newcomer after its roster lines.
std::string_view HistoryStartLine();  // "talk【これまでの会話】\r\n"
std::string_view HistoryEndLine();    // "talk【ここまで】\r\n"
// The full-width colon between a name and its text.
std::string_view NameSeparator();  // "："

}  // namespace vesk::wire

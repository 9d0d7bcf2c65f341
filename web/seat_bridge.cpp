#include "web/seat_bridge.h"

#include <cstdio>

#include "dice/dice_command.h"
#include "dice/dice_line.h"
#include "dice/dice_seal.h"
#include "protocol/chat_line.h"
#include "protocol/cp932.h"
#include "protocol/line_dispatcher.h"
#include "protocol/line_kind.h"
#include "protocol/player_name.h"
#include "protocol/wire_messages.h"

namespace vesk::web {

namespace {

// The fields of a page message: up to count fields, the last one taking the rest, line feeds
// included (a pasted text may hold them; the chat line rule turns them into spaces).
std::vector<std::string_view> Fields(std::string_view message, std::size_t count) {
    std::vector<std::string_view> fields;
    while (fields.size() + 1 < count) {
        const std::size_t end = message.find('\n');
        if (end == std::string_view::npos) break;
        fields.push_back(message.substr(0, end));
        message.remove_prefix(end + 1);
    }
    fields.push_back(message);
    return fields;
}

// A name from the page under the one player name rule, in code page 932.
std::string NameFromPage(std::string_view utf8) { return PlayerNameForLines(Cp932FromUtf8(utf8)); }

std::string WithoutLineEnd(std::string_view cp932) {
    if (cp932.ends_with(wire::kLineEnd)) cp932.remove_suffix(wire::kLineEnd.size());
    return Utf8FromCp932(cp932);
}

// The fields of a log message for a line shown: its text and, for the relay's own line, its
// bytes as they came, so that the page can check a seal over exactly what was sealed.
std::string LogFields(std::string_view text) {
    std::string fields = R"("log":)" + JsonString(WithoutLineEnd(text));
    if (!text.starts_with(wire::DiceMark())) return fields;
    std::string_view line = text;
    if (line.ends_with(wire::kLineEnd)) line.remove_suffix(wire::kLineEnd.size());
    return fields + R"(,"relay":")" + HexOf(line) + "\"";
}

}  // namespace

std::string JsonString(std::string_view utf8) {
    std::string out = "\"";
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20 || byte == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string ListsMessage(const SeatLists& lists) {
    const auto array = [](const std::vector<std::string>& entries) {
        std::string out = "[";
        for (const std::string& entry : entries) {
            if (out.size() > 1) out += ',';
            out += JsonString(entry);
        }
        return out + "]";
    };
    return R"({"lists":{"dice":)" + array(lists.dice) + R"(,"names":)" + array(lists.names) + "}}";
}

std::string NoticeMessage(std::string_view utf8) {
    return R"({"notice":)" + JsonString(utf8) + "}";
}

SeatBridge::SeatBridge(std::uint32_t seed) : dispatcher(roster, *this) { generator.Seed(seed); }

SeatBridge::Reply SeatBridge::FromBrowser(std::string_view message) {
    const std::vector<std::string_view> head = Fields(message, 2);
    const std::string_view kind = head.front();
    if (kind == "join" && head.size() == 2) return Join(head[1]);
    if (!joined) return {{}, {NoticeMessage("まだパーティに参加していません")}, false};
    const std::vector<std::string_view> fields = Fields(message, 3);
    if (fields.size() == 3 && kind == "say") return Say(fields[1], fields[2]);
    if (fields.size() == 3 && kind == "roll") return Roll(fields[1], fields[2]);
    return {{}, {NoticeMessage("この操作は受け付けられません")}, false};
}

SeatBridge::Reply SeatBridge::Join(std::string_view name) {
    if (joined) return {{}, {NoticeMessage("すでにパーティに参加しています")}, false};
    const std::string player = NameFromPage(name);
    if (player.empty()) return {{}, {NoticeMessage("名前を入力してください")}, false};
    joined = true;
    playerName = player;
    // As VeskChat's join thread: the name line, then a blank, the announcement and a blank.
    Reply reply;
    reply.toRelay = wire::NameLine(player) + std::string(wire::kBlankTalk) +
                    wire::JoinAnnouncement(player) + std::string(wire::kBlankTalk);
    reply.joining = true;
    return reply;
}

SeatBridge::Reply SeatBridge::Say(std::string_view speaker, std::string_view text) {
    return {ChatLineFromInput(NameFromPage(speaker), Cp932FromUtf8(text)), {}, false};
}

SeatBridge::Reply SeatBridge::Roll(std::string_view speaker, std::string_view expression) {
    // A command the relay rolls goes as the chat line a player would type; an expression of
    // the roll box's own form is rolled here, as VeskChat rolls it.
    if (IsDiceCommand(expression)) return Say(speaker, expression);
    const std::string cp932(Cp932Field(Cp932FromUtf8(expression), kMaxExpressionBytes));
    if (cp932.empty()) return {{}, {NoticeMessage("ダイス式を選択(入力)して下さい")}, false};
    const DiceLineRoll roll = RollDiceLine(NameFromPage(speaker), cp932, generator);
    if (roll.problem != DiceProblem::None) {
        return {{}, {NoticeMessage(Utf8FromCp932(DiceProblemMessage(roll.problem)))}, false};
    }
    return {roll.line, {}, false};
}

std::vector<std::string> SeatBridge::FromRelay(std::string_view line) {
    shown.clear();
    if (joined && KindOfLine(line) == LineKind::Padd &&
        line.substr(wire::kPaddPrefix.size()).starts_with(playerName + "\t")) {
        seated = true;
    }
    dispatcher.Dispatch(line);
    return std::move(shown);
}

void SeatBridge::AppendChatLog(std::string_view text) {
    shown.push_back("{" + LogFields(text) + "}");
}

std::string PastMessage(const std::vector<SaidBefore>& lines) {
    std::string message = R"({"past":[)";
    for (const SaidBefore& said : lines) {
        if (message.back() == '}') message += ',';
        message +=
            R"({"t":)" + std::to_string(said.epochMs) + "," + LogFields(LogTextOf(said.line)) + "}";
    }
    return message + "]}";
}

std::string SeatBridge::PeopleMessage() const {
    std::string message = R"({"people":[)";
    for (const Participant& present : roster.Participants()) {
        if (message.back() == '"') message += ',';
        message += JsonString(Utf8FromCp932(ShownText(present.name)));
    }
    return message + "]}";
}

void SeatBridge::AddParticipantRow(std::string_view name) {
    shown.push_back(R"({"add":)" + JsonString(Utf8FromCp932(name)) + "}");
}

void SeatBridge::DeleteParticipantRow(int index) {
    shown.push_back(R"({"del":)" + std::to_string(index) + "}");
}

}  // namespace vesk::web

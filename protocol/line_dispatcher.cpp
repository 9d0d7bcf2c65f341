#include "protocol/line_dispatcher.h"

#include <string>

#include "protocol/cp932.h"
#include "protocol/decimal_text.h"
#include "protocol/line_kind.h"
#include "protocol/wire_messages.h"

namespace vesk {

namespace {

constexpr std::size_t kPrefixLength = 4;

}  // namespace

std::string LogTextOf(std::string_view line) {
    std::string_view text = line.substr(0, line.size() - wire::kLineEnd.size());
    if (KindOfLine(text) == LineKind::Talk) text.remove_prefix(kPrefixLength);
    return ShownText(text) + std::string(wire::kLineEnd);
}

std::string ShownText(std::string_view text) {
    std::string shown(text);
    for (char& c : shown) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == '\r' || byte == '\n') {
            c = ' ';
        } else if ((byte < 0x20 && byte != '\t') || byte == 0x7F) {
            c = '?';
        }
    }
    return shown;
}

IncomingLineDispatcher::IncomingLineDispatcher(ParticipantRoster& roster, PartyView& window,
                                               int maxRows)
    : roster(roster), window(window), maxRows(maxRows) {}

bool IncomingLineDispatcher::Dispatch(std::string_view line) {
    if (line.size() < kPrefixLength) return false;

    const std::string_view text = line.substr(0, line.size() - wire::kLineEnd.size());
    const std::string_view rest = text.substr(std::min(text.size(), kPrefixLength));
    switch (KindOfLine(text)) {
        case LineKind::Padd:
            AddParticipant(rest);
            break;
        case LineKind::Pdel:
            RemoveParticipant(rest);
            break;
        case LineKind::Talk:
        case LineKind::Other:
            window.AppendChatLog(LogTextOf(line));
            break;
    }
    return true;
}

void IncomingLineDispatcher::AddParticipant(std::string_view text) {
    const std::optional<Participant> participant = ParseParticipantText(text);
    if (!participant) return;
    if (roster.Count() == 0) overflowReported = false;
    if (roster.Count() >= maxRows) {
        if (!overflowReported) {
            overflowReported = true;
            window.AppendChatLog(Cp932FromUtf8("参加者が " + std::to_string(maxRows) +
                                               " 人を超えたため、これより後の参加者は一覧に"
                                               "載せません\r\n"));
        }
        return;
    }
    const Participant& record = roster.Append(participant->name, participant->id);
    // The row shows the name as the record keeps it, control characters made visible.
    window.AddParticipantRow(ShownText(record.name));
}

void IncomingLineDispatcher::RemoveParticipant(std::string_view text) {
    const int position = roster.RemoveById(ReadDecimal(text));
    if (position >= 0) window.DeleteParticipantRow(position);
}

}  // namespace vesk

#include "protocol/line_dispatcher.h"

#include <algorithm>
#include <string>

#include "protocol/cp932.h"
#include "protocol/decimal_text.h"
#include "protocol/wire_messages.h"

namespace vesk {

namespace {

constexpr std::size_t kPrefixLength = 4;

// Text for the chat log with a line end of its own. A NUL becomes "?", so that nothing after
// it is lost and the window never receives one.
std::string LogText(std::string_view text) {
    std::string shown(text);
    std::replace(shown.begin(), shown.end(), '\0', '?');
    return shown + std::string(wire::kLineEnd);
}

}  // namespace

IncomingLineDispatcher::IncomingLineDispatcher(ParticipantRoster& roster, PartyView& window)
    : roster(roster), window(window) {}

bool IncomingLineDispatcher::Dispatch(std::string_view line) {
    if (line.size() < kPrefixLength) return false;

    const std::string_view text = line.substr(0, line.size() - wire::kLineEnd.size());
    // Compared over four bytes exactly; a line shorter than the prefix can match none.
    const std::string_view prefix = text.substr(0, kPrefixLength);
    const std::string_view rest = text.substr(std::min(text.size(), kPrefixLength));
    if (prefix == wire::kTalkPrefix) {
        window.AppendChatLog(LogText(rest));
    } else if (prefix == wire::kPaddPrefix) {
        AddParticipant(rest);
    } else if (prefix == wire::kPdelPrefix) {
        RemoveParticipant(rest);
    } else {
        window.AppendChatLog(LogText(text));
    }
    return true;
}

void IncomingLineDispatcher::AddParticipant(std::string_view text) {
    const std::optional<Participant> participant = ParseParticipantText(text);
    if (!participant) return;
    const ParticipantRecord* record = roster.Append(participant->name, participant->id);
    if (record == nullptr) {
        window.ShowMessage(Cp932FromUtf8("メモリ確保に失敗しました"));
        return;
    }
    // The row shows the name as the record keeps it, so the two never differ.
    window.AddParticipantRow(record->Name());
}

void IncomingLineDispatcher::RemoveParticipant(std::string_view text) {
    const int position = roster.RemoveById(ReadDecimal(text));
    if (position >= 0) window.DeleteParticipantRow(position);
}

}  // namespace vesk

#include "protocol/participant_roster.h"

#include <algorithm>

#include "protocol/cp932.h"
#include "protocol/decimal_text.h"
#include "protocol/player_name.h"

namespace vesk {

std::ostream& operator<<(std::ostream& out, const Participant& participant) {
    return out << '(' << participant.name << ", " << participant.id << ')';
}

std::optional<Participant> ParseParticipantText(std::string_view text) {
    const std::size_t tab = text.find('\t');
    if (tab == std::string_view::npos) return std::nullopt;
    return Participant{PlayerNameForLines(text.substr(0, tab), kNameMaxBytes),
                       ReadDecimal(text.substr(tab + 1))};
}

const Participant& ParticipantRoster::Append(std::string_view name, std::int32_t id) {
    return records.emplace_back(Participant{std::string(Cp932Field(name, kNameMaxBytes)), id});
}

const Participant* ParticipantRoster::Find(std::int32_t id) const {
    const auto found = std::find_if(records.begin(), records.end(),
                                    [id](const Participant& record) { return record.id == id; });
    return found == records.end() ? nullptr : &*found;
}

int ParticipantRoster::RemoveById(std::int32_t id) {
    const auto found = std::find_if(records.begin(), records.end(),
                                    [id](const Participant& record) { return record.id == id; });
    if (found == records.end()) return -1;
    const auto position = static_cast<int>(found - records.begin());
    records.erase(found);
    return position;
}

}  // namespace vesk

#include "protocol/participant_roster.h"

#include <algorithm>
#include <cstring>
#include <new>

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

ParticipantRecord* ParticipantRoster::Append(std::string_view name, std::int32_t id) {
    auto* record = new (std::nothrow) ParticipantRecord;
    if (record == nullptr) return nullptr;
    const std::string_view kept = Cp932Cut(name.substr(0, name.find('\0')), kNameMaxBytes);
    std::copy(kept.begin(), kept.end(), record->name.begin());
    record->id = id;
    record->previous = sentinel.previous;
    record->next = &sentinel;
    sentinel.previous->next = record;
    sentinel.previous = record;
    ++count;
    return record;
}

void ParticipantRoster::Unlink(ParticipantRecord* record) {
    record->previous->next = record->next;
    record->next->previous = record->previous;
    delete record;
    --count;
}

ParticipantRecord* ParticipantRoster::Find(std::int32_t id, int* position) const {
    ParticipantRecord* record = sentinel.next;
    for (int index = 0; index < count; ++index, record = record->next) {
        if (record->id == id) {
            if (position != nullptr) *position = index;
            return record;
        }
    }
    return nullptr;
}

int ParticipantRoster::RemoveById(std::int32_t id) {
    int position = -1;
    if (ParticipantRecord* record = Find(id, &position)) Unlink(record);
    return position;
}

void ParticipantRoster::Clear() {
    while (sentinel.next != &sentinel) Unlink(sentinel.next);
}

std::vector<Participant> ParticipantRoster::Participants() const {
    std::vector<Participant> participants;
    for (const ParticipantRecord* record = sentinel.next; record != &sentinel;
         record = record->next) {
        participants.push_back({std::string(record->Name()), record->id});
    }
    return participants;
}

}  // namespace vesk

#pragma once

// The participant roster both programs keep: who is in the party, in join order. A circular
// doubly linked list through a sentinel record (empty name, id -1); following next from the
// sentinel visits the records oldest first.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace vesk {

// A name field holds at most this many bytes of code page 932 text and its NUL.
inline constexpr std::size_t kNameFieldSize = 52;
inline constexpr std::size_t kNameMaxBytes = kNameFieldSize - 1;

struct ParticipantRecord {
    ParticipantRecord* previous = this;
    ParticipantRecord* next = this;
    std::array<char, kNameFieldSize> name{};
    std::int32_t id = -1;

    std::string_view Name() const { return name.data(); }
};

// A participant as a value, for copies taken out of a roster.
struct Participant {
    std::string name;
    std::int32_t id = 0;

    bool operator==(const Participant&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Participant& participant);

// The "name TAB id" text of a participant line. No TAB means no participant. The name is cut
// as the relay cuts every player name (PlayerNameForLines), so a forged line cannot put a
// line break into a participant list row.
std::optional<Participant> ParseParticipantText(std::string_view text);

class ParticipantRoster {
public:
    ParticipantRoster() = default;
    ~ParticipantRoster() { Clear(); }
    ParticipantRoster(const ParticipantRoster&) = delete;
    ParticipantRoster& operator=(const ParticipantRoster&) = delete;

    // Links in a new newest record. A name longer than the field is cut at a character
    // boundary. nullptr when memory runs out; the roster is then unchanged.
    ParticipantRecord* Append(std::string_view name, std::int32_t id);

    // Unlinks and frees a record of this roster.
    void Unlink(ParticipantRecord* record);

    // The oldest record with this id, and its position counted from 0, oldest first.
    ParticipantRecord* Find(std::int32_t id, int* position = nullptr) const;

    // Removes the oldest record with this id; its position, or -1 when there is none.
    int RemoveById(std::int32_t id);

    void Clear();

    int Count() const { return count; }

    std::vector<Participant> Participants() const;

private:
    // Only the links of the sentinel are used; it stays an empty name with id -1.
    ParticipantRecord sentinel;
    std::int32_t count = 0;
};

}  // namespace vesk

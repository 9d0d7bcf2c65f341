#pragma once

// The participant roster both programs keep: who is in the party, in join order.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace vesk {

// A roster record holds at most this many bytes of a name, in code page 932.
inline constexpr std::size_t kNameMaxBytes = 51;

// A participant as the roster keeps it.
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
    // Adds a new newest record and returns it. A name is kept up to its first NUL and cut to
    // kNameMaxBytes at a character boundary.
    const Participant& Append(std::string_view name, std::int32_t id);

    // The oldest record with this id, or null.
    const Participant* Find(std::int32_t id) const;

    // Removes the oldest record with this id; its position counted from 0, oldest first, or -1
    // when there is none.
    int RemoveById(std::int32_t id);

    void Clear() { records.clear(); }

    int Count() const { return static_cast<int>(records.size()); }

    // Oldest first.
    const std::vector<Participant>& Participants() const { return records; }

private:
    std::vector<Participant> records;
};

}  // namespace vesk

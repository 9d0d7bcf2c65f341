#pragma once

// The seals of the secret rolls the relay announced, so that when a roll is shown the player
// sees whether it is the roll that was sealed. Lines are code page 932, without line ends, as
// the chat log shows them.

#include <cstddef>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace vesk {

class SealBook {
public:
    // The most seals kept; the oldest is forgotten first.
    static constexpr std::size_t kSeals = 1000;

    // Notes a seal the line announces; for a line that shows a secret roll, what to show after
    // it: whether it matches its seal, or that its seal was never seen here.
    std::optional<std::string> Read(std::string_view line);

private:
    using Key = std::pair<std::string, int>;  // roller's name, number of the roll
    std::map<Key, std::string> seals;
    std::deque<Key> order;
};

}  // namespace vesk

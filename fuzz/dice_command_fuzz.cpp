// Any chat text a player can type: the relay's dice must end, cast no die for talk, never more
// than a command may cast, and answer a command with a result or a reason.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "dice/dice_command.h"

namespace {

class CountingDice final : public vesk::DiceSource {
public:
    int Roll(int faces) override {
        if (faces < 2) std::abort();
        ++count;
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<int>((state >> 33) % static_cast<std::uint64_t>(faces)) + 1;
    }
    std::array<std::uint8_t, 16> Key() override { return {}; }
    long long count = 0;
    std::uint64_t state = 1;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    CountingDice dice;
    const vesk::DiceOutcome outcome = vesk::RollDiceCommand(text, dice);
    using Kind = vesk::DiceOutcome::Kind;
    if (outcome.kind == Kind::NotCommand && (dice.count != 0 || !outcome.text.empty())) {
        std::abort();
    }
    if (outcome.kind != Kind::NotCommand && outcome.text.empty()) std::abort();
    // choice and the checks cast one die, D66 two; everything else at most the bound.
    if (dice.count > vesk::DiceLimits::kDicePerCommand) std::abort();
    vesk::ReadRevealRequest(text);
    return 0;
}

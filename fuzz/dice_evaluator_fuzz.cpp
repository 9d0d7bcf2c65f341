// Any dice expression the user can type: the evaluator must end, never draw for an expression
// it refuses, and report at most the dice it allows.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "dice/dice_evaluator.h"

namespace {

class CountingDraws : public vesk::DrawSource {
public:
    int Draw() override {
        ++count;
        state = state * 214013u + 2531011u;
        return static_cast<int>((state >> 16) & 0x7fff);
    }
    long long count = 0;
    unsigned state = 1;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view expression(reinterpret_cast<const char*>(data), size);
    CountingDraws draws;
    const vesk::DiceRoll roll = vesk::EvaluateDice(expression, draws);
    if (roll.problem != vesk::DiceProblem::None && draws.count != 0) std::abort();
    if (draws.count > vesk::kMaxDicePerRoll) std::abort();
    vesk::DiceProblemMessage(roll.problem);
    return 0;
}

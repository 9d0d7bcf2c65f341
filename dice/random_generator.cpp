#include "dice/random_generator.h"

namespace vesk {

void SeedGenerator(RandomGenerator& generator, std::time_t now) {
    // The seed is taken modulo 2^32, as the 32-bit state holds it.
    const auto seconds = static_cast<std::uint32_t>(static_cast<std::uint64_t>(now));
    generator.Seed(seconds + static_cast<std::uint32_t>(generator.Draw()));
}

void SeedGenerator(RandomGenerator& generator) { SeedGenerator(generator, std::time(nullptr)); }

}  // namespace vesk

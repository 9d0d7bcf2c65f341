#include "dice/random_generator.h"

#include <gtest/gtest.h>

#include <vector>

namespace vesk {
namespace {

std::vector<int> Draws(RandomGenerator& generator, int count) {
    std::vector<int> draws;
    for (int i = 0; i < count; ++i) draws.push_back(generator.Draw());
    return draws;
}

TEST(RandomGenerator, DrawsTheKnownSequenceFromStateOne) {
    RandomGenerator generator;
    EXPECT_EQ(Draws(generator, 5), (std::vector<int>{41, 18467, 6334, 26500, 19169}));
    generator.Seed(1);
    EXPECT_EQ(Draws(generator, 3), (std::vector<int>{41, 18467, 6334}));
    generator.Seed(0);
    EXPECT_EQ(generator.Draw(), 38);
}

TEST(RandomGenerator, SeedsWithTimePlusOneDraw) {
    RandomGenerator seeded;
    SeedGenerator(seeded, 1000);
    RandomGenerator expected;
    expected.Seed(1000 + 41);
    EXPECT_EQ(Draws(seeded, 4), Draws(expected, 4));

    // A time beyond 32 bits is taken modulo 2^32.
    RandomGenerator late;
    SeedGenerator(late, (std::time_t{1} << 32) + 5);
    expected.Seed(5 + 41);
    EXPECT_EQ(Draws(late, 4), Draws(expected, 4));
}

}  // namespace
}  // namespace vesk

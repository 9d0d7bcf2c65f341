#pragma once

// The client's own random numbers for dice: each client draws its dice itself and sends only
// the outcome.

#include <cstdint>
#include <ctime>

namespace vesk {

// Where dice take their raw draws from: the generator in the program, a fixed sequence in
// tests. A draw is a value from 0 to 32767.
class DrawSource {
public:
    virtual ~DrawSource() = default;
    virtual int Draw() = 0;
};

// A linear congruential generator with a 32-bit state: each draw sets the state to
// state * 214013 + 2531011 (modulo 2^32) and returns its bits 16 to 30. Not thread safe: the
// window owns one and uses it from the main thread only.
class RandomGenerator final : public DrawSource {
public:
    static constexpr int kMaxDraw = 32767;

    int Draw() override {
        state = state * 214013u + 2531011u;
        return static_cast<int>((state >> 16) & 0x7FFFu);
    }

    void Seed(std::uint32_t seed) { state = seed; }

private:
    std::uint32_t state = 1;
};

// Seeds once at start-up with the calendar time in seconds plus one draw taken before the
// seeding, so two clients started in the same second still differ when one has drawn before.
void SeedGenerator(RandomGenerator& generator, std::time_t now);
void SeedGenerator(RandomGenerator& generator);

}  // namespace vesk

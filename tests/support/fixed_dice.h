#pragma once

// Dice that fall as the test says: faces in order, the last one again once they run out, and
// a key of the bytes 0, 1, ... 15.

#include <initializer_list>
#include <numeric>
#include <vector>

#include "dice/dice_command.h"

namespace vesk {

class FixedDice final : public DiceSource {
public:
    FixedDice(std::initializer_list<int> faces = {1}) : faces(faces) {}

    int Roll(int faces) override {
        ++rolls;
        lastFaces = faces;
        const int face = this->faces[std::min(next, this->faces.size() - 1)];
        ++next;
        return face;
    }
    std::array<std::uint8_t, 16> Key() override {
        std::array<std::uint8_t, 16> key{};
        std::iota(key.begin(), key.end(), std::uint8_t{0});
        return key;
    }

    int rolls = 0;
    int lastFaces = 0;

private:
    std::vector<int> faces;
    std::size_t next = 0;
};

}  // namespace vesk

#pragma once

// The dice commands that players type into the chat the way the common web tables and dice bots
// write them (2D6+3, 1D100<=50, CCB<=55, 4D6KH3, 5B6>=4, D66, x3 2D6, choice[A,B], S2D6), rolled
// by the relay so that nobody's own program decides the outcome. UTF-8 text in and out; letters
// in either case, and the full-width letters, digits and signs an input method types read as
// their half-width forms.

#include <array>
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <string_view>

namespace vesk {

// Where the relay's dice and seal keys come from: the system's entropy in the program, a fixed
// sequence in tests.
class DiceSource {
public:
    virtual ~DiceSource() = default;
    // A face from 1 to faces, each as likely; faces is at least 2.
    virtual int Roll(int faces) = 0;
    virtual std::array<std::uint8_t, 16> Key() = 0;
};

class SystemDiceSource final : public DiceSource {
public:
    int Roll(int faces) override;
    std::array<std::uint8_t, 16> Key() override;

private:
    std::random_device device;
};

// The bounds of one command; past them the command is answered with a notice, not rolled.
struct DiceLimits {
    static constexpr int kDicePerTerm = 100;
    static constexpr int kDicePerCommand = 1000;
    static constexpr int kFewestFaces = 2;
    static constexpr int kMostFaces = 1000;
    static constexpr int kRepeats = 20;
    static constexpr int kChoices = 100;
};

struct DiceOutcome {
    enum class Kind {
        NotCommand,  // the text does not start with a dice command: the relay says nothing
        Rolled,      // text is the result, the comment after it
        Refused,     // a command past a bound or that cannot be worked out: text says why
    };
    Kind kind = Kind::NotCommand;
    bool secret = false;  // the command began with S
    std::string text;
};

// Reads the start of a chat text as a dice command and rolls it. The command is the text up to
// the first blank; whatever follows the blank is the comment and is kept after the result.
DiceOutcome RollDiceCommand(std::string_view text, DiceSource& dice);

// Whether the relay answers the text as a command (a roll, a notice, or a secret roll shown),
// without casting a die.
bool IsDiceCommand(std::string_view text);

// "公開" (0: the latest) or "公開 #n" (n): a player shows one of their own secret rolls.
std::optional<int> ReadRevealRequest(std::string_view text);

}  // namespace vesk

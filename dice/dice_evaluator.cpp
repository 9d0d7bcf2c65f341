#include "dice/dice_evaluator.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "protocol/cp932.h"

namespace vesk {

namespace {

// Sums wrap around in 32-bit signed arithmetic, as the totals of the party always have.
int WrappingAdd(int a, int b) {
    return static_cast<int>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}

int WrappingSubtract(int a, int b) {
    return static_cast<int>(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b));
}

// Only the ASCII digits count; bytes of 0x80 and above (parts of double-byte characters)
// never do.
bool IsDigit(char byte) { return byte >= '0' && byte <= '9'; }

// One thing the scan found, in the order of the text.
struct Item {
    enum class Kind { Number, Dice, Add, Subtract };
    Kind kind;
    int value = 0;  // the number, or the count of a dice term
    int size = 0;   // the faces of a dice term
};

struct Scan {
    std::vector<Item> items;
    DiceProblem problem = DiceProblem::None;
};

// Reads the digits that start at position at and leaves at after them. A position at or past
// the end reads as the end of the text (no digits, value 0). Nothing when there are more
// digits than a number may have.
std::optional<int> ReadDigits(std::string_view text, std::size_t& at) {
    int value = 0;
    int digits = 0;
    for (; at < text.size() && IsDigit(text[at]); ++at) {
        if (++digits > kMaxNumberDigits) return std::nullopt;
        value = value * 10 + (text[at] - '0');
    }
    return value;
}

// The byte scan: no die is drawn here, so an expression with a problem draws nothing.
Scan ScanExpression(std::string_view text) {
    Scan scan;
    std::size_t at = 0;
    while (at < text.size()) {
        const char byte = text[at];
        if (!IsDigit(byte)) {
            if (byte == '+') scan.items.push_back({Item::Kind::Add});
            if (byte == '-') scan.items.push_back({Item::Kind::Subtract});
            ++at;
            continue;
        }
        const std::optional<int> number = ReadDigits(text, at);
        if (!number) return {{}, DiceProblem::TooManyDigits};
        if (at >= text.size() || text[at] != 'D') {
            scan.items.push_back({Item::Kind::Number, *number});
            continue;
        }
        at += 2;  // the "D" and the opening byte after it, whatever that byte is
        const std::optional<int> size = ReadDigits(text, at);
        if (!size) return {{}, DiceProblem::TooManyDigits};
        ++at;  // the closing byte, whatever it is
        if (*number >= 1 && *size == 0) return {{}, DiceProblem::MissingSize};
        scan.items.push_back({Item::Kind::Dice, *number, *size});
    }
    return scan;
}

// The terms of one evaluation. It holds five entries; a sixth group pushes out the oldest
// one. That changes no total: pushing and combining never lower the count of entries, so an
// entry below the top is never read again once another has been pushed over it.
class TermStack {
public:
    void Push(int value) {
        if (count == entries.size()) {
            for (std::size_t i = 1; i < entries.size(); ++i) entries[i - 1] = entries[i];
            --count;
        }
        entries[count++] = value;
    }
    void ReplaceTop(int value) { entries[count - 1] = value; }
    std::size_t Count() const { return count; }
    int Top() const { return entries[count - 1]; }
    // The second entry from the top becomes itself plus or minus the top, which is dropped.
    void Combine(bool subtract) {
        const int top = entries[--count];
        int& second = entries[count - 1];
        second = subtract ? WrappingSubtract(second, top) : WrappingAdd(second, top);
    }

private:
    std::array<int, 5> entries{};
    std::size_t count = 0;
};

DiceRoll Refused(DiceProblem problem) {
    DiceRoll roll;
    roll.problem = problem;
    return roll;
}

}  // namespace

int DieDraw(DrawSource& draws, int low, int high) {
    const long long faces = static_cast<long long>(high) - low + 1;
    if (faces < 1) return low;
    return static_cast<int>(low + draws.Draw() % faces);
}

int RollDice(DrawSource& draws, int count, int size, std::string& rollDetails) {
    if (count < 1 || size < 1) return 0;
    int sum = 0;
    for (int i = 0; i < count; ++i) {
        const int value = DieDraw(draws, 1, size);
        sum = WrappingAdd(sum, value);
        if (!rollDetails.empty()) rollDetails += '+';
        rollDetails += std::to_string(value);
    }
    return sum;
}

DiceRoll EvaluateDice(std::string_view expression, DrawSource& draws) {
    const Scan scan = ScanExpression(expression);
    if (scan.problem != DiceProblem::None) return Refused(scan.problem);

    bool anyTerm = false;
    long long dice = 0;
    for (const Item& item : scan.items) {
        if (item.kind == Item::Kind::Number || item.kind == Item::Kind::Dice) anyTerm = true;
        if (item.kind == Item::Kind::Dice) dice += item.value;
    }
    if (!anyTerm) return Refused(DiceProblem::NoNumber);
    if (dice > kMaxDicePerRoll) return Refused(DiceProblem::TooManyDice);

    DiceRoll roll;
    TermStack stack;
    enum class Pending { None, Add, Subtract } pending = Pending::None;
    for (const Item& item : scan.items) {
        switch (item.kind) {
            case Item::Kind::Add:
                pending = Pending::Add;
                continue;
            case Item::Kind::Subtract:
                pending = Pending::Subtract;
                continue;
            case Item::Kind::Number:
                stack.Push(item.value);
                break;
            case Item::Kind::Dice:
                stack.Push(item.value);
                stack.ReplaceTop(RollDice(draws, item.value, item.size, roll.rollDetails));
                break;
        }
        // A sign stays pending until there are two terms to join, so "-5 3" is 5 - 3.
        if (stack.Count() >= 2 && pending != Pending::None) {
            stack.Combine(pending == Pending::Subtract);
            pending = Pending::None;
        }
    }
    roll.total = stack.Top();
    return roll;
}

std::string DiceProblemMessage(DiceProblem problem) {
    switch (problem) {
        case DiceProblem::None:
            return {};
        case DiceProblem::NoNumber:
            return Cp932FromUtf8("ダイス式に数がありません。\n2D[6]+3 のように書いて下さい");
        case DiceProblem::MissingSize:
            return Cp932FromUtf8(
                "ダイスの面数がありません(または 0 です)。\n"
                "2D[6] のように、D の後に半角の括弧で囲んだ面数を書いて下さい");
        case DiceProblem::TooManyDigits:
            return Cp932FromUtf8("数は" + std::to_string(kMaxNumberDigits) + "桁までにして下さい");
        case DiceProblem::TooManyDice:
            return Cp932FromUtf8("一度に振れるダイスは" + std::to_string(kMaxDicePerRoll) +
                                 "個までです");
    }
    return {};
}

}  // namespace vesk

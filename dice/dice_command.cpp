#include "dice/dice_command.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <numeric>
#include <span>
#include <variant>
#include <vector>

namespace vesk {

int SystemDiceSource::Roll(int faces) { return std::uniform_int_distribution<int>(1, faces)(device); }

std::array<std::uint8_t, 16> SystemDiceSource::Key() {
    std::array<std::uint8_t, 16> key{};
    for (std::size_t at = 0; at < key.size(); at += 4) {
        const std::uint32_t word = device();
        for (std::size_t byte = 0; byte < 4; ++byte) {
            key[at + byte] = static_cast<std::uint8_t>(word >> (8 * byte));
        }
    }
    return key;
}

namespace {

constexpr std::string_view kArrow = " ＞ ";
constexpr std::string_view kIdeographicSpace = "\u3000";
// Numbers past this are not typed at a table; keeping below it keeps every sum, product and
// quotient of a command's terms within 64 bits before it is checked.
constexpr std::int64_t kLargestNumber = 999'999'999;
constexpr std::int64_t kLargestValue = std::numeric_limits<std::int64_t>::max() / 4;

// One character of the text, the full-width forms of ASCII as their half-width forms; blank is
// set for a space, a tab or an ideographic space.
struct Character {
    std::string_view bytes;
    char ascii = 0;  // 0 when the character is not ASCII
    bool blank = false;
};

Character CharacterAt(std::string_view text, std::size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    std::size_t length = 1;
    if (lead >= 0xF0) {
        length = 4;
    } else if (lead >= 0xE0) {
        length = 3;
    } else if (lead >= 0xC0) {
        length = 2;
    }
    length = std::min(length, text.size() - at);
    Character character{text.substr(at, length)};
    if (length == 1) {
        character.ascii = static_cast<char>(lead);
    } else if (character.bytes == kIdeographicSpace) {
        character.ascii = ' ';
    } else if (length == 3 && lead == 0xEF) {
        // U+FF01 to U+FF5E: EF BC 81 to EF BD 9E.
        const auto second = static_cast<unsigned char>(text[at + 1]);
        const auto third = static_cast<unsigned char>(text[at + 2]);
        const int code = ((lead & 0x0F) << 12) | ((second & 0x3F) << 6) | (third & 0x3F);
        if (code >= 0xFF01 && code <= 0xFF5E) character.ascii = static_cast<char>(code - 0xFEE0);
    }
    character.blank = character.ascii == ' ' || character.ascii == '\t';
    return character;
}

void SkipBlanks(std::string_view text, std::size_t& at) {
    while (at < text.size()) {
        const Character character = CharacterAt(text, at);
        if (!character.blank) return;
        at += character.bytes.size();
    }
}

// The next word from at, its full-width ASCII made half-width; a blank within brackets, as in
// choice[A, B], does not end it.
std::string TakeWord(std::string_view text, std::size_t& at) {
    SkipBlanks(text, at);
    std::string word;
    int depth = 0;
    while (at < text.size()) {
        const Character character = CharacterAt(text, at);
        if (character.blank && depth == 0) break;
        if (character.ascii == '[') ++depth;
        if (character.ascii == ']' && depth > 0) --depth;
        if (character.ascii != 0) {
            word += character.ascii;
        } else {
            word.append(character.bytes);
        }
        at += character.bytes.size();
    }
    return word;
}

std::string Upper(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return upper;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string JoinNumbers(const std::vector<int>& numbers) {
    std::string joined;
    for (const int number : numbers) {
        if (!joined.empty()) joined += ',';
        joined += std::to_string(number);
    }
    return joined;
}

enum class Comparison { None, Less, LessOrEqual, Greater, GreaterOrEqual, Equal, NotEqual };

bool Holds(Comparison comparison, std::int64_t value, std::int64_t target) {
    switch (comparison) {
        case Comparison::Less:
            return value < target;
        case Comparison::LessOrEqual:
            return value <= target;
        case Comparison::Greater:
            return value > target;
        case Comparison::GreaterOrEqual:
            return value >= target;
        case Comparison::Equal:
            return value == target;
        case Comparison::NotEqual:
            return value != target;
        case Comparison::None:
            break;
    }
    return false;
}

// Why a command is not rolled; what it says goes to its sender.
struct Refusal {
    std::string why;
};

// One command, read from its upper-case text: the forms that roll, each checked against the
// bounds before a die is cast.
class CommandReader {
public:
    explicit CommandReader(std::string_view text) : text(text) {}

    bool AtEnd() const { return at == text.size(); }
    bool Failed() const { return failed; }
    // A number in a sum was larger than any table needs.
    bool TooLarge() const { return tooLarge; }
    const std::optional<Refusal>& Refused() const { return refusal; }
    int DiceCount() const { return diceCount; }

    struct Node {
        enum class Kind { Number, Dice, Negate, Group, Add, Subtract, Multiply, Divide };
        enum class Keep { All, Highest, Lowest, DropHighest, DropLowest };
        Kind kind = Kind::Number;
        std::int64_t number = 0;
        int count = 0;
        int faces = 0;
        Keep keep = Keep::All;
        int keepCount = 0;
        int left = -1;
        int right = -1;
    };
    std::vector<Node> nodes;

    // sum := term (('+' | '-') term)*
    int Sum() {
        int left = Term();
        while (!failed && (Peek('+') || Peek('-'))) {
            const auto kind = text[at++] == '+' ? Node::Kind::Add : Node::Kind::Subtract;
            const int right = Term();
            left = Add(Node{kind, 0, 0, 0, Node::Keep::All, 0, left, right});
        }
        return left;
    }

    Comparison ReadComparison() {
        static constexpr std::pair<std::string_view, Comparison> kForms[] = {
            {"<>", Comparison::NotEqual},    {"<=", Comparison::LessOrEqual},
            {">=", Comparison::GreaterOrEqual}, {"<", Comparison::Less},
            {">", Comparison::Greater},      {"=", Comparison::Equal},
        };
        for (const auto& [form, comparison] : kForms) {
            if (text.substr(at).starts_with(form)) {
                at += form.size();
                return comparison;
            }
        }
        return Comparison::None;
    }

    // Digits: a count, faces, or a number; one past kLargestNumber stands for any larger.
    std::optional<std::int64_t> Number() {
        const std::size_t start = at;
        std::int64_t value = 0;
        for (; at < text.size() && IsDigit(text[at]); ++at) {
            value = std::min(value * 10 + (text[at] - '0'), kLargestNumber + 1);
        }
        if (at == start) return std::nullopt;
        return value;
    }

    bool Take(char c) {
        if (!Peek(c)) return false;
        ++at;
        return true;
    }

    // A count of dice of one term, and what it adds to the command.
    bool CheckDice(std::int64_t count, std::int64_t faces) {
        if (count < 1 || count > DiceLimits::kDicePerTerm) {
            Refuse("ダイスが多すぎます（1つの項に1個から100個まで）");
            return false;
        }
        if (faces < DiceLimits::kFewestFaces || faces > DiceLimits::kMostFaces) {
            Refuse("ダイスの面の数は2から1000までです");
            return false;
        }
        diceCount += static_cast<int>(count);
        if (diceCount > DiceLimits::kDicePerCommand) {
            Refuse("ダイスが多すぎます（1回に1000個まで）");
            return false;
        }
        return true;
    }

    void Fail() { failed = true; }
    void Refuse(std::string why) {
        if (!refusal) refusal = Refusal{std::move(why)};
        failed = true;
    }

private:
    bool Peek(char c) const { return at < text.size() && text[at] == c; }
    int Add(Node node) {
        nodes.push_back(node);
        return static_cast<int>(nodes.size()) - 1;
    }

    // term := factor (('*' | '/') factor)*
    int Term() {
        int left = Factor();
        while (!failed && (Peek('*') || Peek('/'))) {
            const auto kind = text[at++] == '*' ? Node::Kind::Multiply : Node::Kind::Divide;
            const int right = Factor();
            left = Add(Node{kind, 0, 0, 0, Node::Keep::All, 0, left, right});
        }
        return left;
    }

    // factor := '-' factor | '(' sum ')' | count 'D' faces [keep] | number
    int Factor() {
        if (failed) return -1;
        if (++depth > 64) {
            Fail();
            return -1;
        }
        int made = -1;
        if (Take('-')) {
            made = Add(Node{Node::Kind::Negate, 0, 0, 0, Node::Keep::All, 0, Factor(), -1});
        } else if (Take('(')) {
            const int inner = Sum();
            if (!Take(')')) Fail();
            made = Add(Node{Node::Kind::Group, 0, 0, 0, Node::Keep::All, 0, inner, -1});
        } else if (const auto number = Number()) {
            if (Take('D')) {
                made = Dice(*number);
            } else {
                tooLarge = tooLarge || *number > kLargestNumber;
                made = Add(Node{Node::Kind::Number, *number});
            }
        } else {
            Fail();
        }
        --depth;
        return made;
    }

    int Dice(std::int64_t count) {
        const auto faces = Number();
        if (!faces) {
            Fail();
            return -1;
        }
        Node node{Node::Kind::Dice};
        static constexpr std::pair<std::string_view, Node::Keep> kKeeps[] = {
            {"KH", Node::Keep::Highest},
            {"KL", Node::Keep::Lowest},
            {"DH", Node::Keep::DropHighest},
            {"DL", Node::Keep::DropLowest},
        };
        for (const auto& [form, keep] : kKeeps) {
            if (!text.substr(at).starts_with(form)) continue;
            at += form.size();
            node.keep = keep;
            const auto keepCount = Number();
            node.keepCount = static_cast<int>(std::min<std::int64_t>(keepCount.value_or(1), count));
            break;
        }
        if (!CheckDice(count, *faces)) return -1;
        node.count = static_cast<int>(count);
        node.faces = static_cast<int>(*faces);
        return Add(node);
    }

    std::string_view text;
    std::size_t at = 0;
    int depth = 0;
    int diceCount = 0;
    bool failed = false;
    bool tooLarge = false;
    std::optional<Refusal> refusal;
};

// Works out a sum read by CommandReader: its value and the middle of its result, each term of
// dice as its total and its dice.
class SumRoller {
public:
    SumRoller(const std::vector<CommandReader::Node>& nodes, DiceSource& dice)
        : nodes(nodes), dice(dice) {}

    std::optional<Refusal> refusal;

    std::int64_t Value(int index, std::string& shown) {
        using Kind = CommandReader::Node::Kind;
        const CommandReader::Node& node = nodes[static_cast<std::size_t>(index)];
        switch (node.kind) {
            case Kind::Number:
                shown += std::to_string(node.number);
                return node.number;
            case Kind::Dice:
                return Dice(node, shown);
            case Kind::Negate:
                shown += '-';
                return Checked(-Value(node.left, shown));
            case Kind::Group: {
                shown += '(';
                const std::int64_t value = Value(node.left, shown);
                shown += ')';
                return value;
            }
            default:
                break;
        }
        const std::int64_t left = Value(node.left, shown);
        shown += node.kind == Kind::Add        ? '+'
                 : node.kind == Kind::Subtract ? '-'
                 : node.kind == Kind::Multiply ? '*'
                                               : '/';
        const std::int64_t right = Value(node.right, shown);
        switch (node.kind) {
            case Kind::Add:
                return Checked(left + right);
            case Kind::Subtract:
                return Checked(left - right);
            case Kind::Multiply:
                if (left != 0 && (right > kLargestValue / std::abs(left) ||
                                  right < -kLargestValue / std::abs(left))) {
                    return Refuse("数が大きすぎます");
                }
                return left * right;
            default:
                break;
        }
        if (right == 0) return Refuse("0で割ることはできません");
        // Rounds down, as the tables do.
        std::int64_t quotient = left / right;
        if ((left % right != 0) && ((left < 0) != (right < 0))) --quotient;
        return quotient;
    }

private:
    std::int64_t Refuse(std::string why) {
        if (!refusal) refusal = Refusal{std::move(why)};
        return 0;
    }
    std::int64_t Checked(std::int64_t value) {
        if (value > kLargestValue || value < -kLargestValue) return Refuse("数が大きすぎます");
        return value;
    }

    std::int64_t Dice(const CommandReader::Node& node, std::string& shown) {
        using Keep = CommandReader::Node::Keep;
        std::vector<int> faces(static_cast<std::size_t>(node.count));
        for (int& face : faces) face = dice.Roll(node.faces);
        std::vector<bool> kept(faces.size(), true);
        if (node.keep != Keep::All) {
            std::vector<std::size_t> order(faces.size());
            std::iota(order.begin(), order.end(), 0);
            // Highest first, the earlier die first among equals.
            std::stable_sort(order.begin(), order.end(),
                             [&](std::size_t a, std::size_t b) { return faces[a] > faces[b]; });
            const auto count = static_cast<std::size_t>(node.keepCount);
            std::fill(kept.begin(), kept.end(), false);
            for (std::size_t rank = 0; rank < order.size(); ++rank) {
                const bool high = rank < count;
                const bool low = rank >= order.size() - count;
                bool keep = false;
                switch (node.keep) {
                    case Keep::Highest:
                        keep = high;
                        break;
                    case Keep::Lowest:
                        keep = low;
                        break;
                    case Keep::DropHighest:
                        keep = !high;
                        break;
                    case Keep::DropLowest:
                        keep = !low;
                        break;
                    case Keep::All:
                        break;
                }
                kept[order[rank]] = keep;
            }
        }
        std::vector<int> shownFaces;
        std::int64_t sum = 0;
        for (std::size_t die = 0; die < faces.size(); ++die) {
            if (!kept[die]) continue;
            shownFaces.push_back(faces[die]);
            sum += faces[die];
        }
        shown += std::to_string(sum) + '[' + JoinNumbers(shownFaces) + ']';
        return sum;
    }

    const std::vector<CommandReader::Node>& nodes;
    DiceSource& dice;
};

class ProbeDice final : public DiceSource {
public:
    int Roll(int) override { return 1; }
    std::array<std::uint8_t, 16> Key() override { return {}; }
};

using Result = std::variant<std::monostate, std::string, Refusal>;

bool HasDice(std::span<const CommandReader::Node> nodes) {
    return std::any_of(nodes.begin(), nodes.end(), [](const CommandReader::Node& node) {
        return node.kind == CommandReader::Node::Kind::Dice;
    });
}

// Sums of dice and numbers, with a comparison on the total.
Result RollSum(std::string_view upper, DiceSource& dice, int& diceCount) {
    CommandReader reader(upper);
    const int root = reader.Sum();
    const std::size_t sumNodes = reader.nodes.size();
    const Comparison comparison = reader.ReadComparison();
    int target = -1;
    if (!reader.Failed() && comparison != Comparison::None) target = reader.Sum();
    if (reader.Refused()) return *reader.Refused();
    if (reader.Failed() || !reader.AtEnd()) return {};
    const std::span<const CommandReader::Node> all(reader.nodes);
    const auto sum = all.first(sumNodes);
    // A target is a number, not a roll.
    if (!HasDice(sum) || HasDice(all.subspan(sumNodes))) return {};
    if (reader.TooLarge()) return Refusal{"数が大きすぎます"};
    diceCount = reader.DiceCount();
    SumRoller roller(reader.nodes, dice);
    std::string middle;
    const std::int64_t total = roller.Value(root, middle);
    std::string targetShown;
    const std::int64_t targetValue = target >= 0 ? roller.Value(target, targetShown) : 0;
    if (roller.refusal) return *roller.refusal;
    std::string result = "(" + std::string(upper) + ")";
    const std::string totalText = std::to_string(total);
    // One die alone is its own total.
    const bool lone = sum.size() == 1 && sum[0].count == 1;
    if (!lone && middle != totalText) result += std::string(kArrow) + middle;
    result += std::string(kArrow) + totalText;
    if (comparison != Comparison::None) {
        result += std::string(kArrow) + (Holds(comparison, total, targetValue) ? "成功" : "失敗");
    }
    return result;
}

// NBM: N dice of M faces, each shown; with a comparison, how many meet it.
Result RollSuccessCount(std::string_view upper, DiceSource& dice, int& diceCount) {
    CommandReader reader(upper);
    const auto count = reader.Number();
    if (!count || !reader.Take('B')) return {};
    const auto faces = reader.Number();
    if (!faces) return {};
    const Comparison comparison = reader.ReadComparison();
    std::optional<std::int64_t> target;
    if (comparison != Comparison::None) {
        target = reader.Number();
        if (!target) return {};
    }
    if (!reader.AtEnd()) return {};
    if (!reader.CheckDice(*count, *faces)) return *reader.Refused();
    diceCount = reader.DiceCount();
    std::vector<int> rolled(static_cast<std::size_t>(*count));
    int successes = 0;
    for (int& face : rolled) {
        face = dice.Roll(static_cast<int>(*faces));
        if (target && Holds(comparison, face, *target)) ++successes;
    }
    std::string result = "(" + std::string(upper) + ")" + std::string(kArrow) + JoinNumbers(rolled);
    if (target) result += std::string(kArrow) + "成功数" + std::to_string(successes);
    return result;
}

// CC<=x and CCB<=x: the investigators' check on 1D100, with criticals and fumbles at 1 % (CC)
// or 5 % (CCB), and a special at a fifth of the skill.
Result RollCheck(std::string_view upper, DiceSource& dice, int& diceCount) {
    CommandReader reader(upper);
    if (!reader.Take('C') || !reader.Take('C')) return {};
    const bool fivePercent = reader.Take('B');
    std::optional<std::int64_t> skill;
    if (!reader.AtEnd()) {
        if (reader.ReadComparison() != Comparison::LessOrEqual) return {};
        const int target = reader.Sum();
        if (reader.Refused()) return *reader.Refused();
        if (reader.Failed() || !reader.AtEnd() || HasDice(reader.nodes)) return {};
        if (reader.TooLarge()) return Refusal{"数が大きすぎます"};
        std::string unused;
        SumRoller roller(reader.nodes, dice);
        skill = roller.Value(target, unused);
        if (roller.refusal) return *roller.refusal;
    }
    diceCount = 1;
    const int roll = dice.Roll(100);
    std::string result = "(1D100";
    if (skill) result += "<=" + std::to_string(*skill);
    result += ")" + std::string(kArrow) + std::to_string(roll);
    if (!skill) return result;
    const int criticalUpTo = fivePercent ? 5 : 1;
    const int fumbleFrom = fivePercent ? 96 : 100;
    const bool success = roll <= *skill;
    const bool special = success && roll <= *skill / 5;
    std::string verdict;
    if (success && roll <= criticalUpTo) {
        verdict = special ? "決定的成功/スペシャル" : "決定的成功";
    } else if (!success && roll >= fumbleFrom) {
        verdict = "致命的失敗";
    } else if (special) {
        verdict = "スペシャル";
    } else {
        verdict = success ? "成功" : "失敗";
    }
    return result + std::string(kArrow) + verdict;
}

// choice[A,B,C]: one of the choices, each as likely.
Result RollChoice(std::string_view word, DiceSource& dice, int& diceCount) {
    constexpr std::string_view kForm = "CHOICE[";
    if (!Upper(word.substr(0, kForm.size())).starts_with(kForm) || !word.ends_with(']')) return {};
    std::string_view list = word.substr(kForm.size(), word.size() - kForm.size() - 1);
    std::vector<std::string_view> choices;
    while (true) {
        const std::size_t comma = list.find(',');
        std::string_view choice = list.substr(0, comma);
        while (choice.starts_with(' ')) choice.remove_prefix(1);
        while (choice.ends_with(' ')) choice.remove_suffix(1);
        if (choice.empty()) return {};
        choices.push_back(choice);
        if (comma == std::string_view::npos) break;
        list.remove_prefix(comma + 1);
    }
    if (choices.size() > DiceLimits::kChoices) return Refusal{"選択肢は100個までです"};
    if (choices.size() < 2) return {};
    diceCount = 1;
    std::string shown = "(choice[";
    for (std::size_t at = 0; at < choices.size(); ++at) {
        if (at > 0) shown += ',';
        shown += choices[at];
    }
    const int picked = dice.Roll(static_cast<int>(choices.size())) - 1;
    return shown + "])" + std::string(kArrow) + std::string(choices[static_cast<std::size_t>(picked)]);
}

// One command without S or a repeat; diceCount: the dice it cast.
Result RollOne(std::string_view word, DiceSource& dice, int& diceCount) {
    if (word.empty()) return {};
    const std::string upper = Upper(word);
    if (upper.starts_with("CHOICE[")) return RollChoice(word, dice, diceCount);
    if (upper == "D66") {
        diceCount = 2;
        const int tens = dice.Roll(6);
        const int ones = dice.Roll(6);
        return "(D66)" + std::string(kArrow) + std::to_string(tens * 10 + ones);
    }
    if (upper.starts_with("CC")) return RollCheck(upper, dice, diceCount);
    if (!IsDigit(upper[0]) && upper[0] != '(' && upper[0] != '-') return {};
    const std::size_t letter = upper.find_first_not_of("0123456789");
    if (letter != std::string::npos && upper[letter] == 'B' && letter > 0) {
        return RollSuccessCount(upper, dice, diceCount);
    }
    return RollSum(upper, dice, diceCount);
}

// x3 or rep3: how many times; 0 when the word is no repeat.
std::optional<std::int64_t> RepeatCount(std::string_view upper) {
    std::string_view digits;
    if (upper.starts_with("REP")) {
        digits = upper.substr(3);
    } else if (upper.starts_with("X")) {
        digits = upper.substr(1);
    } else {
        return std::nullopt;
    }
    if (digits.empty() || digits.size() > 9 ||
        digits.find_first_not_of("0123456789") != std::string_view::npos) {
        return std::nullopt;
    }
    std::int64_t count = 0;
    for (const char digit : digits) count = count * 10 + (digit - '0');
    return count;
}

}  // namespace

DiceOutcome RollDiceCommand(std::string_view text, DiceSource& dice) {
    std::size_t at = 0;
    std::string word = TakeWord(text, at);
    DiceOutcome outcome;
    // S before a command makes it secret; no command itself begins with S.
    if (word.size() > 1 && (word[0] == 'S' || word[0] == 's')) {
        outcome.secret = true;
        word.erase(0, 1);
    }
    int repeats = 1;
    bool numbered = false;
    if (const auto count = RepeatCount(Upper(word))) {
        std::string next = TakeWord(text, at);
        // Cast with dice that cost nothing, to learn whether what follows is a command, and how
        // many dice it takes, before a real die is cast.
        ProbeDice probe;
        int cast = 0;
        Result tried = RollOne(next, probe, cast);
        // "x3" alone, or before something that is no command, is talk.
        if (std::holds_alternative<std::monostate>(tried)) return {};
        if (*count < 1 || *count > DiceLimits::kRepeats) {
            return {DiceOutcome::Kind::Refused, outcome.secret, "繰り返しは1回から20回までです"};
        }
        if (*count * cast > DiceLimits::kDicePerCommand) {
            return {DiceOutcome::Kind::Refused, outcome.secret, "ダイスが多すぎます（1回に1000個まで）"};
        }
        repeats = static_cast<int>(*count);
        numbered = true;
        word = std::move(next);
    }
    std::string result;
    for (int round = 1; round <= repeats; ++round) {
        int cast = 0;
        Result one = RollOne(word, dice, cast);
        if (std::holds_alternative<std::monostate>(one)) return {};
        if (auto* refusal = std::get_if<Refusal>(&one)) {
            return {DiceOutcome::Kind::Refused, outcome.secret, std::move(refusal->why)};
        }
        if (round > 1) result += ' ';
        if (numbered) result += "#" + std::to_string(round) + ' ';
        result += std::get<std::string>(one);
    }
    SkipBlanks(text, at);
    if (at < text.size()) result += " " + std::string(text.substr(at));
    outcome.kind = DiceOutcome::Kind::Rolled;
    outcome.text = std::move(result);
    return outcome;
}

bool IsDiceCommand(std::string_view text) {
    ProbeDice probe;
    return RollDiceCommand(text, probe).kind != DiceOutcome::Kind::NotCommand ||
           ReadRevealRequest(text).has_value();
}

std::optional<int> ReadRevealRequest(std::string_view text) {
    std::size_t at = 0;
    const std::string word = TakeWord(text, at);
    constexpr std::string_view kReveal = "公開";
    if (!word.starts_with(kReveal)) return std::nullopt;
    std::string rest = word.substr(kReveal.size());
    if (rest.empty()) rest = TakeWord(text, at);
    SkipBlanks(text, at);
    if (at < text.size()) return std::nullopt;
    if (rest.empty()) return 0;
    if (rest[0] != '#' || rest.size() < 2 || rest.size() > 10 ||
        rest.find_first_not_of("0123456789", 1) != std::string::npos) {
        return std::nullopt;
    }
    const int number = std::stoi(rest.substr(1));
    if (number < 1) return std::nullopt;
    return number;
}

}  // namespace vesk

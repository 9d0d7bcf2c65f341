#include "client/rules/seal_book.h"

#include "client/rules/log_line.h"
#include "dice/dice_seal.h"
#include "protocol/cp932.h"
#include "protocol/wire_messages.h"

namespace vesk {

namespace {

// "#n" followed by a blank: n, and the text after the blank.
std::optional<std::pair<int, std::string_view>> Numbered(std::string_view text) {
    if (!text.starts_with('#')) return std::nullopt;
    std::size_t at = 1;
    int number = 0;
    while (at < text.size() && at < 10 && text[at] >= '0' && text[at] <= '9') {
        number = number * 10 + (text[at++] - '0');
    }
    if (at == 1 || at >= text.size() || text[at] != ' ') return std::nullopt;
    return std::pair{number, text.substr(at + 1)};
}

}  // namespace

std::optional<std::string> SealBook::Read(std::string_view line) {
    if (!IsRelayDiceLine(line)) return std::nullopt;
    const std::string_view rest = line.substr(wire::DiceMark().size());
    const std::string name(SpeakerOf(rest));
    if (name.empty()) return std::nullopt;
    const std::string_view said = SpokenText(rest);
    static const std::string sealed = Cp932FromUtf8("シークレットダイス ");
    static const std::string sealWord = Cp932FromUtf8("封印 ");
    static const std::string shown = Cp932FromUtf8("公開 ");
    static const std::string keyWord = Cp932FromUtf8(" 鍵:");
    if (said.starts_with(sealed)) {
        const auto numbered = Numbered(said.substr(sealed.size()));
        if (!numbered || !numbered->second.starts_with(sealWord)) return std::nullopt;
        const Key key{name, numbered->first};
        if (seals.emplace(key, std::string(numbered->second.substr(sealWord.size()))).second) {
            order.push_back(key);
            if (order.size() > kSeals) {
                seals.erase(order.front());
                order.pop_front();
            }
        }
        return std::nullopt;
    }
    if (!said.starts_with(shown)) return std::nullopt;
    const auto numbered = Numbered(said.substr(shown.size()));
    if (!numbered) return std::nullopt;
    const std::string_view body = numbered->second;
    const std::size_t keyAt = body.rfind(keyWord);
    if (keyAt == std::string_view::npos) return std::nullopt;
    const auto seal = seals.find(Key{name, numbered->first});
    if (seal == seals.end()) return Cp932FromUtf8("（封印を見ていないため確かめられません）");
    const bool holds =
        SealHolds(seal->second, body.substr(0, keyAt), body.substr(keyAt + keyWord.size()));
    return Cp932FromUtf8(holds ? "（封印と一致）" : "（封印と一致しません）");
}

}  // namespace vesk

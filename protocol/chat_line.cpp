#include "protocol/chat_line.h"

#include "protocol/cp932.h"
#include "protocol/player_name.h"
#include "protocol/wire_messages.h"

namespace vesk {

std::string ChatLineFromInput(std::string_view playerName, std::string_view typed) {
    // The control's text ends at a NUL.
    typed = typed.substr(0, typed.find('\0'));
    std::string text;
    text.reserve(typed.size());
    for (std::size_t at = 0; at < typed.size(); ++at) {
        const unsigned char byte = static_cast<unsigned char>(typed[at]);
        if (IsCp932LeadByte(byte) && at + 1 < typed.size() &&
            IsCp932TrailByte(static_cast<unsigned char>(typed[at + 1]))) {
            text.append(typed.substr(at, 2));
            ++at;
        } else if (byte == '\r' || byte == '\n') {
            // CR LF is one line break.
            if (byte == '\r' && at + 1 < typed.size() && typed[at + 1] == '\n') ++at;
            text += ' ';
        } else {
            text += static_cast<char>(byte);
        }
    }
    if (text.empty()) return {};
    return wire::ChatLine(PlayerNameForLines(playerName), Cp932Cut(text, kMaxTypedBytes));
}

}  // namespace vesk

#include "client/net/player_name.h"

#include "protocol/cp932.h"

namespace vesk {

std::string PlayerNameForLines(std::string_view boxText) {
    const std::string_view text =
        boxText.substr(0, boxText.find_first_of(std::string_view("\t\r\n\0", 4)));
    return std::string(Cp932Cut(text, kPlayerNameMaxBytes));
}

}  // namespace vesk

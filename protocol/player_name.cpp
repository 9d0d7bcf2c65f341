#include "protocol/player_name.h"

#include "protocol/cp932.h"

namespace vesk {

std::string PlayerNameForLines(std::string_view text, std::size_t maxBytes) {
    const std::string_view name =
        text.substr(0, text.find_first_of(std::string_view("\t\r\n\0", 4)));
    return std::string(Cp932Cut(name, maxBytes));
}

}  // namespace vesk

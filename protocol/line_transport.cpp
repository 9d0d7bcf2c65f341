#include "protocol/line_transport.h"

#include <chrono>

namespace vesk {

bool SendAll(SocketHandle socket, std::string_view bytes) {
    // One bound for all the pieces: a peer that takes a few bytes now and then gets no more
    // time than one that takes none.
    const auto started = std::chrono::steady_clock::now();
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const long result = SendSome(socket, bytes.data() + sent, bytes.size() - sent, started);
        if (result <= 0) return false;
        sent += static_cast<std::size_t>(result);
    }
    return true;
}

}  // namespace vesk

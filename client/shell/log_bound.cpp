#include "client/shell/log_bound.h"

namespace vesk {

std::size_t LogBound::Added(std::size_t lineBytes) {
    sizes.push_back(lineBytes);
    bytes += lineBytes;
    std::size_t dropped = 0;
    while (sizes.size() > 1 && (sizes.size() > limits.maxLines || bytes > limits.maxBytes)) {
        bytes -= sizes.front();
        sizes.pop_front();
        ++dropped;
    }
    return dropped;
}

void LogBound::Cleared() {
    sizes.clear();
    bytes = 0;
}

}  // namespace vesk

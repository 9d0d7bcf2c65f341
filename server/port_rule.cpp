#include "server/port_rule.h"

#include "protocol/cp932.h"

namespace vesk {

std::optional<std::string> ServerPortRefusal(long long port) {
    if (port < kServerPorts.lowest) {
        return Cp932FromUtf8("安全のためポート番号は1000以上を指定して下さい");
    }
    if (port > kServerPorts.highest) {
        return Cp932FromUtf8("ポート番号は65535以下を指定して下さい");
    }
    return std::nullopt;
}

}  // namespace vesk

#include "client/shell/target_form.h"

#include "client/shell/client_settings.h"
#include "protocol/cp932.h"
#include "protocol/socket.h"

namespace vesk {

namespace {

std::optional<int> PortFromText(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    if (text.empty() || text.size() > 5) return std::nullopt;
    int port = 0;
    for (const char digit : text) {
        if (digit < '0' || digit > '9') return std::nullopt;
        port = port * 10 + (digit - '0');
    }
    if (port < 1 || port > 65535) return std::nullopt;
    return port;
}

}  // namespace

std::string AddressRuleMessage() { return Cp932FromUtf8(kAddressRule); }

std::string PortRuleMessage() { return Cp932FromUtf8(kPortRule); }

TargetForm ReadTargetForm(std::string_view address, std::string_view port) {
    const std::string fitted(Cp932Cut(address, kMaxAddressBytes));
    if (!IsIpv4AddressText(fitted)) return {std::nullopt, AddressRuleMessage()};
    const std::optional<int> number = PortFromText(port);
    if (!number) return {std::nullopt, PortRuleMessage()};
    return {ConnectionTarget{fitted, *number}, {}};
}

}  // namespace vesk

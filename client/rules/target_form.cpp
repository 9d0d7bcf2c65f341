#include "client/rules/target_form.h"

#include "client/rules/client_settings.h"
#include "protocol/cp932.h"
#include "protocol/decimal_text.h"
#include "protocol/socket.h"

namespace vesk {

namespace {

// The field's digits without the spaces around them; more than five digits are refused even
// when they are leading zeros.
std::optional<int> PortFromField(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    if (text.size() > 5 || !IsDecimalDigits(text)) return std::nullopt;
    const int port = ReadDecimal(text);
    if (!kClientPorts.Holds(port)) return std::nullopt;
    return port;
}

}  // namespace

std::string AddressRuleMessage() { return Cp932FromUtf8(kAddressRule); }

std::string PortRuleMessage() { return Cp932FromUtf8(kPortRule); }

TargetForm ReadTargetForm(std::string_view address, std::string_view port) {
    const std::string fitted(Cp932Cut(address, kMaxAddressBytes));
    if (!IsIpv4AddressText(fitted)) {
        return {std::nullopt, TargetField::Address, AddressRuleMessage()};
    }
    const std::optional<int> number = PortFromField(port);
    if (!number) return {std::nullopt, TargetField::Port, PortRuleMessage()};
    return {ConnectionTarget{fitted, *number}, TargetField::None, {}};
}

}  // namespace vesk

#pragma once

// The server address and port as the connect and options dialogs take them from the player.

#include <optional>
#include <string>
#include <string_view>

#include "client/net/client_connection.h"

namespace vesk {

// The form's two fields, for naming the one that holds what no connection can be made to.
enum class TargetField { None, Address, Port };

// The target typed into a dialog (code page 932 texts), or the field to type again and what
// to type there instead: the address is dotted IPv4 (host names are not looked up), the port
// one to five digits, spaces around them allowed, for a port in kClientPorts. The address is
// taken at its first 99 bytes, as the field holds no more.
struct TargetForm {
    std::optional<ConnectionTarget> target;
    TargetField wrongField = TargetField::None;  // None exactly when target is set
    std::string problem;                         // code page 932, empty when target is set
};

TargetForm ReadTargetForm(std::string_view address, std::string_view port);

// The rules as messages, in code page 932.
std::string AddressRuleMessage();
std::string PortRuleMessage();

}  // namespace vesk

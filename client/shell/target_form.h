#pragma once

// The server address and port as the connect and options dialogs take them from the player.

#include <optional>
#include <string>
#include <string_view>

#include "client/net/client_connection.h"

namespace vesk {

// The target typed into a dialog (code page 932 texts), or the message that says what to type
// instead: the address is dotted IPv4 (host names are not looked up), the port a number from 1
// to 65535. The address is taken at its first 99 bytes, as the field holds no more.
struct TargetForm {
    std::optional<ConnectionTarget> target;
    std::string problem;  // code page 932, empty when target is set
};

TargetForm ReadTargetForm(std::string_view address, std::string_view port);

// The rules as messages, in code page 932.
std::string AddressRuleMessage();
std::string PortRuleMessage();

}  // namespace vesk

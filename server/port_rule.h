#pragma once

// Why a server may not listen on a port, in the words the user reads.

#include <optional>
#include <string>

#include "protocol/port_range.h"

namespace vesk {

// The code page 932 message for a port outside kServerPorts; nothing when it may be used.
std::optional<std::string> ServerPortRefusal(long long port);

}  // namespace vesk

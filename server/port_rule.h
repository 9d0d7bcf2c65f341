#pragma once

// The ports a server may be started on: 1000 and above (the ports below are the system's
// own services), and no more than TCP can address.

#include <optional>
#include <string>

namespace vesk {

inline constexpr int kDefaultServerPort = 15000;
inline constexpr long long kLowestServerPort = 1000;
inline constexpr long long kHighestServerPort = 65535;

// Why a port may not be used, as a code page 932 message for the user; nothing when it may.
std::optional<std::string> PortRuleMessage(long long port);

}  // namespace vesk

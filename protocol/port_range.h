#pragma once

// The TCP ports the programs take. A port is typed as decimal text and read with ReadDecimal
// (protocol/decimal_text.h); each program then holds it against its range here.

namespace vesk {

// The ports from lowest to highest, both included. A port is held against the range as a
// 64-bit number, so a value from a wider type is refused rather than narrowed first.
struct PortRange {
    int lowest;
    int highest;

    constexpr bool Holds(long long port) const { return port >= lowest && port <= highest; }
};

// Where a server listens: 1000 and above, as the ports below are the system's own services.
inline constexpr PortRange kServerPorts{1000, 65535};

// Where a client connects: any port a server can listen on; port 0 names none.
inline constexpr PortRange kClientPorts{1, 65535};

// The port a server is offered at its start and a client connects to until told otherwise.
inline constexpr int kDefaultServerPort = 15000;

}  // namespace vesk

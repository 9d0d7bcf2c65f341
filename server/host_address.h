#pragma once

// The address that players type to reach this machine. The first address of the host name's
// entry is often a loopback address (Debian maps the host name to 127.0.1.1), which nobody
// else can connect to, so the machine's own interfaces are asked first.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vesk {

// An IPv4 address in host byte order.
using Ipv4Address = std::uint32_t;

// What the machine tells about its addresses: the system's own answers, or a test's.
class HostAddressSource {
public:
    virtual ~HostAddressSource() = default;

    // The IPv4 addresses of the interfaces that are up, in the system's order.
    virtual std::vector<Ipv4Address> InterfaceAddresses() = 0;

    // The host name, or nothing when the system cannot give it.
    virtual std::optional<std::string> HostName() = 0;

    // The IPv4 addresses the name resolves to, first one first; empty when it resolves to none.
    virtual std::vector<Ipv4Address> AddressesOfName(const std::string& hostName) = 0;
};

// This machine's interfaces and resolver.
class SystemHostAddressSource : public HostAddressSource {
public:
    std::vector<Ipv4Address> InterfaceAddresses() override;
    std::optional<std::string> HostName() override;
    std::vector<Ipv4Address> AddressesOfName(const std::string& hostName) override;
};

struct HostAddress {
    std::string dotted;   // the address to show, or empty when there is none
    std::string message;  // code page 932 notice for the user when there is none, else empty
};

// The first non-loopback interface address; failing that, the host name's entry (its first
// non-loopback address, else its first address); failing that, the notice why there is none.
HostAddress LookUpHostAddress(HostAddressSource& source);

bool IsLoopback(Ipv4Address address);
std::string DottedText(Ipv4Address address);

}  // namespace vesk

#include "server/host_address.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "protocol/cp932.h"

namespace vesk {
namespace {

constexpr Ipv4Address Ip(unsigned a, unsigned b, unsigned c, unsigned d) {
    return (a << 24) | (b << 16) | (c << 8) | d;
}

class FakeSource : public HostAddressSource {
public:
    std::vector<Ipv4Address> interfaces;
    std::optional<std::string> hostName;
    std::vector<Ipv4Address> named;
    std::string askedName;

    std::vector<Ipv4Address> InterfaceAddresses() override { return interfaces; }
    std::optional<std::string> HostName() override { return hostName; }
    std::vector<Ipv4Address> AddressesOfName(const std::string& name) override {
        askedName = name;
        return named;
    }
};

struct LookupCase {
    const char* what;
    std::vector<Ipv4Address> interfaces;
    std::optional<std::string> hostName;
    std::vector<Ipv4Address> named;
    std::string dotted;
    std::string message;  // UTF-8
};

TEST(HostAddress, PrefersAnInterfaceThatOthersCanReach) {
    const LookupCase cases[] = {
        {"first non-loopback interface",
         {Ip(127, 0, 0, 1), Ip(192, 168, 1, 5), Ip(10, 0, 0, 2)},
         "box",
         {Ip(127, 0, 1, 1)},
         "192.168.1.5",
         ""},
        {"interfaces answer even without a host name",
         {Ip(172, 16, 0, 9)},
         std::nullopt,
         {},
         "172.16.0.9",
         ""},
        {"only loopback interfaces: the host name's reachable address",
         {Ip(127, 0, 0, 1)},
         "box",
         {Ip(127, 0, 1, 1), Ip(192, 0, 2, 7)},
         "192.0.2.7",
         ""},
        {"only loopback anywhere: the host name's first address",
         {Ip(127, 0, 0, 1)},
         "box",
         {Ip(127, 0, 1, 1), Ip(127, 0, 0, 1)},
         "127.0.1.1",
         ""},
        {"no interfaces and no host name", {}, std::nullopt, {}, "", "ホスト名が取得できません"},
        {"the host name resolves to nothing",
         {Ip(127, 0, 0, 1)},
         "box",
         {},
         "",
         "IPアドレスが取得できません"},
        {"all octets in order", {Ip(1, 2, 3, 4)}, std::nullopt, {}, "1.2.3.4", ""},
        {"largest octets", {Ip(255, 254, 253, 252)}, std::nullopt, {}, "255.254.253.252", ""},
    };
    for (const LookupCase& c : cases) {
        FakeSource source;
        source.interfaces = c.interfaces;
        source.hostName = c.hostName;
        source.named = c.named;
        const HostAddress found = LookUpHostAddress(source);
        EXPECT_EQ(found.dotted, c.dotted) << c.what;
        EXPECT_EQ(Utf8FromCp932(found.message), c.message) << c.what;
        const bool onlyLoopback = std::all_of(c.interfaces.begin(), c.interfaces.end(), IsLoopback);
        EXPECT_EQ(source.askedName, onlyLoopback && c.hostName ? *c.hostName : "") << c.what;
    }
}

TEST(HostAddress, ReadsThisMachinesLoopbackInHostByteOrder) {
    SystemHostAddressSource system;
    const auto interfaces = system.InterfaceAddresses();
    EXPECT_NE(std::find(interfaces.begin(), interfaces.end(), Ip(127, 0, 0, 1)), interfaces.end());
    // A numeric name needs no hosts file or name service, which a bare machine may lack.
    const auto named = system.AddressesOfName("127.0.0.1");
    EXPECT_NE(std::find(named.begin(), named.end(), Ip(127, 0, 0, 1)), named.end());
}

TEST(HostAddress, ThisMachineGivesAnAddressOrSaysWhyNot) {
    SystemHostAddressSource system;
    const HostAddress found = LookUpHostAddress(system);
    EXPECT_NE(found.dotted.empty(), found.message.empty());
}

}  // namespace
}  // namespace vesk

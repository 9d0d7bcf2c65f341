#include "server/host_address.h"

#include <algorithm>
#include <array>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include "protocol/cp932.h"

namespace vesk {

namespace {

constexpr std::size_t kHostNameBytes = 256;

std::optional<Ipv4Address> FirstNotLoopback(const std::vector<Ipv4Address>& addresses) {
    const auto found = std::find_if(addresses.begin(), addresses.end(),
                                    [](Ipv4Address address) { return !IsLoopback(address); });
    if (found == addresses.end()) return std::nullopt;
    return *found;
}

}  // namespace

bool IsLoopback(Ipv4Address address) { return (address >> 24) == 127; }

std::string DottedText(Ipv4Address address) {
    return std::to_string(address >> 24) + "." + std::to_string((address >> 16) & 0xFF) + "." +
           std::to_string((address >> 8) & 0xFF) + "." + std::to_string(address & 0xFF);
}

HostAddress LookUpHostAddress(HostAddressSource& source) {
    if (const auto own = FirstNotLoopback(source.InterfaceAddresses())) {
        return {DottedText(*own), {}};
    }
    const std::optional<std::string> hostName = source.HostName();
    if (!hostName) return {{}, Cp932FromUtf8("ホスト名が取得できません")};
    const std::vector<Ipv4Address> named = source.AddressesOfName(*hostName);
    if (named.empty()) return {{}, Cp932FromUtf8("IPアドレスが取得できません")};
    return {DottedText(FirstNotLoopback(named).value_or(named.front())), {}};
}

#ifdef _WIN32
// The name lookup below answers well enough on Windows, where the host name does not map to
// a loopback address.
std::vector<Ipv4Address> SystemHostAddressSource::InterfaceAddresses() { return {}; }
#else
std::vector<Ipv4Address> SystemHostAddressSource::InterfaceAddresses() {
    std::vector<Ipv4Address> addresses;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return addresses;
    for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
        if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET) continue;
        if ((entry->ifa_flags & IFF_UP) == 0) continue;
        const auto* ipv4 = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr);
        addresses.push_back(ntohl(ipv4->sin_addr.s_addr));
    }
    freeifaddrs(list);
    return addresses;
}
#endif

std::optional<std::string> SystemHostAddressSource::HostName() {
    std::array<char, kHostNameBytes> name{};
    if (gethostname(name.data(), static_cast<int>(name.size() - 1)) != 0) return std::nullopt;
    return std::string(name.data());
}

std::vector<Ipv4Address> SystemHostAddressSource::AddressesOfName(const std::string& hostName) {
    std::vector<Ipv4Address> addresses;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* results = nullptr;
    if (getaddrinfo(hostName.c_str(), nullptr, &hints, &results) != 0) return addresses;
    for (const addrinfo* entry = results; entry != nullptr; entry = entry->ai_next) {
        const auto* ipv4 = reinterpret_cast<const sockaddr_in*>(entry->ai_addr);
        addresses.push_back(ntohl(ipv4->sin_addr.s_addr));
    }
    freeaddrinfo(results);
    return addresses;
}

}  // namespace vesk

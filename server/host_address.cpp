#include "server/host_address.h"

#include <algorithm>
#include <array>

#ifdef _WIN32
#include "protocol/windows_headers.h"

// After the Windows headers, whose types it uses.
#include <iphlpapi.h>
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
std::vector<Ipv4Address> SystemHostAddressSource::InterfaceAddresses() {
    std::vector<Ipv4Address> addresses;
    constexpr ULONG kSkipped =
        GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER;
    // The size asked for may grow between two calls, when an adapter comes up meanwhile.
    std::vector<unsigned char> buffer;
    ULONG size = 16 * 1024;
    ULONG result = ERROR_BUFFER_OVERFLOW;
    for (int attempt = 0; attempt < 3 && result == ERROR_BUFFER_OVERFLOW; ++attempt) {
        buffer.resize(size);
        result =
            GetAdaptersAddresses(AF_INET, kSkipped, nullptr,
                                 reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()), &size);
    }
    if (result != NO_ERROR) return addresses;
    for (auto* adapter = reinterpret_cast<const IP_ADAPTER_ADDRESSES*>(buffer.data());
         adapter != nullptr; adapter = adapter->Next) {
        if (adapter->OperStatus != IfOperStatusUp) continue;
        for (auto* unicast = adapter->FirstUnicastAddress; unicast != nullptr;
             unicast = unicast->Next) {
            const sockaddr* address = unicast->Address.lpSockaddr;
            if (address == nullptr || address->sa_family != AF_INET) continue;
            const auto* ipv4 = reinterpret_cast<const sockaddr_in*>(address);
            addresses.push_back(ntohl(ipv4->sin_addr.s_addr));
        }
    }
    return addresses;
}
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

#include "client/shell/target_form.h"

#include "client/shell/client_settings.h"
#include "protocol/cp932.h"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <winsock2.h>
#else
#include <arpa/inet.h>
#endif

namespace vesk {

namespace {

// What the connection accepts as an address: the forms inet_addr reads ("127.0.0.1", and
// shorter ones such as "127.1"), never a host name.
bool IsIpv4Text(const std::string& text) {
#ifdef _WIN32
    return inet_addr(text.c_str()) != INADDR_NONE || text == "255.255.255.255";
#else
    in_addr parsed{};
    return inet_aton(text.c_str(), &parsed) != 0;
#endif
}

std::optional<int> PortFromText(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    if (text.empty() || text.size() > 5) return std::nullopt;
    int port = 0;
    for (const char digit : text) {
        if (digit < '0' || digit > '9') return std::nullopt;
        port = port * 10 + (digit - '0');
    }
    if (port < 1 || port > 65535) return std::nullopt;
    return port;
}

}  // namespace

std::string AddressRuleMessage() {
    return Cp932FromUtf8("アドレスは 127.0.0.1 のように数字とピリオドで指定してください。");
}

std::string PortRuleMessage() {
    return Cp932FromUtf8("ポート番号は 1 から 65535 までの数で指定してください。");
}

TargetForm ReadTargetForm(std::string_view address, std::string_view port) {
    const std::string fitted(Cp932Cut(address, kMaxAddressBytes));
    if (!IsIpv4Text(fitted)) return {std::nullopt, AddressRuleMessage()};
    const std::optional<int> number = PortFromText(port);
    if (!number) return {std::nullopt, PortRuleMessage()};
    return {ConnectionTarget{fitted, *number}, {}};
}

}  // namespace vesk

#include "protocol/socket_startup.h"

#include "protocol/cp932.h"
#include "protocol/windows_headers.h"

namespace vesk {

namespace {

// Windows Sockets 1.1, as MAKEWORD(1, 1) makes it.
constexpr std::uint16_t kVersion11 = 0x0101;

}  // namespace

SocketStartupOutcome SocketStartup() {
#ifdef _WIN32
    WSADATA data{};
    const int error = WSAStartup(kVersion11, &data);
    const SocketStartupOutcome outcome = JudgeSocketStartup(error, data.wVersion);
    // A start that granted the wrong version still counts as a start to be balanced.
    if (outcome == SocketStartupOutcome::WrongVersion) WSACleanup();
    return outcome;
#else
    return SocketStartupOutcome::Ready;
#endif
}

void SocketCleanup() {
#ifdef _WIN32
    WSACleanup();
#endif
}

SocketStartupOutcome JudgeSocketStartup(int startupError, std::uint16_t grantedVersion) {
    if (startupError != 0) return SocketStartupOutcome::NoVersion;
    if (grantedVersion != kVersion11) return SocketStartupOutcome::WrongVersion;
    return SocketStartupOutcome::Ready;
}

std::string SocketStartupMessage(SocketStartupOutcome outcome) {
    switch (outcome) {
        case SocketStartupOutcome::Ready:
            break;
        case SocketStartupOutcome::NoVersion:
            return Cp932FromUtf8("WinSockのバージョンを取得できません");
        case SocketStartupOutcome::WrongVersion:
            return Cp932FromUtf8("WinSock1.1以上が必要です");
    }
    return {};
}

bool CheckSocketStartup(const std::function<void(std::string_view cp932Text)>& showMessage) {
    const SocketStartupOutcome outcome = SocketStartup();
    if (outcome == SocketStartupOutcome::Ready) return true;
    showMessage(SocketStartupMessage(outcome));
    return false;
}

}  // namespace vesk

#pragma once

// The socket library's start-up check, which both programs run before anything else: on
// Windows the programs ask for Windows Sockets 1.1 and tell the player when they cannot have
// it. On POSIX the sockets are always ready.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace vesk {

// What a program ends with when it cannot start; every ordinary end is 0.
inline constexpr int kStartFailedExitCode = 1;

enum class SocketStartupOutcome {
    Ready,
    NoVersion,     // the library did not start, so it granted no version
    WrongVersion,  // it granted a version other than 1.1 and has been cleaned up again
};

// Readies the platform's socket library. After Ready, SocketCleanup is owed at the end.
SocketStartupOutcome SocketStartup();
void SocketCleanup();

// The outcome of a start of the library that returned startupError (0 for success) and
// granted grantedVersion (the major number in the low byte, the minor in the high byte).
SocketStartupOutcome JudgeSocketStartup(int startupError, std::uint16_t grantedVersion);

// What the player is told of an outcome, in code page 932; empty for Ready.
std::string SocketStartupMessage(SocketStartupOutcome outcome);

// Readies the library and shows the player, through showMessage, why it cannot be used. True
// when it is ready.
bool CheckSocketStartup(const std::function<void(std::string_view cp932Text)>& showMessage);

}  // namespace vesk

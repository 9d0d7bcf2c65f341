#pragma once

// What the socket layer needs of each system beside the calls socket.h offers: the error
// numbers it looks at and the types the system's calls take. socket_posix.cpp and
// socket_windows.cpp each give all of it; socket.cpp holds what both systems share.

#include <chrono>
#include <string>

#include "protocol/socket.h"

#ifndef _WIN32
#include <netinet/in.h>
#include <sys/socket.h>
#endif

namespace vesk::system {

#ifdef _WIN32
using Length = int;         // of a buffer handed to send or recv
using AddressLength = int;  // of an address or an option value
#else
using Length = std::size_t;
using AddressLength = socklen_t;
#endif

// The last call was cut short by a signal and is to be tried again.
bool Interrupted();
// An accept failed for a connection that went wrong before it was taken, which says nothing
// about the listener.
bool AcceptAborted();
// The system was short of descriptors or memory for a moment.
bool ShortOfResources();
// A connect on a socket that does not wait has begun and goes on.
bool ConnectPending();
// Why a connect failed, from the system's error number.
ConnectFailure ConnectFailureOf(int error);
extern const int kConnectTimedOut;

// The forms inet_addr reads: up to four parts in decimal, octal ("010") or hexadecimal
// ("0x7f"), the last part filling the bytes the others leave ("127.1" is 127.0.0.1).
bool ReadIpv4Address(const std::string& text, in_addr* address);

// Lets a stop and a start on the same port follow each other while connections of the last
// run wait out their close, where the system still refuses a port another program listens on.
void AllowQuickRestart(SocketHandle listener);

// Runs a system call again while a signal cuts it short.
template <typename Call>
long Retry(Call call) {
    long result;
    do {
        result = static_cast<long>(call());
    } while (result < 0 && Interrupted());
    return result;
}

// Waits for room in the socket's send buffer; false once its send timeout, counted from
// started, has passed.
bool WaitForRoom(SocketHandle socket, std::chrono::steady_clock::time_point started);

}  // namespace vesk::system

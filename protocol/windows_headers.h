#pragma once

// The one way in to the Windows headers for every file of ours. Without NOMINMAX they define
// min and max as macros, which break std::min and std::max in every file that includes them;
// without WIN32_LEAN_AND_MEAN <windows.h> brings in the first Winsock header, which clashes
// with <winsock2.h>. Nothing on other systems.

#ifdef _WIN32

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif

#include <windows.h>
#include <winsock2.h>
#include <ws2tcpip.h>

#endif

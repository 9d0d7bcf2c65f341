#pragma once

// Boost.Asio for the relay's loop and the browser seat, and for the files that drive them only:
// it compiles slowly. Boost 1.74's Asio uses std::exchange without including <utility>, which
// C++20 with GCC 12 does not include on its own; on Windows our one way in to the system's
// headers comes first, so that <windows.h> never brings the old Winsock header before Asio's.

#include <utility>

#include "protocol/windows_headers.h"

#include <boost/asio.hpp>

namespace vesk {

namespace asio = boost::asio;
using tcp = boost::asio::ip::tcp;

}  // namespace vesk

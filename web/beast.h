#pragma once

// Boost.Asio and Boost.Beast for the web server's own files only, so that few files pay for
// compiling them. Boost 1.74's Asio uses std::exchange without including <utility>, which
// C++20 with GCC 12 does not include on its own.

#include <utility>

#include <boost/asio.hpp>
#include <boost/asio/ssl.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/ssl.hpp>
#include <boost/beast/websocket.hpp>
#include <boost/beast/websocket/ssl.hpp>

namespace vesk::web {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = boost::beast::http;
namespace websocket = boost::beast::websocket;
using tcp = boost::asio::ip::tcp;
using TlsStream = boost::beast::ssl_stream<boost::beast::tcp_stream>;

}  // namespace vesk::web

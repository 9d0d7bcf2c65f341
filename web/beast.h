#pragma once

// Boost.Beast for the web server's own files only, so that few files pay for compiling it.

#include "server/asio.h"

#include <boost/asio/ssl.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/ssl.hpp>
#include <boost/beast/websocket.hpp>
#include <boost/beast/websocket/ssl.hpp>

namespace vesk::web {

// asio and tcp come from the relay's namespace.
namespace beast = boost::beast;
namespace http = boost::beast::http;
namespace websocket = boost::beast::websocket;
using TlsStream = boost::beast::ssl_stream<boost::beast::tcp_stream>;

}  // namespace vesk::web

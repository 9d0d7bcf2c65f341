#pragma once

// One VeskChat for tests: a fake window and the connection object, aimed at a loopback port.

#include <functional>
#include <string>
#include <vector>

#include "client/net/client_connection.h"
#include "tests/client/net/fake_chat_window.h"
#include "tests/support/test_peer.h"

namespace vesk::test {

// The notice in the chat log when the server ended the connection.
inline std::string EndedNotice() { return Sjis("サーバーとの接続が切れました\r\n"); }

struct Player {
    Player(const std::string& name, int port, ConnectionOptions options = {})
        : connection(window, options) {
        window.playerName = name;
        connection.Target().port = port;
    }

    bool Pump(const std::function<bool()>& condition) { return window.PumpUntil(condition); }
    bool PumpUntilRows(const std::vector<std::string>& rows) {
        return Pump([&] { return window.rows == rows; });
    }
    bool LastLogIs(const std::string& text) const {
        return !window.chatLog.empty() && window.chatLog.back() == text;
    }

    FakeChatWindow window;
    ClientConnection connection;
};

}  // namespace vesk::test

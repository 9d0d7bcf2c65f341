#pragma once

// What the server's commands do, apart from any window: start from the text of the port
// field, stop, and end. The window only shows the outcome.

#include <string_view>

#include "protocol/menu_state.h"
#include "server/relay_reporter.h"
#include "server/relay_server.h"

namespace vesk {

enum class StartOutcome {
    Started,  // listening; "サーバー起動" logged
    Refused,  // the port breaks the port rule; the user was told, nothing was tried
    Failed,   // the relay could not listen; its error line is in the event log
};

class ServerControl {
public:
    explicit ServerControl(RelayReporter& reporter, RelayOptions options = {});

    // Starts on the port written in portText (code page 932). The text is read the way atoi
    // reads it, so text that is no number asks for port 0 and is refused by the port rule.
    // dice: whether the relay rolls the dice commands in chat lines while it runs.
    StartOutcome StartFromText(std::string_view portText, bool dice = true);

    // Stops listening and logs "サーバー終了"; connected clients go on relaying.
    void Stop();

    // For the end of the program: the roster is emptied, the listener closed and every
    // client cut off; returns once the relay's loop has ended.
    void Close();

    // Idle while stopped (start enabled), Active while running (stop enabled).
    MenuState Menu() const;

    const RelayServer& Relay() const { return relay; }
    RelayServer& Relay() { return relay; }

private:
    RelayReporter& reporter;
    RelayServer relay;
};

}  // namespace vesk

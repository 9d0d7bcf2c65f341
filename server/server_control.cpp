#include "server/server_control.h"

#include <cstdint>

#include "protocol/cp932.h"
#include "protocol/decimal_text.h"
#include "server/port_rule.h"

namespace vesk {

ServerControl::ServerControl(RelayReporter& reporter, RelayOptions options)
    : reporter(reporter), relay(reporter, options) {}

StartOutcome ServerControl::StartFromText(std::string_view portText, bool dice) {
    const int port = ReadDecimal(portText);
    // Checked in full before any narrowing: a port above 65535 would otherwise start the
    // server on its low 16 bits, a port the user never chose.
    if (const auto refusal = ServerPortRefusal(port)) {
        reporter.ShowMessage(*refusal);
        return StartOutcome::Refused;
    }
    // Logged before the accept loop can log, whichever thread a front end writes from.
    relay.SetDice(dice);
    const auto started = [this] { reporter.LogLine(Cp932FromUtf8("サーバー起動")); };
    if (!relay.Start(static_cast<std::uint16_t>(port), started)) return StartOutcome::Failed;
    return StartOutcome::Started;
}

void ServerControl::Stop() {
    // Logged before the accept loop logs its end, the order the window shows.
    reporter.LogLine(Cp932FromUtf8("サーバー終了"));
    relay.Stop();
}

void ServerControl::Close() { relay.Close(); }

MenuState ServerControl::Menu() const {
    return relay.ListeningPort() >= 0 ? MenuState::Active : MenuState::Idle;
}

}  // namespace vesk

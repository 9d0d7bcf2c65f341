#include "server/server_control.h"

#include <cstdint>

#include "protocol/cp932.h"
#include "protocol/decimal_text.h"
#include "server/port_rule.h"

namespace vesk {

ServerControl::ServerControl(RelayReporter& reporter, RelayOptions options)
    : reporter(reporter), relay(reporter, options) {}

StartOutcome ServerControl::StartFromText(std::string_view portText) {
    const int port = ReadDecimal(portText);
    // Checked in full before any narrowing: a port above 65535 would otherwise start the
    // server on its low 16 bits, a port the user never chose.
    if (const auto refusal = PortRuleMessage(port)) {
        reporter.ShowMessage(*refusal);
        return StartOutcome::Refused;
    }
    if (!relay.Start(static_cast<std::uint16_t>(port))) return StartOutcome::Failed;
    reporter.LogLine(Cp932FromUtf8("サーバー起動"));
    return StartOutcome::Started;
}

void ServerControl::Stop() {
    relay.Stop();
    reporter.LogLine(Cp932FromUtf8("サーバー終了"));
}

void ServerControl::Close() { relay.Close(); }

int ServerControl::MenuState() const { return relay.ListeningPort() >= 0 ? 1 : 0; }

}  // namespace vesk

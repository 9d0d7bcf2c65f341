// vesk-relay: the relay server without a window, for a machine with no desktop. Each event
// log line goes to standard output in UTF-8; SIGINT or SIGTERM stops it.

#include <csignal>
#include <cstdio>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#ifdef _WIN32
#include <atomic>
#include <chrono>
#include <thread>
#else
#include <pthread.h>
#endif

#include "protocol/cp932.h"
#include "protocol/decimal_text.h"
#include "protocol/socket_startup.h"
#include "server/port_rule.h"
#include "server/server_control.h"
#ifdef VESK_HAS_WEB
#include "dice/data_folder.h"
#include "web/web_server.h"
#endif

namespace {

constexpr int kExitBadArguments = 2;
constexpr int kExitStartFailed = vesk::kStartFailedExitCode;

class StandardOutputReporter : public vesk::RelayReporter {
public:
    void LogLine(std::string_view text) override { Write(stdout, text); }
    void ShowMessage(std::string_view text) override { Write(stderr, text); }

private:
    void Write(std::FILE* stream, std::string_view text) {
        const std::string line = vesk::Utf8FromCp932(text) + "\n";
        std::lock_guard guard(lock);
        std::fputs(line.c_str(), stream);
        std::fflush(stream);
    }

    std::mutex lock;  // one line at a time, whichever thread writes it
};

void PrintUsage(std::FILE* stream) {
    std::fprintf(
        stream,
        "usage: vesk-relay [--port N] [--flood-limit L] [--per-address C] [--dice on|off]\n"
        "                  [--web-port W [--web-cert FILE --web-key FILE] [--seat-grace S]]\n"
        "                  [--history H] [--tcp-history]\n"
        "  Relays a party of VeskChat clients on TCP port N (%d to %d, default %d).\n"
        "  A participant who sends more than L lines a second for long is slowed down\n"
        "  (default 50; 0 never slows anyone).\n"
        "  At most C connections from one address at a time (default 10; 0 for no limit);\n"
        "  a browser seat counts for the browser's address.\n"
        "  The relay rolls the dice commands players type in the chat (2D6+3, CCB<=55,\n"
        "  S2D6 for a secret roll, ...); --dice off relays every line as it came.\n"
        "  With --web-port, serves a page on HTTP port W from which a browser joins the party\n"
        "  as one more participant; its dice and name lists are dice.sai and name.nam in the\n"
        "  current directory, or the sample lists when there are none. With --web-cert and\n"
        "  --web-key (PEM files) the page is served over TLS only (https://, wss://).\n"
        "  A browser seat whose page loses its connection keeps its place for S seconds\n"
        "  (default 120; 0: it leaves at once) and, back, gets every line it missed.\n"
        "  The relay keeps the party's last H lines (default 300, 256 KB at most; 0: none),\n"
        "  which a browser seat shows first; with --tcp-history a VeskChat that connects gets\n"
        "  them too, between the lines 【これまでの会話】 and 【ここまで】.\n"
        "  Stops on Ctrl+C (SIGINT) or SIGTERM.\n",
        vesk::kServerPorts.lowest, vesk::kServerPorts.highest, vesk::kDefaultServerPort);
}

// A number argument is decimal digits only. Lines per second or connections take at most this
// many, more than any party could want; anything else is a usage error.
constexpr std::size_t kLimitDigits = 6;

#ifdef _WIN32
std::atomic<bool> stopRequested{false};
void OnStopSignal(int) { stopRequested = true; }

void WaitForStopSignal() {
    std::signal(SIGINT, OnStopSignal);
    std::signal(SIGTERM, OnStopSignal);
    while (!stopRequested) std::this_thread::sleep_for(std::chrono::milliseconds(100));
}
#else
sigset_t StopSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    return signals;
}

// Called before any thread starts, so that every thread inherits the mask and the signals
// wait for sigwait in the main thread.
void BlockStopSignals() {
    const sigset_t signals = StopSignals();
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
}

void WaitForStopSignal() {
    const sigset_t signals = StopSignals();
    int received = 0;
    sigwait(&signals, &received);
}
#endif

struct WebSeatArguments {
    std::string port;         // as given, for the event log; none: no browser seat
    int portNumber = 0;       // port read, once the port rule has taken it
    std::string certificate;  // with key: TLS
    std::string key;
};

// Runs the started relay, with its browser seat when a port is given, until a stop signal.
int ServeUntilStopped(vesk::ServerControl& control, const WebSeatArguments& arguments,
                      vesk::RelayReporter& reporter) {
#ifdef VESK_HAS_WEB
    const std::string& webPort = arguments.port;
    std::optional<vesk::web::WebServer> web;
    if (!webPort.empty()) {
        vesk::web::WebOptions webOptions;
        webOptions.dataPaths = vesk::FindDataFolder();
        webOptions.certificateFile = arguments.certificate;
        webOptions.keyFile = arguments.key;
        web.emplace(webOptions, control.Relay());
        std::string error;
        if (!web->Start(static_cast<std::uint16_t>(arguments.portNumber), error)) {
            reporter.ShowMessage(vesk::Cp932FromUtf8("ブラウザ席を開けません (ポート番号 " +
                                                     webPort + ")：" + error));
            control.Close();
            return kExitStartFailed;
        }
        reporter.LogLine(vesk::Cp932FromUtf8("ブラウザ席：ポート番号 " + webPort +
                                             (arguments.key.empty() ? "" : " (TLS)")));
    }
#else
    (void)arguments;
    (void)reporter;
#endif
    WaitForStopSignal();
#ifdef VESK_HAS_WEB
    // The seats leave first, while the relay can still announce it.
    if (web) web->Stop();
#endif
    control.Stop();
    control.Close();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::string port = std::to_string(vesk::kDefaultServerPort);
    WebSeatArguments web;
    vesk::RelayOptions options;
    std::size_t history = 300;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "-h" || argument == "--help") {
            PrintUsage(stdout);
            return 0;
        }
        // "--name V" or "--name=V", where V is a number, or a file for the two file options.
        const std::string_view name = argument.substr(0, argument.find('='));
        const bool file = name == "--web-cert" || name == "--web-key";
        const bool word = name == "--dice";
        const bool flag = name == "--tcp-history";
        const bool known = file || word || flag || name == "--port" || name == "--flood-limit" ||
                           name == "--per-address" || name == "--web-port" ||
                           name == "--seat-grace" || name == "--history";
        std::string_view value;
        if (flag) {
            value = name.size() < argument.size() ? "?" : "";
        } else if (name.size() < argument.size()) {
            value = argument.substr(name.size() + 1);
        } else if (known && i + 1 < argc) {
            value = argv[++i];
        }
        const bool valid = known &&
                           (flag   ? value.empty()
                            : file ? !value.empty()
                            : word ? value == "on" || value == "off"
                                   : vesk::IsDecimalDigits(value)) &&
                           (name == "--port" || name == "--web-port" || file || word || flag ||
                            value.size() <= kLimitDigits);
        if (!valid) {
            std::fprintf(stderr, "vesk-relay: bad argument: %s\n", argv[i]);
            PrintUsage(stderr);
            return kExitBadArguments;
        }
        if (name == "--port") {
            port = value;
        } else if (name == "--web-port") {
            web.port = value;
        } else if (name == "--web-cert") {
            web.certificate = value;
        } else if (name == "--web-key") {
            web.key = value;
        } else if (name == "--flood-limit") {
            options.floodLimit = vesk::ReadDecimal(value);
        } else if (word) {
            options.dice = value == "on";
        } else if (flag) {
            options.tcpHistory = true;
        } else if (name == "--seat-grace") {
            options.seatGrace = std::chrono::seconds(vesk::ReadDecimal(value));
        } else if (name == "--history") {
            history = static_cast<std::size_t>(vesk::ReadDecimal(value));
        } else {
            options.perAddress = vesk::ReadDecimal(value);
        }
    }

    if (web.certificate.empty() != web.key.empty() ||
        (web.port.empty() && !web.certificate.empty())) {
        std::fputs("vesk-relay: --web-cert and --web-key go together, with --web-port\n", stderr);
        PrintUsage(stderr);
        return kExitBadArguments;
    }
    if (!web.port.empty()) {
#ifdef VESK_HAS_WEB
        web.portNumber = vesk::ReadDecimal(web.port);
        if (const auto rule = vesk::ServerPortRefusal(web.portNumber)) {
            std::fprintf(stderr, "vesk-relay: --web-port: %s\n",
                         vesk::Utf8FromCp932(*rule).c_str());
            return kExitBadArguments;
        }
#else
        std::fputs("vesk-relay: --web-port: this vesk-relay was built without the browser seat\n",
                   stderr);
        return kExitBadArguments;
#endif
    }

    // The recent lines are kept only for someone to show them to.
    if (!web.port.empty() || options.tcpHistory) options.historyLines = history;

#ifndef _WIN32
    BlockStopSignals();
#endif
    StandardOutputReporter reporter;
    if (!vesk::CheckSocketStartup([&](std::string_view text) { reporter.ShowMessage(text); })) {
        return kExitStartFailed;
    }
    int exitCode = 0;
    {
        vesk::ServerControl control(reporter, options);
        switch (control.StartFromText(port)) {
            case vesk::StartOutcome::Started:
                exitCode = ServeUntilStopped(control, web, reporter);
                break;
            case vesk::StartOutcome::Refused:
                exitCode = kExitBadArguments;
                break;
            case vesk::StartOutcome::Failed:
                exitCode = kExitStartFailed;
                break;
        }
    }
    vesk::SocketCleanup();
    return exitCode;
}

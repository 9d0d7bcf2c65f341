// Runs the real vesk-relay program and talks to it as a user and a client would.

#include <gtest/gtest.h>

#ifdef _WIN32
#include "protocol/windows_headers.h"
#else
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "protocol/socket.h"
#include "tests/support/test_peer.h"

#ifndef _WIN32
extern char** environ;
#endif

namespace vesk {
namespace {

using test::FreePort;
using namespace std::chrono_literals;
using test::Sjis;
using test::TestPeer;

#ifdef _WIN32

// The program with its standard output and error in one pipe. Windows ends its output lines
// with CR LF; Text gives them as LF alone, as on POSIX.
class RelayProcess {
public:
    explicit RelayProcess(const std::vector<std::string>& arguments) {
        SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
        HANDLE write = nullptr;
        EXPECT_TRUE(CreatePipe(&output, &write, &inherited, 0));
        SetHandleInformation(output, HANDLE_FLAG_INHERIT, 0);
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = INVALID_HANDLE_VALUE;
        startup.hStdOutput = write;
        startup.hStdError = write;
        std::string commandLine = "\"" VESK_RELAY_PATH "\"";
        for (const std::string& argument : arguments) commandLine += " " + argument;
        EXPECT_TRUE(CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                   nullptr, &startup, &process));
        CloseHandle(write);
    }

    ~RelayProcess() {
        if (process.hProcess != nullptr) {
            if (!exited) TerminateProcess(process.hProcess, 1);
            WaitForSingleObject(process.hProcess, INFINITE);
            CloseHandle(process.hProcess);
            CloseHandle(process.hThread);
        }
        CloseHandle(output);
    }

    // Reads output until it holds text; false at the deadline or the end of the output.
    bool WaitForOutput(const std::string& text, std::chrono::milliseconds deadline = 10s) {
        const auto until = std::chrono::steady_clock::now() + deadline;
        while (captured.find(text) == std::string::npos) {
            // A pipe cannot be waited on with a timeout; what is waiting is looked at instead.
            DWORD waiting = 0;
            if (!PeekNamedPipe(output, nullptr, 0, nullptr, &waiting, nullptr)) return false;
            if (waiting == 0) {
                if (std::chrono::steady_clock::now() >= until) return false;
                std::this_thread::sleep_for(10ms);
                continue;
            }
            char chunk[4096];
            DWORD got = 0;
            if (!ReadFile(output, chunk, sizeof chunk, &got, nullptr) || got == 0) return false;
            for (DWORD i = 0; i < got; ++i) {
                if (chunk[i] == '\n' && captured.ends_with('\r')) captured.pop_back();
                captured += chunk[i];
            }
        }
        return true;
    }

    // The exit code, or -1 when the process did not exit within the deadline.
    int WaitForExit(std::chrono::milliseconds deadline = 5s) {
        if (WaitForSingleObject(process.hProcess, static_cast<DWORD>(deadline.count())) !=
            WAIT_OBJECT_0) {
            return -1;
        }
        exited = true;
        DWORD code = 0;
        GetExitCodeProcess(process.hProcess, &code);
        return static_cast<int>(code);
    }

    const std::string& Text() const { return captured; }

private:
    PROCESS_INFORMATION process{};
    HANDLE output = nullptr;
    bool exited = false;
    std::string captured;
};

#else

class RelayProcess {
public:
    explicit RelayProcess(std::vector<std::string> arguments) {
        int out[2];
        EXPECT_EQ(pipe(out), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_adddup2(&actions, out[1], 2);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        arguments.insert(arguments.begin(), VESK_RELAY_PATH);
        std::vector<char*> argv;
        for (auto& argument : arguments) argv.push_back(argument.data());
        argv.push_back(nullptr);
        EXPECT_EQ(posix_spawn(&pid, VESK_RELAY_PATH, &actions, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        output = out[0];
    }

    ~RelayProcess() {
        if (pid > 0 && !exited) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        close(output);
    }

    // Reads output until it holds text; false at the deadline or the end of the output.
    bool WaitForOutput(const std::string& text, std::chrono::milliseconds deadline = 10s) {
        const auto until = std::chrono::steady_clock::now() + deadline;
        while (captured.find(text) == std::string::npos) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                until - std::chrono::steady_clock::now());
            pollfd entry{output, POLLIN, 0};
            if (left.count() <= 0 || poll(&entry, 1, static_cast<int>(left.count())) <= 0) {
                return false;
            }
            char chunk[4096];
            const auto got = read(output, chunk, sizeof chunk);
            if (got <= 0) return false;
            captured.append(chunk, static_cast<std::size_t>(got));
        }
        return true;
    }

    // The exit code, or -1 when the process did not exit normally within the deadline.
    int WaitForExit(std::chrono::milliseconds deadline = 5s) {
        const auto until = std::chrono::steady_clock::now() + deadline;
        int status = 0;
        while (waitpid(pid, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() >= until) return -1;
            usleep(10'000);
        }
        exited = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    void Signal(int number) { kill(pid, number); }
    pid_t Pid() const { return pid; }
    const std::string& Text() const { return captured; }

private:
    pid_t pid = -1;
    int output = -1;
    bool exited = false;
    std::string captured;
};

#endif

TEST(VeskRelay, RefusesBadArgumentsAndPortsWithExitCode2) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--port", "999"}, "安全のためポート番号は1000以上を指定して下さい"},
        {{"--port", "65536"}, "65535"},
        {{"--port", "12ab"}, "usage: vesk-relay"},
        {{"--port"}, "usage: vesk-relay"},
        {{"extra"}, "usage: vesk-relay"},
        {{"--flood-limit", "-1"}, "usage: vesk-relay"},
        {{"--flood-limit=1234567"}, "usage: vesk-relay"},
        {{"--flood-limit"}, "usage: vesk-relay"},
        {{"--per-address", "-1"}, "usage: vesk-relay"},
        {{"--web-port", "x"}, "usage: vesk-relay"},
        {{"--web-port", "15080", "--web-cert", "c.pem"}, "--web-cert and --web-key go together"},
        {{"--web-cert=c.pem", "--web-key=k.pem"}, "--web-cert and --web-key go together"},
        {{"--web-key="}, "usage: vesk-relay"},
        {{"--tcp-history=on"}, "usage: vesk-relay"},
        {{"--history", "many"}, "usage: vesk-relay"},
        {{"--seat-grace"}, "usage: vesk-relay"},
#ifdef VESK_HAS_WEB
        {{"--web-port", "999"}, "安全のためポート番号は1000以上を指定して下さい"},
        {{"--web-port=99999999999999"}, "65535"},
        {{"--web-port=0000000000099999"}, "65535"},  // read whole, as --port is
#else
        {{"--web-port", "15080"}, "built without the browser seat"},
#endif
    };
    for (const auto& [arguments, message] : cases) {
        RelayProcess relay(arguments);
        EXPECT_EQ(relay.WaitForExit(), 2) << arguments[0];
        relay.WaitForOutput(message);
        EXPECT_NE(relay.Text().find(message), std::string::npos) << relay.Text();
    }
}

TEST(VeskRelay, APortInUseEndsItWithTheBindErrorAndAFailureCode) {
    const Listener holder = OpenListener(0, 1);
    RelayProcess relay({"--port", std::to_string(LocalPort(holder.handle))});
    EXPECT_TRUE(relay.WaitForOutput("ERROR：ソケット初期化(bind)失敗\n"));
    EXPECT_EQ(relay.WaitForExit(), 1);
    CloseSocket(holder.handle);
}

TEST(VeskRelay, RelaysAPartyAndAnnouncesWhoLeaves) {
    const int port = FreePort();
    RelayProcess relay({"--port", std::to_string(port)});
    ASSERT_TRUE(relay.WaitForOutput("接続受け入れ可能\n")) << relay.Text();
    TestPeer aya(port);
    aya.Send("Aya\r\n");
    ASSERT_EQ(aya.NextLine(), "paddAya\t0\r\n");
    {
        TestPeer ben(port);
        EXPECT_EQ(ben.NextLine(), "paddAya\t0\r\n");
        ben.Send(Sjis("Ben\r\ntalkBen：表\r\n"));
        EXPECT_TRUE(aya.WaitForLine("paddBen\t1\r\n"));
        EXPECT_EQ(aya.NextLine(), Sjis("talkBen：表\r\n"));
    }
    EXPECT_EQ(aya.NextLine(), "pdel1\r\n");
    EXPECT_EQ(aya.NextLine(), "talk\r\n");
    EXPECT_EQ(aya.NextLine(), Sjis("Ben がパーティから抜けました\r\n"));
    EXPECT_TRUE(relay.WaitForOutput("切断：クライアント No.1\n")) << relay.Text();
}

TEST(VeskRelay, WithTcpHistoryANewcomerGetsTheRecentLinesAfterItsRosterLines) {
    const int port = FreePort();
    RelayProcess relay({"--port", std::to_string(port), "--tcp-history", "--history=2"});
    ASSERT_TRUE(relay.WaitForOutput("接続受け入れ可能\n")) << relay.Text();
    TestPeer aya(port);
    aya.Send(Sjis("Aya\r\ntalkAya：一\r\ntalkAya：二\r\ntalkAya：三\r\n"));
    ASSERT_TRUE(aya.WaitForLine(Sjis("talkAya：三\r\n")));
    TestPeer ben(port);
    EXPECT_EQ(ben.NextLine(), "paddAya\t0\r\n");
    EXPECT_EQ(ben.NextLine(), Sjis("talk【これまでの会話】\r\n"));
    EXPECT_EQ(ben.NextLine(), Sjis("talkAya：二\r\n"));
    EXPECT_EQ(ben.NextLine(), Sjis("talkAya：三\r\n"));
    EXPECT_EQ(ben.NextLine(), Sjis("talk【ここまで】\r\n"));
}

TEST(VeskRelay, ServesAPartyAndStopsCleanlyOnSignals) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no signals to send to another program; its console events "
                    "need a console, which a test run under Wine does not have";
#else
    for (const int stopSignal : {SIGTERM, SIGINT}) {
        const int port = FreePort();
        RelayProcess relay({"--port=" + std::to_string(port)});
        ASSERT_TRUE(relay.WaitForOutput("接続受け入れ可能\n"));
        TestPeer aya(port);
        aya.Send("Aya\r\ntalkhello\r\n");
        EXPECT_EQ(aya.NextLine(), "paddAya\t0\r\n");
        EXPECT_EQ(aya.NextLine(), "talkhello\r\n");
        EXPECT_TRUE(relay.WaitForOutput("接続：クライアント No.0 (ポート番号 "));

        relay.Signal(stopSignal);  // Aya is still connected
        EXPECT_EQ(relay.WaitForExit(), 0);
        EXPECT_TRUE(aya.WaitForClose());
        // In the order the window shows them.
        EXPECT_TRUE(relay.WaitForOutput("接続受け入れ不能\n")) << relay.Text();
        EXPECT_TRUE(relay.Text().starts_with("サーバー起動\n接続受け入れ可能\n")) << relay.Text();
        EXPECT_TRUE(relay.Text().ends_with("サーバー終了\n接続受け入れ不能\n")) << relay.Text();
    }
#endif
}

TEST(VeskRelay, RunningOutOfDescriptorsOnlyTurnsNewcomersAway) {
#ifdef _WIN32
    GTEST_SKIP() << "lowers the relay's limit of open descriptors, which Windows does not have";
#else
    const int port = FreePort();
    RelayProcess relay({"--port", std::to_string(port), "--flood-limit=0", "--per-address=0"});
    ASSERT_TRUE(relay.WaitForOutput("接続受け入れ可能\n"));
    // Room for the relay's own loop (its poller, wake-up, timer, a spare descriptor and the
    // listener), what it inherited, and a little over twenty clients.
    const rlimit few{34, 34};
    ASSERT_EQ(prlimit(relay.Pid(), RLIMIT_NOFILE, &few, nullptr), 0);
    {
        // More than the relay can hold: it takes what it can and turns the rest away, saying so.
        std::vector<std::unique_ptr<TestPeer>> crowd;
        for (int i = 0; i < 35; ++i) crowd.push_back(std::make_unique<TestPeer>(port));
        ASSERT_TRUE(relay.WaitForOutput("接続：クライアント No.20 "));
        EXPECT_TRUE(relay.WaitForOutput("からの接続を受けられません (ディスクリプタ不足)"));
    }
    // Everyone left; once the relay has seen them go, it takes newcomers again. Nobody named,
    // so no roster lines.
    for (int n = 0; n <= 20; ++n) {
        ASSERT_TRUE(relay.WaitForOutput("切断：クライアント No." + std::to_string(n) + "\n"));
    }
    TestPeer aya(port);
    aya.Send("Aya\r\n");
    const auto line = aya.NextLine(20s);
    EXPECT_TRUE(line && line->starts_with("paddAya\t")) << relay.Text();
    EXPECT_EQ(relay.Text().find("接続受け入れ不能"), std::string::npos);
#endif
}

}  // namespace
}  // namespace vesk

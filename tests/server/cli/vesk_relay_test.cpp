// Runs the real vesk-relay program and talks to it as a user and a client would.

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "protocol/socket.h"
#include "tests/support/test_peer.h"

extern char** environ;

namespace vesk {
namespace {

using test::FreePort;
using namespace std::chrono_literals;
using test::TestPeer;

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

TEST(VeskRelay, ServesAPartyAndStopsCleanlyOnSignals) {
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
}

TEST(VeskRelay, RunningOutOfDescriptorsOnlyPausesTheService) {
    const int port = FreePort();
    RelayProcess relay({"--port", std::to_string(port), "--flood-limit=0"});
    ASSERT_TRUE(relay.WaitForOutput("接続受け入れ可能\n"));
    const rlimit few{30, 30};
    ASSERT_EQ(prlimit(relay.Pid(), RLIMIT_NOFILE, &few, nullptr), 0);
    {
        // More than the relay can hold: it accepts what it can, the rest wait in the backlog.
        std::vector<std::unique_ptr<TestPeer>> crowd;
        for (int i = 0; i < 35; ++i) crowd.push_back(std::make_unique<TestPeer>(port));
        ASSERT_TRUE(relay.WaitForOutput("接続：クライアント No.20 "));
    }
    // Everyone left; the relay takes newcomers again. Nobody named, so no roster lines.
    TestPeer aya(port);
    aya.Send("Aya\r\n");
    const auto line = aya.NextLine(20s);
    EXPECT_TRUE(line && line->starts_with("paddAya\t")) << relay.Text();
    EXPECT_EQ(relay.Text().find("接続受け入れ不能"), std::string::npos);
}

}  // namespace
}  // namespace vesk

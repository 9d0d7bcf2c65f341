#include "server/relay_server.h"

#include <future>
#include <optional>
#include <thread>

#include "protocol/cp932.h"
#include "server/asio.h"
#include "server/relay_loop.h"

namespace vesk {

struct RelayServer::Running {
    Running(RelayReporter& reporter, const RelayOptions& options)
        : reporter(reporter),
          loop(std::make_shared<RelayLoop>(context, reporter, options)),
          thread([this] { context.run(); }) {}

    RelayReporter& reporter;
    // Before the loop, so that it outlives what the loop made with it.
    asio::io_context context;
    asio::executor_work_guard<asio::io_context::executor_type> keepRunning{context.get_executor()};
    std::shared_ptr<RelayLoop> loop;
    std::thread thread;
    bool ended = false;  // the thread has been joined; work runs on the caller's thread
};

RelayServer::RelayServer(RelayReporter& reporter, RelayOptions options)
    : running(std::make_unique<Running>(reporter, options)) {}

RelayServer::~RelayServer() {
    Close();
    // The loop's sockets and timers go before the context they were made with; what its
    // handlers still held goes with the context.
    running->loop.reset();
}

void RelayServer::RunOnLoop(const std::function<void(RelayLoop&)>& work) const {
    RelayLoop& loop = *running->loop;
    if (running->ended || loop.Context().get_executor().running_in_this_thread()) {
        work(loop);
        return;
    }
    std::promise<void> done;
    asio::post(running->context, [&] {
        work(loop);
        done.set_value();
    });
    done.get_future().wait();
}

asio::io_context& RelayServer::Context() { return running->context; }

bool RelayServer::Start(std::uint16_t port, const std::function<void()>& onListening) {
    bool closed = false;
    ListenStep listened = ListenStep::Done;
    RunOnLoop([&](RelayLoop& loop) {
        closed = loop.Closed();
        if (!closed) listened = loop.Listen(port);
    });
    if (closed) return false;
    // Logged here, so that a front end that shows the start's outcome finds its line there.
    switch (listened) {
        case ListenStep::Socket:
            running->reporter.LogLine(Cp932FromUtf8("ERROR：ソケット作成失敗"));
            return false;
        case ListenStep::Bind:
            running->reporter.LogLine(Cp932FromUtf8("ERROR：ソケット初期化(bind)失敗"));
            return false;
        case ListenStep::Listen:
            running->reporter.LogLine(Cp932FromUtf8("ERROR：ソケット初期化(listen)"));
            return false;
        case ListenStep::Done:
            break;
    }
    if (onListening) onListening();
    RunOnLoop([](RelayLoop& loop) { loop.Accept(); });
    return true;
}

void RelayServer::Stop() {
    RunOnLoop([](RelayLoop& loop) { loop.StopListening(); });
}

void RelayServer::Close() {
    if (running->ended) return;
    RunOnLoop([](RelayLoop& loop) { loop.Close(); });
    running->keepRunning.reset();
    running->context.stop();
    running->thread.join();
    running->ended = true;
}

void RelayServer::SetDice(bool on) {
    RunOnLoop([on](RelayLoop& loop) { loop.SetDice(on); });
}

void RelayServer::ClearRoster() {
    RunOnLoop([](RelayLoop& loop) { loop.ClearRoster(); });
}

int RelayServer::ListeningPort() const {
    int port = -1;
    RunOnLoop([&](RelayLoop& loop) { port = loop.ListeningPort(); });
    return port;
}

std::size_t RelayServer::SlotCount() const {
    std::size_t count = 0;
    RunOnLoop([&](RelayLoop& loop) { count = loop.SlotCount(); });
    return count;
}

int RelayServer::ConnectedCount() const {
    int count = 0;
    RunOnLoop([&](RelayLoop& loop) { count = loop.ConnectedCount(); });
    return count;
}

std::vector<Participant> RelayServer::Roster() const {
    std::vector<Participant> roster;
    RunOnLoop([&](RelayLoop& loop) { roster = loop.Roster(); });
    return roster;
}

}  // namespace vesk

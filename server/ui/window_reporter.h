#pragma once

// How the relay reaches VeskServer's event log and the user: the relay's loop logs from its
// own thread; a message box is shown only on the main thread, which is where the server is
// started and stopped.

#include <atomic>
#include <string_view>
#include <thread>

#include "server/relay_reporter.h"

class QString;

namespace vesk {

class EventLog;

class WindowReporter final : public RelayReporter {
public:
    // Made on the main thread, which owns log and shows every message box.
    explicit WindowReporter(EventLog& log);

    // On the main thread the line is added at once; any other thread hands it to the main
    // thread and goes on without waiting, so the relay never waits for the window.
    void LogLine(std::string_view text) override;

    // A box titled "VeskServer" with an OK button, until the user closes it. Main thread.
    void ShowMessage(std::string_view text) override;

    // The window is closing: lines and boxes from now on are dropped. Main thread.
    void Shutdown() { closed = true; }

private:
    EventLog& log;
    const std::thread::id mainThread;
    std::atomic<bool> closed{false};
};

}  // namespace vesk

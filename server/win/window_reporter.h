#pragma once

// How the relay reaches VeskServer's event log and the user: the relay's loop logs from its
// own thread; a message box is shown only on the main thread, which is where the server is
// started and stopped.

#include <atomic>
#include <string_view>

#include "protocol/windows_headers.h"
#include "server/relay_reporter.h"
#include "ui/win/main_thread_queue.h"

namespace vesk {

class EventLog;

class WindowReporter final : public RelayReporter {
public:
    // Made on the main thread, which owns log and runs what queue takes.
    WindowReporter(EventLog& log, MainThreadQueue& queue);

    // On the main thread the line is added at once, after the lines other threads handed over
    // before it; any other thread hands it to the main thread and goes on without waiting.
    void LogLine(std::string_view text) override;

    // A box titled "VeskServer" with an OK button and no owner, until the user closes it.
    // Main thread.
    void ShowMessage(std::string_view text) override;

    // The program is ending: lines and boxes from now on are dropped. Main thread.
    void Shutdown() { closed = true; }

private:
    EventLog& log;
    MainThreadQueue& queue;
    const DWORD mainThread;
    std::atomic<bool> closed{false};
};

}  // namespace vesk

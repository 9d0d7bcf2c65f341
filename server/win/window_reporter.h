#pragma once

// The log line helper and the message box helper of the server window: how the relay, from
// any thread, reaches the event log and the user.

#include <condition_variable>
#include <mutex>
#include <set>
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

    // A box titled "VeskServer" with an OK button and no owner, shown by the calling thread,
    // which waits until the user closes it or until Shutdown.
    void ShowMessage(std::string_view text) override;

    // The program is ending: lines from now on are dropped, no more boxes are shown, and the
    // boxes that relay threads show are closed, so that those threads can be joined. Returns
    // once no thread is inside ShowMessage. Main thread.
    void Shutdown();

private:
    bool OnMainThread() const { return GetCurrentThreadId() == mainThread; }

    EventLog& log;
    MainThreadQueue& queue;
    const DWORD mainThread;

    // Guards closed and boxThreads. Taken by every reporting thread and by Shutdown; never
    // held while a box is shown.
    std::mutex lock;
    std::condition_variable boxClosed;
    bool closed = false;
    // The worker threads showing a box now, once for each box.
    std::multiset<DWORD> boxThreads;
};

}  // namespace vesk

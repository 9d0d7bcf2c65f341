#pragma once

// The log line helper and the message box helper of the server window: how the relay, from
// any thread, reaches the event log and the user.

#include <condition_variable>
#include <mutex>
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
    // thread and goes on without waiting, so the relay never waits for the window (the
    // thread that stops the server waits for the accept loop, which logs).
    void LogLine(std::string_view text) override;

    // Shows a box titled "VeskServer" with an OK button on the main thread; the calling thread
    // waits until the user closes it, or until Shutdown.
    void ShowMessage(std::string_view text) override;

    // The window is closing: lines from now on are dropped, and no thread waits for a box any
    // more, so that the relay threads can be joined. Main thread.
    void Shutdown();

private:
    bool OnMainThread() const { return std::this_thread::get_id() == mainThread; }
    static void ShowBox(const QString& text);

    EventLog& log;
    const std::thread::id mainThread;

    // Guards closed and each waiting thread's "box closed" flag. Taken by every reporting
    // thread to check closed, by a thread that waits for its box, by the main thread when a
    // box closes, and by Shutdown; never held while a box is shown.
    std::mutex stateLock;
    std::condition_variable boxChanged;
    bool closed = false;
};

}  // namespace vesk

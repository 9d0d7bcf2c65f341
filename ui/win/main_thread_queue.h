#pragma once

// Work handed from a worker thread to the thread that runs the windows: a line from a
// connection's reader thread, an event log line from a relay thread. The task is queued and
// the window is woken by a posted message; the worker never waits for the window.

#include <deque>
#include <functional>
#include <mutex>

#include "protocol/windows_headers.h"

namespace vesk {

class MainThreadQueue {
public:
    // The message that wakes the window: the window procedure calls RunPending for it.
    static constexpr UINT kWakeMessage = WM_APP + 1;

    // The window whose procedure runs the tasks. Main thread, before any Post.
    void Attach(HWND window);

    // Any thread; never waits for the main thread. Tasks run in the order posted. A task
    // posted after Close is dropped.
    void Post(std::function<void()> task);

    // Main thread: runs every task queued so far.
    void RunPending();

    // Main thread, as the window goes: pending tasks are dropped and no more are taken.
    void Close();

private:
    // Guards window, tasks and closed. Taken by every posting thread and by the main thread
    // to take the tasks out; never held while a task runs.
    std::mutex lock;
    HWND window = nullptr;
    std::deque<std::function<void()>> tasks;
    bool closed = false;
};

}  // namespace vesk

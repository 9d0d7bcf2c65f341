#include "ui/win/main_thread_queue.h"

#include <utility>

namespace vesk {

void MainThreadQueue::Attach(HWND target) {
    std::lock_guard guard(lock);
    window = target;
}

void MainThreadQueue::Post(std::function<void()> task) {
    HWND wake = nullptr;
    {
        std::lock_guard guard(lock);
        if (closed || window == nullptr) return;
        // One wake message for a run of tasks: the window's message queue has a bound of its
        // own, and a burst of lines must not fill it.
        if (tasks.empty()) wake = window;
        tasks.push_back(std::move(task));
    }
    if (wake != nullptr) PostMessageW(wake, kWakeMessage, 0, 0);
}

void MainThreadQueue::RunPending() {
    std::deque<std::function<void()>> due;
    {
        std::lock_guard guard(lock);
        due.swap(tasks);
    }
    for (auto& task : due) task();
}

void MainThreadQueue::Close() {
    std::lock_guard guard(lock);
    closed = true;
    tasks.clear();
}

}  // namespace vesk

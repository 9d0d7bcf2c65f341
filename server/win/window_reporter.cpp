#include "server/win/window_reporter.h"

#include <chrono>
#include <string>

#include "server/win/event_log.h"
#include "ui/win/window_text.h"

namespace vesk {

namespace {

constexpr const wchar_t* kTitle = L"VeskServer";

// Answers a message box's OK button for it: the thread that shows the box then returns.
BOOL CALLBACK CloseBox(HWND box, LPARAM) {
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    return TRUE;
}

}  // namespace

WindowReporter::WindowReporter(EventLog& log, MainThreadQueue& queue)
    : log(log), queue(queue), mainThread(GetCurrentThreadId()) {}

void WindowReporter::LogLine(std::string_view text) {
    {
        std::lock_guard guard(lock);
        if (closed) return;
    }
    if (OnMainThread()) {
        queue.RunPending();
        log.AppendLine(text);
        return;
    }
    // Handed over as one whole line, so lines from different threads never mix within a line;
    // the lines of one thread arrive in the order it wrote them.
    queue.Post([this, line = std::string(text)] { log.AppendLine(line); });
}

void WindowReporter::ShowMessage(std::string_view text) {
    if (OnMainThread()) {
        ShowMessageBox(kTitle, text);
        return;
    }
    const DWORD thread = GetCurrentThreadId();
    {
        std::lock_guard guard(lock);
        // A box asked for while the program ends would keep the end waiting for the user.
        if (closed) return;
        boxThreads.insert(thread);
    }
    ShowMessageBox(kTitle, text);
    {
        std::lock_guard guard(lock);
        boxThreads.erase(boxThreads.find(thread));
    }
    boxClosed.notify_all();
}

void WindowReporter::Shutdown() {
    using namespace std::chrono_literals;
    std::unique_lock guard(lock);
    closed = true;
    // A thread counted here may not have opened its box yet when its windows are looked for,
    // so the boxes are looked for again until every such thread has returned.
    while (!boxThreads.empty()) {
        for (const DWORD thread : boxThreads) EnumThreadWindows(thread, CloseBox, 0);
        boxClosed.wait_for(guard, 50ms);
    }
}

}  // namespace vesk

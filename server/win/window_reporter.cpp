#include "server/win/window_reporter.h"

#include <string>

#include "server/win/event_log.h"
#include "ui/win/window_text.h"

namespace vesk {

WindowReporter::WindowReporter(EventLog& log, MainThreadQueue& queue)
    : log(log), queue(queue), mainThread(GetCurrentThreadId()) {}

void WindowReporter::LogLine(std::string_view text) {
    if (closed) return;
    if (GetCurrentThreadId() == mainThread) {
        queue.RunPending();
        log.AppendLine(text);
        return;
    }
    // Handed over as one whole line, so lines from different threads never mix within a line;
    // the lines of one thread arrive in the order it wrote them.
    queue.Post([this, line = std::string(text)] { log.AppendLine(line); });
}

void WindowReporter::ShowMessage(std::string_view text) {
    if (!closed) ShowMessageBox(L"VeskServer", text);
}

}  // namespace vesk

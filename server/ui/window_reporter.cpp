#include "server/ui/window_reporter.h"

#include <QMessageBox>
#include <QString>
#include <memory>

#include "server/ui/event_log.h"
#include "ui/cp932_text.h"

namespace vesk {

WindowReporter::WindowReporter(EventLog& log) : log(log), mainThread(std::this_thread::get_id()) {}

void WindowReporter::LogLine(std::string_view text) {
    {
        std::lock_guard guard(stateLock);
        if (closed) return;
    }
    const QString line = FromCp932(text);
    if (OnMainThread()) {
        log.AppendLine(line);
        return;
    }
    // Posted as one whole line, so lines from different threads never mix within a line;
    // lines of one thread arrive in the order it wrote them.
    EventLog* target = &log;
    QMetaObject::invokeMethod(
        target, [target, line] { target->AppendLine(line); }, Qt::QueuedConnection);
}

void WindowReporter::ShowMessage(std::string_view text) {
    const QString message = FromCp932(text);
    if (OnMainThread()) {
        ShowBox(message);
        return;
    }
    auto boxClosed = std::make_shared<bool>(false);  // guarded by stateLock
    {
        std::lock_guard guard(stateLock);
        if (closed) return;
    }
    QMetaObject::invokeMethod(
        &log,
        [this, message, boxClosed] {
            bool closing;
            {
                std::lock_guard guard(stateLock);
                closing = closed;
            }
            // A box asked for just before the window began to close would pop up over nothing.
            if (!closing) ShowBox(message);
            {
                std::lock_guard guard(stateLock);
                *boxClosed = true;
            }
            boxChanged.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock guard(stateLock);
    boxChanged.wait(guard, [&] { return *boxClosed || closed; });
}

void WindowReporter::Shutdown() {
    {
        std::lock_guard guard(stateLock);
        closed = true;
    }
    boxChanged.notify_all();
}

void WindowReporter::ShowBox(const QString& text) {
    // No owner window: a notice from a relay thread must not depend on which window is open.
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("VeskServer"), text, QMessageBox::Ok);
    box.exec();
}

}  // namespace vesk

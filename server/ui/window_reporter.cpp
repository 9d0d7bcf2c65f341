#include "server/ui/window_reporter.h"

#include <QMessageBox>
#include <QString>

#include "server/ui/event_log.h"
#include "ui/cp932_text.h"

namespace vesk {

WindowReporter::WindowReporter(EventLog& log) : log(log), mainThread(std::this_thread::get_id()) {}

void WindowReporter::LogLine(std::string_view text) {
    if (closed) return;
    const QString line = FromCp932(text);
    if (std::this_thread::get_id() == mainThread) {
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
    if (closed) return;
    // No owner window: the notice must not depend on which window is open.
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("VeskServer"), FromCp932(text),
                    QMessageBox::Ok);
    box.exec();
}

}  // namespace vesk

#include "server/ui/event_log.h"

#include <QScrollBar>

namespace vesk {

EventLog::EventLog(QWidget* parent) : QPlainTextEdit(parent) {
    setReadOnly(true);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setMaximumBlockCount(kMaxLines);
    setFrameShape(QFrame::StyledPanel);
}

void EventLog::AppendLine(const QString& line) {
    // appendPlainText keeps a selection the user made to copy from, and follows the end only
    // when the view is already there; the log always follows its newest line.
    appendPlainText(line);
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

}  // namespace vesk

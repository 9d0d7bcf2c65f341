#pragma once

// The server's event log: what the relay and the commands report, one line each, newest at
// the bottom and in view.

#include <QPlainTextEdit>

namespace vesk {

class EventLog : public QPlainTextEdit {
    Q_OBJECT

public:
    // Lines kept before the oldest make room; a server may run for weeks.
    static constexpr int kMaxLines = 100000;

    explicit EventLog(QWidget* parent);

    // Adds line at the end on a line of its own and scrolls it into view. Main thread only.
    void AppendLine(const QString& line);
};

}  // namespace vesk

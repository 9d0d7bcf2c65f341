#include "client/ui/chat_log.h"

#include <QContextMenuEvent>
#include <QTextCursor>

#include "client/shell/commands.h"
#include "client/shell/log_file.h"
#include "ui/cp932_text.h"

namespace vesk {

ChatLog::ChatLog(CommandRunner run, QWidget* parent) : QPlainTextEdit(parent), run(std::move(run)) {
    setReadOnly(true);
    // Nothing the server sends is ever taken back, and an undo history would double the
    // memory that a long evening's log takes.
    setUndoRedoEnabled(false);
    setFrameShape(QFrame::StyledPanel);
}

void ChatLog::Append(std::string_view text) {
    QString line = FromCp932(text);
    line.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QTextCursor end(document());
    end.movePosition(QTextCursor::End);
    end.insertText(line);
    setTextCursor(end);
    ensureCursorVisible();
}

std::string ChatLog::FileText() const { return LogFileText(toPlainText().toStdString()); }

void ChatLog::contextMenuEvent(QContextMenuEvent* event) {
    ShowContextMenu(this, event->globalPos(), {{kCopyLogCommand, QStringLiteral("コピー(&C)")}},
                    run);
}

}  // namespace vesk

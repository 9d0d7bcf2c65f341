#include "client/ui/chat_log.h"

#include <QContextMenuEvent>
#include <QTextCursor>

#include "client/rules/commands.h"
#include "client/rules/log_line.h"
#include "ui/cp932_text.h"

namespace vesk {

namespace {

QTextCharFormat StampFormat() {
    QTextCharFormat format;
    format.setForeground(QColor(0x70, 0x70, 0x70));
    return format;
}

QTextCharFormat TextFormat(const LineLook& look) {
    QTextCharFormat format;
    if (look.highlight) format.setBackground(QColor(0xff, 0xf0, 0x9a));
    if (look.relayRoll) {
        format.setForeground(QColor(0x1d, 0x5f, 0xa8));
        format.setFontWeight(QFont::Bold);
    }
    return format;
}

}  // namespace

ChatLog::ChatLog(CommandRunner run, QWidget* parent, LogLimits limits)
    : QPlainTextEdit(parent), run(std::move(run)), history(limits) {
    setReadOnly(true);
    // Nothing the server sends is ever taken back, and an undo history would double the
    // memory that a long evening's log takes.
    setUndoRedoEnabled(false);
    setFrameShape(QFrame::StyledPanel);
}

void ChatLog::Append(std::string_view text, const LineLook& look) {
    const ChatHistory::Added added = history.Append(text, look.arrival);
    if (added.dropped > 0) {
        QTextCursor oldest(document());
        oldest.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor,
                            static_cast<int>(added.dropped));
        oldest.removeSelectedText();
    }
    QTextCursor end(document());
    end.movePosition(QTextCursor::End);
    const QString stamp = QString::fromLatin1(ArrivalStamp(look.arrival));
    for (const std::string_view line : added.lines) {
        // A blank line, such as those around a join, reads better without a time.
        if (look.showTime && !line.empty()) end.insertText(stamp, StampFormat());
        // The line and its end in one insertion: each one costs a layout of the block.
        end.insertText(FromCp932(line) + QLatin1Char('\n'), TextFormat(look));
    }
    setTextCursor(end);
    ensureCursorVisible();
}

void ChatLog::ClearLog() {
    clear();
    history.Clear();
}

void ChatLog::contextMenuEvent(QContextMenuEvent* event) {
    ShowContextMenu(this, event->globalPos(),
                    {{ChatCommand::kCopyLog, QStringLiteral("コピー(&C)")}}, run);
}

}  // namespace vesk

#include "client/ui/chat_log.h"

#include <QContextMenuEvent>
#include <QTextBlock>
#include <QTextCursor>

#include "client/rules/commands.h"
#include "client/rules/log_file.h"
#include "client/rules/log_line.h"
#include "ui/cp932_text.h"

namespace vesk {

namespace {

// A block's user state keeps its line's arrival as the time of day in seconds (the date would
// not fit), and a flag that says whether the stamp stands in front of the text.
constexpr int kStampShown = 1 << 20;
constexpr int kStampLength = 9;  // "HH:MM:SS "

QTextCharFormat StampFormat() {
    QTextCharFormat format;
    format.setForeground(QColor(0x70, 0x70, 0x70));
    return format;
}

QTextCharFormat TextFormat(bool highlight) {
    QTextCharFormat format;
    if (highlight) format.setBackground(QColor(0xff, 0xf0, 0x9a));
    return format;
}

// The line's text without the stamp the window put in front of it.
QString LineText(const QTextBlock& block) {
    const bool stamped = block.userState() >= 0 && (block.userState() & kStampShown) != 0;
    return stamped ? block.text().mid(kStampLength) : block.text();
}

}  // namespace

ChatLog::ChatLog(CommandRunner run, QWidget* parent, LogLimits limits)
    : QPlainTextEdit(parent), run(std::move(run)), bound(limits) {
    setReadOnly(true);
    // Nothing the server sends is ever taken back, and an undo history would double the
    // memory that a long evening's log takes.
    setUndoRedoEnabled(false);
    setFrameShape(QFrame::StyledPanel);
}

void ChatLog::Append(std::string_view text, const LineLook& look) {
    QTextCursor end(document());
    end.movePosition(QTextCursor::End);
    const int second = SecondOfDay(look.arrival);
    std::size_t dropped = 0;
    while (!text.empty()) {
        const std::size_t lineEnd = text.find("\r\n");
        const std::string_view line = text.substr(0, lineEnd);
        text.remove_prefix(lineEnd == std::string_view::npos ? text.size() : lineEnd + 2);
        // A blank line, such as those around a join, reads better without a time.
        const bool stamped = look.showTime && !line.empty();
        if (stamped) {
            end.insertText(QString::fromLatin1(ArrivalStamp(look.arrival)), StampFormat());
        }
        // The line and its end in one insertion: each one costs a layout of the block.
        end.insertText(FromCp932(line) + QLatin1Char('\n'), TextFormat(look.highlight));
        end.block().previous().setUserState(second | (stamped ? kStampShown : 0));
        dropped += bound.Added(line.size() + 2);
    }
    if (dropped > 0) {
        QTextCursor oldest(document());
        oldest.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor,
                            static_cast<int>(dropped));
        oldest.removeSelectedText();
    }
    setTextCursor(end);
    ensureCursorVisible();
}

void ChatLog::ClearLog() {
    clear();
    bound.Cleared();
}

std::string ChatLog::FileText() const {
    QString text;
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        text += LineText(block);
        if (block.next().isValid()) text += QLatin1Char('\n');
    }
    return LogFileText(text.toStdString());
}

std::vector<LoggedLine> ChatLog::Lines() const {
    std::vector<LoggedLine> lines;
    for (QTextBlock block = document()->begin(); block.isValid() && block.next().isValid();
         block = block.next()) {
        const int state = block.userState();
        lines.push_back({ToCp932(LineText(block)), state < 0 ? -1 : state & (kStampShown - 1)});
    }
    return lines;
}

void ChatLog::contextMenuEvent(QContextMenuEvent* event) {
    ShowContextMenu(this, event->globalPos(),
                    {{ChatCommand::kCopyLog, QStringLiteral("コピー(&C)")}}, run);
}

}  // namespace vesk

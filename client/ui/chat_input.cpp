#include "client/ui/chat_input.h"

#include <QContextMenuEvent>
#include <QKeyEvent>

#include "client/rules/commands.h"
#include "ui/cp932_text.h"

namespace vesk {

ChatInput::ChatInput(std::function<void()> send, CommandRunner run, QWidget* parent)
    : QLineEdit(parent), send(std::move(send)), run(std::move(run)) {}

std::string ChatInput::Text() const { return ToCp932(text()); }

void ChatInput::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        // Enter held down sends once: the repeats would find the input empty, or repeat the
        // notice that there is no connection.
        if (!event->isAutoRepeat()) send();
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void ChatInput::contextMenuEvent(QContextMenuEvent* event) {
    ShowContextMenu(this, event->globalPos(),
                    {{ChatCommand::kCutInput, QStringLiteral("切り取り(&T)")},
                     {ChatCommand::kCopyInput, QStringLiteral("コピー(&C)")},
                     {ChatCommand::kPasteInput, QStringLiteral("貼り付け(&P)")}},
                    run);
}

}  // namespace vesk

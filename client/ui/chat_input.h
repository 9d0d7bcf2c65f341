#pragma once

// The one-line chat input: Enter hands the typed text to the party, a right click offers cut,
// copy and paste.

#include <QLineEdit>
#include <functional>

#include "client/app/chat_front_end.h"
#include "client/ui/context_menu.h"

namespace vesk {

class ChatInput : public QLineEdit, public ChatInputView {
    Q_OBJECT

public:
    // send runs on Enter, with or without Shift or Ctrl. Enter that an input method takes to
    // confirm a conversion never gets here.
    ChatInput(std::function<void()> send, CommandRunner run, QWidget* parent);

    std::string Text() const override;
    void Clear() override { clear(); }
    void Cut() override { cut(); }
    void Copy() override { copy(); }
    void Paste() override { paste(); }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    const std::function<void()> send;
    const CommandRunner run;
};

}  // namespace vesk

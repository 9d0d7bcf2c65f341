#pragma once

// The one-line chat input: Enter hands the typed text to the party, a right click offers cut,
// copy and paste.

#include <QLineEdit>
#include <functional>

#include "client/ui/context_menu.h"

namespace vesk {

class ChatInput : public QLineEdit {
    Q_OBJECT

public:
    // send runs on Enter, with or without Shift or Ctrl. Enter that an input method takes to
    // confirm a conversion never gets here.
    ChatInput(std::function<void()> send, CommandRunner run, QWidget* parent);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    const std::function<void()> send;
    const CommandRunner run;
};

}  // namespace vesk

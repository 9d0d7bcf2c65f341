#pragma once

// The clipboard menus of the chat log and the chat input: each item is a command of the main
// window, so the menu does what the same command does from anywhere else.

#include <QPoint>
#include <QString>
#include <functional>
#include <initializer_list>
#include <utility>

#include "client/rules/commands.h"

class QWidget;

namespace vesk {

using CommandRunner = std::function<void(ChatCommand command)>;

// Shows the items at globalPos, the menu's right edge at the pointer, and runs the chosen
// item's command once the menu has closed.
void ShowContextMenu(QWidget* control, QPoint globalPos,
                     std::initializer_list<std::pair<ChatCommand, QString>> items,
                     const CommandRunner& run);

}  // namespace vesk

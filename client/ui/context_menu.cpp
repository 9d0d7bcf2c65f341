#include "client/ui/context_menu.h"

#include <QAction>
#include <QMenu>

namespace vesk {

void ShowContextMenu(QWidget* control, QPoint globalPos,
                     std::initializer_list<std::pair<ChatCommand, QString>> items,
                     const CommandRunner& run) {
    QMenu menu(control);
    for (const auto& [command, text] : items) {
        menu.addAction(text)->setData(static_cast<int>(command));
    }
    const QAction* chosen = menu.exec(globalPos - QPoint(menu.sizeHint().width(), 0), nullptr);
    if (chosen != nullptr) run(static_cast<ChatCommand>(chosen->data().toInt()));
}

}  // namespace vesk

#include "client/ui/context_menu.h"

#include <QAction>
#include <QMenu>

namespace vesk {

void ShowContextMenu(QWidget* control, QPoint globalPos,
                     std::initializer_list<std::pair<int, QString>> items,
                     const CommandRunner& run) {
    QMenu menu(control);
    for (const auto& [command, text] : items) menu.addAction(text)->setData(command);
    const QAction* chosen = menu.exec(globalPos - QPoint(menu.sizeHint().width(), 0), nullptr);
    if (chosen != nullptr) run(chosen->data().toInt());
}

}  // namespace vesk

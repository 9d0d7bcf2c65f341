#pragma once

// VeskChat's toolbar: the dice button, flat at rest, raised with the brighter die under the
// pointer and sunken while held down, an etched rule, and the room where the main window puts
// the dice and name combo boxes. Qt's auto-raising tool button gives those looks, and its click
// comes only from a release over the button that was pressed.

#include <QToolButton>
#include <QWidget>

#include "client/message_box_view.h"
#include "client/rules/commands.h"
#include "client/ui/client_pictures.h"

namespace vesk {

class FlatToolbar : public QWidget {
    Q_OBJECT

public:
    // Fixes its height once, tall enough for a combo box at kComboTop in the font it has now.
    // When a die picture cannot be loaded it says so through messages, once, and shows the
    // button without a die.
    FlatToolbar(QWidget* parent, MessageBoxView& messages,
                const DiePictures& pictures = DiePicturePaths());

    QToolButton& DiceButton() const { return *diceButton; }

Q_SIGNALS:
    // ChatCommand::kRollDice for a click on the dice button.
    void CommandClicked(vesk::ChatCommand command);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QToolButton* diceButton;
};

}  // namespace vesk

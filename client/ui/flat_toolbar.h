#pragma once

// VeskChat's toolbar: the dice button drawn flat, showing a raised border and the brighter die
// under the pointer and a sunken border while held down, and the room where the main window
// puts the dice and name combo boxes. The looks and their changes are ToolbarTracker's; this
// widget turns Qt's pointer events into its calls and draws what it asks for.

#include <QPixmap>
#include <QPoint>
#include <QRect>
#include <QWidget>

#include "client/dice/window_views.h"
#include "client/shell/toolbar_tracker.h"
#include "client/ui/client_pictures.h"

namespace vesk {

class FlatToolbar : public QWidget {
    Q_OBJECT

public:
    // The dice button's record among DiceToolbarButtons().
    static constexpr int kDiceButtonIndex = 20;

    // Fixes its height once, tall enough for a combo box at kComboTop in the font it has now.
    // When a die picture cannot be loaded it says so through messages, once, and draws the
    // borders without that picture.
    FlatToolbar(QWidget* parent, MessageBoxView& messages,
                const DiePictures& pictures = DiePicturePaths());

    const ToolbarTracker& Tracker() const { return tracker; }
    QRect RecordRect(int index) const;

Q_SIGNALS:
    // A press and a release on the same button: kRollDiceCommand for the dice button.
    void CommandClicked(int command);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void childEvent(QChildEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Runs one pointer event of the tracker on the canvas and shows what it drew.
    template <typename Handler>
    void Track(Handler handler);
    // What the toolbar control does when it is repainted: erase, then the tracker's paint.
    void RepaintRecords();
    // The pointer is now over another window: a combo box on the toolbar or outside it.
    void PointerLeft();

    ToolbarTracker tracker;
    QPixmap normalDie;
    QPixmap hotDie;
    // What the toolbar shows. Looks are drawn on it when the pointer changes them, as on a
    // screen, and stay until the next repaint; paint events only copy it.
    QPixmap canvas;
    QPoint lastPointer;
};

}  // namespace vesk

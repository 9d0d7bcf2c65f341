#include "client/ui/flat_toolbar.h"

#include <QComboBox>
#include <QFrame>
#include <QIcon>
#include <QMouseEvent>
#include <QPixmap>

#include "client/rules/commands.h"
#include "client/rules/toolbar_layout.h"
#include "protocol/cp932.h"

namespace vesk {

namespace {

// A picture holds its images side by side, 16 wide each; the dice button shows the first.
constexpr int kImageWidth = 16;

QPixmap LoadDie(const QString& path) {
    const QPixmap picture(path);
    if (picture.width() < kImageWidth) return {};
    return picture.copy(0, 0, kImageWidth, picture.height());
}

// A press anywhere on the toolbar brings the window to the front, as a press on any other part
// of it does.
void BringToFront(QWidget& widget) {
    widget.window()->raise();
    widget.window()->activateWindow();
}

}  // namespace

FlatToolbar::FlatToolbar(QWidget* parent, MessageBoxView& messages, const DiePictures& pictures)
    : QWidget(parent), diceButton(new QToolButton(this)) {
    const QPixmap normalDie = LoadDie(pictures.normal);
    const QPixmap hotDie = LoadDie(pictures.hot);
    if (normalDie.isNull() || hotDie.isNull()) {
        messages.ShowMessage(Cp932FromUtf8("イメージリスト作成失敗"));
    } else {
        // An auto-raising button draws its icon's active look while the pointer is over it.
        QIcon die(normalDie);
        die.addPixmap(hotDie, QIcon::Active);
        diceButton->setIcon(die);
        diceButton->setIconSize(normalDie.size());
    }
    diceButton->setAutoRaise(true);
    diceButton->setFocusPolicy(Qt::NoFocus);
    diceButton->setGeometry(kDiceButtonLeft, kRecordTop, kButtonWidth, kRecordBottom - kRecordTop);
    diceButton->installEventFilter(this);
    connect(diceButton, &QToolButton::clicked, this,
            [this] { Q_EMIT CommandClicked(ChatCommand::kRollDice); });

    auto* rule = new QFrame(this);
    rule->setFrameStyle(QFrame::VLine | QFrame::Sunken);
    rule->setGeometry(kRuleLeft, kRecordTop, 2, kRecordBottom - kRecordTop);

    // A combo box like the main window's, in the font the toolbar has now.
    QComboBox probe;
    probe.setEditable(true);
    probe.setFont(font());
    setFixedHeight(ToolbarHeightFor(probe.sizeHint().height()));
}

void FlatToolbar::mousePressEvent(QMouseEvent* event) {
    QWidget::mousePressEvent(event);
    BringToFront(*this);
}

bool FlatToolbar::eventFilter(QObject* watched, QEvent* event) {
    if (watched == diceButton && event->type() == QEvent::MouseButtonPress) BringToFront(*this);
    return QWidget::eventFilter(watched, event);
}

}  // namespace vesk

// The flat toolbar driven with Qt Test's pointer events on the offscreen platform, inside a
// stand-in for the main window with the two combo boxes where the main window puts them.

// Pointer events go through the window as real ones do: to the widget under the pointer, or to
// the one holding the press, with enter and leave events on the way.
#define QTEST_QPA_MOUSE_HANDLING

#include <QComboBox>
#include <QSignalSpy>
#include <QtTest>
#include <string_view>

#include "client/message_box_view.h"
#include "client/rules/commands.h"
#include "client/rules/toolbar_layout.h"
#include "client/ui/client_pictures.h"
#include "client/ui/flat_toolbar.h"
#include "protocol/cp932.h"

using vesk::FlatToolbar;

namespace {

class RecordingMessages : public vesk::MessageBoxView {
public:
    void ShowMessage(std::string_view text) override {
        shown << QString::fromStdString(vesk::Utf8FromCp932(text));
    }

    QStringList shown;
};

// The main window's part around the toolbar: the toolbar across the top with its two combo
// boxes, and a widget below it where the chat log would be.
struct Host {
    explicit Host(const vesk::DiePictures& pictures = vesk::DiePicturePaths())
        : toolbar(new FlatToolbar(&window, messages, pictures)),
          diceBox(AddComboBox(vesk::kDiceComboLeft)) {
        AddComboBox(vesk::kNameComboLeft);
        toolbar->setGeometry(0, 0, kWidth, toolbar->height());
        auto* below = new QWidget(&window);
        below->setGeometry(0, toolbar->height(), kWidth, 100);
        window.resize(kWidth, toolbar->height() + 100);
    }

    // Shows the window with the pointer over the toolbar's empty right part, so that the first
    // move onto the button is a move even where another test left the pointer there.
    bool Show() {
        window.show();
        if (!QTest::qWaitForWindowExposed(&window)) return false;
        QTest::mouseMove(toolbar, QPoint(kWidth - 10, 12));
        return true;
    }

    QComboBox* AddComboBox(int left) {
        auto* box = new QComboBox(toolbar);
        box->setEditable(true);
        box->setGeometry(left, vesk::kComboTop, vesk::kComboWidth, box->sizeHint().height());
        return box;
    }

    static constexpr int kWidth = 400;
    RecordingMessages messages;
    QWidget window;
    FlatToolbar* toolbar;
    QComboBox* diceBox;
};

}  // namespace

class FlatToolbarTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }

    void createsWithItsHeightAndPictures() {
        const QString failure = QStringLiteral("イメージリスト作成失敗");
        const struct {
            const char* name;
            vesk::DiePictures pictures;
            QStringList messages;
            bool die;
        } cases[] = {
            {"our pictures", vesk::DiePicturePaths(), {}, true},
            {"no pictures", {":/missing1.png", ":/missing2.png"}, {failure}, false},
        };
        for (const auto& c : cases) {
            Host host(c.pictures);
            QVERIFY(host.Show());
            QCOMPARE(host.messages.shown, c.messages);
            FlatToolbar& toolbar = *host.toolbar;
            QCOMPARE(toolbar.height(), vesk::ToolbarHeightFor(host.diceBox->height()));
            QVERIFY2(host.diceBox->geometry().bottom() < toolbar.height(), c.name);
            QVERIFY2(toolbar.DiceButton().autoRaise(), c.name);
            QVERIFY2(!toolbar.DiceButton().icon().isNull() == c.die, c.name);
        }
        QVERIFY(!QPixmap(vesk::ClientIconPath()).isNull());
        QCOMPARE(QPixmap(vesk::ClientIconPath()).size(), QSize(32, 32));
    }

    // Raised under the pointer, sunken while held over it, the command only on a release over
    // the button. Held and dragged away, the button stays raised, not sunken, until the release:
    // Qt tells it that the pointer left only then.
    void pointerGivesTheLooksAndTheClick() {
        Host host;
        QVERIFY(host.Show());
        FlatToolbar& toolbar = *host.toolbar;
        QToolButton& dice = toolbar.DiceButton();
        QSignalSpy clicks(&toolbar, &FlatToolbar::CommandClicked);
        const QPoint button = dice.geometry().center();
        const QPoint inButton = button + QPoint(4, 3);
        const QPoint gap(vesk::kDiceButtonLeft + vesk::kButtonWidth + 4, 12);
        const QPoint onDiceBox = host.diceBox->geometry().center();
        const QPoint below(button.x(), toolbar.height() + 40);

        enum Action { kMove, kPress, kRelease };
        enum Look { kFlat, kRaised, kSunken };
        const struct {
            const char* what;
            Action action;
            QPoint at;
            Look look;
            int clicks;
        } steps[] = {
            {"hover", kMove, button, kRaised, 0},
            {"onto the dice combo box", kMove, onDiceBox, kFlat, 0},
            {"back", kMove, button, kRaised, 0},
            {"off the toolbar", kMove, below, kFlat, 0},
            {"press", kPress, inButton, kSunken, 0},
            {"drag off the toolbar", kMove, below, kRaised, 0},
            {"drag back", kMove, button, kSunken, 0},
            {"release over it", kRelease, button, kRaised, 1},
            {"press again", kPress, button, kSunken, 1},
            {"drag off the toolbar", kMove, below, kRaised, 1},
            {"release elsewhere", kRelease, below, kFlat, 1},
            {"onto the blank gap", kMove, gap, kFlat, 1},
            {"press on the blank gap", kPress, gap, kFlat, 1},
            {"release on the blank gap", kRelease, gap, kFlat, 1},
        };
        for (const auto& step : steps) {
            switch (step.action) {
                case kMove:
                    QTest::mouseMove(&toolbar, step.at);
                    break;
                case kPress:
                    QTest::mousePress(&toolbar, Qt::LeftButton, {}, step.at);
                    break;
                case kRelease:
                    QTest::mouseRelease(&toolbar, Qt::LeftButton, {}, step.at);
                    break;
            }
            const Look look = dice.isDown() ? kSunken : dice.underMouse() ? kRaised : kFlat;
            QVERIFY2(look == step.look, step.what);
            QVERIFY2(clicks.size() == step.clicks, step.what);
        }
        QCOMPARE(clicks.first().first().value<vesk::ChatCommand>(), vesk::ChatCommand::kRollDice);
    }

    void pressAnywhereBringsTheWindowToTheFront() {
        Host host;
        QVERIFY(host.Show());
        QWidget other;
        other.show();
        FlatToolbar& toolbar = *host.toolbar;
        const QPoint places[] = {QPoint(vesk::kDiceButtonLeft + vesk::kButtonWidth + 4, 12),
                                 QPoint(vesk::kRuleLeft, 12),
                                 toolbar.DiceButton().geometry().center()};
        for (const QPoint& at : places) {
            other.activateWindow();
            QTRY_COMPARE(QApplication::activeWindow(), &other);
            QTest::mousePress(&toolbar, Qt::LeftButton, {}, at);
            QTRY_COMPARE(QApplication::activeWindow(), &host.window);
            QTest::mouseRelease(&toolbar, Qt::LeftButton, {}, at);
        }
    }
};

QTEST_MAIN(FlatToolbarTest)
#include "flat_toolbar_test.moc"

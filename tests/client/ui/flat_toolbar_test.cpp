// The flat toolbar driven with Qt Test's pointer events on the offscreen platform, inside a
// stand-in for the main window with the two combo boxes where the main window puts them. The
// looks are read back from grabs of the widget.

// Pointer events go through the window as real ones do: to the widget under the pointer, or to
// the one holding the press, with enter and leave events on the way.
#define QTEST_QPA_MOUSE_HANDLING

#include <QComboBox>
#include <QSignalSpy>
#include <QtTest>
#include <string_view>

#include "client/dice/window_views.h"
#include "client/shell/toolbar_records.h"
#include "client/ui/client_pictures.h"
#include "client/ui/flat_toolbar.h"
#include "protocol/cp932.h"

using vesk::FlatToolbar;
using State = vesk::ToolbarButtonState;

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

// The dice button's border and which die it shows, as a grab of the toolbar shows them:
// "raised", "sunken" or "flat", then "hot die", "normal die", "hot die shifted" or "no die".
QString ButtonLook(FlatToolbar& toolbar) {
    const QImage image = toolbar.grab().toImage();
    const QRect r = toolbar.RecordRect(FlatToolbar::kDiceButtonIndex);
    const QRgb face = toolbar.palette().color(QPalette::Button).rgb();
    const QRgb light = toolbar.palette().color(QPalette::Light).rgb();
    const QRgb dark = toolbar.palette().color(QPalette::Dark).rgb();
    const auto border = [&](QRgb leftTop, QRgb rightBottom) {
        const int x = r.center().x(), y = r.center().y();
        return image.pixel(r.left(), y) == leftTop && image.pixel(x, r.top()) == leftTop &&
               image.pixel(r.right(), y) == rightBottom &&
               image.pixel(x, r.bottom()) == rightBottom;
    };
    const QString look = border(light, dark)   ? "raised"
                         : border(dark, light) ? "sunken"
                         : border(face, face)  ? "flat"
                                               : "other border";

    // The die's top left pip, at (2, 5) in the picture: black on the normal die, red on the hot.
    const int x = r.left() + vesk::kImageIndent, y = vesk::kImageTop;
    const QRgb pip = image.pixel(x + 2, y + 5), shifted = image.pixel(x + 3, y + 6);
    // Right of the die in its place, where only a shifted die left behind would show.
    const QRgb trace = image.pixel(x + 15, y + 5);
    const auto red = [](QRgb c) { return qRed(c) > 200 && qGreen(c) < 60; };
    if (red(pip) || pip == qRgb(0, 0, 0)) {
        if (trace != face) return look + ", mixed die";
        return look + (red(pip) ? ", hot die" : ", normal die");
    }
    if (red(shifted)) return look + ", hot die shifted";
    return look + (pip == face && shifted == face ? ", no die" : ", other die");
}

}  // namespace

class FlatToolbarTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }

    void createsWithItsHeightRuleAndPictures() {
        const QString failure = QStringLiteral("イメージリスト作成失敗");
        const struct {
            const char* name;
            vesk::DiePictures pictures;
            QStringList messages;
            QString hotLook;
        } cases[] = {
            {"our pictures", vesk::DiePicturePaths(), {}, "raised, hot die"},
            {"no pictures", {":/missing1.png", ":/missing2.png"}, {failure}, "raised, no die"},
        };
        for (const auto& c : cases) {
            Host host(c.pictures);
            QVERIFY(host.Show());
            QCOMPARE(host.messages.shown, c.messages);
            FlatToolbar& toolbar = *host.toolbar;
            QCOMPARE(toolbar.height(), vesk::ToolbarHeightFor(host.diceBox->height()));
            QVERIFY2(host.diceBox->geometry().bottom() < toolbar.height(), c.name);

            const QImage image = toolbar.grab().toImage();
            const int ruleX = toolbar.RecordRect(22).left() + 3;
            QCOMPARE(image.pixel(ruleX, 12), toolbar.palette().color(QPalette::Dark).rgb());
            QCOMPARE(image.pixel(ruleX + 1, 12), toolbar.palette().color(QPalette::Light).rgb());

            QTest::mouseMove(&toolbar, toolbar.RecordRect(FlatToolbar::kDiceButtonIndex).center());
            QCOMPARE(ButtonLook(toolbar), c.hotLook);
        }
        QVERIFY(!QPixmap(vesk::ClientIconPath()).isNull());
        QCOMPARE(QPixmap(vesk::ClientIconPath()).size(), QSize(32, 32));
    }

    void pointerGivesTheLooksAndTheClick() {
        Host host;
        QVERIFY(host.Show());
        FlatToolbar& toolbar = *host.toolbar;
        QSignalSpy clicks(&toolbar, &FlatToolbar::CommandClicked);
        const QPoint button = toolbar.RecordRect(FlatToolbar::kDiceButtonIndex).center();
        const QPoint inButton = button + QPoint(4, 3);
        const QPoint gap = toolbar.RecordRect(21).center();
        const QPoint onDiceBox = host.diceBox->geometry().center();
        const QPoint below(button.x(), toolbar.height() + 40);

        enum Action { kMove, kPress, kRelease, kRepaint };
        const QString hot = "raised, hot die", normal = "flat, normal die";
        const QString held = "sunken, hot die shifted";
        const struct {
            const char* what;
            Action action;
            QPoint at;
            QString look;
            State state;
            int clicks;
        } steps[] = {
            {"hover", kMove, button, hot, State::kHot, 0},
            {"onto the dice combo box", kMove, onDiceBox, normal, State::kNormal, 0},
            {"back", kMove, button, hot, State::kHot, 0},
            {"off the toolbar", kMove, below, normal, State::kNormal, 0},
            {"back", kMove, button, hot, State::kHot, 0},
            {"repaint with nothing pending", kRepaint, {}, "flat, hot die", State::kHot, 0},
            {"press", kPress, inButton, held, State::kPressed, 0},
            {"drag off the toolbar", kMove, below, normal, State::kPressedAway, 0},
            {"drag back", kMove, button, held, State::kPressed, 0},
            {"release over it", kRelease, button, hot, State::kHot, 1},
            {"press again", kPress, button, held, State::kPressed, 1},
            {"drag off the toolbar", kMove, below, normal, State::kPressedAway, 1},
            {"release elsewhere", kRelease, below, normal, State::kNormal, 1},
            {"hover again", kMove, button, hot, State::kHot, 1},
            {"onto the blank gap", kMove, gap, normal, State::kNormal, 1},
            {"press on the blank gap", kPress, gap, normal, State::kNormal, 1},
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
                case kRepaint:
                    toolbar.resize(toolbar.width() - 1, toolbar.height());
                    break;
            }
            const QByteArray what = step.what;
            QVERIFY2(ButtonLook(toolbar) == step.look, what + ": " + ButtonLook(toolbar).toUtf8() +
                                                           " instead of " + step.look.toUtf8());
            QVERIFY2(toolbar.Tracker().State(FlatToolbar::kDiceButtonIndex) == step.state, what);
            QVERIFY2(clicks.size() == step.clicks, what);
        }
        QCOMPARE(clicks.first().first().toInt(), vesk::kRollDiceCommand);
    }

    void pressAnywhereBringsTheWindowToTheFront() {
        Host host;
        QVERIFY(host.Show());
        QWidget other;
        other.show();
        FlatToolbar& toolbar = *host.toolbar;
        const QPoint places[] = {toolbar.RecordRect(21).center(), toolbar.RecordRect(22).center(),
                                 toolbar.RecordRect(FlatToolbar::kDiceButtonIndex).center()};
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

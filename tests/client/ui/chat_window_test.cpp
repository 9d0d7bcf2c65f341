// VeskChat's window on its own: start-up from the settings, the layout, the settings file and
// saving the log.

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFontComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QtTest>

#include "client/rules/commands.h"
#include "client/rules/toolbar_layout.h"
#include "client/rules/window_layout.h"
#include "client/ui/chat_input.h"
#include "client/ui/chat_log.h"
#include "client/ui/flat_toolbar.h"
#include "client/ui/font_dialog.h"
#include "protocol/cp932.h"
#include "tests/client/dice/fake_views.h"
#include "tests/client/ui/test_client.h"
#include "tests/support/modal_driver.h"
#include "ui/cp932_text.h"

using vesk::test::ModalDriver;
using vesk::test::TestClient;

namespace {

QRect Rect(const vesk::ControlRect& r) { return {r.x, r.y, r.width, r.height}; }

}  // namespace

class ChatWindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void startsFromAnEmptyStoreWithListsFontAndMenu() {
        TestClient test;
        vesk::ChatClient& client = test.Make();
        client.Start();
        vesk::ChatMainWindow& window = client.Window();
        QCOMPARE(window.windowTitle(), QStringLiteral("VeskChat"));
        QCOMPARE(window.frameGeometry(), QRect(0, 0, 600, 480));
        QVERIFY(window.CommandAction(vesk::ChatCommand::kConnect)->isEnabled());
        QVERIFY(!window.CommandAction(vesk::ChatCommand::kDisconnect)->isEnabled());

        QComboBox& dice = window.DiceBox().Box();
        QCOMPARE(dice.count(), 15);
        QCOMPARE(dice.currentIndex(), 0);
        QComboBox& names = window.NameBox().Box();
        QCOMPARE(names.itemText(0), QStringLiteral("ごんべ"));
        QVERIFY(names.count() > 1);
        QCOMPARE(names.currentText(), QStringLiteral("ごんべ"));

        QCOMPARE(window.Log().font().family(), QStringLiteral("ＭＳ ゴシック"));
        QCOMPARE(window.Log().font().pointSize(), 14);
        QCOMPARE(window.Input().font(), window.Log().font());

        // Nothing is written at start-up; the first move of the shown window saves where it is.
        QSettings saved(test.SettingsFile(), QSettings::IniFormat);
        QVERIFY(saved.allKeys().isEmpty());
        window.move(30, 20);
        saved.sync();
        QCOMPARE(saved.value("Info/PosX").toInt(), 30);
        QCOMPARE(saved.value("Info/Width").toInt(), 600);
        QVERIFY(!saved.contains("Option/Name"));
    }

    void restoresTheStoredPlacementAndOptions() {
        TestClient test;
        {
            QSettings stored(test.SettingsFile(), QSettings::IniFormat);
            stored.setValue("Info/PosX", 40);
            stored.setValue("Info/PosY", 30);
            stored.setValue("Info/Width", 500);
            stored.setValue("Info/Height", 400);
            stored.setValue("Option/IPaddress", "192.168.0.9");
            stored.setValue("Option/Port", "abc");  // not a number: the default
            stored.setValue("Option/Name", "カイ");
            stored.setValue("Option/Font", "DejaVu Sans");
            stored.setValue("Option/FontSize", 11);
        }
        vesk::ChatClient& client = test.Make();
        client.Start();
        QCOMPARE(client.Window().frameGeometry(), QRect(40, 30, 500, 400));
        QCOMPARE(client.Connection().Target().address, "192.168.0.9");
        QCOMPARE(client.Connection().Target().port, 15000);
        QCOMPARE(client.Window().NameBox().Box().itemText(0), QStringLiteral("カイ"));
        QCOMPARE(client.Window().Log().font().family(), QStringLiteral("DejaVu Sans"));
        QCOMPARE(client.Window().Log().font().pointSize(), 11);
    }

    void laysOutTheControlsAtAnySize() {
        TestClient test;
        vesk::ChatClient& client = test.Make();
        client.Start();
        vesk::ChatMainWindow& window = client.Window();
        const int toolbar = window.ToolbarHeight();
        QVERIFY(toolbar >= window.NameBox().Box().height() + vesk::kComboTop);
        QWidget* area = window.centralWidget();
        for (const QSize size : {QSize(700, 500), QSize(120, 60), QSize(30, 10), QSize(0, 0)}) {
            area->resize(size);
            const vesk::WindowLayout expected =
                vesk::LayOutWindow(size.width(), size.height(), toolbar);
            QCOMPARE(window.Log().geometry(), Rect(expected.chatLog));
            QCOMPARE(window.ParticipantList().geometry(), Rect(expected.participantList));
            QCOMPARE(window.Input().geometry(), Rect(expected.chatInput));
            QCOMPARE(window.Toolbar().geometry(), Rect(expected.toolbar));
        }
        area->resize(700, 500);
        QCOMPARE(window.Log().geometry(), QRect(0, toolbar, 600, 500 - toolbar - 30));
        QCOMPARE(window.Input().geometry(), QRect(0, 472, 700, 28));
    }

    void unwritableSettingsAreReportedAndTheClientStillStarts() {
        TestClient test;
        // A settings file whose folder is a file cannot be written.
        test.folder.Write("blocked", "");
        vesk::QtSettingsStore blocked(
            QString::fromStdString((test.folder.Path() / "blocked" / "settings.ini").string()));
        vesk::test::FakeMessageBox messages;
        vesk::ConnectionTarget target;
        vesk::ClientSettings settings;
        vesk::LoadSettings(blocked, {{0, 0, 1024, 768}}, target, settings, messages);
        QCOMPARE(messages.shown.size(), std::size_t{2});
        QCOMPARE(settings.fontSize, 14);

        // Values read back as written, across handles.
        const std::string name = vesk::Cp932FromUtf8("表①");
        QVERIFY(test.store.WriteText(vesk::SettingsGroup::Option, "Name", name));
        QVERIFY(test.store.WriteNumber(vesk::SettingsGroup::Info, "PosX", -7));
        vesk::QtSettingsStore again(test.SettingsFile());
        QCOMPARE(again.ReadText(vesk::SettingsGroup::Option, "Name"), name);
        QCOMPARE(again.ReadNumber(vesk::SettingsGroup::Info, "PosX"), -7);
        QVERIFY(!again.ReadNumber(vesk::SettingsGroup::Option, "Name"));
        QVERIFY(!again.ReadText(vesk::SettingsGroup::Option, "Missing"));
    }

    void anUnwritableStoreShowsTwoBoxesAndAMoveInPlaceSavesNothing() {
        TestClient test;
        test.folder.Write("blocked", "");
        vesk::QtSettingsStore blocked(
            QString::fromStdString((test.folder.Path() / "blocked" / "settings.ini").string()));
        vesk::ChatClient client(blocked, vesk::ListPathsFor(vesk::PathText(test.folder.Path())));
        int boxes = 0;
        ModalDriver driver;
        driver.WheneverShown<QMessageBox>([&](QMessageBox* box) {
            if (box->text() == vesk::FromCp932(blocked.WriteFailureMessage())) ++boxes;
            box->accept();
        });
        client.Start();
        QCOMPARE(boxes, 2);
        // There is no registry here: the message names the file.
        QVERIFY(vesk::FromCp932(blocked.WriteFailureMessage()).contains("blocked/settings.ini"));
        // What a window manager sends once it has framed the window where it was asked to be.
        vesk::ChatMainWindow& window = client.Window();
        QMoveEvent inPlace(window.pos(), window.pos());
        QApplication::sendEvent(&window, &inPlace);
        QResizeEvent sameSize(window.size(), window.size());
        QApplication::sendEvent(&window, &sameSize);
        QCOMPARE(boxes, 2);
        // A real move is saved, and its failure shown.
        window.move(window.pos() + QPoint(10, 10));
        QTRY_COMPARE(boxes, 3);
    }

    void theFontDialogKeepsTheStoredFaceAndNeverMultipliesASize() {
        TestClient test;
        vesk::ChatClient& client = test.Make();
        client.Start();
        const auto runDialog = [&](const std::function<void(vesk::FontDialog*)>& action) {
            ModalDriver driver;
            driver.WhenShown<vesk::FontDialog>(action);
            client.RunCommand(vesk::ChatCommand::kChangeFont);
        };
        // ＭＳ ゴシック is not installed here: the dialog opens on its stand-in.
        runDialog([](vesk::FontDialog* dialog) { dialog->OkButton()->click(); });
        QCOMPARE(client.Settings().font, vesk::Cp932FromUtf8("ＭＳ ゴシック"));
        QCOMPARE(client.Settings().fontSize, 14);

        runDialog([](vesk::FontDialog* dialog) {
            QLineEdit* size = dialog->SizeBox()->lineEdit();
            size->selectAll();
            QTest::keyClicks(size, QStringLiteral("10.5"));
            QCOMPARE(size->text(), QStringLiteral("10.5"));
            QTest::keyClick(size, Qt::Key_Return);
        });
        QCOMPARE(client.Settings().fontSize, 10);
        QCOMPARE(client.Settings().font, vesk::Cp932FromUtf8("ＭＳ ゴシック"));
        QCOMPARE(client.Window().Log().font().pointSize(), 10);
        QSettings saved(test.SettingsFile(), QSettings::IniFormat);
        QCOMPARE(saved.value("Option/FontSize").toInt(), 10);
        QCOMPARE(saved.value("Option/Font").toString(), QStringLiteral("ＭＳ ゴシック"));

        // What the field cannot hold is refused, and the dialog stays open.
        QString other;
        runDialog([&](vesk::FontDialog* dialog) {
            QLineEdit* size = dialog->SizeBox()->lineEdit();
            size->selectAll();
            QTest::keyClicks(size, QStringLiteral("0"));
            QTest::keyClick(size, Qt::Key_Return);
            QVERIFY(dialog->isVisible());
            dialog->FaceBox()->setCurrentIndex(dialog->FaceBox()->currentIndex() == 0 ? 1 : 0);
            other = dialog->FaceBox()->currentFont().family();
            size->setText(QStringLiteral("12"));
            QTest::keyClick(size, Qt::Key_Return);
        });
        QCOMPARE(client.Settings().font, vesk::Cp932FromUtf8(other.toStdString()));
        QCOMPARE(client.Settings().fontSize, 12);
    }

    void savesTheLogAsCodePage932WithCrLf() {
        TestClient test;
        vesk::ChatClient& client = test.Make();
        client.Start();
        client.Window().AppendChatLog(vesk::Cp932FromUtf8("Aya：こんにちは\r\n"));
        client.Window().AppendChatLog("\r\n");
        client.Window().AppendChatLog(vesk::Cp932FromUtf8("表①\r\n"));
        const auto saved = test.Save(vesk::ChatCommand::kSaveLog, QStringLiteral("*.txt"));
        QCOMPARE(saved.files.size(), 1);
        QCOMPARE(saved.message,
                 QStringLiteral("ファイル名 %1 でログを保存しました").arg(saved.files[0]));
        QCOMPARE(saved.bytes.toStdString(), vesk::Cp932FromUtf8("Aya：こんにちは\r\n\r\n表①\r\n"));
        // Saving leaves the log as it was.
        QCOMPARE(client.Window().Log().toPlainText(), QStringLiteral("Aya：こんにちは\n\n表①\n"));
    }
};

QTEST_MAIN(ChatWindowTest)
#include "chat_window_test.moc"

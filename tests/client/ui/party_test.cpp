// A party on loopback: a relay and two VeskChat windows, driven through their dialogs, keys
// and commands as players drive them.

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QtTest>

#include "client/rules/commands.h"
#include "client/ui/chat_input.h"
#include "client/ui/chat_log.h"
#include "client/ui/connect_dialog.h"
#include "client/ui/option_dialog.h"
#include "protocol/cp932.h"
#include "server/relay_server.h"
#include "tests/client/ui/test_client.h"
#include "tests/server/recording_reporter.h"
#include "tests/support/modal_driver.h"
#include "ui/cp932_text.h"

using vesk::test::ModalDriver;
using vesk::test::TestClient;

namespace {

constexpr int kWait = 10000;

QStringList Rows(const QListWidget& list) {
    QStringList rows;
    for (int row = 0; row < list.count(); ++row) rows << list.item(row)->text();
    return rows;
}

int Occurrences(const vesk::ChatClient& client, const QString& text) {
    return const_cast<vesk::ChatClient&>(client).Window().Log().toPlainText().count(text);
}

// Connects through the CONNECT dialog, typing the port and the name and pressing Enter.
// The result: whether the dialog opened with the focus in its first field.
bool ConnectThroughDialog(vesk::ChatClient& client, int port, const QString& name) {
    bool focusFirst = false;
    ModalDriver driver;
    driver.WhenShown<vesk::ConnectDialog>([&](vesk::ConnectDialog* dialog) {
        focusFirst = dialog->focusWidget() == dialog->AddressField();
        dialog->PortField()->setText(QString::number(port));
        dialog->NameBox()->setEditText(name);
        QTest::keyClick(dialog->PortField(), Qt::Key_Return);
    });
    client.RunCommand(vesk::ChatCommand::kConnect);
    return focusFirst;
}

void Type(vesk::ChatClient& client, const QString& text) {
    client.Window().Input().setText(text);
    QTest::keyClick(&client.Window().Input(), Qt::Key_Return);
}

}  // namespace

class PartyTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() {
        relay = std::make_unique<vesk::RelayServer>(reporter);
        aya = std::make_unique<TestClient>();
        ben = std::make_unique<TestClient>();
        QVERIFY(relay->Start(0));
        aya->Make().Start();
        ben->Make().Start();
        QVERIFY(ConnectThroughDialog(*aya->client, relay->ListeningPort(), QStringLiteral("Aya")));
        // Aya's name is on the roster before Ben comes, so both lists read Aya, Ben.
        QTRY_COMPARE_WITH_TIMEOUT(Rows(aya->client->Window().ParticipantList()),
                                  QStringList({"Aya"}), kWait);
        QVERIFY(ConnectThroughDialog(*ben->client, relay->ListeningPort(), QStringLiteral("Ben")));
        for (TestClient* player : {aya.get(), ben.get()}) {
            QTRY_COMPARE_WITH_TIMEOUT(Rows(player->client->Window().ParticipantList()),
                                      QStringList({"Aya", "Ben"}), kWait);
            QVERIFY(
                !player->client->Window().CommandAction(vesk::ChatCommand::kConnect)->isEnabled());
            QVERIFY(player->client->Window()
                        .CommandAction(vesk::ChatCommand::kDisconnect)
                        ->isEnabled());
        }
        QCOMPARE(aya->client->Window().NameBox().Box().currentText(), QStringLiteral("Aya"));
    }

    void cleanup() {
        aya.reset();
        ben.reset();
        relay.reset();
    }

    void enterSendsOneLineThatEveryoneSeesOnce() {
        Type(*aya->client, QStringLiteral("こんにちは 100%"));
        QVERIFY(aya->client->Window().Input().text().isEmpty());
        for (TestClient* player : {aya.get(), ben.get()}) {
            QTRY_COMPARE_WITH_TIMEOUT(Occurrences(*player->client, "Aya：こんにちは 100%\n"), 1,
                                      kWait);
        }

        // Pasted lines travel as one line: nobody gets a forged roster line.
        QApplication::clipboard()->setText(QStringLiteral("一行目\npaddKai\t7\n三行目"));
        aya->client->Window().Input().clear();
        aya->client->RunCommand(vesk::ChatCommand::kPasteInput);
        QTest::keyClick(&aya->client->Window().Input(), Qt::Key_Return, Qt::ShiftModifier);
        QTRY_COMPARE_WITH_TIMEOUT(Occurrences(*ben->client, "Aya：一行目 paddKai"), 1, kWait);
        QCOMPARE(Rows(ben->client->Window().ParticipantList()), QStringList({"Aya", "Ben"}));
    }

    void ctrlDRollsTheDiceForTheParty() {
        vesk::ChatMainWindow& window = ben->client->Window();
        window.DiceBox().Box().setEditText(QStringLiteral("3D[6]+2"));
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTest::keyClick(&window.Input(), Qt::Key_D, Qt::ControlModifier);
        const QRegularExpression line(QStringLiteral(
            "Ben：ころりんこ。。。3D\\[6\\]\\+2 = (\\d)\\+(\\d)\\+(\\d) = (\\d+)\n"));
        QRegularExpressionMatch match;
        QTRY_VERIFY_WITH_TIMEOUT(
            (match = line.match(aya->client->Window().Log().toPlainText())).hasMatch(), kWait);
        int sum = 2;
        for (int die = 1; die <= 3; ++die) {
            QVERIFY(match.captured(die).toInt() >= 1 && match.captured(die).toInt() <= 6);
            sum += match.captured(die).toInt();
        }
        QCOMPARE(match.captured(4).toInt(), sum);
    }

    void listsReloadFromTheDataFolder() {
        aya->folder.Write("dice.sai", "1D[20]\r\n2D[10]\r\n");
        aya->folder.Write("name.nam", vesk::Cp932FromUtf8("リナ\r\n"));
        aya->client->RunCommand(vesk::ChatCommand::kReloadDice);
        aya->client->RunCommand(vesk::ChatCommand::kReloadNames);
        QComboBox& dice = aya->client->Window().DiceBox().Box();
        QCOMPARE(dice.count(), 2);
        QCOMPARE(dice.currentText(), QStringLiteral("1D[20]"));
        QComboBox& names = aya->client->Window().NameBox().Box();
        QCOMPARE(names.count(), 2);
        QCOMPARE(names.itemText(0), QStringLiteral("ごんべ"));
        QCOMPARE(names.itemText(1), QStringLiteral("リナ"));
    }

    void optionsReplaceTheDefaultNameAndAreSaved() {
        ModalDriver driver;
        driver.WhenShown<vesk::OptionDialog>([&](vesk::OptionDialog* dialog) {
            dialog->NameField()->setText(QStringLiteral("カイ"));
            dialog->PortField()->setText(QStringLiteral("16000"));
            QTest::keyClick(dialog->NameField(), Qt::Key_Return);
        });
        aya->client->RunCommand(vesk::ChatCommand::kOptions);
        QComboBox& names = aya->client->Window().NameBox().Box();
        QCOMPARE(names.itemText(0), QStringLiteral("カイ"));
        QCOMPARE(names.currentIndex(), 0);
        QCOMPARE(aya->client->Connection().Target().port, 16000);
        QSettings saved(aya->SettingsFile(), QSettings::IniFormat);
        QCOMPARE(saved.value("Option/Name").toString(), QStringLiteral("カイ"));
        QCOMPARE(saved.value("Option/Port").toInt(), 16000);
        QCOMPARE(saved.value("Option/IPaddress").toString(), QStringLiteral("127.0.0.1"));
    }

    void aWrongPortKeepsTheConnectDialogOpen() {
        aya->client->RunCommand(vesk::ChatCommand::kDisconnect);
        QString message;
        bool stillOpen = false;
        ModalDriver driver;
        driver.WhenShown<vesk::ConnectDialog>([&](vesk::ConnectDialog* dialog) {
            dialog->PortField()->setText(QStringLiteral("70000"));
            ModalDriver inner;
            inner.WhenShown<QMessageBox>([&](QMessageBox* box) {
                message = box->text();
                box->accept();
            });
            dialog->ConnectButton()->click();
            stillOpen = dialog->isVisible() && dialog->PortField()->text() == "70000";
            dialog->reject();
        });
        aya->client->RunCommand(vesk::ChatCommand::kConnect);
        QCOMPARE(message, QStringLiteral("ポート番号は 1 から 65535 までの数で指定してください。"));
        QVERIFY(stillOpen);
        QVERIFY(!aya->client->Connection().Connected());
    }

    void theWrongFieldIsSelectedForTypingAgain() {
        aya->client->RunCommand(vesk::ChatCommand::kDisconnect);
        const struct {
            QString address;
            QString port;
            bool addressWrong;
        } cases[] = {{"localhost", "15000", true}, {"127.0.0.1", "0015000", false}};
        for (const auto& c : cases) {
            QString selected;
            ModalDriver driver;
            driver.WhenShown<vesk::ConnectDialog>([&](vesk::ConnectDialog* dialog) {
                dialog->AddressField()->setText(c.address);
                dialog->PortField()->setText(c.port);
                ModalDriver inner;
                inner.WhenShown<QMessageBox>([](QMessageBox* box) { box->accept(); });
                dialog->ConnectButton()->click();
                QLineEdit* wrong = c.addressWrong ? dialog->AddressField() : dialog->PortField();
                QLineEdit* right = c.addressWrong ? dialog->PortField() : dialog->AddressField();
                if (!right->hasSelectedText()) selected = wrong->selectedText();
                dialog->reject();
            });
            aya->client->RunCommand(vesk::ChatCommand::kConnect);
            QCOMPARE(selected, c.addressWrong ? c.address : c.port);
        }
    }

    void disconnectEmptiesTheListAndKeepsWhatIsTypedAfterwards() {
        aya->client->RunCommand(vesk::ChatCommand::kDisconnect);
        vesk::ChatMainWindow& window = aya->client->Window();
        QCOMPARE(window.ParticipantList().count(), 0);
        QVERIFY(window.CommandAction(vesk::ChatCommand::kConnect)->isEnabled());
        QVERIFY(!window.CommandAction(vesk::ChatCommand::kDisconnect)->isEnabled());
        QTRY_COMPARE_WITH_TIMEOUT(Rows(ben->client->Window().ParticipantList()),
                                  QStringList({"Ben"}), kWait);

        // An accelerator of a greyed item does nothing.
        aya->client->RunCommand(vesk::ChatCommand::kDisconnect);
        QVERIFY(window.CommandAction(vesk::ChatCommand::kConnect)->isEnabled());

        Type(*aya->client, QStringLiteral("まだ届かない"));
        Type(*aya->client, QStringLiteral("まだ届かない"));
        QCOMPARE(window.Input().text(), QStringLiteral("まだ届かない"));
        QCOMPARE(Occurrences(*aya->client, QStringLiteral("サーバーに接続していません")), 1);
    }

    void reconnectingWithAnEmptyNameKeepsTheCurrentName() {
        aya->client->RunCommand(vesk::ChatCommand::kDisconnect);
        QVERIFY(ConnectThroughDialog(*aya->client, relay->ListeningPort(), QString()));
        QTRY_COMPARE_WITH_TIMEOUT(Rows(ben->client->Window().ParticipantList()),
                                  QStringList({"Ben", "Aya"}), kWait);
        QCOMPARE(aya->client->Window().NameBox().Box().currentText(), QStringLiteral("Aya"));
    }

    void bothRejoinWhenTheRelayComesBackAndTheRecordKeepsEveryLine() {
        const int port = relay->ListeningPort();
        relay.reset();
        for (TestClient* player : {aya.get(), ben.get()}) {
            vesk::ChatMainWindow& window = player->client->Window();
            QTRY_COMPARE_WITH_TIMEOUT(Occurrences(*player->client, "サーバーとの接続が切れました"),
                                      1, kWait);
            // While the tries run, disconnect stops them and connect picks another server.
            QVERIFY(window.CommandAction(vesk::ChatCommand::kConnect)->isEnabled());
            QVERIFY(window.CommandAction(vesk::ChatCommand::kDisconnect)->isEnabled());
        }
        relay = std::make_unique<vesk::RelayServer>(reporter);
        QVERIFY(relay->Start(port));
        for (TestClient* player : {aya.get(), ben.get()}) {
            vesk::ChatMainWindow& window = player->client->Window();
            QTRY_VERIFY_WITH_TIMEOUT(Rows(window.ParticipantList()).size() == 2, kWait * 3);
            QVERIFY(Occurrences(*player->client, "再接続しています（1 回目）…") == 1);
            QVERIFY(!window.CommandAction(vesk::ChatCommand::kConnect)->isEnabled());
            QVERIFY(window.CommandAction(vesk::ChatCommand::kDisconnect)->isEnabled());
        }
        QCOMPARE(aya->client->Window().NameBox().Box().currentText(), QStringLiteral("Aya"));
        Type(*aya->client, QStringLiteral("ただいま"));
        QTRY_COMPARE_WITH_TIMEOUT(Occurrences(*ben->client, "Aya：ただいま\n"), 1, kWait);

        // Ben's record of each connection: every line he was shown, behind its time.
        QDir folder(QString::fromStdString(ben->folder.Path().string()));
        const QStringList records =
            folder.entryList({QStringLiteral("*_記録*.txt")}, QDir::Files, QDir::Name);
        QCOMPARE(records.size(), 2);
        QString recorded;
        for (const QString& name : records) {
            QFile file(folder.filePath(name));
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QByteArray bytes = file.readAll();
            QVERIFY(bytes.endsWith("\r\n"));
            recorded += vesk::FromCp932(bytes.toStdString());
        }
        const QStringList lines = recorded.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        const QRegularExpression stamp(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d "));
        for (const QString& line : lines) QVERIFY2(stamp.match(line).hasMatch(), qPrintable(line));
        QStringList shown = ben->client->Window().Log().toPlainText().split(QLatin1Char('\n'));
        shown.removeLast();
        QCOMPARE(lines.size(), shown.size());
        for (int line = 0; line < lines.size(); ++line) QCOMPARE(lines[line].mid(9), shown[line]);
    }

    void quitWhileLinesArriveEndsCleanly() {
        vesk::ChatMainWindow& window = aya->client->Window();
        for (int line = 0; line < 300; ++line) {
            ben->client->Connection().SendLine(vesk::Cp932FromUtf8("talkBen：流れる行\r\n"));
        }
        QTRY_VERIFY_WITH_TIMEOUT(Occurrences(*aya->client, "流れる行") > 0, kWait);
        aya->client->RunCommand(vesk::ChatCommand::kQuit);
        QTRY_VERIFY_WITH_TIMEOUT(!window.isVisible(), kWait);
        QVERIFY(!aya->client->Connection().Connected());
        aya->client.reset();
        QTRY_COMPARE_WITH_TIMEOUT(Rows(ben->client->Window().ParticipantList()),
                                  QStringList({"Ben"}), kWait);
    }

private:
    vesk::test::RecordingReporter reporter;
    std::unique_ptr<vesk::RelayServer> relay;
    std::unique_ptr<TestClient> aya;
    std::unique_ptr<TestClient> ben;
};

QTEST_MAIN(PartyTest)
#include "party_test.moc"

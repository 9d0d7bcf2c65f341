// The VeskServer window driven through its commands, on the offscreen platform, with a real
// relay on loopback and real client sockets.

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBrowser>
#include <QtTest>
#include <memory>
#include <thread>
#include <vector>

#include "protocol/cp932.h"
#include "protocol/socket.h"
#include "protocol/socket_startup.h"
#include "server/host_address.h"
#include "server/ui/event_log.h"
#include "server/ui/serv_dialog.h"
#include "server/ui/server_window.h"
#include "tests/support/modal_driver.h"
#include "tests/support/test_peer.h"
#include "ui/about_dialog.h"
#include "ui/help_window.h"
#include "ui/show_ip_dialog.h"

using vesk::ServerWindow;
using vesk::test::FreePort;
using vesk::test::ModalDriver;
using vesk::test::Sjis;
using vesk::test::TestListener;
using vesk::test::TestPeer;

namespace {

constexpr int kWait = 10000;  // ms, the deadline for anything a test waits for

QStringList LogLines(const ServerWindow& window) {
    return window.Log()->toPlainText().split(QLatin1Char('\n'));
}

bool StartEnabled(const ServerWindow& window) {
    return window.CommandAction(vesk::ServerCommand::kStartServer)->isEnabled();
}

bool StopEnabled(const ServerWindow& window) {
    return window.CommandAction(vesk::ServerCommand::kStopServer)->isEnabled();
}

struct DialogVisit {
    QString message;           // the text of the message box the start showed, if any
    bool stayedOpen = false;   // the dialog was still open after the start button
    bool diceOffered = false;  // the dice box was ticked when the dialog opened
};

// Runs サーバー開始 (command 200) with port in the SERV dialog and the dice box as given, and
// presses its start button once; a dialog that stays open is then cancelled.
DialogVisit StartFromDialog(ServerWindow& window, const QString& port, bool dice = true) {
    DialogVisit visit;
    ModalDriver driver;
    driver.WhenShown<vesk::ServDialog>([&](vesk::ServDialog* dialog) {
        visit.diceOffered = dialog->DiceBox()->isChecked();
        dialog->DiceBox()->setChecked(dice);
        dialog->PortField()->setText(port);
        driver.WhenShown<QMessageBox>([&](QMessageBox* box) {
            visit.message = box->text();
            box->accept();
        });
        dialog->StartButton()->click();
        visit.stayedOpen = dialog->isVisible();
        if (visit.stayedOpen) dialog->reject();
    });
    window.RunCommand(vesk::ServerCommand::kStartServer);
    return visit;
}

// A player who has sent its name and seen its own participant line come back.
std::unique_ptr<TestPeer> Join(int port, const std::string& name, int id) {
    auto peer = std::make_unique<TestPeer>(port);
    if (!peer->Connected()) return nullptr;
    peer->Send(name + "\r\n");
    if (!peer->WaitForLine("padd" + name + "\t" + std::to_string(id) + "\r\n")) return nullptr;
    return peer;
}

}  // namespace

class ServerWindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        // Closing a window in one test must not end the application for the next.
        QApplication::setQuitOnLastWindowClosed(false);
        QVERIFY(vesk::SocketStartup() == vesk::SocketStartupOutcome::Ready);
    }

    void windowHasItsTitleSizeAndMenu() {
        ServerWindow window;
        window.show();
        QCOMPARE(window.windowTitle(), QStringLiteral("VeskServer"));
        QCOMPARE(window.minimumSize(), QSize(400, 300));
        QCOMPARE(window.maximumSize(), QSize(400, 300));
        QCOMPARE(window.pos(), QPoint(0, 0));
        QVERIFY(!window.windowIcon().isNull());
        QVERIFY(window.windowFlags() & Qt::WindowMinimizeButtonHint);
        QVERIFY(window.windowFlags() & Qt::WindowMaximizeButtonHint);
        QCOMPARE(window.centralWidget(), window.Log());
        QVERIFY(window.Log()->isReadOnly());
        QVERIFY(window.Log()->toPlainText().isEmpty());

        // Each menu as "text#id", separators as "-".
        const std::vector<std::pair<QString, QStringList>> expected = {
            {QStringLiteral("ファイル(&F)"),
             {QStringLiteral("サーバー開始(&S)#200"), QStringLiteral("サーバー終了(&X)#201"),
              QStringLiteral("-"), QStringLiteral("IPアドレスを表示#202"), QStringLiteral("-"),
              QStringLiteral("終了(&Q)#212")}},
            {QStringLiteral("ヘルプ(&H)"),
             {QStringLiteral("ヘルプ(&H)#210"), QStringLiteral("-"),
              QStringLiteral("バージョン情報(&A)#211")}},
        };
        const QList<QAction*> menus = window.menuBar()->actions();
        QCOMPARE(menus.size(), static_cast<qsizetype>(expected.size()));
        for (std::size_t m = 0; m < expected.size(); ++m) {
            QCOMPARE(menus[m]->text(), expected[m].first);
            QStringList items;
            for (const QAction* item : menus[m]->menu()->actions()) {
                items << (item->isSeparator()
                              ? QStringLiteral("-")
                              : item->text() + QLatin1Char('#') + item->data().toString());
            }
            QCOMPARE(items, expected[m].second);
        }

        QVERIFY(StartEnabled(window));
        QVERIFY(!StopEnabled(window));
        window.SetMenuState(vesk::MenuState::Active);
        QVERIFY(!StartEnabled(window));
        QVERIFY(StopEnabled(window));
        window.SetMenuState(vesk::MenuState::Rejoining);  // not a state of the server's
        QVERIFY(!StartEnabled(window));
        QVERIFY(StopEnabled(window));
        window.SetMenuState(vesk::MenuState::Idle);
        QVERIFY(StartEnabled(window));
        QVERIFY(!StopEnabled(window));
    }

    void menuStateFollowsFailedStartStartAndStop() {
        ServerWindow window;
        window.show();
        {
            TestListener other;  // another program holds this port
            const DialogVisit busy = StartFromDialog(window, QString::number(other.Port()));
            QVERIFY(busy.message.isEmpty());
            QVERIFY(!busy.stayedOpen);
        }
        QCOMPARE(LogLines(window), QStringList{QStringLiteral("ERROR：ソケット初期化(bind)失敗")});
        QVERIFY(StartEnabled(window));
        QVERIFY(!StopEnabled(window));

        const int port = FreePort();
        const DialogVisit started = StartFromDialog(window, QString::number(port));
        QVERIFY(!started.stayedOpen);
        QCOMPARE(window.Control().Relay().ListeningPort(), port);
        QVERIFY(!StartEnabled(window));
        QVERIFY(StopEnabled(window));
        QTRY_VERIFY_WITH_TIMEOUT(LogLines(window).contains(QStringLiteral("接続受け入れ可能")),
                                 kWait);
        QCOMPARE(LogLines(window)[1], QStringLiteral("サーバー起動"));

        window.RunCommand(vesk::ServerCommand::kStopServer);
        QVERIFY(StartEnabled(window));
        QVERIFY(!StopEnabled(window));
        QCOMPARE(window.Control().Relay().ListeningPort(), -1);
        QTRY_VERIFY_WITH_TIMEOUT(LogLines(window).contains(QStringLiteral("接続受け入れ不能")),
                                 kWait);
        const QStringList lines = LogLines(window);
        QCOMPARE(lines.mid(lines.size() - 2),
                 (QStringList{QStringLiteral("サーバー終了"), QStringLiteral("接続受け入れ不能")}));
    }

    void portRule_data() {
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("message");  // empty: the port is accepted
        QTest::newRow("999") << QStringLiteral("999")
                             << QStringLiteral("安全のためポート番号は1000以上を指定して下さい");
        QTest::newRow("no number")
            << QStringLiteral("ポート")
            << QStringLiteral("安全のためポート番号は1000以上を指定して下さい");
        QTest::newRow("1000") << QStringLiteral("1000") << QString();
        QTest::newRow("65536") << QStringLiteral("65536")
                               << QStringLiteral("ポート番号は65535以下を指定して下さい");
    }

    void portRule() {
        QFETCH(QString, port);
        QFETCH(QString, message);
        if (message.isEmpty()) {
            // Ports below 1024 need the right to use them; the rule itself is what is tested.
            const vesk::Listener probe =
                vesk::OpenListener(static_cast<std::uint16_t>(port.toInt()), 1);
            if (probe.failedAt != vesk::ListenStep::Done) QSKIP("this user cannot listen there");
            vesk::CloseSocket(probe.handle);
        }
        ServerWindow window;
        window.show();
        const DialogVisit visit = StartFromDialog(window, port);
        QCOMPARE(visit.message, message);
        if (message.isEmpty()) {
            QVERIFY(!visit.stayedOpen);
            QCOMPARE(window.Control().Relay().ListeningPort(), port.toInt());
            QVERIFY(StopEnabled(window));
        } else {
            QVERIFY(visit.stayedOpen);
            QCOMPARE(window.Control().Relay().ListeningPort(), -1);
            QVERIFY(StartEnabled(window));
            QVERIFY(!LogLines(window).contains(QStringLiteral("サーバー起動")));
        }
    }

    void linesFromWorkerThreadsArriveWholeAndInOrder() {
        ServerWindow window;
        window.show();
        vesk::RelayReporter& reporter = window.Reporter();
        constexpr int kThreads = 4;
        constexpr int kLinesEach = 150;
        std::vector<std::thread> workers;
        for (int t = 0; t < kThreads; ++t) {
            workers.emplace_back([&reporter, t] {
                for (int i = 0; i < kLinesEach; ++i) {
                    reporter.LogLine(
                        Sjis("接続：スレッド " + std::to_string(t) + " 行 " + std::to_string(i)));
                }
            });
        }
        for (std::thread& worker : workers) worker.join();
        QTRY_COMPARE_WITH_TIMEOUT(window.Log()->blockCount(), kThreads * kLinesEach, kWait);

        std::vector<int> next(kThreads, 0);
        const QRegularExpression whole(QStringLiteral("^接続：スレッド (\\d) 行 (\\d+)$"));
        for (const QString& line : LogLines(window)) {
            const QRegularExpressionMatch match = whole.match(line);
            QVERIFY2(match.hasMatch(), qPrintable(line));
            const int thread = match.captured(1).toInt();
            QCOMPARE(match.captured(2).toInt(), next[static_cast<std::size_t>(thread)]++);
        }
        const QScrollBar* scroll = window.Log()->verticalScrollBar();
        QVERIFY(scroll->maximum() > 0);
        QCOMPARE(scroll->value(), scroll->maximum());
    }

    void clientConnectingAndLeavingShowsInTheLog() {
        ServerWindow window;
        window.show();
        const int port = FreePort();
        QVERIFY(!StartFromDialog(window, QString::number(port)).stayedOpen);

        auto aya = Join(port, Sjis("アヤ"), 0);
        QVERIFY(aya);
        const QString connected = QStringLiteral("接続：クライアント No.0 (ポート番号 %1)")
                                      .arg(vesk::LocalPort(aya->Handle()));
        QTRY_VERIFY_WITH_TIMEOUT(LogLines(window).contains(connected), kWait);

        // The party runs through the window's relay: a line comes back to its sender.
        aya->Send(Sjis("talkアヤ：こんにちは\r\n"));
        QVERIFY(aya->WaitForLine(Sjis("talkアヤ：こんにちは\r\n")));
        // The relay rolls a dice command, by default.
        aya->Send(Sjis("talkアヤ：2D6\r\n"));
        QVERIFY(aya->WaitForLine(Sjis("talkアヤ：2D6\r\n")));
        const auto roll = aya->NextLine();
        QVERIFY(roll && roll->starts_with(Sjis("talk【ダイス】アヤ：(2D6) ＞ ")));

        aya->Close();
        QTRY_VERIFY_WITH_TIMEOUT(
            LogLines(window).contains(QStringLiteral("切断：クライアント No.0")), kWait);
        QTRY_COMPARE_WITH_TIMEOUT(window.Control().Relay().ConnectedCount(), 0, kWait);
    }

    void withTheDiceBoxUntickedEveryLineGoesAsItCame() {
        ServerWindow window;
        window.show();
        const int port = FreePort();
        const DialogVisit visit = StartFromDialog(window, QString::number(port), false);
        QVERIFY(visit.diceOffered);
        auto aya = Join(port, Sjis("アヤ"), 0);
        QVERIFY(aya);
        for (const char* text :
             {"talkアヤ：2D6\r\n", "talk【ダイス】アヤ：1\r\n", "talkアヤ：end\r\n"}) {
            aya->Send(Sjis(text));
            QCOMPARE(aya->NextLine(), std::optional<std::string>(Sjis(text)));
        }
    }

    void quitWhileClientsAreConnectedEndsCleanly() {
        auto window = std::make_unique<ServerWindow>();
        window->show();
        const int port = FreePort();
        QVERIFY(!StartFromDialog(*window, QString::number(port)).stayedOpen);
        auto aya = Join(port, "Aya", 0);
        auto ben = Join(port, "Ben", 1);
        QVERIFY(aya && ben);

        window->RunCommand(vesk::ServerCommand::kQuit);
        QTRY_VERIFY_WITH_TIMEOUT(!window->isVisible(), kWait);
        // Closing returned only after every relay thread ended.
        QCOMPARE(window->Control().Relay().ConnectedCount(), 0);
        QVERIFY(window->Control().Relay().Roster().empty());
        QCOMPARE(window->Control().Relay().ListeningPort(), -1);
        QVERIFY(aya->WaitForClose());
        QVERIFY(ben->WaitForClose());
        QVERIFY(!TestPeer(port).Connected());
        window.reset();
    }

    void aMessageBoxWaitsForTheUserAndNoneComesOnceTheWindowCloses() {
        ServerWindow window;
        window.show();
        QString title;
        QString text;
        QMessageBox::StandardButtons buttons;
        int shown = 0;
        ModalDriver driver;
        driver.WhenShown<QMessageBox>([&](QMessageBox* box) {
            ++shown;
            title = box->windowTitle();
            text = box->text();
            buttons = box->standardButtons();
            box->accept();
        });
        window.Reporter().ShowMessage(Sjis("メモリ確保に失敗しました"));
        QCOMPARE(shown, 1);
        QCOMPARE(title, QStringLiteral("VeskServer"));
        QCOMPARE(text, QStringLiteral("メモリ確保に失敗しました"));
        QCOMPARE(buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        // A box asked for as the window closes would pop up over nothing.
        window.close();
        driver.WhenShown<QMessageBox>([&](QMessageBox* box) {
            ++shown;
            box->accept();
        });
        window.Reporter().ShowMessage(Sjis("メモリ確保に失敗しました"));
        QCOMPARE(shown, 1);
    }

    void helpOpensTheSharedPageOnce() {
        ServerWindow window;
        window.show();
        window.RunCommand(vesk::ServerCommand::kHelp);
        window.RunCommand(vesk::ServerCommand::kHelp);
        const QList<vesk::HelpWindow*> helps = window.findChildren<vesk::HelpWindow*>();
        QCOMPARE(helps.size(), 1);
        QVERIFY(helps[0]->isVisible());
        const QString page = helps[0]->Browser()->toPlainText();
        for (const char* needed : {"サーバーを立てる", "vesk-relay", "接続", "2D[6]+3", "dice.sai",
                                   "name.nam", "Shift-JIS"}) {
            QVERIFY2(page.contains(QString::fromUtf8(needed)), needed);
        }
    }

    void aboutShowsIconNameAndVersion() {
        ServerWindow window;
        window.show();
        QSize iconSize;
        QString name;
        ModalDriver driver;
        driver.WhenShown<vesk::AboutDialog>([&](vesk::AboutDialog* about) {
            iconSize = about->IconLabel()->pixmap().size();
            name = about->NameLabel()->text();
            about->accept();
        });
        window.RunCommand(vesk::ServerCommand::kAbout);
        QCOMPARE(iconSize, QSize(32, 32));
        QVERIFY(name.contains(QStringLiteral("VeskServer")));
        QVERIFY(name.contains(QStringLiteral(VESK_VERSION)));
    }

    void showIpShowsThisMachinesAddress() {
        vesk::SystemHostAddressSource source;
        const vesk::HostAddress expected = vesk::LookUpHostAddress(source);
        ServerWindow window;
        window.show();
        QString shown = QStringLiteral("(not shown)");
        QString message;
        ModalDriver driver;
        if (!expected.message.empty()) {
            driver.WhenShown<QMessageBox>([&](QMessageBox* box) {
                message = box->text();
                box->accept();
            });
        }
        driver.WhenShown<vesk::ShowIpDialog>([&](vesk::ShowIpDialog* dialog) {
            shown = dialog->AddressField()->text();
            dialog->accept();
        });
        window.RunCommand(vesk::ServerCommand::kShowIp);
        QCOMPARE(shown, QString::fromStdString(expected.dotted));
        QCOMPARE(message, QString::fromStdString(vesk::Utf8FromCp932(expected.message)));
    }
};

QTEST_MAIN(ServerWindowTest)
#include "server_window_test.moc"

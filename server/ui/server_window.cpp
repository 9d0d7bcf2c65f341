#include "server/ui/server_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QIcon>
#include <QMenu>
#include <QMenuBar>

#include "server/host_address.h"
#include "server/ui/event_log.h"
#include "server/ui/serv_dialog.h"
#include "server/ui/server_icon.h"
#include "ui/about_dialog.h"
#include "ui/help_window.h"
#include "ui/show_ip_dialog.h"

namespace vesk {

ServerWindow::ServerWindow(RelayOptions options)
    : QMainWindow(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                               Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint |
                               Qt::WindowCloseButtonHint),
      eventLog(new EventLog(this)),
      reporter(*eventLog),
      control(reporter, options) {
    setWindowTitle(QStringLiteral("VeskServer"));
    setWindowIcon(QIcon(ServerIconPath()));
    setCentralWidget(eventLog);
    CreateMenu();
    setFixedSize(kWidth, kHeight);
    move(0, 0);
    SetMenuState(control.MenuState());
}

ServerWindow::~ServerWindow() { CloseRelay(); }

void ServerWindow::CreateMenu() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("ファイル(&F)"));
    AddCommand(file, kStartServerCommand, QStringLiteral("サーバー開始(&S)"));
    AddCommand(file, kStopServerCommand, QStringLiteral("サーバー終了(&X)"));
    file->addSeparator();
    AddCommand(file, kShowIpCommand, QStringLiteral("IPアドレスを表示"));
    file->addSeparator();
    AddCommand(file, kQuitCommand, QStringLiteral("終了(&Q)"));
    QMenu* help = menuBar()->addMenu(QStringLiteral("ヘルプ(&H)"));
    AddCommand(help, kHelpCommand, QStringLiteral("ヘルプ(&H)"));
    help->addSeparator();
    AddCommand(help, kAboutCommand, QStringLiteral("バージョン情報(&A)"));
}

void ServerWindow::AddCommand(QMenu* menu, int id, const QString& text) {
    QAction* action = menu->addAction(text);
    action->setData(id);
    connect(action, &QAction::triggered, this, [this, id] { RunCommand(id); });
    commands[id] = action;
}

QAction* ServerWindow::CommandAction(int id) const {
    const auto found = commands.find(id);
    return found == commands.end() ? nullptr : found->second;
}

void ServerWindow::SetMenuState(int state) {
    if (state != 0 && state != 1) return;
    commands.at(kStartServerCommand)->setEnabled(state == 0);
    commands.at(kStopServerCommand)->setEnabled(state == 1);
}

void ServerWindow::RunCommand(int id) {
    switch (id) {
        case kStartServerCommand:
            StartServer();
            break;
        case kStopServerCommand:
            StopServer();
            break;
        case kShowIpCommand:
            ShowHostAddress();
            break;
        case kHelpCommand:
            ShowHelp(this);
            break;
        case kAboutCommand: {
            AboutDialog about({QStringLiteral("VeskServer"), ServerIconPath(),
                               QStringLiteral("パーティ用チャットのリレーサーバー")},
                              this);
            about.exec();
            break;
        }
        case kQuitCommand:
            // Queued like a posted close: the menu that sent the command finishes first.
            QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
            break;
        default:
            break;
    }
}

void ServerWindow::StartServer() {
    ServDialog dialog(control, this);
    dialog.exec();
    SetMenuState(control.MenuState());
}

void ServerWindow::StopServer() {
    control.Stop();
    SetMenuState(control.MenuState());
}

void ServerWindow::ShowHostAddress() {
    SystemHostAddressSource source;
    const HostAddress found = LookUpHostAddress(source);
    if (!found.message.empty()) reporter.ShowMessage(found.message);
    ShowIpDialog dialog(QString::fromStdString(found.dotted), this);
    dialog.exec();
}

void ServerWindow::closeEvent(QCloseEvent* event) {
    CloseRelay();
    event->accept();
}

void ServerWindow::CloseRelay() {
    // In this order: a relay thread waiting for a message box is let go first, so that
    // joining it cannot wait for the user.
    reporter.Shutdown();
    control.Close();
    SetMenuState(control.MenuState());
}

}  // namespace vesk

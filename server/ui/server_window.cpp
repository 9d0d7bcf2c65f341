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
    SetMenuState(control.Menu());
}

ServerWindow::~ServerWindow() { CloseRelay(); }

void ServerWindow::CreateMenu() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("ファイル(&F)"));
    AddCommand(file, ServerCommand::kStartServer, QStringLiteral("サーバー開始(&S)"));
    AddCommand(file, ServerCommand::kStopServer, QStringLiteral("サーバー終了(&X)"));
    file->addSeparator();
    AddCommand(file, ServerCommand::kShowIp, QStringLiteral("IPアドレスを表示"));
    file->addSeparator();
    AddCommand(file, ServerCommand::kQuit, QStringLiteral("終了(&Q)"));
    QMenu* help = menuBar()->addMenu(QStringLiteral("ヘルプ(&H)"));
    AddCommand(help, ServerCommand::kHelp, QStringLiteral("ヘルプ(&H)"));
    help->addSeparator();
    AddCommand(help, ServerCommand::kAbout, QStringLiteral("バージョン情報(&A)"));
}

void ServerWindow::AddCommand(QMenu* menu, ServerCommand command, const QString& text) {
    QAction* action = menu->addAction(text);
    action->setData(static_cast<int>(command));
    connect(action, &QAction::triggered, this, [this, command] { RunCommand(command); });
    commands[command] = action;
}

QAction* ServerWindow::CommandAction(ServerCommand command) const {
    const auto found = commands.find(command);
    return found == commands.end() ? nullptr : found->second;
}

void ServerWindow::SetMenuState(MenuState state) {
    if (state == MenuState::Rejoining) return;
    commands.at(ServerCommand::kStartServer)->setEnabled(state == MenuState::Idle);
    commands.at(ServerCommand::kStopServer)->setEnabled(state == MenuState::Active);
}

void ServerWindow::RunCommand(ServerCommand command) {
    switch (command) {
        case ServerCommand::kStartServer:
            StartServer();
            break;
        case ServerCommand::kStopServer:
            StopServer();
            break;
        case ServerCommand::kShowIp:
            ShowHostAddress();
            break;
        case ServerCommand::kHelp:
            ShowHelp(this);
            break;
        case ServerCommand::kAbout: {
            AboutDialog about({QStringLiteral("VeskServer"), ServerIconPath(),
                               QStringLiteral("パーティ用チャットのリレーサーバー")},
                              this);
            about.exec();
            break;
        }
        case ServerCommand::kQuit:
            // Queued like a posted close: the menu that sent the command finishes first.
            QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
            break;
    }
}

void ServerWindow::StartServer() {
    ServDialog dialog(control, this);
    dialog.exec();
    SetMenuState(control.Menu());
}

void ServerWindow::StopServer() {
    control.Stop();
    SetMenuState(control.Menu());
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
    // The relay's last lines, logged while it closes, go nowhere: the window is going.
    reporter.Shutdown();
    control.Close();
    SetMenuState(control.Menu());
}

}  // namespace vesk

#pragma once

// VeskServer's main window: the menu of server commands over the event log. The commands
// themselves are ServerControl's; the window shows their outcome.

#include <QMainWindow>
#include <map>

#include "server/server_control.h"
#include "server/ui/window_reporter.h"

class QAction;

namespace vesk {

class EventLog;

enum class ServerCommand : int {
    kStartServer = 200,
    kStopServer = 201,
    kShowIp = 202,
    kHelp = 210,
    kAbout = 211,
    kQuit = 212,
};

class ServerWindow : public QMainWindow {
    Q_OBJECT

public:
    static constexpr int kWidth = 400;
    static constexpr int kHeight = 300;

    explicit ServerWindow(RelayOptions options = {});
    ~ServerWindow() override;

    // What the menu item of this command does.
    void RunCommand(ServerCommand command);

    // Idle: stopped (start enabled, stop greyed); Active: running (the other way round);
    // Rejoining, which only VeskChat has, changes nothing.
    void SetMenuState(MenuState state);

    QAction* CommandAction(ServerCommand command) const;
    EventLog* Log() const { return eventLog; }
    // The log line and message box helpers, as the relay reaches them.
    RelayReporter& Reporter() { return reporter; }
    const ServerControl& Control() const { return control; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateMenu();
    void AddCommand(QMenu* menu, ServerCommand command, const QString& text);
    void StartServer();
    void StopServer();
    void ShowHostAddress();
    // Ends the relay before the window goes: every thread that could report has ended.
    void CloseRelay();

    EventLog* eventLog;
    WindowReporter reporter;
    ServerControl control;
    std::map<ServerCommand, QAction*> commands;
};

}  // namespace vesk

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

enum ServerCommand : int {
    kStartServerCommand = 200,
    kStopServerCommand = 201,
    kShowIpCommand = 202,
    kHelpCommand = 210,
    kAboutCommand = 211,
    kQuitCommand = 212,
};

class ServerWindow : public QMainWindow {
    Q_OBJECT

public:
    static constexpr int kWidth = 400;
    static constexpr int kHeight = 300;

    explicit ServerWindow(RelayOptions options = {});
    ~ServerWindow() override;

    // What the menu item with this id does; unknown ids do nothing.
    void RunCommand(int id);

    // 0: stopped (start enabled, stop greyed); 1: running (the other way round); other values
    // change nothing.
    void SetMenuState(int state);

    QAction* CommandAction(int id) const;
    EventLog* Log() const { return eventLog; }
    // The log line and message box helpers, as the relay reaches them.
    RelayReporter& Reporter() { return reporter; }
    const ServerControl& Control() const { return control; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateMenu();
    void AddCommand(QMenu* menu, int id, const QString& text);
    void StartServer();
    void StopServer();
    void ShowHostAddress();
    // Ends the relay before the window goes: every thread that could report has ended.
    void CloseRelay();

    EventLog* eventLog;
    WindowReporter reporter;
    ServerControl control;
    std::map<int, QAction*> commands;
};

}  // namespace vesk

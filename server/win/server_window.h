#pragma once

// VeskServer's main window: the menu of server commands over the event log. The commands
// themselves are ServerControl's; the window shows their outcome.

#include "protocol/menu_state.h"
#include "protocol/windows_headers.h"
#include "server/server_control.h"
#include "server/win/event_log.h"
#include "server/win/window_reporter.h"
#include "ui/win/main_thread_queue.h"
#include "ui/win/object_window.h"

namespace vesk {

class ServerWindow {
public:
    static constexpr int kWidth = 400;
    static constexpr int kHeight = 300;

    // Registers the window class "VeskServer"; false when the system refuses it.
    static bool RegisterWindowClass(HINSTANCE instance);

    explicit ServerWindow(HINSTANCE instance);
    ServerWindow(const ServerWindow&) = delete;
    ServerWindow& operator=(const ServerWindow&) = delete;

    // Makes and shows the main window, stopped; false when it cannot be made.
    bool Create();

    // Idle: stopped (start enabled, stop greyed); Active: running (the other way round);
    // Rejoining, which only VeskChat has, changes nothing.
    void SetMenuState(MenuState state);

    // For the end of the program, once the message loop has ended: every relay thread is let
    // go of any message box and has ended when this returns.
    void CloseRelay();

private:
    friend LRESULT CALLBACK ObjectWindowProcedure<ServerWindow>(HWND, UINT, WPARAM, LPARAM);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void RunCommand(int id);
    void ShowHostAddress();

    HINSTANCE instance;
    HWND window = nullptr;
    EventLog log;
    MainThreadQueue queue;
    WindowReporter reporter;
    ServerControl control;
};

}  // namespace vesk

#include "server/win/server_window.h"

#include "server/host_address.h"
#include "server/win/serv_dialog.h"
#include "server/win/server_resources.h"
#include "ui/win/common_dialogs.h"
#include "ui/win/window_dpi.h"

namespace vesk {

namespace {

constexpr const wchar_t* kClassName = L"VeskServer";
constexpr const wchar_t* kTitle = L"VeskServer";

}  // namespace

bool ServerWindow::RegisterWindowClass(HINSTANCE instance) {
    return RegisterObjectWindowClass<ServerWindow>(instance, kClassName, 0, IDI_VESK_SERVER,
                                                   IDM_SERVER_MENU);
}

ServerWindow::ServerWindow(HINSTANCE instance)
    : instance(instance), reporter(log, queue), control(reporter) {}

bool ServerWindow::Create() {
    constexpr DWORD kStyle = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
    window = CreateWindowExW(0, kClassName, kTitle, kStyle, 0, 0, kWidth, kHeight, nullptr, nullptr,
                             instance, this);
    if (window == nullptr) return false;
    // 400 x 300 at 100 %: as large on a monitor of any DPI.
    const int dpi = WindowDpi(window);
    SetWindowPos(window, nullptr, 0, 0, ScaledForDpi(kWidth, dpi), ScaledForDpi(kHeight, dpi),
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    SetMenuState(control.Menu());
    return true;
}

void ServerWindow::SetMenuState(MenuState state) {
    if (state == MenuState::Rejoining) return;
    const HMENU menu = GetMenu(window);
    const bool running = state == MenuState::Active;
    EnableMenuItem(menu, IDM_START_SERVER, MF_BYCOMMAND | (running ? MF_GRAYED : MF_ENABLED));
    EnableMenuItem(menu, IDM_STOP_SERVER, MF_BYCOMMAND | (running ? MF_ENABLED : MF_GRAYED));
}

void ServerWindow::CloseRelay() {
    // The relay's last lines, logged while it closes, go nowhere: the window is going.
    reporter.Shutdown();
    control.Close();
}

LRESULT ServerWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            log.Create(instance, window);
            log.FollowDpi(WindowDpi(window));
            queue.Attach(window);
            break;
        case WM_DPICHANGED: {
            log.FollowDpi(HIWORD(wParam));
            const RECT& suggested = *reinterpret_cast<const RECT*>(lParam);
            SetWindowPos(window, nullptr, suggested.left, suggested.top,
                         suggested.right - suggested.left, suggested.bottom - suggested.top,
                         SWP_NOZORDER | SWP_NOACTIVATE);
            return 0;
        }
        case WM_SIZE:
            log.Fit(LOWORD(lParam), HIWORD(lParam));
            break;
        case MainThreadQueue::kWakeMessage:
            queue.RunPending();
            return 0;
        case WM_COMMAND:
            RunCommand(LOWORD(wParam));
            break;
        case WM_DESTROY:
            queue.Close();
            PostQuitMessage(0);
            return 0;
        default:
            break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void ServerWindow::RunCommand(int id) {
    switch (id) {
        case IDM_START_SERVER:
            RunServDialog(instance, window, control);
            SetMenuState(control.Menu());
            break;
        case IDM_STOP_SERVER:
            control.Stop();
            SetMenuState(control.Menu());
            break;
        case IDM_SHOW_IP:
            ShowHostAddress();
            break;
        case IDM_HELP:
            OpenHelpPage(window, kTitle);
            break;
        case IDM_ABOUT:
            RunAboutDialog(instance, window);
            break;
        case IDM_QUIT:
            // Posted: the menu that sent the command finishes first.
            PostMessageW(window, WM_CLOSE, 0, 0);
            break;
        default:
            break;
    }
}

void ServerWindow::ShowHostAddress() {
    SystemHostAddressSource source;
    const HostAddress found = LookUpHostAddress(source);
    if (!found.message.empty()) reporter.ShowMessage(found.message);
    RunAddressDialog(instance, window, IDC_ADDRESS, found.dotted);
}

}  // namespace vesk

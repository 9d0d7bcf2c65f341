// VeskServer: the relay server of the party as a native Windows program.

#include "protocol/cp932.h"
#include "protocol/socket_startup.h"
#include "server/win/server_window.h"
#include "ui/win/window_text.h"

namespace {

constexpr const wchar_t* kProgramName = L"VeskServer";

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    // The check's own message is all the player is told before the program ends.
    const auto showMessage = [](std::string_view text) {
        vesk::ShowMessageBox(kProgramName, text);
    };
    if (!vesk::CheckSocketStartup(showMessage)) return vesk::kStartFailedExitCode;
    int exitCode = 0;
    {
        vesk::ServerWindow window(instance);
        if (!vesk::ServerWindow::RegisterWindowClass(instance) || !window.Create()) {
            showMessage(vesk::Cp932FromUtf8("起動に失敗しました"));
            exitCode = vesk::kStartFailedExitCode;
        } else {
            MSG message;
            while (GetMessageW(&message, nullptr, 0, 0) > 0) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
        }
        window.CloseRelay();
    }
    vesk::SocketCleanup();
    return exitCode;
}

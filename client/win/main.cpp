// VeskChat: the party chat client of the players, as a native Windows program.

#include "client/win/chat_main_window.h"
#include "client/win/registry_settings_store.h"
#include "dice/data_folder.h"
#include "protocol/cp932.h"
#include "protocol/socket_startup.h"
#include "resources/client/vesk_chat_ids.h"
#include "ui/win/window_text.h"

namespace {

constexpr const wchar_t* kProgramName = L"VeskChat";

void RunMessageLoop(vesk::NativeChatWindow& chat, HACCEL accelerators) {
    const HWND window = chat.Window();
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        // The system gives no accelerator of a greyed menu item to the window.
        if (accelerators != nullptr && TranslateAcceleratorW(window, accelerators, &message)) {
            continue;
        }
        if (chat.TakeTab(message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    // No window exists yet: the messages have no owner.
    const auto showMessage = [](std::string_view text) {
        vesk::ShowMessageBox(kProgramName, text);
    };
    if (!vesk::CheckSocketStartup(showMessage)) {
        showMessage(vesk::Cp932FromUtf8("WinSockの初期化ができません"));
        return vesk::kStartFailedExitCode;
    }
    int exitCode = 0;
    {
        // The lists are looked for in the directory the program was started in.
        const vesk::ListPaths paths = vesk::FindDataFolder();
        vesk::RegistrySettingsStore store;
        vesk::NativeChatWindow window(instance, store, paths);
        if (!vesk::NativeChatWindow::RegisterWindowClass(instance) || !window.Start()) {
            showMessage(vesk::Cp932FromUtf8("起動に失敗しました"));
            exitCode = vesk::kStartFailedExitCode;
        } else {
            RunMessageLoop(window,
                           LoadAcceleratorsW(instance, MAKEINTRESOURCEW(VESK_CHAT_ACCELERATORS)));
        }
    }
    vesk::SocketCleanup();
    return exitCode;
}

// VeskChat: the party chat client of the players.

#include <QApplication>
#include <QIcon>
#include <QMessageBox>

#include "client/ui/chat_client.h"
#include "client/ui/client_pictures.h"
#include "client/ui/qt_settings_store.h"
#include "dice/data_folder.h"
#include "protocol/socket_startup.h"
#include "ui/cp932_text.h"
#include "ui/japanese_texts.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    vesk::UseJapaneseTexts(application);
    application.setOrganizationName(QStringLiteral("Okvi"));
    application.setApplicationName(QStringLiteral("VeskChat"));
    // Ties the window to its desktop entry, for its icon and name in the desktop's task list.
    application.setDesktopFileName(QStringLiteral("vesk-chat"));
    application.setWindowIcon(QIcon(vesk::ClientIconPath()));
    // No window exists yet: the messages have no owner.
    const auto showMessage = [](std::string_view text) {
        QMessageBox box(QMessageBox::NoIcon, QStringLiteral("VeskChat"), vesk::FromCp932(text),
                        QMessageBox::Ok);
        box.exec();
    };
    // The check's own message tells what failed; on POSIX the sockets are always ready.
    if (!vesk::CheckSocketStartup(showMessage)) return vesk::kStartFailedExitCode;
    {
        // The lists are looked for in the directory the program was started in.
        const vesk::ListPaths paths = vesk::FindDataFolder();
        vesk::QtSettingsStore store;
        vesk::ChatClient client(store, paths);
        client.Start();
        application.exec();
    }
    vesk::SocketCleanup();
    return 0;
}

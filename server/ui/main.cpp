// VeskServer: the relay server of the party as a desktop program.

#include <QApplication>
#include <QIcon>
#include <QMessageBox>

#include "protocol/socket_startup.h"
#include "server/ui/server_icon.h"
#include "server/ui/server_window.h"
#include "ui/cp932_text.h"
#include "ui/japanese_texts.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    vesk::UseJapaneseTexts(application);
    application.setApplicationName(QStringLiteral("VeskServer"));
    // Ties the window to its desktop entry, for its icon and name in the desktop's task list.
    application.setDesktopFileName(QStringLiteral("vesk-server"));
    application.setWindowIcon(QIcon(vesk::ServerIconPath()));
    // The check's own message is all the player is told before the program ends.
    const auto showMessage = [](std::string_view text) {
        QMessageBox box(QMessageBox::NoIcon, QStringLiteral("VeskServer"), vesk::FromCp932(text),
                        QMessageBox::Ok);
        box.exec();
    };
    if (!vesk::CheckSocketStartup(showMessage)) return vesk::kStartFailedExitCode;
    {
        vesk::ServerWindow window;
        window.show();
        application.exec();
    }
    vesk::SocketCleanup();
    return 0;
}

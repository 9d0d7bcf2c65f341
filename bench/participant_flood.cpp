// Measures what a relay that floods the participant list costs VeskChat: padd lines for
// participants that never leave, through the client's own dispatcher into its window, then
// the pdel lines for them. Prints the time per line for each batch of 10,000, so a cost that
// grows with the list shows as a growing column.
//
//   QT_QPA_PLATFORM=offscreen participant_flood [lines]

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "client/ui/chat_client.h"
#include "client/ui/qt_settings_store.h"
#include "dice/data_folder.h"
#include "protocol/line_dispatcher.h"

namespace {

// Runs lines padd or pdel lines for ids 0 to lines - 1, printing the cost per line by batch.
void Flood(const char* what, int lines, const std::function<void(int)>& line) {
    QElapsedTimer batch;
    batch.start();
    for (int id = 0; id < lines; ++id) {
        line(id);
        if ((id + 1) % 10000 == 0 || id + 1 == lines) {
            QApplication::processEvents();
            const int count = (id % 10000) + 1;
            std::printf("%s %9d %14.1f\n", what, id + 1, batch.nsecsElapsed() / 1000.0 / count);
            batch.restart();
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const int lines = argc > 1 ? std::atoi(argv[1]) : 100000;
    QTemporaryDir folder;
    // Empty lists, so that start-up has no missing list to report.
    for (const char* list : {"dice.sai", "name.nam"}) {
        QFile(folder.filePath(QString::fromLatin1(list))).open(QIODevice::WriteOnly);
    }
    vesk::QtSettingsStore store(folder.filePath(QStringLiteral("settings.ini")));
    vesk::ChatClient client(
        store, vesk::ListPathsFor(QDir::toNativeSeparators(folder.path()).toStdString()));
    client.Start();
    vesk::ParticipantRoster roster;
    vesk::IncomingLineDispatcher dispatcher(roster, client.Window());

    std::printf("%s %9s %14s\n", "line", "lines", "us per line");
    QElapsedTimer total;
    total.start();
    Flood("padd", lines, [&](int id) {
        dispatcher.Dispatch("paddP" + std::to_string(id) + "\t" + std::to_string(id) + "\r\n");
    });
    Flood("pdel", lines,
          [&](int id) { dispatcher.Dispatch("pdel" + std::to_string(id) + "\r\n"); });
    std::printf("total %.1f s\n", total.nsecsElapsed() / 1e9);
    return 0;
}

#pragma once

// One VeskChat for window tests: a data folder of its own with the sample lists, a settings
// file of its own, and the client built on them, not yet started.

#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <memory>
#include <string>

#include "client/ui/chat_client.h"
#include "client/ui/qt_settings_store.h"
#include "dice/data_folder.h"
#include "tests/client/dice/temp_folder.h"
#include "tests/support/modal_driver.h"

namespace vesk::test {

inline std::string SampleList(const char* name) {
    std::ifstream file(std::filesystem::path(VESK_DATA_DIR) / name, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

struct TestClient {
    TestClient() {
        folder.Write("dice.sai", SampleList("dice.sai"));
        folder.Write("name.nam", SampleList("name.nam"));
    }

    ChatClient& Make() {
        client = std::make_unique<ChatClient>(store, ListPathsFor(PathText(folder.Path())));
        return *client;
    }

    // Runs a save command in the data folder, where a log is saved, and gives the message it
    // showed and the one file matching pattern that it wrote.
    struct Saved {
        QString message;
        QStringList files;
        QByteArray bytes;
    };
    Saved Save(ChatCommand command, const QString& pattern) {
        const QString folderPath = QString::fromStdString(folder.Path().string());
        const QString previous = QDir::currentPath();
        QDir::setCurrent(folderPath);
        Saved saved;
        ModalDriver driver;
        driver.WhenShown<QMessageBox>([&](QMessageBox* box) {
            saved.message = box->text();
            box->accept();
        });
        client->RunCommand(command);
        QDir::setCurrent(previous);
        saved.files = QDir(folderPath).entryList({pattern});
        if (saved.files.size() == 1) {
            QFile file(folderPath + "/" + saved.files[0]);
            if (file.open(QIODevice::ReadOnly)) saved.bytes = file.readAll();
        }
        return saved;
    }
    QString SettingsFile() const {
        return QString::fromStdString((folder.Path() / "settings.ini").string());
    }

    TempFolder folder;
    QtSettingsStore store{SettingsFile()};
    std::unique_ptr<ChatClient> client;
};

}  // namespace vesk::test

#pragma once

// VeskChat as a whole: the main window, the connection, the settings, the lists and the dice,
// and the command handler that every user action reaches.

#include <QTimer>
#include <ctime>
#include <memory>
#include <optional>
#include <vector>

#include "client/net/client_connection.h"
#include "client/rules/client_settings.h"
#include "client/rules/session_record.h"
#include "client/ui/chat_main_window.h"
#include "client/ui/rejoin_driver.h"
#include "dice/data_folder.h"
#include "dice/random_generator.h"

class QFont;

namespace vesk {

class ChatClient {
public:
    // store must outlive the client; paths are the lists in the data folder.
    ChatClient(SettingsStore& store, ListPaths paths);
    // The connection is closed before the window goes.
    ~ChatClient();
    ChatClient(const ChatClient&) = delete;
    ChatClient& operator=(const ChatClient&) = delete;

    // Start-up once the socket library is ready: the settings, the window at its placement,
    // the dice and name lists, the font and the dice generator.
    void Start();

    // What the command with this id does. Ids that name no command, and commands whose menu
    // item is greyed, do nothing.
    void RunCommand(ChatCommand command);

    ChatMainWindow& Window() { return window; }
    ClientConnection& Connection() { return connection; }
    const ClientSettings& Settings() const { return settings; }

    // The font of the chat log and the chat input as the settings give it.
    QFont ChatFont() const;

private:
    void SendChatLine();
    // Every line of the chat log: to the session record, then the log; the nudge.
    void ShowLine(std::string_view text);
    void ConnectionChanged(ConnectionEvent event);
    void StartRecord();
    void SavePlacement();
    void Close();
    void Connect();
    void Options();
    void ChangeFont();
    void ApplyFont();
    void SelectPlayerName(std::string_view name);
    std::vector<ScreenArea> Screens() const;

    SettingsStore& store;
    const ListPaths paths;
    ClientSettings settings;
    RandomGenerator generator;
    ChatMainWindow window;
    ClientConnection connection;
    RejoinDriver rejoin;
    // The record of the current connection, or none; flushed to the disk once a second.
    std::unique_ptr<SessionRecord> record;
    QTimer recordFlush;
    // The placement last loaded or saved: a move or resize event that leaves the window where
    // it was, as showing it brings, saves nothing.
    std::optional<WindowPlacement> savedPlacement;
    // Enter without a connection says so once, not at every press.
    bool noConnectionNoticeShown = false;
};

}  // namespace vesk

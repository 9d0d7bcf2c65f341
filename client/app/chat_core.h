#pragma once

// VeskChat as a whole, whichever window system shows it: the connection, the settings, the
// lists and the dice, the session record, joining the party again, and what every command
// does and when it is allowed. It reaches its window only through ChatFrontEnd.

#include <ctime>
#include <memory>
#include <optional>
#include <string_view>

#include "client/app/chat_front_end.h"
#include "client/app/rejoin_driver.h"
#include "client/net/client_connection.h"
#include "client/rules/client_settings.h"
#include "client/rules/commands.h"
#include "client/rules/seal_book.h"
#include "client/rules/session_record.h"
#include "dice/data_folder.h"
#include "dice/random_generator.h"

namespace vesk {

class ChatCore {
public:
    // frontEnd and store must outlive the core; paths are the lists in the data folder.
    ChatCore(ChatFrontEnd& frontEnd, SettingsStore& store, ListPaths paths);
    // The connection is closed before the front end goes.
    ~ChatCore();
    ChatCore(const ChatCore&) = delete;
    ChatCore& operator=(const ChatCore&) = delete;

    // Start-up once the socket library is ready: the settings, the window at its placement,
    // the dice and name lists, the font and the dice generator.
    void Start();

    // What the command does. A command that the menu shows greyed does nothing.
    void RunCommand(ChatCommand command);
    bool Allowed(ChatCommand command) const { return CommandAllowed(command, menuState); }

    // Enter in the chat input: the typed line goes to the party. Without a connection the
    // text stays where it is and the chat log says so, once until something changes.
    void SendChatLine();

    // Every line of the chat log: to the session record, then the log with its look; the nudge.
    void ShowLine(std::string_view text);

    // The window moved or changed size: its placement is saved when it changed.
    void WindowMoved();

    // The window is about to close: no thread posts to it from here on.
    void Close();

    void TimerFired(CoreTimer timer);

    ClientConnection& Connection() { return connection; }
    const ClientSettings& Settings() const { return settings; }

private:
    // What the connection and the rejoin tries show go through the core first: the core keeps
    // the menu state, and every log line is shown as ShowLine shows it.
    class WindowRelay final : public ChatWindow {
    public:
        explicit WindowRelay(ChatCore& core) : core(core) {}
        void AppendChatLog(std::string_view text) override { core.ShowLine(text); }
        void AddParticipantRow(std::string_view name) override;
        void DeleteParticipantRow(int index) override;
        void ClearParticipantRows() override;
        void ShowMessage(std::string_view text) override;
        void SetMenuState(MenuState state) override;
        std::string CurrentPlayerName() override;
        void PostToMainThread(std::function<void()> task) override;

    private:
        ChatCore& core;
    };

    void ConnectionChanged(ConnectionEvent event);
    void StartRecord();
    void StopRecord();
    void Connect();
    void Options();
    void ChangeFont();
    void SelectPlayerName(std::string_view name);

    ChatFrontEnd& frontEnd;
    SettingsStore& store;
    const ListPaths paths;
    ClientSettings settings;
    RandomGenerator generator;
    WindowRelay relay{*this};
    MenuState menuState = MenuState::Idle;
    ClientConnection connection;
    RejoinDriver rejoin;
    // The record of the current connection, or none; flushed to the disk once a second.
    std::unique_ptr<SessionRecord> record;
    SealBook seals;  // of the secret rolls announced while this window was open
    // The placement last loaded or saved: a move or resize event that leaves the window where
    // it was, as showing it brings, saves nothing.
    std::optional<WindowPlacement> savedPlacement;
    // Enter without a connection says so once, not at every press.
    bool noConnectionNoticeShown = false;
};

}  // namespace vesk

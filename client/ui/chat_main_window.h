#pragma once

// VeskChat's main window: the toolbar with the dice and name boxes, the chat log beside the
// participant list, and the chat input across the bottom. It shows what the connection and
// the commands tell it and hands every user action to the client as a command; it decides
// nothing itself.

#include <QMainWindow>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "client/message_box_view.h"
#include "client/net/chat_window.h"
#include "client/rules/client_settings.h"
#include "client/ui/combo_box_adapter.h"
#include "client/ui/context_menu.h"

class QAction;
class QComboBox;
class QListWidget;

namespace vesk {

class ChatInput;
class ChatLog;
class FlatToolbar;

// What the window hands to the client.
struct ChatWindowHooks {
    CommandRunner runCommand;       // a command from a menu, key, button or context menu
    std::function<void()> enter;    // Enter in the chat input
    std::function<void()> moved;    // the window moved or changed size
    std::function<void()> closing;  // the window is about to close
    // A line for the chat log (code page 932, ending in CR LF): the client shows it.
    std::function<void(std::string_view)> lineShown;
};

class ChatMainWindow final : public QMainWindow, public ChatWindow {
    Q_OBJECT

public:
    explicit ChatMainWindow(ChatWindowHooks hooks);
    ~ChatMainWindow() override;

    // ChatWindow
    void AppendChatLog(std::string_view text) override;
    void AddParticipantRow(std::string_view name) override;
    void DeleteParticipantRow(int index) override;
    void ClearParticipantRows() override;
    void ShowMessage(std::string_view text) override;
    void SetMenuState(MenuState state) override;
    std::string CurrentPlayerName() override;
    // Queued to the main thread; pending tasks go with the window.
    void PostToMainThread(std::function<void()> task) override;

    // The outer rectangle and whether it may be saved: shown and not minimised.
    WindowPlacement Placement() const;
    bool PlacementShown() const;
    // Moves and sizes the window to the placement's outer rectangle, now and again once the
    // window manager has put its frame around the window: until then the frame's size is not
    // known, and a window sized without it would grow by its title bar at every start.
    void Place(const WindowPlacement& placement);

    ChatLog& Log() const { return *chatLog; }
    ChatInput& Input() const { return *chatInput; }
    QListWidget& ParticipantList() const { return *participantList; }
    FlatToolbar& Toolbar() const { return *toolbar; }
    ComboBoxAdapter& DiceBox() { return diceBox; }
    ComboBoxAdapter& NameBox() { return nameBox; }
    QAction* CommandAction(ChatCommand command) const;
    int ToolbarHeight() const { return toolbarHeight; }

protected:
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    class ClientArea;

    void CreateMenu();
    void AddCommand(QMenu* menu, ChatCommand command, const QString& text,
                    const QKeySequence& keys = {});
    void LayOut();
    QSize FrameSize() const;
    void ApplyPlacement();

    const ChatWindowHooks hooks;
    ClientArea* area;
    ChatLog* chatLog;
    ChatInput* chatInput;
    QListWidget* participantList;
    FlatToolbar* toolbar;
    int toolbarHeight;
    ComboBoxAdapter diceBox;
    ComboBoxAdapter nameBox;
    std::map<ChatCommand, QAction*> commands;
    // The placement asked for and the frame size it was applied with.
    std::optional<WindowPlacement> placement;
    QSize placedFrame;
};

}  // namespace vesk

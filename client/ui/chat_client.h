#pragma once

// VeskChat on Qt: the main window and its dialogs as the front end of the core, which decides
// what every user action does.

#include <QTimer>
#include <memory>
#include <optional>
#include <vector>

#include "client/app/chat_core.h"
#include "client/ui/chat_main_window.h"

namespace vesk {

class ChatClient final : public ChatFrontEnd {
public:
    // store must outlive the client; paths are the lists in the data folder.
    ChatClient(SettingsStore& store, ListPaths paths);
    ~ChatClient() override;
    ChatClient(const ChatClient&) = delete;
    ChatClient& operator=(const ChatClient&) = delete;

    // Start-up once the socket library is ready.
    void Start() { core.Start(); }
    void RunCommand(ChatCommand command) { core.RunCommand(command); }

    ChatMainWindow& Window() { return window; }
    ClientConnection& Connection() { return core.Connection(); }
    const ClientSettings& Settings() const { return core.Settings(); }

    // ChatWindow
    void AppendChatLog(std::string_view text) override { core.ShowLine(text); }
    void AddParticipantRow(std::string_view name) override { window.AddParticipantRow(name); }
    void DeleteParticipantRow(int index) override { window.DeleteParticipantRow(index); }
    void ClearParticipantRows() override { window.ClearParticipantRows(); }
    void ShowMessage(std::string_view text) override { window.ShowMessage(text); }
    void SetMenuState(MenuState state) override { window.SetMenuState(state); }
    std::string CurrentPlayerName() override { return window.CurrentPlayerName(); }
    void PostToMainThread(std::function<void()> task) override;

    // ChatFrontEnd
    ComboBoxView& DiceBox() override { return window.DiceBox(); }
    NameBoxView& NameBox() override { return window.NameBox(); }
    ChatLogView& Log() override;
    ChatInputView& Input() override;
    std::optional<ConnectChoice> RunConnectDialog(const ConnectionTarget& target,
                                                  std::string_view defaultName,
                                                  const ListPaths& paths) override;
    std::optional<OptionChoice> RunOptionDialog(const ConnectionTarget& target,
                                                const ClientSettings& settings) override;
    std::string ShownFontFace(std::string_view storedFace) override;
    std::optional<FontChoice> ChooseFont(std::string_view utf8Face, int points) override;
    void ApplyFont(std::string_view face, int points) override;
    void ShowIpAddresses(std::string_view serverAddress) override;
    void ShowAbout() override;
    void ShowHelp() override;
    void Nudge() override;
    void StartTimer(CoreTimer timer, std::chrono::milliseconds after) override;
    void StopTimer(CoreTimer timer) override;
    std::vector<ScreenArea> Screens() const override;
    WindowPlacement Placement() const override { return window.Placement(); }
    bool PlacementShown() const override { return window.PlacementShown(); }
    void ShowAt(const WindowPlacement& placement) override;
    void PostClose() override;

private:
    QTimer& Timer(CoreTimer timer) { return timer == CoreTimer::Rejoin ? rejoinTimer : flushTimer; }

    // Before the core, which closes the connection and stops its timers as it goes.
    ChatMainWindow window;
    QTimer rejoinTimer;
    QTimer flushTimer;
    ChatCore core;
};

}  // namespace vesk

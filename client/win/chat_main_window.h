#pragma once

// VeskChat's native main window: the toolbar with the dice and name boxes, the chat log beside
// the participant list, and the chat input across the bottom, as the front end of the core.
// It shows what the core tells it and hands every user action to the core; it decides nothing.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "client/app/chat_core.h"
#include "client/win/flat_toolbar.h"
#include "client/win/rich_chat_input.h"
#include "client/win/rich_chat_log.h"
#include "client/win/win_combo_box.h"
#include "protocol/windows_headers.h"
#include "ui/win/main_thread_queue.h"
#include "ui/win/object_window.h"
#include "ui/win/window_dpi.h"

namespace vesk {

class NativeChatWindow final : public ChatFrontEnd {
public:
    static constexpr const wchar_t* kClassName = L"VeskChat";

    // store must outlive the window; paths are the lists in the data folder.
    NativeChatWindow(HINSTANCE instance, SettingsStore& store, ListPaths paths);
    ~NativeChatWindow() override;
    NativeChatWindow(const NativeChatWindow&) = delete;
    NativeChatWindow& operator=(const NativeChatWindow&) = delete;

    // The window class; false when it cannot be registered.
    static bool RegisterWindowClass(HINSTANCE instance);

    // Makes the window, hidden, and its controls, then starts the core, which shows it. False
    // when the window cannot be made.
    bool Start();

    HWND Window() const { return window; }

    // Tab and Shift+Tab (a key message of the message loop) move between the dice box, the
    // name box, the chat log, the participant list and the chat input, round and round; true
    // when message was one and has been handled.
    bool TakeTab(const MSG& message);

    // ChatWindow
    void AppendChatLog(std::string_view text) override { core.ShowLine(text); }
    void AddParticipantRow(std::string_view name) override;
    void DeleteParticipantRow(int index) override;
    void ClearParticipantRows() override;
    void ShowMessage(std::string_view text) override;
    void SetMenuState(MenuState state) override;
    std::string CurrentPlayerName() override;
    void PostToMainThread(std::function<void()> task) override { queue.Post(std::move(task)); }

    // ChatFrontEnd
    ComboBoxView& DiceBox() override { return *diceBox; }
    NameBoxView& NameBox() override { return *nameBox; }
    ChatLogView& Log() override { return chatLog; }
    ChatInputView& Input() override { return chatInput; }
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
    WindowPlacement Placement() const override;
    bool PlacementShown() const override;
    void ShowAt(const WindowPlacement& placement) override;
    void PostClose() override;

private:
    friend LRESULT CALLBACK ObjectWindowProcedure<NativeChatWindow>(HWND, UINT, WPARAM, LPARAM);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void CreateChildren();
    HWND CreateComboBox();
    // Gives the controls the UI font and the combo boxes their places for the window's DPI.
    void ScaleControls();
    // The chat log and the chat input in the player's face and size at the window's DPI.
    void SetChatFonts();
    // The window moved to a monitor of dpi: suggested is its outer rectangle there.
    void FollowDpi(int newDpi, const RECT& suggested);
    void LayOut();
    void Closing();

    const HINSTANCE instance;
    HWND window = nullptr;
    HWND participantList = nullptr;
    RichChatLog chatLog;
    RichChatInput chatInput;
    FlatToolbar toolbar;
    int toolbarHeight = 0;
    // The monitor's DPI, the controls' font for it, and the chat font as the player chose it,
    // in points, to be shown at that DPI again after a move.
    int dpi = kBaseDpi;
    UiFont uiFont;
    std::wstring chatFace;
    int chatPoints = 0;
    std::optional<WinComboBox> diceBox;
    std::optional<WinComboBox> nameBox;
    MainThreadQueue queue;
    // Last: it closes the connection, whose threads post to the queue, before the rest goes.
    ChatCore core;
};

}  // namespace vesk

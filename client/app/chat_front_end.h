#pragma once

// What VeskChat's core asks of the window system that shows it: the controls of the main
// window, its dialogs, its timers and its place on the screen. The Qt window and the native
// Windows window each implement it; the core decides, the front end only shows and asks.
// Texts are code page 932 unless said otherwise; every call runs on the main thread.

#include <chrono>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "client/dice/combo_box_view.h"
#include "client/net/chat_window.h"
#include "client/rules/dialog_choices.h"
#include "client/rules/html_log.h"
#include "dice/data_folder.h"

namespace vesk {

// How one line of the chat log is shown.
struct LineLook {
    std::time_t arrival = 0;
    bool showTime = false;   // "HH:MM:SS " in front, never part of a saved log
    bool highlight = false;  // the line names the player
    bool relayRoll = false;  // a roll the relay made, in a colour no typed line has
};

// The read-only chat log.
class ChatLogView {
public:
    virtual ~ChatLogView() = default;
    // Adds text (lines ending in CR LF) at the end, keeping within the log's bound, and shows
    // the newest line.
    virtual void Append(std::string_view text, const LineLook& look) = 0;
    // The clear-screen command.
    virtual void Clear() = 0;
    // The whole log as a saved file holds it: CR LF line ends, no arrival times.
    virtual std::string FileText() const = 0;
    // Every line with its arrival time, oldest first.
    virtual std::vector<LoggedLine> Lines() const = 0;
    // The selection to the clipboard.
    virtual void Copy() = 0;
};

// The one-line chat input.
class ChatInputView {
public:
    virtual ~ChatInputView() = default;
    virtual std::string Text() const = 0;
    virtual void Clear() = 0;
    virtual void Cut() = 0;
    virtual void Copy() = 0;
    virtual void Paste() = 0;
};

// The one-shot timers the core runs: each fires once, through ChatCore::TimerFired, after the
// time it was started with, unless stopped or started again first.
enum class CoreTimer { Rejoin, RecordFlush };

class ChatFrontEnd : public ChatWindow {
public:
    virtual ComboBoxView& DiceBox() = 0;
    virtual NameBoxView& NameBox() = 0;
    virtual ChatLogView& Log() = 0;
    virtual ChatInputView& Input() = 0;

    // The CONNECT and OPTION dialogs: what the player confirmed, or nothing when cancelled.
    virtual std::optional<ConnectChoice> RunConnectDialog(const ConnectionTarget& target,
                                                          std::string_view defaultName,
                                                          const ListPaths& paths) = 0;
    virtual std::optional<OptionChoice> RunOptionDialog(const ConnectionTarget& target,
                                                        const ClientSettings& settings) = 0;
    // The face (UTF-8) the log is drawn with for the stored face: a stand-in where that font
    // is not installed.
    virtual std::string ShownFontFace(std::string_view storedFace) = 0;
    // The font dialog opened on a face (UTF-8) and a size.
    virtual std::optional<FontChoice> ChooseFont(std::string_view utf8Face, int points) = 0;
    // The chat log and the chat input take this face and size.
    virtual void ApplyFont(std::string_view face, int points) = 0;

    virtual void ShowIpAddresses(std::string_view serverAddress) = 0;
    virtual void ShowAbout() = 0;
    virtual void ShowHelp() = 0;
    // Asks for the player's attention while the window is inactive.
    virtual void Nudge() = 0;

    virtual void StartTimer(CoreTimer timer, std::chrono::milliseconds after) = 0;
    virtual void StopTimer(CoreTimer timer) = 0;

    // Every screen's area on the desktop.
    virtual std::vector<ScreenArea> Screens() const = 0;
    // The outer rectangle, and whether it may be saved: shown and not minimised.
    virtual WindowPlacement Placement() const = 0;
    virtual bool PlacementShown() const = 0;
    // Shows the window at its placement with the chat input focused.
    virtual void ShowAt(const WindowPlacement& placement) = 0;
    // Closes the window once the command that asked for it has finished.
    virtual void PostClose() = 0;
};

}  // namespace vesk

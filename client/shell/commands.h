#pragma once

// The commands of VeskChat: every user action other than typing arrives as one of these ids,
// from the menu, the accelerators, the toolbar's dice button or the context menus.

namespace vesk {

enum ChatCommand : int {
    kConnectCommand = 200,
    kDisconnectCommand = 201,
    kShowIpCommand = 202,
    kSaveLogCommand = 203,
    kClearScreenCommand = 204,
    kRollDiceCommand = 205,
    kReloadDiceCommand = 206,
    kReloadNamesCommand = 207,
    kOptionsCommand = 208,
    kChangeFontCommand = 209,
    kCopyLogCommand = 210,
    kCutInputCommand = 211,
    kCopyInputCommand = 212,
    kPasteInputCommand = 213,
    kHelpCommand = 215,
    kAboutCommand = 216,
    kQuitCommand = 217,
    // Beyond the commands of the original menu, so none of their ids changes meaning.
    kSaveHtmlLogCommand = 220,
};

inline constexpr int kFirstCommand = kConnectCommand;
inline constexpr int kLastCommand = kQuitCommand;

}  // namespace vesk

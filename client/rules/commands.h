#pragma once

// The commands of VeskChat: every user action other than typing arrives as one of these ids,
// from the menu, the accelerators, the toolbar's dice button or the context menus.

#include "protocol/menu_state.h"

namespace vesk {

enum class ChatCommand : int {
    kConnect = 200,
    kDisconnect = 201,
    kShowIp = 202,
    kSaveLog = 203,
    kClearScreen = 204,
    kRollDice = 205,
    kReloadDice = 206,
    kReloadNames = 207,
    kOptions = 208,
    kChangeFont = 209,
    kCopyLog = 210,
    kCutInput = 211,
    kCopyInput = 212,
    kPasteInput = 213,
    kHelp = 215,
    kAbout = 216,
    kQuit = 217,
    // Beyond the commands of the original menu, so none of their ids changes meaning.
    kSaveHtmlLog = 220,
};

// Whether an id from a menu, key, button or context menu names one of the commands.
constexpr bool IsChatCommand(int id) {
    return (id >= static_cast<int>(ChatCommand::kConnect) &&
            id <= static_cast<int>(ChatCommand::kPasteInput)) ||
           (id >= static_cast<int>(ChatCommand::kHelp) &&
            id <= static_cast<int>(ChatCommand::kQuit)) ||
           id == static_cast<int>(ChatCommand::kSaveHtmlLog);
}

// Whether the menu offers the command in this state: only 接続 and 切断 are ever greyed, and
// a greyed command does nothing from its accelerator either.
constexpr bool CommandAllowed(ChatCommand command, MenuState state) {
    if (command == ChatCommand::kConnect) return state != MenuState::Active;
    if (command == ChatCommand::kDisconnect) return state != MenuState::Idle;
    return true;
}

}  // namespace vesk

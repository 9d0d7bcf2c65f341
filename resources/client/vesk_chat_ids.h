#pragma once

// The resource ids of VeskChat.exe, shared by its resource script and its code. Plain
// definitions, which the resource compiler reads too; the code checks the command ids against
// the commands the client knows.

// Icon, menu and accelerators.
#define VESK_CHAT_ICON 101
#define VESK_CHAT_MENU 102
#define VESK_CHAT_ACCELERATORS 104

// Commands of the menu, the accelerators and the toolbar.
#define VESK_CMD_CONNECT 200
#define VESK_CMD_DISCONNECT 201
#define VESK_CMD_SHOW_IP 202
#define VESK_CMD_SAVE_LOG 203
#define VESK_CMD_CLEAR_SCREEN 204
#define VESK_CMD_ROLL_DICE 205
#define VESK_CMD_RELOAD_DICE 206
#define VESK_CMD_RELOAD_NAMES 207
#define VESK_CMD_OPTIONS 208
#define VESK_CMD_CHANGE_FONT 209
#define VESK_CMD_HELP 215
#define VESK_CMD_ABOUT 216
#define VESK_CMD_QUIT 217
#define VESK_CMD_SAVE_HTML_LOG 220

// Controls of the dialogs CONNECT, OPTION and SHOWIP.
#define VESK_ID_ADDRESS 1000
#define VESK_ID_PORT 1001
#define VESK_ID_DEFAULT_NAME 1002
#define VESK_ID_NAME 1003
#define VESK_ID_SHOWN_ADDRESS 1004
#define VESK_ID_RECORD 1010
#define VESK_ID_SHOW_TIMES 1011
#define VESK_ID_NUDGE 1012
#define VESK_ID_HIGHLIGHT_NAME 1013

#ifndef RC_INVOKED
#include "client/rules/commands.h"

static_assert(VESK_CMD_CONNECT == static_cast<int>(vesk::ChatCommand::kConnect));
static_assert(VESK_CMD_DISCONNECT == static_cast<int>(vesk::ChatCommand::kDisconnect));
static_assert(VESK_CMD_SHOW_IP == static_cast<int>(vesk::ChatCommand::kShowIp));
static_assert(VESK_CMD_SAVE_LOG == static_cast<int>(vesk::ChatCommand::kSaveLog));
static_assert(VESK_CMD_CLEAR_SCREEN == static_cast<int>(vesk::ChatCommand::kClearScreen));
static_assert(VESK_CMD_ROLL_DICE == static_cast<int>(vesk::ChatCommand::kRollDice));
static_assert(VESK_CMD_RELOAD_DICE == static_cast<int>(vesk::ChatCommand::kReloadDice));
static_assert(VESK_CMD_RELOAD_NAMES == static_cast<int>(vesk::ChatCommand::kReloadNames));
static_assert(VESK_CMD_OPTIONS == static_cast<int>(vesk::ChatCommand::kOptions));
static_assert(VESK_CMD_CHANGE_FONT == static_cast<int>(vesk::ChatCommand::kChangeFont));
static_assert(VESK_CMD_HELP == static_cast<int>(vesk::ChatCommand::kHelp));
static_assert(VESK_CMD_ABOUT == static_cast<int>(vesk::ChatCommand::kAbout));
static_assert(VESK_CMD_QUIT == static_cast<int>(vesk::ChatCommand::kQuit));
static_assert(VESK_CMD_SAVE_HTML_LOG == static_cast<int>(vesk::ChatCommand::kSaveHtmlLog));
#endif

#pragma once

// The clipboard menus of the chat log and the chat input: each item is a command of the main
// window, so the menu does what the same command does from anywhere else.

#include <initializer_list>
#include <utility>

#include "client/rules/commands.h"
#include "protocol/windows_headers.h"

namespace vesk {

// For a right-button press at the press's lParam (client coordinates of control): the items,
// the menu's right edge at the pointer; the chosen item reaches control's parent as WM_COMMAND.
void ShowControlMenu(HWND control, LPARAM pressedAt,
                     std::initializer_list<std::pair<ChatCommand, const wchar_t*>> items);

}  // namespace vesk

#pragma once

// The dialogs and the help that both native programs have: the about box ABOUTDLG, the
// address display SHOWIP, and the help page. Each program's resource script holds its own
// templates of the two dialogs.

#include <string_view>

#include "protocol/windows_headers.h"

namespace vesk {

// ABOUTDLG, modal to owner; OK or Esc closes it.
void RunAboutDialog(HINSTANCE instance, HWND owner);

// SHOWIP, modal to owner, with the address (code page 932) in its edit control addressId.
void RunAddressDialog(HINSTANCE instance, HWND owner, int addressId, std::string_view address);

// The help page installed beside the program ("help.html"), in the browser of the machine.
// When it cannot be opened the player is told so in a box titled programName.
void OpenHelpPage(HWND owner, const wchar_t* programName);

}  // namespace vesk

#pragma once

// Text of the native windows and controls in code page 932, and the message boxes of both
// programs: a box with the program's name as title, an OK button and no owner window.

#include <string>
#include <string_view>

#include "protocol/windows_headers.h"

namespace vesk {

// The text of a window or control, cut at maxBytes of code page 932 without splitting a
// double-byte character.
std::string WindowTextCp932(HWND window, std::size_t maxBytes);
void SetWindowTextCp932(HWND window, std::string_view cp932);

// The text of a dialog's control.
std::string DialogItemTextCp932(HWND dialog, int id, std::size_t maxBytes);
void SetDialogItemTextCp932(HWND dialog, int id, std::string_view cp932);

// Shows text with an OK button and returns when the user has closed the box. Any thread.
void ShowMessageBox(const wchar_t* title, std::string_view cp932);

}  // namespace vesk

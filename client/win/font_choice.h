#pragma once

// The platform's font dialog for the chat font: screen fonts, opening on the stored face and
// size.

#include <optional>
#include <string_view>

#include "client/rules/dialog_choices.h"
#include "protocol/windows_headers.h"

namespace vesk {

// Modal to owner; the face (code page 932) and whole points it opens on. The face and size
// the player confirmed, or nothing when the dialog was cancelled or failed.
std::optional<FontChoice> ChooseChatFont(HWND owner, std::string_view cp932Face, int points);

}  // namespace vesk

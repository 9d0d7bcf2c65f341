#pragma once

// The options dialog OPTION: the default server address, player name and port, and the
// choices for a long evening (record, arrival times, nudge, highlighted name).

#include <optional>

#include "client/message_box_view.h"
#include "client/rules/dialog_choices.h"
#include "protocol/windows_headers.h"

namespace vesk {

// Modal to owner. OK checks the address and port and refuses an empty player name: the
// player is told, the field at fault is ready to be typed over and the dialog stays open.
// Nothing on Cancel.
std::optional<OptionChoice> RunOptionDialog(HINSTANCE instance, HWND owner,
                                            const ConnectionTarget& target,
                                            const ClientSettings& settings,
                                            MessageBoxView& messages);

}  // namespace vesk

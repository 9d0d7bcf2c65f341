#pragma once

// What the native connect and options dialogs share: the server address and port in their
// fields 1000 and 1001, shown and read back.

#include <optional>

#include "client/message_box_view.h"
#include "client/net/client_connection.h"
#include "protocol/windows_headers.h"

namespace vesk {

void ShowTargetFields(HWND dialog, const ConnectionTarget& target);

// The target the two fields hold, or nothing once the user has been told what is wrong and
// the field at fault has the focus with its text selected.
std::optional<ConnectionTarget> ReadTargetFields(HWND dialog, MessageBoxView& messages);

}  // namespace vesk

#pragma once

// The connect dialog CONNECT: the server address, the player name and the port for the next
// connection, offered from the connection's target, the default player name and the name list.

#include <optional>
#include <string_view>

#include "client/message_box_view.h"
#include "client/rules/dialog_choices.h"
#include "dice/data_folder.h"
#include "protocol/windows_headers.h"

namespace vesk {

// Modal to owner. Connect checks the address and port: on a problem the player is told, the
// field at fault is ready to be typed over and the dialog stays open. Nothing on Cancel.
std::optional<ConnectChoice> RunConnectDialog(HINSTANCE instance, HWND owner,
                                              const ConnectionTarget& target,
                                              std::string_view defaultName, const ListPaths& paths,
                                              MessageBoxView& messages);

}  // namespace vesk

#pragma once

// SERV: asks for the port and starts the server on it.

#include "protocol/windows_headers.h"

namespace vesk {

class ServerControl;

// Modal to owner. The port field starts with the default port. Start hands the field's text
// to control: a port the rule refuses keeps the dialog open for another try (control has told
// the user why); otherwise the dialog closes, whether the server started or its failure went
// to the event log. Cancel closes it.
void RunServDialog(HINSTANCE instance, HWND owner, ServerControl& control);

}  // namespace vesk

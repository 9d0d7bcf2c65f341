#pragma once

// What VeskChat's dialogs hand back once the player confirms them, whichever window system
// shows them. Texts are code page 932 unless said otherwise.

#include <optional>
#include <string>

#include "client/net/client_connection.h"
#include "client/rules/client_settings.h"

namespace vesk {

// CONNECT: the target for the next connection and the player name chosen or typed (at most
// 49 bytes; empty when the field was left empty).
struct ConnectChoice {
    ConnectionTarget target;
    std::string playerName;
};

// OPTION: the default target and the settings with the dialog's default player name (never
// empty) and its choices for a long evening.
struct OptionChoice {
    ConnectionTarget target;
    ClientSettings settings;
};

// The font dialog: the face as the dialog names it (UTF-8, as FaceAfterFontDialog takes it)
// and the size in points as picked or typed, to a tenth of a point.
struct FontChoice {
    std::string face;
    double points = 0;
};

}  // namespace vesk

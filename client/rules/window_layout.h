#pragma once

// Where the controls of VeskChat's main window go for a given client area: the toolbar across
// the top, the chat log beside the participant list, the chat input across the bottom.

#include "protocol/dpi_scale.h"

namespace vesk {

struct ControlRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    bool operator==(const ControlRect&) const = default;
};

struct WindowLayout {
    ControlRect toolbar;
    ControlRect chatLog;
    ControlRect participantList;
    ControlRect chatInput;

    bool operator==(const WindowLayout&) const = default;
};

// In pixels at kBaseDpi.
inline constexpr int kParticipantListWidth = 98;
inline constexpr int kChatInputHeight = 28;
// Between the chat log and the list, and between both of them and the chat input.
inline constexpr int kControlGap = 2;

// width and height are the client area, toolbarHeight the toolbar's height as measured when it
// was made for the window's DPI, all in pixels at dpi; the list's width, the input's height and
// the gaps are scaled to dpi. A client area too small for the controls gives them zero sizes
// rather than negative ones, so a tiny or minimised window lays out without harm.
WindowLayout LayOutWindow(int width, int height, int toolbarHeight, int dpi = kBaseDpi);

}  // namespace vesk

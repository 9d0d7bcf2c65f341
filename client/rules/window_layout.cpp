#include "client/rules/window_layout.h"

#include <algorithm>

namespace vesk {

WindowLayout LayOutWindow(int width, int height, int toolbarHeight, int dpi) {
    const auto size = [](int value) { return std::max(0, value); };
    const int listWidth = ScaledForDpi(kParticipantListWidth, dpi);
    const int inputHeight = ScaledForDpi(kChatInputHeight, dpi);
    const int gap = ScaledForDpi(kControlGap, dpi);
    const int logHeight = size(height - toolbarHeight - inputHeight - gap);
    WindowLayout layout;
    layout.toolbar = {0, 0, size(width), toolbarHeight};
    layout.chatLog = {0, toolbarHeight, size(width - listWidth - gap), logHeight};
    layout.participantList = {width - listWidth, toolbarHeight, listWidth, logHeight};
    layout.chatInput = {0, height - inputHeight, size(width), inputHeight};
    return layout;
}

}  // namespace vesk

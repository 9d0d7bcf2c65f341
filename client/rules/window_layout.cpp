#include "client/rules/window_layout.h"

#include <algorithm>

namespace vesk {

WindowLayout LayOutWindow(int width, int height, int toolbarHeight) {
    const auto size = [](int value) { return std::max(0, value); };
    const int logHeight = size(height - toolbarHeight - kChatInputHeight - kControlGap);
    WindowLayout layout;
    layout.toolbar = {0, 0, size(width), toolbarHeight};
    layout.chatLog = {0, toolbarHeight, size(width - kParticipantListWidth - kControlGap),
                      logHeight};
    layout.participantList = {width - kParticipantListWidth, toolbarHeight, kParticipantListWidth,
                              logHeight};
    layout.chatInput = {0, height - kChatInputHeight, size(width), kChatInputHeight};
    return layout;
}

}  // namespace vesk

#pragma once

// How any part of VeskChat shows the player a notice: a message box titled "VeskChat" over
// the window. The window implements it; tests fake it. Text is code page 932.

#include <string_view>

namespace vesk {

class MessageBoxView {
public:
    virtual ~MessageBoxView() = default;

    // Shows a notice with an OK button and returns when the user has closed it.
    virtual void ShowMessage(std::string_view text) = 0;
};

}  // namespace vesk

#pragma once

// The one-line chat input of the native window, a rich edit: Enter hands the typed text to
// the party, a right click offers cut, copy and paste as commands 211 to 213. What is pasted
// stays whole: its line breaks become spaces.

#include <functional>

#include "client/app/chat_front_end.h"
#include "protocol/windows_headers.h"

namespace vesk {

class RichChatInput final : public ChatInputView {
public:
    // send runs on Enter, with or without Shift or Ctrl, once however long the key is held.
    explicit RichChatInput(std::function<void()> send) : send(std::move(send)) {}

    // The control with id 5555, a child of parent at zero size until the layout places it;
    // nullptr when the rich edit class is missing, and every call then does nothing.
    HWND Create(HWND parent, HINSTANCE instance);
    HWND Window() const { return control; }

    std::string Text() const override;
    void Clear() override;
    void Cut() override { Send(WM_CUT); }
    void Copy() override { Send(WM_COPY); }
    void Paste() override { Send(WM_PASTE); }

private:
    static LRESULT CALLBACK Procedure(HWND control, UINT message, WPARAM wParam, LPARAM lParam,
                                      UINT_PTR, DWORD_PTR self);
    static void PasteAsOneLine(HWND control);
    void Send(UINT message);

    const std::function<void()> send;
    HWND control = nullptr;
};

}  // namespace vesk

#pragma once

// The window class and procedure of a main window that an object of ours makes: the object goes to
// CreateWindowExW as its creation parameter, and from then on every message of the window
// goes to the object's Handle. Messages that come before it (none do today) get the default.

#include "protocol/windows_headers.h"

namespace vesk {

// Owner keeps its window in a member `window` and answers messages with
// `LRESULT Handle(UINT, WPARAM, LPARAM)`; it befriends this procedure for them.
template <class Owner>
LRESULT CALLBACK ObjectWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* owner = static_cast<Owner*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        owner->window = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(owner));
    }
    auto* owner = reinterpret_cast<Owner*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (owner == nullptr) return DefWindowProcW(window, message, wParam, lParam);
    return owner->Handle(message, wParam, lParam);
}

// Registers the class name of Owner's main window with the procedure above: the program's
// icon and menu from its resources, the arrow cursor and the button face's colour behind.
template <class Owner>
bool RegisterObjectWindowClass(HINSTANCE instance, const wchar_t* name, UINT style, int iconId,
                               int menuId) {
    WNDCLASSW windowClass{};
    windowClass.style = style;
    windowClass.lpfnWndProc = ObjectWindowProcedure<Owner>;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(iconId));
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    windowClass.lpszMenuName = MAKEINTRESOURCEW(menuId);
    windowClass.lpszClassName = name;
    return RegisterClassW(&windowClass) != 0;
}

}  // namespace vesk

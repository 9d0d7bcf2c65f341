#include "client/win/control_menus.h"

namespace vesk {

void ShowControlMenu(HWND control, LPARAM pressedAt,
                     std::initializer_list<std::pair<ChatCommand, const wchar_t*>> items) {
    POINT point{LOWORD(pressedAt), HIWORD(pressedAt)};
    ClientToScreen(control, &point);
    HMENU menu = CreatePopupMenu();
    if (menu == nullptr) return;
    for (const auto& [command, text] : items) {
        AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(command), text);
    }
    TrackPopupMenu(menu, TPM_RIGHTALIGN, point.x, point.y, 0, GetParent(control), nullptr);
    DestroyMenu(menu);
}

}  // namespace vesk

#include "client/win/flat_toolbar.h"

#include <uxtheme.h>

#include <algorithm>
#include <array>

#include "client/rules/commands.h"
#include "client/rules/toolbar_layout.h"
#include "protocol/cp932.h"
#include "ui/win/window_dpi.h"

namespace vesk {

namespace {

constexpr int kImageWidth = 16;
constexpr int kImageHeight = 15;
// The pictures' backgrounds, which the toolbar shows through.
constexpr COLORREF kNormalKey = RGB(255, 0, 0);
constexpr COLORREF kHotKey = RGB(192, 192, 192);

// The toolbar's buttons in order: room for the dice combo box, the dice button, and the gap
// up to the name combo box, with the etched rule in it.
enum Slot { kDiceRoom, kDiceButton, kNameGap, kSlotCount };

RECT SlotRect(HWND window, Slot slot) {
    RECT rect{};
    SendMessageW(window, TB_GETITEMRECT, slot, reinterpret_cast<LPARAM>(&rect));
    return rect;
}

// The picture name of instance, each pixel made scale x scale, with key as its background.
HIMAGELIST LoadImageList(HINSTANCE instance, const wchar_t* name, int scale, COLORREF key) {
    const int width = kImageWidth * scale;
    const int height = kImageHeight * scale;
    const auto picture =
        static_cast<HBITMAP>(LoadImageW(instance, name, IMAGE_BITMAP, width, height, 0));
    if (picture == nullptr) return nullptr;
    HIMAGELIST list = ImageList_Create(width, height, ILC_COLOR24 | ILC_MASK, 1, 0);
    if (list != nullptr && ImageList_AddMasked(list, picture, key) < 0) {
        ImageList_Destroy(list);
        list = nullptr;
    }
    DeleteObject(picture);
    return list;
}

void SetSlotWidth(HWND window, Slot slot, int width) {
    TBBUTTONINFOW info{};
    info.cbSize = sizeof info;
    info.dwMask = TBIF_BYINDEX | TBIF_SIZE;
    info.cx = static_cast<WORD>(width);
    SendMessageW(window, TB_SETBUTTONINFOW, slot, reinterpret_cast<LPARAM>(&info));
}

int WindowHeight(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect.bottom - rect.top;
}

}  // namespace

LRESULT CALLBACK FlatToolbar::ToolbarProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                          UINT_PTR id, DWORD_PTR toolbar) {
    if (message == WM_LBUTTONDOWN) {
        // A press anywhere on the toolbar brings the window forward, as a press on any other
        // part of it does.
        SetForegroundWindow(GetParent(window));
    }
    if (message == WM_NCDESTROY) RemoveWindowSubclass(window, ToolbarProc, id);
    const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
    switch (message) {
        case WM_PAINT:
            reinterpret_cast<FlatToolbar*>(toolbar)->DrawRule();
            break;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_MOUSEMOVE:
        case WM_CAPTURECHANGED:
            reinterpret_cast<FlatToolbar*>(toolbar)->ShowPressedDie();
            break;
        default:
            break;
    }
    return result;
}

FlatToolbar::~FlatToolbar() {
    if (window != nullptr && IsWindow(window)) {
        RemoveWindowSubclass(window, ToolbarProc, 1);
        SendMessageW(window, TB_SETIMAGELIST, 0, 0);
        SendMessageW(window, TB_SETHOTIMAGELIST, 0, 0);
    }
    if (normalImages != nullptr) ImageList_Destroy(normalImages);
    if (hotImages != nullptr) ImageList_Destroy(hotImages);
}

HWND FlatToolbar::Create(HWND parent, HINSTANCE instance, MessageBoxView& messages, HFONT font) {
    const INITCOMMONCONTROLSEX classes{sizeof classes, ICC_BAR_CLASSES};
    InitCommonControlsEx(&classes);
    // Children clipped: the combo boxes lie over the toolbar's room for them.
    window = CreateWindowExW(
        0, TOOLBARCLASSNAMEW, nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | TBSTYLE_FLAT, 0, 0,
        0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kControlId)), instance, nullptr);
    if (window == nullptr) return nullptr;
    // The classic look of a flat toolbar is the one wanted: flat at rest, a raised border
    // under the pointer, a sunken one and the picture shifted while pressed. A visual style
    // would draw its own highlight instead.
    SetWindowTheme(window, L" ", L" ");
    SendMessageW(window, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    pictures = instance;
    dpi = WindowDpi(parent);
    if (!LoadImages()) messages.ShowMessage(Cp932FromUtf8("イメージリスト作成失敗"));
    AddButtons();
    Rescale(dpi, font);
    SetWindowSubclass(window, ToolbarProc, 1, reinterpret_cast<DWORD_PTR>(this));
    return window;
}

void FlatToolbar::Rescale(int newDpi, HFONT font) {
    // Pictures that could not be loaded were told of when the toolbar was made.
    if (newDpi != dpi) {
        dpi = newDpi;
        LoadImages();
    }
    if (font != nullptr) SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    PlaceButtons();
    MakeRoomForComboBoxes();
    InvalidateRect(window, nullptr, TRUE);
}

int FlatToolbar::Height() const { return WindowHeight(window); }

bool FlatToolbar::LoadImages() {
    // A whole multiple of 16 x 15, the largest the DPI reaches: stretched by a fraction such
    // as 150 % the die's pips come out uneven, so there it stays small, centred on its button.
    const int scale = std::max(1, dpi / kBaseDpi);
    const HIMAGELIST normal = LoadImageList(pictures, L"TOOLBAR1", scale, kNormalKey);
    const HIMAGELIST hot = LoadImageList(pictures, L"TOOLBAR2", scale, kHotKey);
    SendMessageW(window, TB_SETBITMAPSIZE, 0,
                 MAKELPARAM(kImageWidth * scale, kImageHeight * scale));
    SendMessageW(window, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(normal));
    SendMessageW(window, TB_SETHOTIMAGELIST, 0, reinterpret_cast<LPARAM>(hot));
    for (const HIMAGELIST old : {normalImages, hotImages}) {
        if (old != nullptr) ImageList_Destroy(old);
    }
    normalImages = normal;
    hotImages = hot;
    shownImages = normal;
    return normal != nullptr && hot != nullptr;
}

void FlatToolbar::ShowPressedDie() {
    // The control shows the hot picture only while the button is hot and not pressed; a
    // pressed die keeps the brighter picture, so it becomes the resting list for as long.
    const bool pressed =
        SendMessageW(window, TB_ISBUTTONPRESSED, static_cast<WPARAM>(ChatCommand::kRollDice), 0);
    const HIMAGELIST wanted = pressed && hotImages != nullptr ? hotImages : normalImages;
    if (wanted == shownImages) return;
    shownImages = wanted;
    SendMessageW(window, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(wanted));
    InvalidateRect(window, nullptr, TRUE);
}

void FlatToolbar::AddButtons() {
    // Room for the combo boxes is made of blank, disabled buttons without a picture, which a
    // flat toolbar leaves undrawn: it would draw a separator as a rule of its own, and where
    // in the separator differs between the platforms.
    const auto roll = static_cast<int>(ChatCommand::kRollDice);
    const std::array<TBBUTTON, kSlotCount> buttons{{
        {I_IMAGENONE, 0, 0, BTNS_BUTTON, {}, 0, 0},
        {0, roll, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0},
        {I_IMAGENONE, 0, 0, BTNS_BUTTON, {}, 0, 0},
    }};
    SendMessageW(window, TB_ADDBUTTONSW, buttons.size(), reinterpret_cast<LPARAM>(buttons.data()));
}

void FlatToolbar::PlaceButtons() {
    SendMessageW(window, TB_SETBUTTONSIZE, 0,
                 MAKELPARAM(Scaled(kButtonWidth), Scaled(kRecordBottom - kRecordTop)));
    // The control may start its row a little in: the room is made as wide as puts the dice
    // button where the layout has it, and the gap after it reaches the name combo box.
    const int buttonLeft = Scaled(kDiceButtonLeft);
    SetSlotWidth(window, kDiceRoom, buttonLeft);
    const int off = SlotRect(window, kDiceButton).left - buttonLeft;
    if (off != 0) SetSlotWidth(window, kDiceRoom, buttonLeft - off);
    SetSlotWidth(window, kNameGap, Scaled(kNameComboLeft) - SlotRect(window, kDiceButton).right);
}

void FlatToolbar::DrawRule() const {
    // A shadow line and a highlight line right of it, each a pixel wide at 96 DPI.
    const RECT button = SlotRect(window, kDiceButton);
    const int left = Scaled(kRuleLeft);
    const int line = Scaled(1);
    const HDC context = GetDC(window);
    const RECT shadow{left, button.top, left + line, button.bottom};
    const RECT highlight{left + line, button.top, left + 2 * line, button.bottom};
    FillRect(context, &shadow, GetSysColorBrush(COLOR_BTNSHADOW));
    FillRect(context, &highlight, GetSysColorBrush(COLOR_BTNHIGHLIGHT));
    ReleaseDC(window, context);
}

void FlatToolbar::MakeRoomForComboBoxes() {
    // A combo box like the main window's, in the toolbar's font, measured and put away.
    const HWND probe =
        CreateWindowExW(WS_EX_CLIENTEDGE, L"COMBOBOX", nullptr, WS_CHILD | WS_BORDER | CBS_DROPDOWN,
                        Scaled(kDiceComboLeft), Scaled(kComboTop), Scaled(kComboWidth), Scaled(250),
                        window, nullptr, nullptr, nullptr);
    SendMessageW(probe, WM_SETFONT, SendMessageW(window, WM_GETFONT, 0, 0), FALSE);
    const int needed = ToolbarHeightFor(WindowHeight(probe), dpi);
    DestroyWindow(probe);

    // The control sizes itself to its row of buttons: a taller row where the box needs it.
    SendMessageW(window, TB_AUTOSIZE, 0, 0);
    RECT client{};
    GetClientRect(window, &client);
    const int shortBy = needed - client.bottom;
    if (shortBy > 0) {
        const auto size = static_cast<DWORD>(SendMessageW(window, TB_GETBUTTONSIZE, 0, 0));
        SendMessageW(window, TB_SETBUTTONSIZE, 0, MAKELPARAM(LOWORD(size), HIWORD(size) + shortBy));
        SendMessageW(window, TB_AUTOSIZE, 0, 0);
    }
}

}  // namespace vesk

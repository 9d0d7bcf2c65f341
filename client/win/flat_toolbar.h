#pragma once

// VeskChat's toolbar: the platform's toolbar control in its flat style, which draws the dice
// button flat at rest, raised under the pointer and sunken while pressed, and sends the roll
// command to the main window when the button is released over it. Room is left for the dice
// combo box left of the button and for the name combo box right of an etched rule; the main
// window makes the two boxes as children of the toolbar, where the toolbar layout has them.

#include "client/message_box_view.h"
#include "protocol/dpi_scale.h"
#include "protocol/windows_headers.h"

#include <commctrl.h>

namespace vesk {

class FlatToolbar {
public:
    // The toolbar's control id in the main window.
    static constexpr int kControlId = 100000;

    FlatToolbar() = default;
    FlatToolbar(const FlatToolbar&) = delete;
    FlatToolbar& operator=(const FlatToolbar&) = delete;
    ~FlatToolbar();

    // Makes the toolbar along the top of parent, laid out for parent's DPI with font for the
    // combo boxes (nullptr: the control's own), with the die pictures TOOLBAR1 (at rest) and
    // TOOLBAR2 (under the pointer) of instance. Pictures that cannot be loaded are told once
    // and the button works without them. Once per object.
    HWND Create(HWND parent, HINSTANCE instance, MessageBoxView& messages, HFONT font = nullptr);

    // Lays the toolbar out again for a window moved to a monitor of dpi, with the font made
    // for it and the pictures drawn for it.
    void Rescale(int dpi, HFONT font);

    HWND Window() const { return window; }
    // The toolbar's height as it sized itself: room for the button and for a combo box in its
    // font at the combo boxes' top, with as much room below the box.
    int Height() const;

private:
    static LRESULT CALLBACK ToolbarProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                        UINT_PTR id, DWORD_PTR toolbar);
    // The die pictures for the DPI, in place of those before; false when one is missing.
    bool LoadImages();
    void AddButtons();
    // Sizes the button and the room around it for the DPI.
    void PlaceButtons();
    void MakeRoomForComboBoxes();
    void ShowPressedDie();
    // The etched rule before the name combo box, as high as the button.
    void DrawRule() const;
    int Scaled(int pixels) const { return ScaledForDpi(pixels, dpi); }

    HWND window = nullptr;
    HINSTANCE pictures = nullptr;
    int dpi = kBaseDpi;
    HIMAGELIST normalImages = nullptr;
    HIMAGELIST hotImages = nullptr;
    // The list the control draws the button from: the normal pictures, the hot ones while
    // the button is held down.
    HIMAGELIST shownImages = nullptr;
};

}  // namespace vesk

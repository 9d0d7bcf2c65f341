#pragma once

// What a per-monitor DPI-aware window follows the monitor with: the DPI it is shown at, the
// system's UI font for that DPI, and the size of a rich edit's text at that DPI.

#include <string>

#include "protocol/dpi_scale.h"
#include "protocol/windows_headers.h"

namespace vesk {

// The DPI of the monitor window is on (96 at 100 %); kBaseDpi when it has none yet.
int WindowDpi(HWND window);

// The system's message font at one DPI, the font that controls are drawn with. Owned: a DPI
// change makes a new one, and the controls must then be given it again.
class UiFont {
public:
    UiFont() = default;
    ~UiFont();
    UiFont(const UiFont&) = delete;
    UiFont& operator=(const UiFont&) = delete;

    // The font for dpi, in place of the one before.
    void Update(int dpi);
    HFONT Handle() const { return font; }
    // Its face, and its size in points whatever the DPI, for a rich edit's text to match.
    const std::wstring& Face() const { return face; }
    int Points() const { return points; }

private:
    HFONT font = nullptr;
    std::wstring face;
    int points = 9;
};

// Sets the face and the size of all the text of a rich edit control and of what is typed into
// it next, the size in points as shown on a monitor of dpi.
void SetRichEditFont(HWND control, const std::wstring& face, int points, int dpi);

}  // namespace vesk

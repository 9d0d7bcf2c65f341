#include "ui/win/window_dpi.h"

#include <richedit.h>

namespace vesk {

int WindowDpi(HWND window) {
    const UINT dpi = window == nullptr ? 0 : GetDpiForWindow(window);
    return dpi == 0 ? kBaseDpi : static_cast<int>(dpi);
}

UiFont::~UiFont() {
    if (font != nullptr) DeleteObject(font);
}

void UiFont::Update(int dpi) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    // Kept as it is when the system cannot tell: the controls go on with the font they have.
    if (!SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0,
                                    static_cast<UINT>(dpi))) {
        return;
    }
    const HFONT made = CreateFontIndirectW(&metrics.lfMessageFont);
    if (made == nullptr) return;
    if (font != nullptr) DeleteObject(font);
    font = made;
    face = metrics.lfMessageFont.lfFaceName;
    const LONG height = metrics.lfMessageFont.lfHeight;
    points = MulDiv(height < 0 ? -height : height, 72, dpi);
}

void SetRichEditFont(HWND control, const std::wstring& face, int points, int dpi) {
    if (control == nullptr) return;
    CHARFORMAT2W format{};
    format.cbSize = sizeof format;
    format.dwMask = CFM_FACE | CFM_SIZE;
    // The control turns points into pixels at the DPI the process started with; on a monitor
    // of another DPI the size is scaled by the difference.
    format.yHeight = MulDiv(points * 20, dpi, static_cast<int>(GetDpiForSystem()));  // twips
    face.copy(format.szFaceName, LF_FACESIZE - 1);
    SendMessageW(control, EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&format));
    SendMessageW(control, EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
}

}  // namespace vesk

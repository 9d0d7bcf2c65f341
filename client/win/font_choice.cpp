#include "client/win/font_choice.h"

#include <commdlg.h>

#include <algorithm>
#include <cwchar>
#include <string>

#include "ui/win/wide_text.h"

namespace vesk {

namespace {

// A face as the font dialog names it: it may hold characters code page 932 lacks, which the
// caller refuses, so it is handed on in UTF-8 rather than cut down to code page 932.
std::string Utf8FromWide(const wchar_t* wide) {
    const int length = static_cast<int>(std::wcslen(wide));
    if (length == 0) return {};
    std::string utf8(static_cast<std::size_t>(WideCharToMultiByte(CP_UTF8, 0, wide, length, nullptr,
                                                                  0, nullptr, nullptr)),
                     '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide, length, utf8.data(), static_cast<int>(utf8.size()),
                        nullptr, nullptr);
    return utf8;
}

// The height that asks for points on the owner's display, in pixels (negative: a character
// height rather than a cell height).
LONG HeightForPoints(HWND owner, int points) {
    const HDC context = GetDC(owner);
    const int pixelsPerInch = GetDeviceCaps(context, LOGPIXELSY);
    ReleaseDC(owner, context);
    return -MulDiv(points, pixelsPerInch, 72);
}

}  // namespace

std::optional<FontChoice> ChooseChatFont(HWND owner, std::string_view cp932Face, int points) {
    LOGFONTW font{};
    font.lfHeight = HeightForPoints(owner, points);
    // The face field holds LF_FACESIZE characters with the NUL; a longer stored face is cut.
    const std::wstring face = WideFromCp932(cp932Face);
    std::copy_n(face.begin(), std::min<std::size_t>(face.size(), LF_FACESIZE - 1), font.lfFaceName);

    CHOOSEFONTW request{};
    request.lStructSize = sizeof request;
    request.hwndOwner = owner;
    request.lpLogFont = &font;
    request.Flags = CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT;
    if (!ChooseFontW(&request)) return std::nullopt;
    // The dialog gives the size in tenths of a point.
    return FontChoice{Utf8FromWide(font.lfFaceName), request.iPointSize / 10.0};
}

}  // namespace vesk

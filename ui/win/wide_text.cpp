#include "ui/win/wide_text.h"

#include "protocol/windows_headers.h"

namespace vesk {

namespace {

constexpr UINT kCp932 = 932;

}  // namespace

std::wstring WideFromCp932(std::string_view cp932) {
    if (cp932.empty()) return {};
    const int size = static_cast<int>(cp932.size());
    const int length = MultiByteToWideChar(kCp932, 0, cp932.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(kCp932, 0, cp932.data(), size, wide.data(), length);
    return wide;
}

std::string Cp932FromWide(std::wstring_view wide) {
    if (wide.empty()) return {};
    const int size = static_cast<int>(wide.size());
    const int length = WideCharToMultiByte(kCp932, 0, wide.data(), size, nullptr, 0, "?", nullptr);
    std::string text(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(kCp932, 0, wide.data(), size, text.data(), length, "?", nullptr);
    return text;
}

}  // namespace vesk

#include "protocol/cp932.h"

#ifdef _WIN32
#include "protocol/windows_headers.h"
#else
#include <iconv.h>

#include <cerrno>
#endif

namespace vesk {

#ifdef _WIN32

namespace {

std::wstring WideFromUtf8(std::string_view utf8) {
    // Bytes that are no UTF-8 become U+FFFD, which code page 932 cannot hold.
    const int size = static_cast<int>(utf8.size());
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), length);
    return wide;
}

bool IsHighSurrogate(wchar_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(wchar_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// Bytes that are no code page 932 character become "?", one for each byte or for each pair of
// a lead and a trail byte, as the conversion on other systems makes them; the system's own
// conversion would make them its default character "・".
std::wstring WideFromCp932(std::string_view cp932) {
    std::wstring wide(cp932.size(), L'\0');
    const int whole =
        MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, cp932.data(), static_cast<int>(cp932.size()),
                            wide.data(), static_cast<int>(wide.size()));
    if (whole > 0) {
        wide.resize(static_cast<std::size_t>(whole));
        return wide;
    }
    wide.clear();
    for (std::size_t at = 0; at < cp932.size();) {
        const bool pair = at + 1 < cp932.size() &&
                          IsCp932LeadByte(static_cast<unsigned char>(cp932[at])) &&
                          IsCp932TrailByte(static_cast<unsigned char>(cp932[at + 1]));
        const int width = pair ? 2 : 1;
        wchar_t character[2];
        const int length =
            MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, cp932.data() + at, width, character, 2);
        if (length > 0) {
            wide.append(character, static_cast<std::size_t>(length));
        } else {
            wide.push_back(L'?');
        }
        at += static_cast<std::size_t>(width);
    }
    return wide;
}

std::string MultiByteFromWide(std::wstring_view wide, UINT codePage, DWORD flags,
                              const char* fallback) {
    if (wide.empty()) return {};
    const int size = static_cast<int>(wide.size());
    const int length =
        WideCharToMultiByte(codePage, flags, wide.data(), size, nullptr, 0, fallback, nullptr);
    std::string out(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(codePage, flags, wide.data(), size, out.data(), length, fallback, nullptr);
    return out;
}

}  // namespace

std::string Cp932FromUtf8(std::string_view utf8) {
    std::wstring wide = WideFromUtf8(utf8);
    // A character beyond U+FFFF takes two UTF-16 units; it becomes one "?", not two.
    std::size_t kept = 0;
    for (std::size_t at = 0; at < wide.size(); ++at) {
        if (IsHighSurrogate(wide[at]) && at + 1 < wide.size() && IsLowSurrogate(wide[at + 1])) {
            wide[kept++] = 0xFFFD;
            ++at;
        } else {
            wide[kept++] = wide[at];
        }
    }
    wide.resize(kept);
    // Without best fit: a character the code page lacks becomes "?", never a look-alike such
    // as "a" for "ä".
    return MultiByteFromWide(wide, 932, WC_NO_BEST_FIT_CHARS, "?");
}

std::string Utf8FromCp932(std::string_view cp932) {
    return MultiByteFromWide(WideFromCp932(cp932), CP_UTF8, 0, nullptr);
}

#else

namespace {

// One iconv descriptor per direction and thread: descriptors carry shift state and must not
// be shared between threads.
class Converter {
public:
    Converter(const char* to, const char* from) : descriptor(iconv_open(to, from)) {}
    ~Converter() {
        if (Valid()) iconv_close(descriptor);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool Valid() const { return descriptor != reinterpret_cast<iconv_t>(-1); }

    // Converts text; an input sequence that cannot be converted is replaced by one "?" and
    // the conversion goes on after its first byte (or after the whole UTF-8 character).
    std::string Run(std::string_view text, bool inputIsUtf8) {
        std::string out;
        if (!Valid()) return std::string(text.size(), '?');
        iconv(descriptor, nullptr, nullptr, nullptr, nullptr);
        char* in = const_cast<char*>(text.data());
        std::size_t inLeft = text.size();
        char chunk[256];
        while (inLeft > 0) {
            char* outPtr = chunk;
            std::size_t outLeft = sizeof chunk;
            const std::size_t result = iconv(descriptor, &in, &inLeft, &outPtr, &outLeft);
            out.append(chunk, static_cast<std::size_t>(outPtr - chunk));
            if (result != static_cast<std::size_t>(-1) || errno == E2BIG) continue;
            // EILSEQ (no such character) or EINVAL (a sequence cut off at the end).
            out.push_back('?');
            std::size_t skip = 1;
            if (inputIsUtf8) {
                // Skip the whole character: its continuation bytes are 10xxxxxx.
                while (skip < inLeft && skip < 4 &&
                       (static_cast<unsigned char>(in[skip]) & 0xC0) == 0x80) {
                    ++skip;
                }
            } else if (inLeft >= 2 && IsCp932LeadByte(static_cast<unsigned char>(in[0])) &&
                       IsCp932TrailByte(static_cast<unsigned char>(in[1]))) {
                skip = 2;  // an unassigned double-byte code is one unknown character
            }
            in += skip;
            inLeft -= skip;
            iconv(descriptor, nullptr, nullptr, nullptr, nullptr);
        }
        return out;
    }

private:
    iconv_t descriptor;
};

}  // namespace

std::string Cp932FromUtf8(std::string_view utf8) {
    thread_local Converter converter("CP932", "UTF-8");
    return converter.Run(utf8, true);
}

std::string Utf8FromCp932(std::string_view cp932) {
    thread_local Converter converter("UTF-8", "CP932");
    return converter.Run(cp932, false);
}

#endif

std::size_t Cp932Find(std::string_view text, std::string_view part) {
    for (std::size_t at = 0; at + part.size() <= text.size();) {
        if (text.compare(at, part.size(), part) == 0) return at;
        at += at + 1 < text.size() && IsCp932LeadByte(static_cast<unsigned char>(text[at])) ? 2 : 1;
    }
    return std::string_view::npos;
}

std::size_t Cp932FitLength(std::string_view text, std::size_t maxBytes) {
    if (text.size() <= maxBytes) return text.size();
    std::size_t position = 0;
    while (position < maxBytes) {
        const std::size_t width =
            IsCp932LeadByte(static_cast<unsigned char>(text[position])) ? 2 : 1;
        if (position + width > maxBytes) break;
        position += width;
    }
    return position;
}

}  // namespace vesk

#include "protocol/cp932.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>

#include <cerrno>
#endif

namespace vesk {

#ifdef _WIN32

namespace {

std::string Convert(std::string_view text, UINT from, UINT to) {
    if (text.empty()) return {};
    const int wideLength =
        MultiByteToWideChar(from, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
    MultiByteToWideChar(from, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                        wideLength);
    const char* fallback = to == CP_UTF8 ? nullptr : "?";
    const int length =
        WideCharToMultiByte(to, 0, wide.data(), wideLength, nullptr, 0, fallback, nullptr);
    std::string out(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(to, 0, wide.data(), wideLength, out.data(), length, fallback, nullptr);
    return out;
}

}  // namespace

std::string Cp932FromUtf8(std::string_view utf8) { return Convert(utf8, CP_UTF8, 932); }
std::string Utf8FromCp932(std::string_view cp932) { return Convert(cp932, 932, CP_UTF8); }

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

#include "ui/cp932_text.h"

#include "protocol/cp932.h"

namespace vesk {

QString FromCp932(std::string_view text) { return QString::fromStdString(Utf8FromCp932(text)); }

std::string ToCp932(const QString& text) { return Cp932FromUtf8(text.toStdString()); }

std::string ToCp932(const QString& text, std::size_t maxBytes) {
    return std::string(Cp932Cut(ToCp932(text), maxBytes));
}

}  // namespace vesk

#include "dice/list_file.h"

#include <filesystem>
#include <fstream>
#include <system_error>

#include "protocol/cp932.h"

namespace vesk {

namespace {

constexpr int kEndOfFileByte = 0x1A;

// Moves the first piece of a line that is longer than an entry may be into entries. Only the
// bytes before the limit are judged, so this can run as soon as the line passes the limit.
void CutLongLine(std::string& line, std::vector<std::string>& entries) {
    const std::size_t piece = Cp932FitLength(line, kMaxListEntryBytes);
    entries.push_back(line.substr(0, piece));
    line.erase(0, piece);
}

// The result of a read, or the end of the file when the system cannot read on: a file stream
// throws then (a failing disk, a network folder gone), and that ends the file as its end does.
template <typename Read>
int ByteOrEnd(Read read) {
    try {
        return read();
    } catch (const std::ios_base::failure&) {
        return std::char_traits<char>::eof();
    }
}

}  // namespace

std::vector<std::string> ReadListEntries(std::istream& file) {
    std::vector<std::string> entries;
    std::streambuf* bytes = file.rdbuf();
    if (bytes == nullptr) return entries;
    std::string line;
    for (;;) {
        const int byte = ByteOrEnd([&] { return bytes->sbumpc(); });
        if (byte == std::char_traits<char>::eof() || byte == kEndOfFileByte) break;
        // The CR of a CR LF pair goes; the LF that follows ends the line.
        if (byte == '\r' && ByteOrEnd([&] { return bytes->sgetc(); }) == '\n') continue;
        if (byte == '\n') {
            if (!line.empty()) entries.push_back(line);
            line.clear();
            continue;
        }
        line.push_back(static_cast<char>(byte));
        if (line.size() > kMaxListEntryBytes) CutLongLine(line, entries);
    }
    if (!line.empty()) entries.push_back(line);
    return entries;
}

std::optional<std::vector<std::string>> ReadListFile(std::string_view path) {
    const std::filesystem::path native = PathFromText(path);
    std::error_code error;
    std::ifstream file;
    if (std::filesystem::is_regular_file(native, error)) file.open(native, std::ios::binary);
    if (!file.is_open()) return std::nullopt;
    return ReadListEntries(file);
}

}  // namespace vesk

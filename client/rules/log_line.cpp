#include "client/rules/log_line.h"

#include "client/rules/disk_file.h"

#include <cstdio>

#include "protocol/cp932.h"
#include "protocol/wire_messages.h"

namespace vesk {

namespace {

constexpr std::string_view kColon = "\x81\x46";  // "："
// Every dice line says this right after the colon, whatever the expression.
constexpr std::string_view kDiceCall =
    "\x82\xb1\x82\xeb\x82\xe8\x82\xf1\x82\xb1\x81\x42\x81\x42\x81\x42";  // "ころりんこ。。。"

}  // namespace

int SecondOfDay(std::time_t arrival) {
    const std::tm local = LocalTime(arrival);
    return local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec;
}

std::string StampOf(int secondOfDay) {
    char stamp[16];
    std::snprintf(stamp, sizeof stamp, "%02d:%02d:%02d ", secondOfDay / 3600 % 24,
                  secondOfDay / 60 % 60, secondOfDay % 60);
    return stamp;
}

std::string_view SpeakerOf(std::string_view line) {
    const std::size_t colon = Cp932Find(line, kColon);
    return colon == std::string_view::npos ? std::string_view{} : line.substr(0, colon);
}

std::string_view SpokenText(std::string_view line) {
    const std::size_t colon = Cp932Find(line, kColon);
    return colon == std::string_view::npos ? line : line.substr(colon + kColon.size());
}

bool IsDiceLine(std::string_view line) {
    return Cp932Find(line, kColon) != std::string_view::npos &&
           SpokenText(line).substr(0, kDiceCall.size()) == kDiceCall;
}

bool IsRelayDiceLine(std::string_view line) { return line.starts_with(wire::DiceMark()); }

bool MentionsPlayer(std::string_view line, std::string_view name) {
    const std::string_view speaker = SpeakerOf(line);
    if (name.empty() || speaker.empty() || speaker == name) return false;
    return Cp932Find(SpokenText(line), name) != std::string_view::npos;
}

}  // namespace vesk

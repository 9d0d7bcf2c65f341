#include "client/rules/html_log.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

#include "client/rules/log_line.h"
#include "protocol/cp932.h"
#include "protocol/wire_messages.h"

namespace vesk {

namespace {

std::string Escaped(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (const char c : utf8) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string Html(std::string_view cp932) { return Escaped(Utf8FromCp932(cp932)); }

// Prints in colour and keeps each line whole on a page.
constexpr const char* kStyle = R"(
body { font-family: "IPAGothic", "Noto Sans CJK JP", "MS Gothic", sans-serif; margin: 2em;
       color: #222; background: #fff; -webkit-print-color-adjust: exact; print-color-adjust: exact; }
h1 { font-size: 1.2em; border-bottom: 1px solid #999; padding-bottom: .3em; }
table { border-collapse: collapse; width: 100%; }
td { padding: .15em .5em; vertical-align: top; }
tr { break-inside: avoid; }
td.time { color: #777; font-family: monospace; white-space: nowrap; width: 6em; }
td.text { white-space: pre-wrap; overflow-wrap: anywhere; }
.speaker { font-weight: bold; }
tr.notice td.text { color: #666; font-style: italic; }
tr.dice td.text { background: #f3efe2; border-left: 4px solid #b08a2e; }
tr.relay td.text { background: #e4eefa; border-left: 4px solid #1d5fa8; }
tr.relay .mark { background: #1d5fa8; }
.mark { font-size: .75em; color: #fff; background: #b08a2e; border-radius: 3px;
        padding: 0 .35em; margin-right: .4em; font-style: normal; }
@media print { body { margin: 0; font-size: 10pt; } }
)";

}  // namespace

std::string SpeakerColour(std::string_view name) {
    // FNV-1a over the name's bytes picks the hue; saturation and lightness stay fixed, so every
    // name reads well on white paper.
    std::uint32_t hash = 2166136261u;
    for (const char c : name) hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    const double hue = static_cast<double>(hash % 360), saturation = 0.65, lightness = 0.35;
    const double chroma = (1 - std::fabs(2 * lightness - 1)) * saturation;
    const double second = chroma * (1 - std::fabs(std::fmod(hue / 60, 2) - 1));
    const int sector = static_cast<int>(hue / 60);
    double red = 0, green = 0, blue = 0;
    switch (sector) {
        case 0:
            red = chroma, green = second;
            break;
        case 1:
            red = second, green = chroma;
            break;
        case 2:
            green = chroma, blue = second;
            break;
        case 3:
            green = second, blue = chroma;
            break;
        case 4:
            red = second, blue = chroma;
            break;
        default:
            red = chroma, blue = second;
            break;
    }
    const double base = lightness - chroma / 2;
    char colour[8];
    std::snprintf(colour, sizeof colour, "#%02x%02x%02x",
                  static_cast<int>(std::lround((red + base) * 255)),
                  static_cast<int>(std::lround((green + base) * 255)),
                  static_cast<int>(std::lround((blue + base) * 255)));
    return colour;
}

std::string HtmlLog(const std::vector<LoggedLine>& lines, std::string_view title) {
    std::string page = "<!DOCTYPE html>\n<html lang=\"ja\">\n<head>\n<meta charset=\"utf-8\">\n";
    page += "<title>" + Escaped(title) + "</title>\n<style>" + kStyle + "</style>\n</head>\n";
    page += "<body>\n<h1>" + Escaped(title) + "</h1>\n<table>\n";
    for (const LoggedLine& line : lines) {
        // The relay's rolls under their roller's name, apart from what any player typed.
        const bool relay = IsRelayDiceLine(line.text);
        const std::string_view text =
            relay ? std::string_view(line.text).substr(wire::DiceMark().size()) : line.text;
        const std::string_view speaker = SpeakerOf(text);
        const bool dice = IsDiceLine(text);
        page += relay  ? "<tr class=\"relay\">"
                : dice ? "<tr class=\"dice\">"
                : speaker.empty() ? "<tr class=\"notice\">"
                                  : "<tr>";
        page += "<td class=\"time\">";
        if (line.secondOfDay >= 0 && !line.text.empty())
            page += StampOf(line.secondOfDay).substr(0, 8);
        page += "</td><td class=\"text\">";
        if (relay) page += "<span class=\"mark\">サーバーのダイス</span>";
        if (dice) page += "<span class=\"mark\">ダイス</span>";
        if (speaker.empty()) {
            page += Html(text);
        } else {
            page += "<span class=\"speaker\" style=\"color:" + SpeakerColour(speaker) + "\">" +
                    Html(speaker) + "</span>：" + Html(SpokenText(text));
        }
        page += "</td></tr>\n";
    }
    page += "</table>\n</body>\n</html>\n";
    return page;
}

}  // namespace vesk

#include "client/rules/client_settings.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "protocol/cp932.h"
#include "protocol/dpi_scale.h"
#include "protocol/player_name.h"

namespace vesk {

namespace {

// A text that fits its field whole, else nothing: a cut value would be a different address,
// name or face than the one stored.
std::optional<std::string> ReadFittingText(SettingsStore& store, std::string_view name,
                                           std::size_t maxBytes) {
    std::optional<std::string> text = store.ReadText(SettingsGroup::Option, name);
    if (text && text->size() > maxBytes) return std::nullopt;
    return text;
}

// Opens the group for writing and runs write for each value, showing the failure message
// once when the group cannot be opened and once for every value that could not be written.
template <typename Writes>
void WriteGroup(SettingsStore& store, SettingsGroup group, MessageBoxView& messages,
                Writes writes) {
    if (!store.OpenForWriting(group)) {
        messages.ShowMessage(store.WriteFailureMessage());
        return;
    }
    for (const bool written : writes()) {
        if (!written) messages.ShowMessage(store.WriteFailureMessage());
    }
}

}  // namespace

std::string SettingsStore::WriteFailureMessage() const {
    return Cp932FromUtf8("レジストリの書き込みに失敗しました");
}

std::string ClientSettings::DefaultPlayerName() { return Cp932FromUtf8("ごんべ"); }
std::string ClientSettings::DefaultFontFace() { return Cp932FromUtf8("ＭＳ ゴシック"); }

bool OnScreen(const WindowPlacement& placement, const std::vector<ScreenArea>& screens) {
    // In 64 bits: a stored corner may be anywhere a 32-bit number reaches.
    const std::int64_t left = placement.posX, top = placement.posY;
    return std::any_of(screens.begin(), screens.end(), [&](const ScreenArea& screen) {
        return left >= screen.x && top >= screen.y &&
               left + kOnScreenMargin <= std::int64_t{screen.x} + screen.width &&
               top + kOnScreenMargin <= std::int64_t{screen.y} + screen.height;
    });
}

WindowPlacement LoadSettings(SettingsStore& store, const std::vector<ScreenArea>& screens,
                             ConnectionTarget& target, ClientSettings& settings,
                             MessageBoxView& messages) {
    const auto primary = std::find_if(screens.begin(), screens.end(), [](const ScreenArea& s) {
        return s.x <= 0 && s.y <= 0 && s.x + s.width > 0 && s.y + s.height > 0;
    });
    const int dpi = primary == screens.end() ? kBaseDpi : primary->dpi;
    const WindowPlacement firstStart{0, 0, ScaledForDpi(WindowPlacement{}.width, dpi),
                                     ScaledForDpi(WindowPlacement{}.height, dpi)};
    WindowPlacement placement = firstStart;
    if (store.HasGroup(SettingsGroup::Info)) {
        const auto number = [&](std::string_view name, int fallback) {
            return store.ReadNumber(SettingsGroup::Info, name).value_or(fallback);
        };
        placement.posX = number(setting::kPosX, 0);
        placement.posY = number(setting::kPosY, 0);
        // Two widths on purpose: a placement stored without its width opens 640 wide, as such
        // settings always have, while a first start, with no placement stored, opens at
        // WindowPlacement's narrower 600.
        placement.width = number(setting::kWidth, ScaledForDpi(640, dpi));
        placement.height = number(setting::kHeight, firstStart.height);
        if (!OnScreen(placement, screens)) placement = firstStart;
    }

    target = ConnectionTarget{};
    settings = ClientSettings{};
    if (!store.OpenForWriting(SettingsGroup::Option)) {
        SaveOptions(store, target, settings, messages);
        SaveFontSettings(store, settings, messages);
        return placement;
    }
    target.address =
        ReadFittingText(store, setting::kIpAddress, kMaxAddressBytes).value_or(target.address);
    settings.name =
        ReadFittingText(store, setting::kName, kPlayerNameMaxBytes).value_or(settings.name);
    target.port = store.ReadNumber(SettingsGroup::Option, setting::kPort).value_or(target.port);
    settings.font =
        ReadFittingText(store, setting::kFont, kMaxFontFaceBytes).value_or(settings.font);
    // No font can be shown at zero points or fewer.
    const int size =
        store.ReadNumber(SettingsGroup::Option, setting::kFontSize).value_or(settings.fontSize);
    if (size > 0) settings.fontSize = size;
    const auto flag = [&](std::string_view name, bool fallback) {
        const std::optional<std::int32_t> value = store.ReadNumber(SettingsGroup::Option, name);
        return value ? *value != 0 : fallback;
    };
    settings.record = flag(setting::kRecord, settings.record);
    settings.showTimes = flag(setting::kShowTimes, settings.showTimes);
    settings.nudge = flag(setting::kNudge, settings.nudge);
    settings.highlightName = flag(setting::kHighlightName, settings.highlightName);
    return placement;
}

bool SaveWindowPlacement(SettingsStore& store, const WindowPlacement& outer, bool shown,
                         const std::vector<ScreenArea>& screens, MessageBoxView& messages) {
    if (!shown || !OnScreen(outer, screens)) return false;
    WriteGroup(store, SettingsGroup::Info, messages, [&] {
        return std::array{
            store.WriteNumber(SettingsGroup::Info, setting::kPosX, outer.posX),
            store.WriteNumber(SettingsGroup::Info, setting::kPosY, outer.posY),
            store.WriteNumber(SettingsGroup::Info, setting::kWidth, outer.width),
            store.WriteNumber(SettingsGroup::Info, setting::kHeight, outer.height),
        };
    });
    return true;
}

void SaveOptions(SettingsStore& store, const ConnectionTarget& target,
                 const ClientSettings& settings, MessageBoxView& messages) {
    WriteGroup(store, SettingsGroup::Option, messages, [&] {
        return std::array{
            store.WriteText(SettingsGroup::Option, setting::kIpAddress, target.address),
            store.WriteText(SettingsGroup::Option, setting::kName, settings.name),
            store.WriteNumber(SettingsGroup::Option, setting::kPort, target.port),
        };
    });
}

void SaveEveningOptions(SettingsStore& store, const ClientSettings& settings,
                        MessageBoxView& messages) {
    WriteGroup(store, SettingsGroup::Option, messages, [&] {
        return std::array{
            store.WriteNumber(SettingsGroup::Option, setting::kRecord, settings.record),
            store.WriteNumber(SettingsGroup::Option, setting::kShowTimes, settings.showTimes),
            store.WriteNumber(SettingsGroup::Option, setting::kNudge, settings.nudge),
            store.WriteNumber(SettingsGroup::Option, setting::kHighlightName,
                              settings.highlightName),
        };
    });
}

void SaveFontSettings(SettingsStore& store, const ClientSettings& settings,
                      MessageBoxView& messages) {
    WriteGroup(store, SettingsGroup::Option, messages, [&] {
        return std::array{
            store.WriteText(SettingsGroup::Option, setting::kFont, settings.font),
            store.WriteNumber(SettingsGroup::Option, setting::kFontSize, settings.fontSize),
        };
    });
}

bool FontFaceFits(std::string_view utf8Face) {
    const std::string face = Cp932FromUtf8(utf8Face);
    return !face.empty() && face.size() <= kMaxFontFaceBytes && Utf8FromCp932(face) == utf8Face;
}

int WholePoints(double points) {
    // In tenths first, so that 11 points that arrive as 10.999999 stay 11.
    const long tenths = std::lround(points * 10);
    return std::max(1, static_cast<int>(tenths / 10));
}

std::string FaceAfterFontDialog(const std::string& storedFace, std::string_view openedOn,
                                std::string_view chosen) {
    return chosen == openedOn ? storedFace : Cp932FromUtf8(chosen);
}

}  // namespace vesk

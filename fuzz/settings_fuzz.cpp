// Whatever a settings store holds, of whatever type and length: the settings read from it
// stay within their limits, and the window opens where the player can reach it.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "client/rules/client_settings.h"
#include "protocol/player_name.h"

namespace {

using Value = std::variant<std::int32_t, std::string>;

// Values as the fuzzer's bytes describe them: for each record a value name (picked from the
// names the client reads, or other bytes), a type, a length and the bytes of the value.
class BytesStore : public vesk::SettingsStore {
public:
    BytesStore(const std::uint8_t* data, std::size_t size) {
        static constexpr std::string_view kNames[] = {
            vesk::setting::kPosX,   vesk::setting::kPosY,      vesk::setting::kWidth,
            vesk::setting::kHeight, vesk::setting::kIpAddress, vesk::setting::kName,
            vesk::setting::kPort,   vesk::setting::kFont,      vesk::setting::kFontSize};
        std::size_t at = 0;
        if (size > 0) openable = (data[at++] & 1) != 0;
        while (at + 3 <= size) {
            const std::uint8_t which = data[at];
            const bool number = (data[at + 1] & 1) != 0;
            const std::size_t length = data[at + 2];
            at += 3;
            const std::string_view bytes(reinterpret_cast<const char*>(data + at),
                                         std::min(length, size - at));
            at += bytes.size();
            const auto group =
                which & 0x80 ? vesk::SettingsGroup::Info : vesk::SettingsGroup::Option;
            const std::string name(kNames[(which & 0x7F) % std::size(kNames)]);
            groups[group] = true;
            if (number) {
                std::int32_t value = 0;
                for (const char byte : bytes.substr(0, 4)) {
                    value = static_cast<std::int32_t>(static_cast<std::uint32_t>(value) << 8 |
                                                      static_cast<std::uint8_t>(byte));
                }
                values[{group, name}] = value;
            } else {
                values[{group, name}] = std::string(bytes);
            }
        }
    }

    bool HasGroup(vesk::SettingsGroup group) override { return groups[group]; }
    bool OpenForWriting(vesk::SettingsGroup) override { return openable; }
    std::optional<std::int32_t> ReadNumber(vesk::SettingsGroup group,
                                           std::string_view name) override {
        const auto found = values.find({group, std::string(name)});
        if (found == values.end() || !std::holds_alternative<std::int32_t>(found->second)) {
            return std::nullopt;
        }
        return std::get<std::int32_t>(found->second);
    }
    std::optional<std::string> ReadText(vesk::SettingsGroup group, std::string_view name) override {
        const auto found = values.find({group, std::string(name)});
        if (found == values.end() || !std::holds_alternative<std::string>(found->second)) {
            return std::nullopt;
        }
        const std::string& text = std::get<std::string>(found->second);
        return text.substr(0, text.find('\0'));
    }
    bool WriteNumber(vesk::SettingsGroup, std::string_view, std::int32_t) override {
        return openable;
    }
    bool WriteText(vesk::SettingsGroup, std::string_view, std::string_view) override {
        return openable;
    }

private:
    bool openable = true;
    std::map<vesk::SettingsGroup, bool> groups;
    std::map<std::pair<vesk::SettingsGroup, std::string>, Value> values;
};

class IgnoredMessages : public vesk::MessageBoxView {
public:
    void ShowMessage(std::string_view) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    BytesStore store(data, size);
    IgnoredMessages messages;
    const std::vector<vesk::ScreenArea> screens = {{0, 0, 1920, 1080}, {1920, 0, 1280, 1024}};
    vesk::ConnectionTarget target;
    vesk::ClientSettings settings;
    const vesk::WindowPlacement placement =
        vesk::LoadSettings(store, screens, target, settings, messages);
    const bool fits = target.address.size() <= vesk::kMaxAddressBytes &&
                      settings.name.size() <= vesk::kPlayerNameMaxBytes &&
                      settings.font.size() <= vesk::kMaxFontFaceBytes && settings.fontSize > 0 &&
                      target.address.find('\0') == std::string::npos;
    const bool reachable =
        placement == vesk::WindowPlacement{} || vesk::OnScreen(placement, screens);
    if (!fits || !reachable) std::abort();
    return 0;
}

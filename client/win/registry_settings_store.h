#pragma once

// VeskChat's settings in the registry of the current user: the groups are the keys Info and
// Option under Software\Okvi\VeskChat, numbers are REG_DWORD and texts REG_SZ. Every call
// opens the key it needs and closes it again, so nothing is held open between saves.

#include <string>

#include "client/rules/client_settings.h"

namespace vesk {

class RegistrySettingsStore final : public SettingsStore {
public:
    // basePath is the key under HKEY_CURRENT_USER that holds the two groups.
    explicit RegistrySettingsStore(std::wstring basePath = L"Software\\Okvi\\VeskChat");

    bool HasGroup(SettingsGroup group) override;
    bool OpenForWriting(SettingsGroup group) override;
    std::optional<std::int32_t> ReadNumber(SettingsGroup group, std::string_view name) override;
    std::optional<std::string> ReadText(SettingsGroup group, std::string_view name) override;
    bool WriteNumber(SettingsGroup group, std::string_view name, std::int32_t value) override;
    bool WriteText(SettingsGroup group, std::string_view name, std::string_view text) override;

private:
    std::wstring KeyPath(SettingsGroup group) const;

    std::wstring basePath;
};

}  // namespace vesk

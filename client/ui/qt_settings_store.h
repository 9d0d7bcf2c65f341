#pragma once

// The settings store of VeskChat on QSettings: organisation "Okvi", application "VeskChat",
// groups "Info" and "Option". On Windows that is the registry key
// HKEY_CURRENT_USER\Software\Okvi\VeskChat; elsewhere a per-user file
// (~/.config/Okvi/VeskChat.conf on Linux).

#include <QString>
#include <memory>

#include "client/rules/client_settings.h"

class QSettings;

namespace vesk {

class QtSettingsStore final : public SettingsStore {
public:
    // The user's own store.
    QtSettingsStore() = default;
    // A store in an INI file of its own.
    explicit QtSettingsStore(QString iniFile);

    bool HasGroup(SettingsGroup group) override;
    bool OpenForWriting(SettingsGroup group) override;
    // A file keeps no types, so a number is also read from text that is a decimal number.
    std::optional<std::int32_t> ReadNumber(SettingsGroup group, std::string_view name) override;
    std::optional<std::string> ReadText(SettingsGroup group, std::string_view name) override;
    // Each write goes to the disk (or the registry) at once, so its failure is seen here.
    bool WriteNumber(SettingsGroup group, std::string_view name, std::int32_t value) override;
    bool WriteText(SettingsGroup group, std::string_view name, std::string_view text) override;
#ifndef _WIN32
    // Names the settings file: there is no registry here.
    std::string WriteFailureMessage() const override;
#endif

private:
    // A new handle for every access: a handle remembers its first error for good, and one
    // failed write must not make every later one look failed.
    std::unique_ptr<QSettings> Open() const;
    bool Write(SettingsGroup group, std::string_view name, const QVariant& value);

    const QString iniFile;
};

}  // namespace vesk

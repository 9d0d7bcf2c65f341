#include "client/win/registry_settings_store.h"

#include <vector>

#include "protocol/windows_headers.h"
#include "ui/win/wide_text.h"

namespace vesk {

namespace {

// The access the settings keys are opened with, for reading and writing alike.
constexpr REGSAM kAccess = KEY_READ | KEY_WRITE;

// An open key, closed when it goes out of scope.
class OpenKey {
public:
    OpenKey() = default;
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;
    ~OpenKey() {
        if (key) RegCloseKey(key);
    }

    // Opens an existing key, or with create also makes a missing one.
    bool Open(const std::wstring& path, bool create) {
        const LSTATUS status =
            create ? RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr,
                                     REG_OPTION_NON_VOLATILE, kAccess, nullptr, &key, nullptr)
                   : RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, kAccess, &key);
        if (status != ERROR_SUCCESS) key = nullptr;
        return key != nullptr;
    }

    HKEY Get() const { return key; }

private:
    HKEY key = nullptr;
};

// Value names are plain ASCII words.
std::wstring ValueName(std::string_view name) { return std::wstring(name.begin(), name.end()); }

}  // namespace

RegistrySettingsStore::RegistrySettingsStore(std::wstring basePath)
    : basePath(std::move(basePath)) {}

std::wstring RegistrySettingsStore::KeyPath(SettingsGroup group) const {
    return basePath + (group == SettingsGroup::Info ? L"\\Info" : L"\\Option");
}

bool RegistrySettingsStore::HasGroup(SettingsGroup group) {
    OpenKey key;
    return key.Open(KeyPath(group), false);
}

bool RegistrySettingsStore::OpenForWriting(SettingsGroup group) {
    OpenKey key;
    return key.Open(KeyPath(group), true);
}

std::optional<std::int32_t> RegistrySettingsStore::ReadNumber(SettingsGroup group,
                                                              std::string_view name) {
    OpenKey key;
    if (!key.Open(KeyPath(group), false)) return std::nullopt;
    DWORD type = 0;
    DWORD value = 0;
    DWORD size = sizeof value;
    const LSTATUS status = RegQueryValueExW(key.Get(), ValueName(name).c_str(), nullptr, &type,
                                            reinterpret_cast<BYTE*>(&value), &size);
    if (status != ERROR_SUCCESS || type != REG_DWORD || size != sizeof value) return std::nullopt;
    return static_cast<std::int32_t>(value);
}

std::optional<std::string> RegistrySettingsStore::ReadText(SettingsGroup group,
                                                           std::string_view name) {
    OpenKey key;
    if (!key.Open(KeyPath(group), false)) return std::nullopt;
    const std::wstring valueName = ValueName(name);
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(key.Get(), valueName.c_str(), nullptr, &type, nullptr, &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ) {
        return std::nullopt;
    }
    // Room for one more character than asked for: data written by another program may end
    // without its NUL, or in half a character.
    std::vector<wchar_t> text(size / sizeof(wchar_t) + 1, L'\0');
    DWORD read = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    if (RegQueryValueExW(key.Get(), valueName.c_str(), nullptr, &type,
                         reinterpret_cast<BYTE*>(text.data()), &read) != ERROR_SUCCESS ||
        type != REG_SZ) {
        return std::nullopt;
    }
    std::wstring_view wide(text.data(), read / sizeof(wchar_t));
    wide = wide.substr(0, wide.find(L'\0'));
    return Cp932FromWide(wide);
}

bool RegistrySettingsStore::WriteNumber(SettingsGroup group, std::string_view name,
                                        std::int32_t value) {
    OpenKey key;
    if (!key.Open(KeyPath(group), false)) return false;
    const auto data = static_cast<DWORD>(value);
    return RegSetValueExW(key.Get(), ValueName(name).c_str(), 0, REG_DWORD,
                          reinterpret_cast<const BYTE*>(&data), sizeof data) == ERROR_SUCCESS;
}

bool RegistrySettingsStore::WriteText(SettingsGroup group, std::string_view name,
                                      std::string_view text) {
    OpenKey key;
    if (!key.Open(KeyPath(group), false)) return false;
    // The text with its NUL, which counts in the stored length.
    const std::wstring wide = WideFromCp932(text);
    return RegSetValueExW(key.Get(), ValueName(name).c_str(), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(wide.c_str()),
                          static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

}  // namespace vesk

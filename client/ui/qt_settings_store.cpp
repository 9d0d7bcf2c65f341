#include "client/ui/qt_settings_store.h"

#include <QSettings>
#include <limits>

#include "ui/cp932_text.h"

namespace vesk {

namespace {

QString GroupName(SettingsGroup group) {
    return group == SettingsGroup::Info ? QStringLiteral("Info") : QStringLiteral("Option");
}

QString Key(SettingsGroup group, std::string_view name) {
    return GroupName(group) + QLatin1Char('/') +
           QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
}

}  // namespace

QtSettingsStore::QtSettingsStore(QString iniFile) : iniFile(std::move(iniFile)) {}

std::unique_ptr<QSettings> QtSettingsStore::Open() const {
    if (iniFile.isEmpty()) {
        return std::make_unique<QSettings>(QStringLiteral("Okvi"), QStringLiteral("VeskChat"));
    }
    return std::make_unique<QSettings>(iniFile, QSettings::IniFormat);
}

bool QtSettingsStore::HasGroup(SettingsGroup group) {
    return Open()->childGroups().contains(GroupName(group));
}

bool QtSettingsStore::OpenForWriting(SettingsGroup) {
    const std::unique_ptr<QSettings> settings = Open();
    return settings->isWritable() && settings->status() == QSettings::NoError;
}

std::optional<std::int32_t> QtSettingsStore::ReadNumber(SettingsGroup group,
                                                        std::string_view name) {
    const QVariant value = Open()->value(Key(group, name));
    bool ok = false;
    qlonglong number = 0;
    switch (value.typeId()) {
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
            number = value.toLongLong(&ok);
            break;
        case QMetaType::QString:
            number = value.toString().trimmed().toLongLong(&ok, 10);
            break;
        default:
            break;
    }
    if (!ok || number < std::numeric_limits<std::int32_t>::min() ||
        number > std::numeric_limits<std::int32_t>::max()) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(number);
}

std::optional<std::string> QtSettingsStore::ReadText(SettingsGroup group, std::string_view name) {
    const QVariant value = Open()->value(Key(group, name));
    if (value.typeId() != QMetaType::QString) return std::nullopt;
    const std::string text = ToCp932(value.toString());
    return text.substr(0, text.find('\0'));
}

bool QtSettingsStore::WriteNumber(SettingsGroup group, std::string_view name, std::int32_t value) {
    return Write(group, name, QVariant(static_cast<int>(value)));
}

bool QtSettingsStore::WriteText(SettingsGroup group, std::string_view name, std::string_view text) {
    return Write(group, name, QVariant(FromCp932(text)));
}

bool QtSettingsStore::Write(SettingsGroup group, std::string_view name, const QVariant& value) {
    const std::unique_ptr<QSettings> settings = Open();
    settings->setValue(Key(group, name), value);
    settings->sync();
    return settings->status() == QSettings::NoError;
}

#ifndef _WIN32
std::string QtSettingsStore::WriteFailureMessage() const {
    return ToCp932(
        QStringLiteral("設定ファイル %1 の書き込みに失敗しました").arg(Open()->fileName()));
}
#endif

}  // namespace vesk

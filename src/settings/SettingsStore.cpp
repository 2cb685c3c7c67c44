#include "SettingsStore.h"

#include <QSettings>

#include "Settings.h"

namespace settings {

const char kOrganisation[] = "アプリケーション ウィザードで生成されたローカル アプリケーション";
const char kSection[] = "VantrelSettings";

namespace {

    QString Path(const QString &section, const QString &key)
    {
        return section + QLatin1Char('/') + key;
    }

} // namespace

QString CQSettingsProfile::GetProfileString(
    const QString &section, const QString &key, const QString &defaultValue)
{
    const QVariant value = m_settings.value(Path(section, key));
    // A list (a text with a comma written by another program) is no single text: default.
    if (!value.isValid() || !value.canConvert<QString>()
        || value.typeId() == QMetaType::QStringList) {
        return defaultValue;
    }
    return value.toString();
}

int CQSettingsProfile::GetProfileInt(const QString &section, const QString &key, int defaultValue)
{
    const QVariant value = m_settings.value(Path(section, key));
    bool ok = false;
    const int number = value.toString().trimmed().toInt(&ok);
    return ok ? number : defaultValue;
}

void CQSettingsProfile::WriteProfileString(
    const QString &section, const QString &key, const QString &value)
{
    m_settings.setValue(Path(section, key), value);
}

void CQSettingsProfile::WriteProfileInt(const QString &section, const QString &key, int value)
{
    m_settings.setValue(Path(section, key), value);
}

void CSettingsStore::LoadSettings()
{
    const QString section = QString::fromUtf8(kSection);
    for (const SettingInfo &info : AllSettings()) {
        const QString key = QString::fromLatin1(info.key);
        if (info.type == SettingType::Integer) {
            *info.integer = m_profile.GetProfileInt(section, key, info.defaultInteger);
        } else {
            const QString defaultText = QString::fromStdString(DefaultText(info.key));
            *info.text = m_profile.GetProfileString(section, key, defaultText).toStdString();
        }
    }
}

void CSettingsStore::SaveSettings()
{
    const QString section = QString::fromUtf8(kSection);
    for (const SettingInfo &info : AllSettings()) {
        const QString key = QString::fromLatin1(info.key);
        if (info.type == SettingType::Integer) {
            m_profile.WriteProfileInt(section, key, *info.integer);
        } else {
            m_profile.WriteProfileString(section, key, QString::fromStdString(*info.text));
        }
    }
}

std::unique_ptr<QSettings> OpenUserSettings(const QString &application)
{
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
        QString::fromUtf8(kOrganisation), application);
}

} // namespace settings

#include "SettingsStore.h"

#include <cstdio>

#include <QFile>
#include <QSettings>
#include <QTemporaryFile>

#include <unistd.h>

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
    const QVariant value =
        m_pending.value(Path(section, key), m_settings.value(Path(section, key)));
    // A list (a text with a comma written by another program) is no single text: default.
    if (!value.isValid() || !value.canConvert<QString>()
        || value.typeId() == QMetaType::QStringList) {
        return defaultValue;
    }
    return value.toString();
}

int CQSettingsProfile::GetProfileInt(const QString &section, const QString &key, int defaultValue)
{
    const QVariant value =
        m_pending.value(Path(section, key), m_settings.value(Path(section, key)));
    bool ok = false;
    const int number = value.toString().trimmed().toInt(&ok);
    return ok ? number : defaultValue;
}

void CQSettingsProfile::WriteProfileString(
    const QString &section, const QString &key, const QString &value)
{
    m_pending.insert(Path(section, key), value);
}

void CQSettingsProfile::WriteProfileInt(const QString &section, const QString &key, int value)
{
    m_pending.insert(Path(section, key), value);
}

bool CQSettingsProfile::Flush()
{
    if (m_pending.isEmpty()) {
        return true;
    }
    m_settings.sync(); // the file as it is now, with what another instance may have stored
    const QString target = m_settings.fileName();
    QTemporaryFile staging(target + QStringLiteral(".XXXXXX"));
    if (!staging.open()) {
        return false;
    }
    staging.close();
    QVariantMap wanted;
    for (const QString &key : m_settings.allKeys()) {
        wanted.insert(key, m_settings.value(key));
    }
    for (auto it = m_pending.cbegin(); it != m_pending.cend(); ++it) {
        wanted.insert(it.key(), it.value());
    }
    {
        QSettings copy(staging.fileName(), QSettings::IniFormat);
        for (auto it = wanted.cbegin(); it != wanted.cend(); ++it) {
            copy.setValue(it.key(), it.value());
        }
        copy.sync();
        if (copy.status() != QSettings::NoError) {
            return false;
        }
    }
    // Read back under another name: QSettings answers from its cache for a file it just wrote.
    const QString checkName = staging.fileName() + QStringLiteral(".check");
    if (link(QFile::encodeName(staging.fileName()).constData(),
            QFile::encodeName(checkName).constData())
        != 0) {
        return false;
    }
    bool same;
    {
        QSettings check(checkName, QSettings::IniFormat);
        same = check.allKeys().size() == wanted.size();
        for (auto it = wanted.cbegin(); same && it != wanted.cend(); ++it) {
            same = check.value(it.key()).toString() == it.value().toString();
        }
    }
    QFile::remove(checkName);
    if (!same) {
        return false;
    }
    const QByteArray from = QFile::encodeName(staging.fileName());
    if (std::rename(from.constData(), QFile::encodeName(target).constData()) != 0) {
        return false;
    }
    staging.setAutoRemove(false);
    m_pending.clear();
    m_settings.sync(); // reads the new file
    return true;
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
    (void)m_profile.Flush(); // a failed save keeps the earlier file and tells no one
}

std::unique_ptr<QSettings> OpenUserSettings(const QString &application)
{
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
        QString::fromUtf8(kOrganisation), application);
}

} // namespace settings

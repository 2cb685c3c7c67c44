#pragma once

#include <memory>

#include <QString>
#include <QVariantMap>

class QSettings;

namespace settings {

// The organisation under which the settings file lives: $XDG_CONFIG_HOME/<organisation>/<app>.conf.
extern const char kOrganisation[];
// The group that holds the nineteen values.
extern const char kSection[];

// The four profile operations: one section of named values per user, integers and texts kept
// apart, the default for a missing or unreadable value, every write replacing the earlier one.
class IProfile
{
public:
    virtual ~IProfile() = default;
    virtual QString GetProfileString(
        const QString &section, const QString &key, const QString &defaultValue) = 0;
    virtual int GetProfileInt(const QString &section, const QString &key, int defaultValue) = 0;
    virtual void WriteProfileString(
        const QString &section, const QString &key, const QString &value) = 0;
    virtual void WriteProfileInt(const QString &section, const QString &key, int value) = 0;
    // Puts the writes made so far in place; false when they could not be stored.
    virtual bool Flush() { return true; }
};

// The profile operations on a QSettings, which it does not own.
class CQSettingsProfile : public IProfile
{
public:
    explicit CQSettingsProfile(QSettings &settings)
        : m_settings(settings)
    { }
    QString GetProfileString(
        const QString &section, const QString &key, const QString &defaultValue) override;
    int GetProfileInt(const QString &section, const QString &key, int defaultValue) override;
    void WriteProfileString(
        const QString &section, const QString &key, const QString &value) override;
    void WriteProfileInt(const QString &section, const QString &key, int value) override;

    // Writes the file anew beside it, checks it by reading it back, then renames it over the old
    // one: QSettings takes a short write (a full disk) for success and would leave a cut file.
    bool Flush() override;

private:
    QSettings &m_settings;
    QVariantMap m_pending; // writes not yet flushed, by "section/key"
};

// Moves the nineteen settings between the process and a profile: one read or write per setting,
// in a fixed order. Nothing is validated or clamped.
class CSettingsStore
{
public:
    explicit CSettingsStore(IProfile &profile)
        : m_profile(profile)
    { }

    void LoadSettings();
    void SaveSettings();

private:
    IProfile &m_profile;
};

// The user's settings of application `application` (the executable's base name): native format,
// user scope, under kOrganisation.
std::unique_ptr<QSettings> OpenUserSettings(const QString &application);

} // namespace settings

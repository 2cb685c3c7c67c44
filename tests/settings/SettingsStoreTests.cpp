#include <csignal>

#include <QFile>
#include <QSettings>

#include <gtest/gtest.h>
#include <sys/resource.h>

#include "settings/Settings.h"
#include "settings/SettingsStore.h"
#include "support/TempDir.h"

using namespace settings;
using testing_support::CTempDir;

namespace {

class SettingsStore : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // Process start: integers 0, texts empty.
        for (const SettingInfo &info : AllSettings()) {
            if (info.integer) {
                *info.integer = 0;
            } else {
                info.text->clear();
            }
        }
    }

    QString File() const { return QString::fromStdString(m_dir.File("s.conf")); }

    void Load()
    {
        QSettings file(File(), QSettings::IniFormat);
        CQSettingsProfile profile(file);
        CSettingsStore(profile).LoadSettings();
    }

    void Save()
    {
        QSettings file(File(), QSettings::IniFormat);
        CQSettingsProfile profile(file);
        CSettingsStore(profile).SaveSettings();
    }

    CTempDir m_dir;
};

TEST_F(SettingsStore, FirstStartGivesTheDefaultsAndTheFirstSaveWritesAllNineteen)
{
    Load();
    const std::string home = HomeFolder() == "/" ? "" : HomeFolder();
    EXPECT_EQ(CompressPath, home + "/Marnoth/縮小画像フォルダ");
    EXPECT_EQ(BasePath, home + "/Marnoth");
    EXPECT_EQ(CameraPath, "");
    EXPECT_EQ(Rate, "0.4");
    EXPECT_EQ(CompressDenom, 2);
    EXPECT_EQ(CompressRate, 60);
    EXPECT_EQ(SameFolder, 0);
    EXPECT_EQ(Color, 1);
    EXPECT_EQ(Hue, 0);
    EXPECT_EQ(Saturation, 40);
    EXPECT_EQ(Value, 10);
    EXPECT_EQ(
        (std::vector<int>{DspTime, ExifCheck, PicWindow, Delete, Edge, Depth, Sharp, ModMode}),
        (std::vector<int>{3, 0, 0, 1, 50, 50, 50, 1}));

    Save();
    QSettings file(File(), QSettings::IniFormat);
    file.beginGroup(QString::fromUtf8(kSection));
    EXPECT_EQ(file.childKeys().size(), 19);
    EXPECT_EQ(file.value("ModMode").toInt(), 1);
    EXPECT_EQ(file.value("CameraPath").toString(), QString());
}

TEST_F(SettingsStore, ValuesRoundTripUnchanged)
{
    Load();
    Hue = -20;
    Saturation = -100;
    Value = 2147483647;
    CompressDenom = 3;
    CompressRate = -5;
    CompressPath = "/data/写真, 縮小 \"new\"";
    CameraPath = "";
    Rate = "0.4x";
    Edge = -7;
    Save();
    Hue = Saturation = Value = CompressDenom = CompressRate = Edge = 0;
    CompressPath = Rate = "changed";
    Load();
    EXPECT_EQ(Hue, -20);
    EXPECT_EQ(Saturation, -100);
    EXPECT_EQ(Value, 2147483647);
    EXPECT_EQ(CompressDenom, 3);
    EXPECT_EQ(CompressRate, -5);
    EXPECT_EQ(CompressPath, "/data/写真, 縮小 \"new\"");
    EXPECT_EQ(CameraPath, "");
    EXPECT_EQ(Rate, "0.4x");
    EXPECT_EQ(Edge, -7);
}

TEST_F(SettingsStore, UnreadableIntegersGiveTheirDefault)
{
    {
        QSettings file(File(), QSettings::IniFormat);
        file.beginGroup(QString::fromUtf8(kSection));
        file.setValue("CompressRate", "sixty");
        file.setValue("Hue", "99999999999");
        file.setValue("Saturation", "");
        file.setValue("Value", " 15 ");
    }
    Load();
    EXPECT_EQ(CompressRate, 60);
    EXPECT_EQ(Hue, 0);
    EXPECT_EQ(Saturation, 40);
    EXPECT_EQ(Value, 15);
}

TEST_F(SettingsStore, TwoInstancesEndWithTheLastOnesValues)
{
    QSettings first(File(), QSettings::IniFormat);
    QSettings second(File(), QSettings::IniFormat);
    CQSettingsProfile firstProfile(first), secondProfile(second);
    CSettingsStore(firstProfile).LoadSettings();
    CSettingsStore(secondProfile).LoadSettings();
    CompressRate = 70;
    CSettingsStore(firstProfile).SaveSettings();
    first.sync();
    CompressRate = 80;
    Hue = 12;
    CSettingsStore(secondProfile).SaveSettings();
    second.sync();
    CompressRate = Hue = 0;
    Load();
    EXPECT_EQ(CompressRate, 80);
    EXPECT_EQ(Hue, 12);
}

// A disk that fills during the save (a file size limit here, which binds root too): the save
// fails and the earlier file is still whole, never emptied or cut.
TEST_F(SettingsStore, FailedSaveLeavesTheEarlierFileWhole)
{
    Load();
    Save();
    const QString file = File();
    const std::vector<std::uint8_t> before = testing_support::ReadFile(file.toStdString());
    ASSERT_GT(before.size(), 200u);

    CompressPath = std::string(4000, 'x');
    rlimit saved;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    Save();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(testing_support::ReadFile(file.toStdString()), before);
    EXPECT_EQ(testing_support::ListFolder(m_dir.Path()), std::vector<std::string>{"s.conf"});
    // Without the limit the same save goes through.
    Save();
    CompressPath.clear();
    Load();
    EXPECT_EQ(CompressPath, std::string(4000, 'x'));
}

} // namespace

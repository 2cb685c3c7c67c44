#include <cstdlib>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QSlider>
#include <QTest>

#include <gtest/gtest.h>

#include "QtTestEnvironment.h"
#include "fakes/FakeDesktop.h"
#include "res/DialogTemplates.h"
#include "settings/Settings.h"
#include "settings/SettingsStore.h"
#include "support/TempDir.h"
#include "ui/ColorAdjustDlg.h"
#include "ui/DialogBuilder.h"
#include "ui/MainDlg.h"

using namespace testing_support;
using ui::CMainDlg;
using ui::ControlById;

namespace {

class MainDlg : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_oldHome = std::getenv("HOME") ? std::getenv("HOME") : "";
        setenv("HOME", m_dir.Path().c_str(), 1);
        m_store = std::make_unique<QSettings>(
            QString::fromStdString(m_dir.File("trelvo.conf")), QSettings::IniFormat);
    }
    void TearDown() override { setenv("HOME", m_oldHome.c_str(), 1); }

    void Store(const char *key, const QVariant &value)
    {
        m_store->setValue(QString::fromUtf8(settings::kSection) + "/" + key, value);
    }
    QVariant Stored(const char *key)
    {
        m_store->sync();
        return m_store->value(QString::fromUtf8(settings::kSection) + "/" + key);
    }

    std::string Home() const { return m_dir.Path(); }
    QComboBox &Ratio(CMainDlg &d) { return *ControlById<QComboBox>(d, res::IDC_RATIO); }
    QComboBox &Quality(CMainDlg &d) { return *ControlById<QComboBox>(d, res::IDC_QUALITY); }
    QLabel &PathLabel(CMainDlg &d) { return *ControlById<QLabel>(d, res::IDC_PATH); }
    QPushButton &Browse(CMainDlg &d) { return *ControlById<QPushButton>(d, res::IDC_BROWSE); }

    CTempDir m_dir;
    std::string m_oldHome;
    std::unique_ptr<QSettings> m_store;
    CFakeDesktop m_desktop;
};

TEST_F(MainDlg, FirstStartShowsTheDefaultsAndCreatesTheOutputFolder)
{
    CMainDlg dialog(*m_store, m_desktop);
    EXPECT_EQ(Ratio(dialog).currentText(), "1/2");
    EXPECT_EQ(Quality(dialog).currentText(), "60");
    EXPECT_FALSE(ControlById<QCheckBox>(dialog, res::IDC_SAME_FOLDER)->isChecked());
    EXPECT_TRUE(ControlById<QCheckBox>(dialog, res::IDC_COLOR)->isChecked());
    const QString folder = QString::fromStdString(Home() + "/Marnoth/縮小画像フォルダ");
    EXPECT_EQ(PathLabel(dialog).text(), folder);
    EXPECT_TRUE(Browse(dialog).isEnabled());
    EXPECT_TRUE(Exists(folder.toStdString()));
    EXPECT_EQ(dialog.windowTitle(), "Trelvo");
}

TEST_F(MainDlg, ControlsFollowTheTemplate)
{
    CMainDlg dialog(*m_store, m_desktop);
    const ui::CDialogUnits units(dialog.font());
    for (const res::ControlTemplate &control : res::MainDialogTemplate().controls) {
        if (control.id == res::kNoId) {
            continue;
        }
        QWidget *widget = ui::ControlWidget(dialog, control.id);
        ASSERT_NE(widget, nullptr) << control.id;
        EXPECT_EQ(widget->property("controlId").toInt(), control.id);
        EXPECT_EQ(widget->pos(), QPoint(units.X(control.x), units.Y(control.y))) << control.id;
        EXPECT_EQ(widget->width(), units.X(control.width)) << control.id;
    }
    EXPECT_EQ(dialog.size(), QSize(units.X(163), units.Y(149)));
    const QPalette hint = ControlById<QLabel>(dialog, res::IDC_HINT)->palette();
    EXPECT_EQ(hint.color(QPalette::WindowText), QColor(0, 0, 255));
}

struct ComboCase
{
    int storedDenom, storedRate;
    int ratioIndex;
    const char *qualityText;
    int denomAfterJob, rateAfterJob;
};

void PrintTo(const ComboCase &c, std::ostream *os)
{
    *os << "denom" << c.storedDenom << "_rate" << c.storedRate;
}

class MainDlgCombos : public MainDlg, public ::testing::WithParamInterface<ComboCase>
{ };

// Stored values are matched to the list entries by prefix, as the boxes select them.
TEST_P(MainDlgCombos, SelectByPrefixAndReadBack)
{
    const ComboCase &c = GetParam();
    Store("CompressDenom", c.storedDenom);
    Store("CompressRate", c.storedRate);
    CMainDlg dialog(*m_store, m_desktop);
    EXPECT_EQ(Ratio(dialog).currentIndex(), c.ratioIndex);
    EXPECT_EQ(Quality(dialog).currentText(), c.qualityText);
    dialog.ReadConversionControls();
    EXPECT_EQ(settings::CompressDenom, c.denomAfterJob);
    EXPECT_EQ(settings::CompressRate, c.rateAfterJob);
}

INSTANTIATE_TEST_SUITE_P(Stored, MainDlgCombos,
    ::testing::Values(ComboCase{2, 60, 1, "60", 2, 60}, ComboCase{8, 5, 3, "50", 8, 50},
        ComboCase{1, 65, 0, "65", 1, 65}, ComboCase{4, 100, 2, "100", 4, 100},
        ComboCase{3, 9, -1, "90", 0, 90}, ComboCase{0, -3, -1, "-3", 0, -3}));

TEST_F(MainDlg, TypedQualityIsReadAsItsLeadingInteger)
{
    CMainDlg dialog(*m_store, m_desktop);
    for (const auto &[typed, rate] :
        {std::pair{" 75%", 75}, {"150", 150}, {"abc", 0}, {"99999999999", 2147483647}}) {
        Quality(dialog).setEditText(QString::fromUtf8(typed));
        dialog.ReadConversionControls();
        EXPECT_EQ(settings::CompressRate, rate) << typed;
    }
}

TEST_F(MainDlg, SameFolderHidesThePathAndDisablesBrowse)
{
    Store("SameFolder", 1);
    CMainDlg dialog(*m_store, m_desktop);
    dialog.show();
    EXPECT_EQ(PathLabel(dialog).text(), "");
    EXPECT_FALSE(Browse(dialog).isEnabled());
    QTest::mouseClick(ControlById<QCheckBox>(dialog, res::IDC_SAME_FOLDER), Qt::LeftButton);
    EXPECT_EQ(PathLabel(dialog).text().toStdString(), Home() + "/Marnoth/縮小画像フォルダ");
    EXPECT_TRUE(Browse(dialog).isEnabled());
}

TEST_F(MainDlg, BrowseChangesTheFolderOnlyWhenOneIsChosen)
{
    CMainDlg dialog(*m_store, m_desktop);
    QString offered;
    QString answer;
    dialog.m_chooseFolder = [&](QWidget *, const QString &title, const QString &start) {
        EXPECT_EQ(title, "保存パス選択");
        offered = start;
        return answer;
    };
    const std::string before = settings::CompressPath;
    QTest::mouseClick(&Browse(dialog), Qt::LeftButton);
    EXPECT_EQ(offered.toStdString(), before);
    EXPECT_EQ(settings::CompressPath, before);

    answer = QString::fromStdString(m_dir.File("elsewhere"));
    QTest::mouseClick(&Browse(dialog), Qt::LeftButton);
    EXPECT_EQ(settings::CompressPath, m_dir.File("elsewhere"));
    EXPECT_EQ(PathLabel(dialog).text(), answer);
}

TEST_F(MainDlg, EnterDoesNothingAndEscapeSavesAllSettings)
{
    Store("Edge", 77);
    CMainDlg dialog(*m_store, m_desktop);
    dialog.show();
    QTest::keyClick(&dialog, Qt::Key_Return);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_FALSE(Stored("CompressRate").isValid());

    Ratio(dialog).setCurrentIndex(3);
    Quality(dialog).setEditText("42");
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
    m_store->sync();
    m_store->beginGroup(QString::fromUtf8(settings::kSection));
    EXPECT_EQ(m_store->childKeys().size(), 19);
    m_store->endGroup();
    EXPECT_EQ(Stored("CompressDenom").toInt(), 8);
    EXPECT_EQ(Stored("CompressRate").toInt(), 42);
    EXPECT_EQ(Stored("Edge").toInt(), 77);
    EXPECT_EQ(
        Stored("CompressPath").toString().toStdString(), Home() + "/Marnoth/縮小画像フォルダ");
}

TEST_F(MainDlg, MenuClosesAndOpensTheAboutBox)
{
    CMainDlg dialog(*m_store, m_desktop);
    dialog.show();
    QMenu *menu = dialog.CreateSystemMenu();
    const QList<QAction *> actions = menu->actions();
    ASSERT_EQ(actions.size(), 3);
    EXPECT_EQ(actions[0]->text(), "閉じる(&C)");
    EXPECT_TRUE(actions[1]->isSeparator());
    EXPECT_EQ(actions[2]->text(), "バージョン情報 Kestrip(&A)...");

    QString caption;
    OnNextModal([&](QWidget *modal) {
        caption = modal->windowTitle();
        QTest::mouseClick(ControlById<QPushButton>(*modal, res::IDOK), Qt::LeftButton);
    });
    actions[2]->trigger();
    EXPECT_EQ(caption, "バージョン情報 Trelvo");
    EXPECT_TRUE(dialog.isVisible());

    actions[0]->trigger();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(Stored("CompressRate").toInt(), 60);
}

TEST_F(MainDlg, F1ShowsTheHelpMessage)
{
    CMainDlg dialog(*m_store, m_desktop);
    dialog.show();
    dialog.activateWindow();
    MessageCatcher message;
    QTest::keyClick(&dialog, Qt::Key_F1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return message.seen; }, 2000));
    EXPECT_EQ(message.caption, "お知らせ");
    EXPECT_EQ(message.text.toStdString(), res::kHelpText);
}

TEST_F(MainDlg, ColourButtonRunsTheColourDialog)
{
    Store("Hue", 20);
    CMainDlg dialog(*m_store, m_desktop);
    dialog.show();
    QString caption;
    OnNextModal([&](QWidget *modal) {
        caption = modal->windowTitle();
        ControlById<QSlider>(*modal, res::IDC_HUE_SLIDER)->setValue(-30);
        QTest::mouseClick(ControlById<QPushButton>(*modal, res::IDOK), Qt::LeftButton);
    });
    QTest::mouseClick(ControlById<QPushButton>(dialog, res::IDC_COLOR_DETAILS), Qt::LeftButton);
    EXPECT_EQ(caption, "色相・彩度");
    EXPECT_EQ(settings::Hue, -30);
}

} // namespace

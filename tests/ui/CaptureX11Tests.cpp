#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "QtTestEnvironment.h"
#include "platform/x11/X11Desktop.h"
#include "res/DialogTemplates.h"
#include "settings/SettingsStore.h"
#include "support/JpegFixtures.h"
#include "support/TempDir.h"
#include "ui/DialogBuilder.h"
#include "ui/MainDlg.h"

using namespace testing_support;

namespace {

// Captures on a real X server. The output folder's name is in the target's title, so that
// presenting the folder raises the target instead of starting a file manager.
class CaptureOnX11 : public ::testing::Test
{
protected:
    void SetUp() override
    {
        setenv("HOME", m_dir.Path().c_str(), 1);
        m_out = m_dir.File("shots");
        ASSERT_EQ(mkdir(m_out.c_str(), 0700), 0);
        m_store = std::make_unique<QSettings>(
            QString::fromStdString(m_dir.File("trelvo.conf")), QSettings::IniFormat);
        const QString section = QString::fromUtf8(settings::kSection) + "/";
        m_store->setValue(section + "CompressPath", QString::fromStdString(m_out));
        m_store->setValue(section + "CompressRate", 90);
        m_store->setValue(section + "Color", 0);
        m_dialog = std::make_unique<ui::CMainDlg>(*m_store, m_desktop);
        m_dialog->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_dialog.get()));
    }

    void OpenTarget()
    {
        m_target = std::make_unique<QWidget>();
        m_target->setWindowTitle("Target shots");
        m_target->setGeometry(120, 200, 300, 200);
        QPalette palette;
        palette.setColor(QPalette::Window, QColor(30, 90, 220));
        m_target->setPalette(palette);
        m_target->setAutoFillBackground(true);
        m_target->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_target.get()));
        const auto id = static_cast<platform::WindowId>(m_target->winId());
        m_desktop.RaiseWindow(id);
        ASSERT_TRUE(QTest::qWaitFor([&] { return m_dialog->m_tracker.m_pCaptureWnd == id; }, 3000));
    }

    // Clicks a capture button of the dialog and waits until the dialog is back.
    void Click(int id)
    {
        QTest::mouseClick(ui::ControlById<QPushButton>(*m_dialog, id), Qt::LeftButton);
        EXPECT_FALSE(m_dialog->isVisible());
        EXPECT_TRUE(QTest::qWaitFor([&] { return m_dialog->isVisible(); }, 5000));
    }

    std::vector<std::string> Shots(const char *prefix)
    {
        std::vector<std::string> shots;
        for (const std::string &name : ListFolder(m_out)) {
            if (name.rfind(prefix, 0) == 0) {
                shots.push_back(m_out + "/" + name);
            }
        }
        return shots;
    }

    CTempDir m_dir;
    std::string m_out;
    platform::CX11Desktop m_desktop;
    std::unique_ptr<QSettings> m_store;
    std::unique_ptr<ui::CMainDlg> m_dialog;
    std::unique_ptr<QWidget> m_target;
};

TEST_F(CaptureOnX11, WindowShotBeforeAnyOtherWindowDoesNothing)
{
    Click(res::IDC_WINDOWSHOT);
    EXPECT_TRUE(ListFolder(m_out).empty());
}

TEST_F(CaptureOnX11, ScreenShotHoldsTheWindowsColour)
{
    OpenTarget();
    Click(res::IDC_SCREENSHOT);
    const auto shots = Shots("scn");
    ASSERT_EQ(shots.size(), 1u);
    EXPECT_EQ(shots[0].size() - m_out.size() - 1, 19u);
    const RgbPicture screen = DecodeReference(ReadFile(shots[0]), 1);
    ASSERT_EQ(screen.width, 1024);
    ASSERT_EQ(screen.height, 768);
    const QRect client = m_target->geometry();
    const std::uint8_t *pixel = screen.At(client.center().x(), client.center().y());
    EXPECT_NEAR(pixel[0], 30, 6);
    EXPECT_NEAR(pixel[1], 90, 6);
    EXPECT_NEAR(pixel[2], 220, 6);
    // The hidden dialog is not in its own screen shot: the empty desktop is black here.
    const QPoint dialog = m_dialog->frameGeometry().center();
    const std::uint8_t *behind = screen.At(dialog.x(), dialog.y());
    EXPECT_LT(behind[0] + behind[1] + behind[2], 60)
        << int(behind[0]) << "," << int(behind[1]) << "," << int(behind[2]);

    Click(res::IDC_SCREENSHOT); // the same second, or not: never a replaced file
    EXPECT_EQ(Shots("scn").size(), 2u);
}

TEST_F(CaptureOnX11, WindowShotHasTheOuterRectanglesSize)
{
    OpenTarget();
    platform::Rect outer;
    ASSERT_TRUE(m_desktop.WindowRect(static_cast<platform::WindowId>(m_target->winId()), outer));
    ASSERT_GT(outer.Width(), m_target->width()); // the frame is in
    m_desktop.RaiseWindow(static_cast<platform::WindowId>(m_dialog->winId()));
    QTest::qWait(400);
    Click(res::IDC_WINDOWSHOT);
    const auto shots = Shots("wnd");
    ASSERT_EQ(shots.size(), 1u);
    const RgbPicture shot = DecodeReference(ReadFile(shots[0]), 1);
    EXPECT_EQ(shot.width, outer.Width());
    EXPECT_EQ(shot.height, outer.Height());
}

// The program's own run: hiding the dialog for a capture must not end it.
TEST_F(CaptureOnX11, RunOutlivesTheHiddenDialogAndEndsWhenItCloses)
{
    bool captured = false;
    QTimer::singleShot(100, m_dialog.get(), [&] {
        Click(res::IDC_SCREENSHOT);
        captured = !Shots("scn").empty();
        m_dialog->reject();
    });
    m_dialog->RunUntilClosed();
    EXPECT_TRUE(captured);
    EXPECT_FALSE(m_dialog->isVisible());
}

TEST_F(CaptureOnX11, WindowShotOfAClosedWindowAsksAgainAndWritesNothing)
{
    OpenTarget();
    m_target.reset();
    MessageCatcher message;
    Click(res::IDC_WINDOWSHOT);
    EXPECT_TRUE(QTest::qWaitFor([&] { return message.seen; }, 3000));
    EXPECT_EQ(message.text.toStdString(), "ウィンドウをもう一度指定してください。");
    EXPECT_TRUE(Shots("wnd").empty());
}

} // namespace

#include <QGuiApplication>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include "image/WorkingBitmap.h"
#include "platform/x11/X11Desktop.h"

using platform::CX11Desktop;
using platform::WindowId;

namespace {

// Real windows on the test's own X server, with titles and a solid colour of their own.
class X11Desktop : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(QGuiApplication::platformName(), "xcb");
        ASSERT_TRUE(m_desktop.Valid());
        Open(m_alpha, "Alpha", QRect(40, 60, 200, 120), QColor(200, 30, 90));
        Open(m_photos, "写真フォルダ", QRect(300, 200, 160, 100), QColor(20, 160, 40));
    }

    static void Open(
        QWidget &window, const char *title, const QRect &geometry, const QColor &colour)
    {
        window.setWindowTitle(QString::fromUtf8(title));
        window.setGeometry(geometry);
        QPalette palette;
        palette.setColor(QPalette::Window, colour);
        window.setPalette(palette);
        window.setAutoFillBackground(true);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    static WindowId Id(QWidget &window) { return static_cast<WindowId>(window.winId()); }

    bool WaitForTop(QWidget &window)
    {
        return QTest::qWaitFor(
            [&] {
                const auto windows = m_desktop.TopLevelWindows();
                return !windows.empty() && windows.front() == Id(window)
                    && m_desktop.ForegroundWindow() == Id(window);
            },
            3000);
    }

    CX11Desktop m_desktop;
    QWidget m_alpha;
    QWidget m_photos;
};

TEST_F(X11Desktop, TitlesAreReadAsUtf8AndFoundExactly)
{
    EXPECT_EQ(m_desktop.WindowTitle(Id(m_alpha)), "Alpha");
    EXPECT_EQ(m_desktop.WindowTitle(Id(m_photos)), "写真フォルダ");
    EXPECT_EQ(m_desktop.FindWindow("写真フォルダ"), Id(m_photos));
    EXPECT_EQ(m_desktop.FindWindow("Alph"), platform::kNoWindow);
    EXPECT_EQ(m_desktop.WindowTitle(platform::kNoWindow), "");
}

TEST_F(X11Desktop, RaisedWindowComesFirstAndBecomesActive)
{
    m_desktop.RaiseWindow(Id(m_alpha));
    EXPECT_TRUE(WaitForTop(m_alpha));
    m_desktop.RaiseWindow(Id(m_photos));
    EXPECT_TRUE(WaitForTop(m_photos));
    const auto windows = m_desktop.TopLevelWindows();
    EXPECT_NE(std::find(windows.begin(), windows.end(), Id(m_alpha)), windows.end());
}

TEST_F(X11Desktop, OuterRectangleIncludesTheFrame)
{
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return m_alpha.frameGeometry() != m_alpha.geometry(); }, 3000));
    platform::Rect rect;
    ASSERT_TRUE(m_desktop.WindowRect(Id(m_alpha), rect));
    const QRect frame = m_alpha.frameGeometry();
    EXPECT_EQ(
        rect, (platform::Rect{frame.left(), frame.top(), frame.right() + 1, frame.bottom() + 1}));
    EXPECT_LT(rect.top, m_alpha.geometry().top());
    EXPECT_FALSE(m_desktop.WindowRect(0x7FFFFFF, rect)); // no such window: no error exit
}

TEST_F(X11Desktop, CaptureReadsTheScreensPixels)
{
    m_desktop.RaiseWindow(Id(m_alpha));
    ASSERT_TRUE(WaitForTop(m_alpha));
    QTest::qWait(200);
    const QRect client = m_alpha.geometry();
    const platform::Rect rect{
        client.left() + 10, client.top() + 10, client.left() + 40, client.top() + 30};
    const auto bitmap = image::CWorkingBitmap::Create(30, 20);
    ASSERT_TRUE(m_desktop.CaptureRect(rect, *bitmap));
    for (int y = 0; y < 20; ++y) {
        const std::uint8_t *row = bitmap->PictureRow(y);
        for (int x = 0; x < 30; ++x) {
            ASSERT_EQ(row[x * 3 + 0], 90) << x << "," << y;
            ASSERT_EQ(row[x * 3 + 1], 30) << x << "," << y;
            ASSERT_EQ(row[x * 3 + 2], 200) << x << "," << y;
        }
    }
    const platform::Rect screen = m_desktop.ScreenRect();
    EXPECT_EQ(screen, (platform::Rect{0, 0, 1024, 768}));
    // Off the screen is black, not an error.
    const auto edge = image::CWorkingBitmap::Create(10, 4);
    ASSERT_TRUE(m_desktop.CaptureRect({screen.right - 5, 0, screen.right + 5, 4}, *edge));
    EXPECT_EQ(edge->PictureRow(0)[9 * 3], 0);
}

} // namespace

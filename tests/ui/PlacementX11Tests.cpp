#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QTest>

#include <gtest/gtest.h>

#include "fakes/FakeDesktop.h"
#include "support/TempDir.h"
#include "ui/MainDlg.h"

using testing_support::CTempDir;

namespace {

// Under a real window manager the frame, title bar included, touches the screen's top-right
// corner.
TEST(MainDlgOnX11, FrameTouchesTheTopRightCorner)
{
    ASSERT_EQ(QGuiApplication::platformName(), "xcb");
    CTempDir dir;
    setenv("HOME", dir.Path().c_str(), 1);
    QSettings store(QString::fromStdString(dir.File("s.conf")), QSettings::IniFormat);
    testing_support::CFakeDesktop desktop;
    ui::CMainDlg dialog(store, desktop);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialog.frameGeometry() != dialog.geometry(); }, 3000))
        << "the window manager drew no frame";
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return dialog.frameGeometry().topRight() == screen.topRight(); }, 3000))
        << "frame at " << dialog.frameGeometry().x() << "," << dialog.frameGeometry().y()
        << " size " << dialog.frameGeometry().width() << "x" << dialog.frameGeometry().height();
    EXPECT_GT(dialog.geometry().top(), screen.top()); // the title bar is above the client area
}

} // namespace

#include <cstdlib>

#include <QSettings>
#include <QStandardPaths>
#include <QTest>

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/x11/X11Desktop.h"
#include "settings/SettingsStore.h"
#include "support/JpegFixtures.h"
#include "support/TempDir.h"
#include "ui/MainDlg.h"

using namespace testing_support;

namespace {

// End to end on a real desktop with pcmanfm as the file manager: the first shrink opens the
// output folder, the second raises the window that shows it instead of opening another.
TEST(ShrinkOnX11, OutputFolderIsOpenedOnceThenRaised)
{
    if (QStandardPaths::findExecutable("pcmanfm").isEmpty()
        || QStandardPaths::findExecutable("xdg-open").isEmpty()) {
        GTEST_SKIP() << "pcmanfm and xdg-open are needed";
    }
    CTempDir dir;
    const std::string config = dir.File("config");
    ASSERT_EQ(mkdir(config.c_str(), 0700), 0);
    WriteFile(config + "/mimeapps.list", {});
    {
        const std::string list = "[Default Applications]\ninode/directory=pcmanfm.desktop\n";
        WriteFile(config + "/mimeapps.list", std::vector<std::uint8_t>(list.begin(), list.end()));
    }
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    setenv("HOME", dir.Path().c_str(), 1);
    ASSERT_EQ(mkdir(dir.File("出力フォルダ").c_str(), 0700), 0);
    const std::string photo = dir.File("a.jpg");
    WriteFile(photo, EncodeJpeg(MakePhotoLike(64, 48)));

    QSettings store(QString::fromStdString(dir.File("trelvo.conf")), QSettings::IniFormat);
    store.setValue(QString::fromUtf8(settings::kSection) + "/CompressPath",
        QString::fromStdString(dir.File("出力フォルダ")));
    platform::CX11Desktop desktop;
    ui::CMainDlg dialog(store, desktop);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));

    auto folderWindows = [&] {
        std::vector<platform::WindowId> found;
        for (const platform::WindowId window : desktop.TopLevelWindows()) {
            if (desktop.WindowTitle(window).find("出力フォルダ") != std::string::npos) {
                found.push_back(window);
            }
        }
        return found;
    };
    dialog.OnDropFiles({photo});
    ASSERT_TRUE(QTest::qWaitFor([&] { return folderWindows().size() == 1; }, 20000))
        << "no file manager window";
    EXPECT_TRUE(Exists(dir.File("出力フォルダ/as.jpg")));
    const platform::WindowId folderWindow = folderWindows().front();

    // The file manager may still be settling; let it, then bring the dialog back on top.
    (void)QTest::qWaitFor([&] { return desktop.ForegroundWindow() == folderWindow; }, 3000);
    QTest::qWait(500);
    const auto dialogWindow = static_cast<platform::WindowId>(dialog.winId());
    desktop.RaiseWindow(dialogWindow);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return desktop.TopLevelWindows().front() == dialogWindow; }, 3000));
    dialog.OnDropFiles({photo});
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return desktop.TopLevelWindows().front() == folderWindow; }, 3000));
    QTest::qWait(1500); // time for a second window, were one wrongly opened
    EXPECT_EQ(folderWindows().size(), 1u);
}

} // namespace

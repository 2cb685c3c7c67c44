#include <cstdlib>
#include <ctime>

#include <gtest/gtest.h>

#include "capture/Capture.h"
#include "fakes/FakeDesktop.h"
#include "image/PhotoImage.h"
#include "settings/Settings.h"
#include "support/JpegFixtures.h"
#include "support/TempDir.h"

using namespace capture;
using namespace testing_support;

namespace {

// 15 March 2007, 14:25:30 in the local time zone, which the test sets to UTC.
std::time_t March15()
{
    setenv("TZ", "UTC", 1);
    tzset();
    std::tm when{};
    when.tm_year = 107;
    when.tm_mon = 2;
    when.tm_mday = 15;
    when.tm_hour = 14;
    when.tm_min = 25;
    when.tm_sec = 30;
    return timegm(&when);
}

TEST(CaptureName, IsNineteenCharactersOfLocalTime)
{
    EXPECT_EQ(CaptureName(kScreenShotPattern, March15()), "scn070315142530.jpg");
    EXPECT_EQ(CaptureName(kWindowShotPattern, March15()), "wnd070315142530.jpg");
    EXPECT_EQ(CaptureName(kScreenShotPattern, March15()).size(), 19u);
    EXPECT_EQ(CaptureName("", March15()), "");
}

TEST(CapturePath, JoinsFolderAndNameAsTheyAre)
{
    EXPECT_EQ(CapturePath("/home/u/out", "scn070315142530.jpg"), "/home/u/out/scn070315142530.jpg");
    EXPECT_EQ(CapturePath("/", "scn070315142530.jpg"), "//scn070315142530.jpg");
    EXPECT_EQ(CapturePath("/home/u/out", ""), "/home/u/out/");
}

TEST(CapturePath, TakenNameGetsACounter)
{
    CTempDir dir;
    const std::string path = dir.File("scn070315142530.jpg");
    EXPECT_EQ(UnusedCapturePath(path), path);
    WriteFile(path, {1});
    EXPECT_EQ(UnusedCapturePath(path), dir.File("scn070315142530-2.jpg"));
    WriteFile(dir.File("scn070315142530-2.jpg"), {1});
    EXPECT_EQ(UnusedCapturePath(path), dir.File("scn070315142530-3.jpg"));
    EXPECT_EQ(UnusedCapturePath(dir.Path() + "/"), dir.Path() + "/");
}

TEST(CaptureRectToFile, SavesTheScreensPixelsWithoutTheExifRule)
{
    CTempDir dir;
    settings::LoadDefaultSettings();
    settings::Color = 0;
    CFakeDesktop desktop;
    desktop.red = 200, desktop.green = 120, desktop.blue = 40;
    image::CPhotoImage image;
    image.m_exif = 1;
    const std::string path = dir.File("scn.jpg");
    ASSERT_TRUE(CaptureRectToFile(desktop, image, {10, 20, 74, 68}, path, 90));
    EXPECT_EQ(image.m_captureBitmap->Width(), 64);
    EXPECT_EQ(image.m_captureBitmap->Height(), 48);
    EXPECT_EQ(image.m_exif, 0);
    const std::vector<std::uint8_t> bytes = ReadFile(path);
    EXPECT_EQ(bytes[3], 0xE0); // JFIF
    const RgbPicture decoded = DecodeReference(bytes, 1);
    EXPECT_NEAR(decoded.At(30, 20)[0], 200, 4);
    EXPECT_NEAR(decoded.At(30, 20)[1], 120, 4);
    EXPECT_NEAR(decoded.At(30, 20)[2], 40, 4);
    // An empty rectangle makes no bitmap and no file.
    EXPECT_FALSE(CaptureRectToFile(desktop, image, {10, 20, 10, 68}, dir.File("empty.jpg"), 90));
    EXPECT_EQ(image.m_captureBitmap, nullptr);
    EXPECT_FALSE(Exists(dir.File("empty.jpg")));
}

class ForegroundTracker : public ::testing::Test
{
protected:
    static constexpr platform::WindowId kDialog = 100;
    void SetUp() override
    {
        m_desktop.windows = {{kDialog, "Trelvo", {}}, {5, "Editor", {}}, {6, "Terminal", {}}};
    }

    CFakeDesktop m_desktop;
    CForegroundTracker m_tracker;
};

TEST_F(ForegroundTracker, StartsWithTheMarkerAndNoTarget)
{
    EXPECT_EQ(m_tracker.m_pLastForeground, CForegroundTracker::kMarker);
    EXPECT_EQ(m_tracker.m_pCaptureWnd, platform::kNoWindow);
    m_desktop.foreground = platform::kNoWindow;
    m_tracker.Step(m_desktop, kDialog);
    m_desktop.foreground = kDialog;
    m_tracker.Step(m_desktop, kDialog);
    EXPECT_EQ(m_tracker.m_pCaptureWnd, platform::kNoWindow);
    EXPECT_EQ(m_desktop.titleReads, 0);
}

TEST_F(ForegroundTracker, TakesOtherWindowsByIdentityAndReadsTheTitleOnce)
{
    m_desktop.foreground = 5;
    m_tracker.Step(m_desktop, kDialog);
    m_tracker.Step(m_desktop, kDialog);
    m_desktop.windows[1].title = "Editor - changed";
    m_tracker.Step(m_desktop, kDialog);
    EXPECT_EQ(m_tracker.m_pCaptureWnd, 5u);
    EXPECT_EQ(m_tracker.m_strCaptureTitle, "Editor");
    EXPECT_EQ(m_desktop.titleReads, 1);

    m_desktop.foreground = kDialog; // the dialog itself is never taken
    m_tracker.Step(m_desktop, kDialog);
    EXPECT_EQ(m_tracker.m_pCaptureWnd, 5u);

    m_desktop.foreground = 6;
    m_tracker.Step(m_desktop, kDialog);
    EXPECT_EQ(m_tracker.m_pCaptureWnd, 6u);
    EXPECT_EQ(m_tracker.m_pLastForeground, 6u);
    EXPECT_EQ(m_tracker.m_strCaptureTitle, "Terminal");
}

} // namespace

#pragma once

#include <ctime>
#include <memory>
#include <string>

#include "platform/IDesktop.h"

namespace image {
class CPhotoImage;
class CWorkingBitmap;
} // namespace image

namespace capture {

constexpr char kScreenShotPattern[] = "scn%y%m%d%H%M%S.jpg";
constexpr char kWindowShotPattern[] = "wnd%y%m%d%H%M%S.jpg";
constexpr int kTrackPeriodMs = 300;
constexpr int kWindowShotPauseMs = 200;
// Shown when no window carries the remembered title any more.
extern const char kLostWindowMessage[];

// `pattern` expanded by strftime with the local time of `when`; empty when that fails.
std::string CaptureName(const char *pattern, std::time_t when);

// The output folder, "/" and the name, as they are.
std::string CapturePath(const std::string &folder, const std::string &name);

// `path` itself when nothing has that name yet; else the first of "-2", "-3"… put before its
// ".jpg" that is free, so that a capture never replaces an earlier file.
std::string UnusedCapturePath(const std::string &path);

// Replaces `bitmap` with a new blank working bitmap of width × height, deleting the previous
// one first. False, and an empty slot, when none could be made.
bool CreateCaptureBitmap(std::unique_ptr<image::CWorkingBitmap> &bitmap, int width, int height);

// Copies `rect` of the screen into the capture slot of `image` and saves it at `path` at
// `quality` with the settings' colour shift, without the EXIF rule. False when nothing was written.
bool CaptureRectToFile(platform::IDesktop &desktop, image::CPhotoImage &image,
    const platform::Rect &rect, const std::string &path, int quality);

// Remembers the last window other than the program's main window that came to the front, and
// its title as it was then.
class CForegroundTracker
{
public:
    // Matches no window, so that the first foreground window counts as a change.
    static constexpr platform::WindowId kMarker = 1;

    // One tracking step: takes the foreground window over when it is another window than the
    // last one taken and than `self`. The title is read only then.
    void Step(platform::IDesktop &desktop, platform::WindowId self);

    platform::WindowId m_pCaptureWnd = platform::kNoWindow;
    platform::WindowId m_pLastForeground = kMarker;
    std::string m_strCaptureTitle;
};

} // namespace capture

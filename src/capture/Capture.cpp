#include "Capture.h"

#include <sys/stat.h>

#include "image/PhotoImage.h"
#include "image/WorkingBitmap.h"
#include "settings/Settings.h"

namespace capture {

const char kLostWindowMessage[] = "ウィンドウをもう一度指定してください。";

std::string CaptureName(const char *pattern, std::time_t when)
{
    std::tm local{};
    if (!localtime_r(&when, &local)) {
        return {};
    }
    char buffer[128];
    const std::size_t length = std::strftime(buffer, sizeof buffer, pattern, &local);
    return std::string(buffer, length);
}

std::string CapturePath(const std::string &folder, const std::string &name)
{
    return folder + "/" + name;
}

std::string UnusedCapturePath(const std::string &path)
{
    struct stat status;
    const std::size_t dot = path.rfind(".jpg");
    if (lstat(path.c_str(), &status) != 0 || dot == std::string::npos || dot + 4 != path.size()) {
        return path;
    }
    for (int n = 2;; ++n) {
        const std::string candidate = path.substr(0, dot) + "-" + std::to_string(n) + ".jpg";
        if (lstat(candidate.c_str(), &status) != 0) {
            return candidate;
        }
    }
}

bool CreateCaptureBitmap(std::unique_ptr<image::CWorkingBitmap> &bitmap, int width, int height)
{
    bitmap.reset(); // at most one capture bitmap at a time
    bitmap = image::CWorkingBitmap::Create(width, height);
    return bitmap != nullptr;
}

bool CaptureRectToFile(platform::IDesktop &desktop, image::CPhotoImage &image,
    const platform::Rect &rect, const std::string &path, int quality)
{
    if (!CreateCaptureBitmap(image.m_captureBitmap, rect.Width(), rect.Height())) {
        return false;
    }
    if (!desktop.CaptureRect(rect, *image.m_captureBitmap)) {
        return false;
    }
    image.m_exif = 0;
    return image.SaveJpeg(path, quality, image.m_captureBitmap.get()) == image::kSaved;
}

void CForegroundTracker::Step(platform::IDesktop &desktop, platform::WindowId self)
{
    const platform::WindowId window = desktop.ForegroundWindow();
    if (window == platform::kNoWindow || window == self || window == m_pLastForeground) {
        return;
    }
    m_pCaptureWnd = window;
    m_pLastForeground = window;
    m_strCaptureTitle = desktop.WindowTitle(window);
}

} // namespace capture

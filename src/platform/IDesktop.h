#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace image {
class CWorkingBitmap;
}

namespace platform {

// A top-level window of the window system; kNoWindow is none.
using WindowId = unsigned long;
constexpr WindowId kNoWindow = 0;

// A rectangle in screen pixels; right and bottom are exclusive.
struct Rect
{
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool operator==(const Rect &other) const
    {
        return left == other.left && top == other.top && right == other.right
            && bottom == other.bottom;
    }
};

// What the program needs of the desktop, in its own terms.
class IDesktop
{
public:
    virtual ~IDesktop() = default;

    // The window the user last brought to the front, or kNoWindow.
    virtual WindowId ForegroundWindow() = 0;
    // The top-level windows in stacking order, top first.
    virtual std::vector<WindowId> TopLevelWindows() = 0;
    // A window's title as UTF-8; empty when it has none or is gone.
    virtual std::string WindowTitle(WindowId window) = 0;
    // Raises a window to the top and gives it the focus.
    virtual void RaiseWindow(WindowId window) = 0;
    // A window's outer rectangle, frame and title bar included; false when it is gone.
    virtual bool WindowRect(WindowId window, Rect &rect) = 0;
    // The whole screen.
    virtual Rect ScreenRect() = 0;
    // Copies the screen's pixels in `rect` into `into`, whose size must be the rectangle's; parts
    // off the screen stay as they were. False when nothing could be read.
    virtual bool CaptureRect(const Rect &rect, image::CWorkingBitmap &into) = 0;
    // Shows a folder in the user's file manager; the outcome is not reported.
    virtual void OpenFolder(const std::string &folder) = 0;

    // Calls `callback` with each top-level window, top first, and `userValue`, until it returns
    // false. Returns false when the callback stopped the enumeration.
    bool EnumWindows(const std::function<bool(WindowId, long)> &callback, long userValue);
    // The first top-level window whose title is exactly `title`, or kNoWindow.
    WindowId FindWindow(const std::string &title);
};

} // namespace platform

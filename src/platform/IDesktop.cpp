#include "IDesktop.h"

namespace platform {

bool IDesktop::EnumWindows(const std::function<bool(WindowId, long)> &callback, long userValue)
{
    for (const WindowId window : TopLevelWindows()) {
        if (!callback(window, userValue)) {
            return false;
        }
    }
    return true;
}

WindowId IDesktop::FindWindow(const std::string &title)
{
    for (const WindowId window : TopLevelWindows()) {
        if (WindowTitle(window) == title) {
            return window;
        }
    }
    return kNoWindow;
}

} // namespace platform

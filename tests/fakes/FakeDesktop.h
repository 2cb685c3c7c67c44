#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "image/WorkingBitmap.h"
#include "platform/IDesktop.h"

namespace testing_support {

// A scripted desktop: windows with titles and rectangles, top first, one colour for the whole
// screen; records what was raised and opened.
class CFakeDesktop : public platform::IDesktop
{
public:
    struct Window
    {
        platform::WindowId id;
        std::string title;
        platform::Rect rect;
    };

    platform::WindowId ForegroundWindow() override
    {
        ++foregroundQueries;
        return foreground;
    }
    std::vector<platform::WindowId> TopLevelWindows() override
    {
        std::vector<platform::WindowId> ids;
        for (const Window &window : windows) {
            ids.push_back(window.id);
        }
        return ids;
    }
    std::string WindowTitle(platform::WindowId id) override
    {
        ++titleReads;
        const Window *window = Find(id);
        return window ? window->title : std::string();
    }
    void RaiseWindow(platform::WindowId id) override
    {
        raised.push_back(id);
        auto it = std::find_if(
            windows.begin(), windows.end(), [id](const Window &w) { return w.id == id; });
        if (it != windows.end()) {
            std::rotate(windows.begin(), it, it + 1);
            foreground = id;
        }
    }
    bool WindowRect(platform::WindowId id, platform::Rect &rect) override
    {
        const Window *window = Find(id);
        if (window) {
            rect = window->rect;
        }
        return window != nullptr;
    }
    platform::Rect ScreenRect() override { return screen; }
    bool CaptureRect(const platform::Rect &rect, image::CWorkingBitmap &into) override
    {
        captured.push_back(rect);
        for (int y = 0; y < rect.Height(); ++y) {
            std::uint8_t *row = into.MemoryRow(y);
            for (int x = 0; x < rect.Width(); ++x) {
                row[x * 3 + 0] = blue;
                row[x * 3 + 1] = green;
                row[x * 3 + 2] = red;
            }
        }
        return true;
    }
    void OpenFolder(const std::string &folder) override { opened.push_back(folder); }

    const Window *Find(platform::WindowId id) const
    {
        auto it = std::find_if(
            windows.begin(), windows.end(), [id](const Window &w) { return w.id == id; });
        return it == windows.end() ? nullptr : &*it;
    }

    std::vector<Window> windows;
    platform::WindowId foreground = platform::kNoWindow;
    platform::Rect screen{0, 0, 640, 480};
    std::uint8_t red = 0, green = 0, blue = 0;

    std::vector<platform::WindowId> raised;
    std::vector<std::string> opened;
    std::vector<platform::Rect> captured;
    int titleReads = 0;
    int foregroundQueries = 0;
};

} // namespace testing_support

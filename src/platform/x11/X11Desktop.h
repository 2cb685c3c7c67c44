#pragma once

#include "platform/IDesktop.h"

namespace platform {

// The desktop of an X11 display, through the EWMH hints of its window manager; without one, the
// root window's children and plain X requests. X11 headers stay in the .cpp.
class CX11Desktop : public IDesktop
{
public:
    // Opens its own connection to $DISPLAY; Valid() tells whether that worked.
    CX11Desktop();
    ~CX11Desktop() override;
    CX11Desktop(const CX11Desktop &) = delete;
    CX11Desktop &operator=(const CX11Desktop &) = delete;

    bool Valid() const { return m_display != nullptr; }

    WindowId ForegroundWindow() override;
    std::vector<WindowId> TopLevelWindows() override;
    std::string WindowTitle(WindowId window) override;
    void RaiseWindow(WindowId window) override;
    bool WindowRect(WindowId window, Rect &rect) override;
    Rect ScreenRect() override;
    bool CaptureRect(const Rect &rect, image::CWorkingBitmap &into) override;
    void OpenFolder(const std::string &folder) override;

private:
    struct Atoms;
    bool HasWindowManager();

    void *m_display = nullptr; // Display*
    std::unique_ptr<Atoms> m_atoms;
};

} // namespace platform

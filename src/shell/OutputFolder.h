#pragma once

#include <string>

#include "platform/IDesktop.h"

namespace shell {

// The tag that the window search hands to the enumeration; the callback acts only on it.
constexpr long kSearchTag = 61591;

// The text the running window search looks for, and the window it found last.
extern std::string g_strSearchTitle;
extern platform::WindowId g_hFoundWnd;

// The enumeration callback: records the first window whose title contains g_strSearchTitle.
// Returns false to stop the enumeration.
bool SearchWindowProc(platform::IDesktop &desktop, platform::WindowId hwnd, long lParam);

// The first top-level window, top first, whose title contains `text` (case-sensitive), or
// kNoWindow. An empty text matches the first window.
platform::WindowId FindWindowByTitle(platform::IDesktop &desktop, std::string text);

// Shows the folder of the file a job wrote last: raises a window whose title contains the
// folder's name, or else opens the folder in the file manager.
class COutputFolderPresenter
{
public:
    explicit COutputFolderPresenter(platform::IDesktop &desktop)
        : m_desktop(desktop)
    { }

    // `path` is the file written last. Reads the settings SameFolder and CompressPath.
    void ShowOutputFolder(std::string path);
    // Sets m_hFolderWnd to the window showing the folder of `path`, or kNoWindow.
    void FindFolderWindow(std::string path);

    platform::WindowId m_hFolderWnd = platform::kNoWindow;

private:
    platform::IDesktop &m_desktop;
};

// The name looked for in window titles for a file at `path`: its folder's own name; "/" for a
// file in the root folder; empty for a bare name.
std::string FolderNameOf(const std::string &path);

} // namespace shell

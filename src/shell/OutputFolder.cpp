#include "OutputFolder.h"

#include "settings/Settings.h"

namespace shell {

std::string g_strSearchTitle;
platform::WindowId g_hFoundWnd = platform::kNoWindow;

bool SearchWindowProc(platform::IDesktop &desktop, platform::WindowId hwnd, long lParam)
{
    if (lParam != kSearchTag) {
        return true;
    }
    // UTF-8 is self-synchronising: a byte match of whole characters never starts mid-character.
    if (desktop.WindowTitle(hwnd).find(g_strSearchTitle) != std::string::npos) {
        g_hFoundWnd = hwnd;
        return false;
    }
    return true;
}

platform::WindowId FindWindowByTitle(platform::IDesktop &desktop, std::string text)
{
    g_hFoundWnd = platform::kNoWindow;
    g_strSearchTitle = std::move(text);
    (void)desktop.EnumWindows([&desktop](platform::WindowId hwnd,
                                  long lParam) { return SearchWindowProc(desktop, hwnd, lParam); },
        kSearchTag);
    return g_hFoundWnd;
}

std::string FolderNameOf(const std::string &path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return {};
    }
    const std::string folder = path.substr(0, slash);
    if (folder.empty()) {
        // The root folder has no name of its own; file managers title it "/".
        return "/";
    }
    const std::size_t parent = folder.rfind('/');
    return parent == std::string::npos ? folder : folder.substr(parent + 1);
}

void COutputFolderPresenter::FindFolderWindow(std::string path)
{
    m_hFolderWnd = FindWindowByTitle(m_desktop, FolderNameOf(path));
}

void COutputFolderPresenter::ShowOutputFolder(std::string path)
{
    FindFolderWindow(path);
    if (m_hFolderWnd != platform::kNoWindow) {
        m_desktop.RaiseWindow(m_hFolderWnd);
        return;
    }
    std::string folder;
    if (settings::SameFolder == 0) {
        folder = settings::CompressPath;
    } else {
        const std::size_t slash = path.rfind('/');
        folder = slash == 0 ? "/" : path.substr(0, slash);
    }
    m_desktop.OpenFolder(folder);
}

} // namespace shell

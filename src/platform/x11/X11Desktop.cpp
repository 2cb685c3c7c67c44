#include "X11Desktop.h"

#include <algorithm>
#include <climits>

#include <QDesktopServices>
#include <QString>
#include <QUrl>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include "image/WorkingBitmap.h"

namespace platform {

struct CX11Desktop::Atoms
{
    Atom activeWindow;
    Atom clientListStacking;
    Atom wmName;
    Atom utf8String;
    Atom frameExtents;
    Atom supportingWmCheck;
};

namespace {

    Display *Dpy(void *display)
    {
        return static_cast<Display *>(display);
    }

    // Windows may vanish between two requests; Xlib's default handler would end the process for
    // such a BadWindow, so errors only make the request at hand fail.
    int IgnoreXError(Display *, XErrorEvent *)
    {
        return 0;
    }

    // A property of 32-bit items (windows, cardinals); empty when missing.
    std::vector<unsigned long> LongProperty(
        Display *display, Window window, Atom property, Atom type)
    {
        std::vector<unsigned long> values;
        Atom actualType = None;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char *data = nullptr;
        if (XGetWindowProperty(display, window, property, 0, 1L << 16, False, type, &actualType,
                &format, &count, &after, &data)
                == Success
            && data && format == 32) {
            // Format 32 items come as longs, whatever the size of long.
            const auto *items = reinterpret_cast<const unsigned long *>(data);
            values.assign(items, items + count);
        }
        if (data) {
            XFree(data);
        }
        return values;
    }

    std::string Utf8Property(Display *display, Window window, Atom property, Atom type)
    {
        std::string text;
        Atom actualType = None;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char *data = nullptr;
        if (XGetWindowProperty(display, window, property, 0, LONG_MAX / 4, False, type, &actualType,
                &format, &count, &after, &data)
                == Success
            && data && format == 8) {
            text.assign(reinterpret_cast<const char *>(data), count);
        }
        if (data) {
            XFree(data);
        }
        return text;
    }

    // The child of the root window that holds `window`.
    Window TopLevelOf(Display *display, Window window)
    {
        const Window root = DefaultRootWindow(display);
        while (window != None && window != PointerRoot && window != root) {
            Window rootReturn = None, parent = None;
            Window *children = nullptr;
            unsigned count = 0;
            if (!XQueryTree(display, window, &rootReturn, &parent, &children, &count)) {
                return None;
            }
            if (children) {
                XFree(children);
            }
            if (parent == root) {
                return window;
            }
            window = parent;
        }
        return None;
    }

    int ShiftOf(unsigned long mask)
    {
        int shift = 0;
        while (mask && !(mask & 1)) {
            mask >>= 1;
            ++shift;
        }
        return shift;
    }

    std::uint8_t Channel(unsigned long pixel, unsigned long mask, int shift)
    {
        const unsigned long bits = (pixel & mask) >> shift;
        const unsigned long maximum = mask >> shift;
        return static_cast<std::uint8_t>(maximum == 0 ? 0 : bits * 255 / maximum);
    }

} // namespace

CX11Desktop::CX11Desktop()
    : m_atoms(std::make_unique<Atoms>())
{
    Display *display = XOpenDisplay(nullptr);
    if (!display) {
        return;
    }
    m_display = display;
    XSetErrorHandler(&IgnoreXError);
    m_atoms->activeWindow = XInternAtom(display, "_NET_ACTIVE_WINDOW", False);
    m_atoms->clientListStacking = XInternAtom(display, "_NET_CLIENT_LIST_STACKING", False);
    m_atoms->wmName = XInternAtom(display, "_NET_WM_NAME", False);
    m_atoms->utf8String = XInternAtom(display, "UTF8_STRING", False);
    m_atoms->frameExtents = XInternAtom(display, "_NET_FRAME_EXTENTS", False);
    m_atoms->supportingWmCheck = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", False);
}

CX11Desktop::~CX11Desktop()
{
    if (m_display) {
        XCloseDisplay(Dpy(m_display));
    }
}

bool CX11Desktop::HasWindowManager()
{
    Display *display = Dpy(m_display);
    return !LongProperty(display, DefaultRootWindow(display), m_atoms->supportingWmCheck, XA_WINDOW)
                .empty();
}

WindowId CX11Desktop::ForegroundWindow()
{
    if (!m_display) {
        return kNoWindow;
    }
    Display *display = Dpy(m_display);
    if (HasWindowManager()) {
        const auto active =
            LongProperty(display, DefaultRootWindow(display), m_atoms->activeWindow, XA_WINDOW);
        return active.empty() ? kNoWindow : active.front();
    }
    Window focus = None;
    int revert = 0;
    XGetInputFocus(display, &focus, &revert);
    return TopLevelOf(display, focus);
}

std::vector<WindowId> CX11Desktop::TopLevelWindows()
{
    std::vector<WindowId> windows;
    if (!m_display) {
        return windows;
    }
    Display *display = Dpy(m_display);
    const Window root = DefaultRootWindow(display);
    if (HasWindowManager()) {
        const auto stacking = LongProperty(display, root, m_atoms->clientListStacking, XA_WINDOW);
        windows.assign(stacking.rbegin(), stacking.rend()); // the list runs bottom to top
        return windows;
    }
    Window rootReturn = None, parent = None;
    Window *children = nullptr;
    unsigned count = 0;
    if (XQueryTree(display, root, &rootReturn, &parent, &children, &count) && children) {
        for (unsigned i = count; i-- > 0;) {
            XWindowAttributes attributes;
            if (XGetWindowAttributes(display, children[i], &attributes)
                && attributes.map_state == IsViewable) {
                windows.push_back(children[i]);
            }
        }
        XFree(children);
    }
    return windows;
}

std::string CX11Desktop::WindowTitle(WindowId window)
{
    if (!m_display || window == kNoWindow) {
        return {};
    }
    Display *display = Dpy(m_display);
    std::string title = Utf8Property(display, window, m_atoms->wmName, m_atoms->utf8String);
    if (!title.empty()) {
        return title;
    }
    XTextProperty property{};
    if (XGetWMName(display, window, &property) && property.value) {
        char **list = nullptr;
        int count = 0;
        if (Xutf8TextPropertyToTextList(display, &property, &list, &count) >= Success && list) {
            for (int i = 0; i < count; ++i) {
                title += list[i];
            }
            XFreeStringList(list);
        }
        XFree(property.value);
    }
    return title;
}

void CX11Desktop::RaiseWindow(WindowId window)
{
    if (!m_display || window == kNoWindow) {
        return;
    }
    Display *display = Dpy(m_display);
    if (HasWindowManager()) {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = m_atoms->activeWindow;
        event.xclient.format = 32;
        event.xclient.data.l[0] = 2; // a request on the user's behalf, as a pager makes it
        event.xclient.data.l[1] = CurrentTime;
        XSendEvent(display, DefaultRootWindow(display), False,
            SubstructureRedirectMask | SubstructureNotifyMask, &event);
    } else {
        XRaiseWindow(display, window);
        XSetInputFocus(display, window, RevertToParent, CurrentTime);
    }
    XSync(display, False);
}

bool CX11Desktop::WindowRect(WindowId window, Rect &rect)
{
    if (!m_display || window == kNoWindow) {
        return false;
    }
    Display *display = Dpy(m_display);
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, window, &attributes)) {
        return false;
    }
    int x = 0, y = 0;
    Window child = None;
    if (!XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &x, &y, &child)) {
        return false;
    }
    rect = {x, y, x + attributes.width, y + attributes.height};
    const auto extents = LongProperty(display, window, m_atoms->frameExtents, XA_CARDINAL);
    if (extents.size() == 4) {
        rect.left -= static_cast<int>(extents[0]);
        rect.right += static_cast<int>(extents[1]);
        rect.top -= static_cast<int>(extents[2]);
        rect.bottom += static_cast<int>(extents[3]);
    }
    return true;
}

Rect CX11Desktop::ScreenRect()
{
    if (!m_display) {
        return {};
    }
    Display *display = Dpy(m_display);
    const int screen = DefaultScreen(display);
    return {0, 0, DisplayWidth(display, screen), DisplayHeight(display, screen)};
}

bool CX11Desktop::CaptureRect(const Rect &rect, image::CWorkingBitmap &into)
{
    if (!m_display || into.Width() != rect.Width() || into.Height() != rect.Height()) {
        return false;
    }
    image::CWorkingBitmap *bitmap = &into;
    const Rect screen = ScreenRect();
    const Rect visible{std::max(rect.left, screen.left), std::max(rect.top, screen.top),
        std::min(rect.right, screen.right), std::min(rect.bottom, screen.bottom)};
    if (visible.Width() <= 0 || visible.Height() <= 0) {
        return true;
    }
    Display *display = Dpy(m_display);
    XImage *picture = XGetImage(display, DefaultRootWindow(display), visible.left, visible.top,
        static_cast<unsigned>(visible.Width()), static_cast<unsigned>(visible.Height()), AllPlanes,
        ZPixmap);
    if (!picture) {
        return false;
    }
    const int redShift = ShiftOf(picture->red_mask), greenShift = ShiftOf(picture->green_mask),
              blueShift = ShiftOf(picture->blue_mask);
    const bool plain32 = picture->bits_per_pixel == 32 && picture->byte_order == LSBFirst
        && picture->red_mask == 0xFF0000 && picture->green_mask == 0xFF00
        && picture->blue_mask == 0xFF;
    for (int y = 0; y < visible.Height(); ++y) {
        std::uint8_t *row =
            bitmap->PictureRow(visible.top - rect.top + y) + (visible.left - rect.left) * 3;
        if (plain32) {
            // B, G, R, X in memory: the working format less the fourth byte.
            const auto *source =
                reinterpret_cast<const std::uint8_t *>(picture->data) + y * picture->bytes_per_line;
            for (int x = 0; x < visible.Width(); ++x, source += 4, row += 3) {
                row[0] = source[0];
                row[1] = source[1];
                row[2] = source[2];
            }
            continue;
        }
        for (int x = 0; x < visible.Width(); ++x, row += 3) {
            const unsigned long pixel = XGetPixel(picture, x, y);
            row[0] = Channel(pixel, picture->blue_mask, blueShift);
            row[1] = Channel(pixel, picture->green_mask, greenShift);
            row[2] = Channel(pixel, picture->red_mask, redShift);
        }
    }
    XDestroyImage(picture);
    return true;
}

void CX11Desktop::OpenFolder(const std::string &folder)
{
    (void)QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(folder)));
}

} // namespace platform

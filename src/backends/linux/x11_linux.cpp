// X11 helpers of the Linux backend: the desktop's text resolution, the
// window manager, the monitors, window ids.
#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xrandr.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/deadline.h"
#include "backends/linux/saver_linux.h"
#include "errors/handler.h"

namespace syl {

int xErrorIgnored(Display*, XErrorEvent*) { return 0; }

Display* openDisplay()
{
    PeerDeadline deadline(std::string("the X display ") + XDisplayName(nullptr));
    return XOpenDisplay(nullptr);
}

bool plausibleWindowId(unsigned long id) { return id != 0 && id <= 0x1FFFFFFFUL; }

int desktopDpi()
{
    Display* d = openDisplay();
    if (!d) return 0;
    int dpi = 0;
    if (const char* resources = XResourceManagerString(d)) {
        const std::string all(resources);
        for (size_t at = 0; (at = all.find("Xft.dpi:", at)) != std::string::npos; at += 8) {
            if (at != 0 && all[at - 1] != '\n') continue;
            const double v = std::strtod(all.c_str() + at + 8, nullptr);
            if (v >= 48 && v <= 480) dpi = static_cast<int>(std::lround(v));
            break;
        }
    }
    XCloseDisplay(d);
    return dpi;
}

// Whether a window manager runs on the display (one that follows the
// desktop conventions names its check window on the root window). Without
// one, full-screen and stay-on-top are requests nobody answers, and SDL
// would wait for an answer before the window is usable.
bool windowManagerRunning()
{
    Display* d = openDisplay();
    if (!d) return true;
    bool running = false;
    const Atom check = XInternAtom(d, "_NET_SUPPORTING_WM_CHECK", True);
    if (check != None) {
        Atom type = None;
        int format = 0;
        unsigned long items = 0, after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(d, DefaultRootWindow(d), check, 0, 1, False, XA_WINDOW, &type, &format, &items, &after,
                               &data) == Success &&
            type == XA_WINDOW && items == 1)
            running = true;
        if (data) XFree(data);
    }
    XCloseDisplay(d);
    return running;
}

// The monitors as RandR has them now (SDL keeps the bounds it found at the
// start when a monitor only changes its mode).
std::vector<SDL_Rect> currentMonitors(Display* d)
{
    std::vector<SDL_Rect> list;
    if (!d) return list;
    int n = 0;
    if (XRRMonitorInfo* m = XRRGetMonitors(d, DefaultRootWindow(d), True, &n)) {
        for (int i = 0; i < n; ++i) list.push_back({m[i].x, m[i].y, m[i].width, m[i].height});
        XRRFreeMonitors(m);
    }
    return list;
}

std::vector<MonitorArea> monitorAreas(Display* d)
{
    std::vector<MonitorArea> list;
    if (!d) return list;
    int n = 0;
    if (XRRMonitorInfo* m = XRRGetMonitors(d, DefaultRootWindow(d), True, &n)) {
        for (int i = 0; i < n; ++i) {
            MonitorArea a;
            if (m[i].name != None) {
                if (char* name = XGetAtomName(d, m[i].name)) {
                    a.name = name;
                    XFree(name);
                }
            }
            a.x = m[i].x;
            a.y = m[i].y;
            a.width = m[i].width;
            a.height = m[i].height;
            a.primary = m[i].primary;
            list.push_back(a);
        }
        XRRFreeMonitors(m);
    }
    if (list.empty()) {
        const int screen = DefaultScreen(d);
        list.push_back({{}, 0, 0, DisplayWidth(d, screen), DisplayHeight(d, screen), true});
    }
    if (std::none_of(list.begin(), list.end(), [](const MonitorArea& a) { return a.primary; })) list[0].primary = true;
    return list;
}

} // namespace syl

namespace syl {

void makeDesktopWindow(Display* d, Window w)
{
    auto atom = [d](const char* name) { return XInternAtom(d, name, False); };
    const Atom type = atom("_NET_WM_WINDOW_TYPE_DESKTOP");
    XChangeProperty(d, w, atom("_NET_WM_WINDOW_TYPE"), XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&type), 1);
    const Atom state[] = {atom("_NET_WM_STATE_BELOW"), atom("_NET_WM_STATE_STICKY"), atom("_NET_WM_STATE_SKIP_TASKBAR"),
                          atom("_NET_WM_STATE_SKIP_PAGER")};
    XChangeProperty(d, w, atom("_NET_WM_STATE"), XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(state), 4);
    const long everyDesktop = 0xFFFFFFFFL;
    XChangeProperty(d, w, atom("_NET_WM_DESKTOP"), XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&everyDesktop), 1);
    // It takes no input: the keyboard's focus stays with the windows.
    XWMHints hints{};
    hints.flags = InputHint;
    hints.input = False;
    XSetWMHints(d, w, &hints);
}

namespace {

// The atoms of a window's property of type ATOM (empty when it has none).
std::vector<Atom> atomList(Display* d, Window w, Atom property, long most)
{
    Atom type = 0;
    int format = 0;
    unsigned long n = 0, after = 0;
    unsigned char* data = nullptr;
    std::vector<Atom> out;
    if (XGetWindowProperty(d, w, property, 0, most, False, AnyPropertyType, &type, &format, &n, &after, &data) ==
            Success &&
        data && format == 32) {
        const auto* v = reinterpret_cast<const unsigned long*>(data);
        out.assign(v, v + n);
    }
    if (data) XFree(data);
    return out;
}

} // namespace

bool fullScreenWindowCovers(Display* d, int x, int y, int w, int h)
{
    const Window root = DefaultRootWindow(d);
    const Atom fullscreen = XInternAtom(d, "_NET_WM_STATE_FULLSCREEN", False);
    const Atom hidden = XInternAtom(d, "_NET_WM_STATE_HIDDEN", False);
    const Atom wmState = XInternAtom(d, "_NET_WM_STATE", False);
    for (Window c : atomList(d, root, XInternAtom(d, "_NET_CLIENT_LIST_STACKING", False), 4096)) {
        const std::vector<Atom> states = atomList(d, c, wmState, 64);
        if (std::find(states.begin(), states.end(), fullscreen) == states.end() ||
            std::find(states.begin(), states.end(), hidden) != states.end())
            continue;
        XWindowAttributes a{};
        int cx = 0, cy = 0;
        Window child = 0;
        if (!XGetWindowAttributes(d, c, &a) || a.map_state != IsViewable ||
            !XTranslateCoordinates(d, c, root, 0, 0, &cx, &cy, &child))
            continue;
        if (cx <= x && cy <= y && cx + a.width >= x + w && cy + a.height >= y + h) return true;
    }
    return false;
}

} // namespace syl

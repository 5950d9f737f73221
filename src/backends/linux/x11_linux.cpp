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
    if (!d) return 96;
    int dpi = 96;
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

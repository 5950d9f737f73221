// The preview: the fixed picture drawn with Xlib into the host's window.
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

#include "backends/linux/saver_linux.h"
#include <poll.h>

#include "errors/handler.h"
#include "settings/config.h"
#include "platform/resources.h"
#include "platform/signals.h"

namespace syl {

// The preview: the fixed picture stretched over the host's window, redrawn
// when it changes size, until the host destroys it.
void SdlPlatform::runPreview(long long hostWindow)
{
    Display* d = openDisplay();
    if (!d) {
        std::fprintf(stderr, "sylvadra: cannot open the display %s\n", XDisplayName(nullptr));
        status_ = 1;
        return;
    }
    XSetErrorHandler(xErrorIgnored);
    Window w = static_cast<Window>(hostWindow);
    XWindowAttributes a{};
    if (!XGetWindowAttributes(d, w, &a)) {
        // No window of that id (never one, or already gone): refused, as
        // --window-id refuses it. One that goes later ends the preview.
        std::fprintf(stderr, "sylvadra: the window 0x%lx does not exist\n", static_cast<unsigned long>(w));
        XCloseDisplay(d);
        status_ = 1;
        return;
    }
    // The root window is never destroyed: a preview there would never end.
    if (w == a.root) {
        std::fprintf(stderr, "sylvadra: the preview needs a host window, not the root window\n");
        XCloseDisplay(d);
        status_ = 1;
        return;
    }
    XSelectInput(d, w, StructureNotifyMask | ExposureMask);
    // A window destroyed before the server took the request above sends no
    // DestroyNotify; asking for it again, after the request, tells.
    if (!XGetWindowAttributes(d, w, &a)) {
        XCloseDisplay(d);
        return;
    }
    Picture preview;
    try {
        preview = LoadResPicture(1, ResourceKind::Data);
    } catch (const RuntimeError&) {
        preview.width = preview.height = 1;
        preview.pixels = {0};
    }
    GC gc = XCreateGC(d, w, 0, nullptr);
    auto draw = [&](int width, int height) {
        if (width <= 0 || height <= 0) return;
        Surface s(width, height, 0);
        s.smooth = settings().Sharp != 0; // smoothly resampled in the sharp mode
        PaintPicture(s, viewOf(preview), 0, 0, width, height);
        std::vector<uint32_t> px(s.pixels().begin(), s.pixels().end());
        XImage* img =
            XCreateImage(d, a.visual, static_cast<unsigned>(a.depth), ZPixmap, 0, reinterpret_cast<char*>(px.data()),
                         static_cast<unsigned>(width), static_cast<unsigned>(height), 32, width * 4);
        if (img) {
            XPutImage(d, w, gc, img, 0, 0, 0, 0, static_cast<unsigned>(width), static_cast<unsigned>(height));
            img->data = nullptr;
            XDestroyImage(img);
        }
        XFlush(d);
    };
    int width = a.width, height = a.height;
    // Until the host destroys its window or a stop signal comes (SIGTERM,
    // SIGHUP, SIGQUIT, SIGINT), whichever is first.
    listenForStopSignals(true);
    draw(width, height);
    for (bool open = true; open && !stopSignal();) {
        while (open && XPending(d) > 0) {
            XEvent e;
            XNextEvent(d, &e);
            if (e.type == DestroyNotify && e.xdestroywindow.window == w) open = false;
            else if (e.type == ConfigureNotify && e.xconfigure.window == w) {
                if (e.xconfigure.width != width || e.xconfigure.height != height) {
                    width = e.xconfigure.width;
                    height = e.xconfigure.height;
                    draw(width, height);
                }
            } else if (e.type == Expose && e.xexpose.count == 0) {
                draw(width, height);
            }
        }
        if (!open || stopSignal()) break;
        pollfd fds[2] = {{ConnectionNumber(d), POLLIN, 0}, {stopSignalFd(), POLLIN, 0}};
        poll(fds, stopSignalFd() >= 0 ? 2 : 1, -1);
    }
    listenForStopSignals(false);
    XFreeGC(d, gc);
    XCloseDisplay(d);
}

} // namespace syl

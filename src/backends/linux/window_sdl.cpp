// The full-screen scene: its SDL windows on every display (or the window
// that xscreensaver hands over), their events, new sizes and the loop that
// runs the animation ticks.
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
#include <cstring>
#include <string>
#include <vector>

#include "backends/linux/saver_linux.h"
#include <poll.h>

#include "errors/handler.h"
#include "platform/pixel_store.h"
#include "platform/signals.h"
#include "settings/config.h"
#include "shell/options.h"

namespace syl {

FrmMain& SdlPlatform::sceneOf(uint32_t windowId)
{
    for (Head& h : heads_)
        if (h.window && SDL_GetWindowID(h.window) == windowId) return h.scene->form();
    return heads_.front().scene->form();
}

void SdlPlatform::endEmbedded()
{
    if (coversPrimary_) exitScreensaver();
    throw ProgramEnd{};
}

void SdlPlatform::endOnSignal()
{
    // SIGTERM (xscreensaver's way to stop us), SIGHUP, SIGQUIT, SIGINT: the
    // saver ends as on input, with the wallpaper and the restored state.
    if (!running_ || !stopSignal()) return;
    if (embedded()) endEmbedded();
    heads_.front().scene->form().Form_Unload();
    // The signal stays noted (its descriptor readable): a loop that went on
    // would never wait again.
    running_ = false;
}

void SdlPlatform::windowPixels(Head& h, int& w, int& hgt)
{
    SDL_GetWindowSize(h.window, &w, &hgt);
    if (h.viaXlib || h.viaShm) {
        XWindowAttributes a{};
        if (XGetWindowAttributes(display_, h.xwindow, &a)) {
            w = a.width;
            hgt = a.height;
        }
    } else if (SDL_Surface* ws = SDL_GetWindowSurface(h.window)) {
        w = ws->w;
        hgt = ws->h;
    }
}

void SdlPlatform::refitWindows()
{
    if (embedded()) return;
    const int n = SDL_GetNumVideoDisplays();
    const std::vector<SDL_Rect> monitors = currentMonitors(display_);
    for (int i = 0; i < static_cast<int>(heads_.size()); ++i) {
        Head& h = heads_[static_cast<size_t>(i)];
        int x = 0, y = 0, w = 0, hgt = 0;
        SDL_GetWindowPosition(h.window, &x, &y);
        SDL_GetWindowSize(h.window, &w, &hgt);
        // Each window stays on the monitor where its top-left corner is.
        SDL_Rect r{0, 0, 0, 0};
        const SDL_Point corner{x, y};
        for (const SDL_Rect& m : monitors)
            if (SDL_PointInRect(&corner, &m)) r = m;
        if ((r.w <= 0 || r.h <= 0) && (i >= n || SDL_GetDisplayBounds(i, &r) != 0)) continue;
        if (r.w <= 0 || r.h <= 0) continue;
        if (x == r.x && y == r.y && w == r.w && hgt == r.h) continue;
        const bool full =
            (SDL_GetWindowFlags(h.window) & SDL_WINDOW_FULLSCREEN_DESKTOP) == SDL_WINDOW_FULLSCREEN_DESKTOP;
        if (full) SDL_SetWindowFullscreen(h.window, 0);
        SDL_SetWindowPosition(h.window, r.x, r.y);
        SDL_SetWindowSize(h.window, r.w, r.h);
        if (full) SDL_SetWindowFullscreen(h.window, SDL_WINDOW_FULLSCREEN_DESKTOP);
        h.resizePending = true;
    }
}

void SdlPlatform::checkCovered()
{
    coverCheckPending_ = false;
    for (Head& h : heads_) {
        int x = 0, y = 0, w = 0, hgt = 0;
        SDL_GetWindowPosition(h.window, &x, &y);
        SDL_GetWindowSize(h.window, &w, &hgt);
        const bool was = seen(h);
        h.covered = fullScreenWindowCovers(display_, x, y, w, hgt);
        if (!was && seen(h)) present(h); // what it missed
    }
}

void SdlPlatform::applyPendingSizes()
{
    if (refitPending_) {
        refitPending_ = false;
        refitWindows();
    }
    if (coverCheckPending_ && display_) checkCovered();
    for (Head& h : heads_) {
        if (!running_ || !h.resizePending) continue;
        h.resizePending = false;
        unshare(h);
        int w = 0, hgt = 0;
        windowPixels(h, w, hgt);
        if (w <= 0 || hgt <= 0) continue;
        // Form_Resize at the new size: a landscape composed for it, with
        // its date line and meadow at the new bottom.
        h.scene->resize(w, hgt, h.scene->form().dpi());
        if (!running_) return;
        present(h);
    }
}

void SdlPlatform::onXEvent(const XEvent& x)
{
    if ((x.type == ConfigureNotify && display_ && x.xconfigure.window == DefaultRootWindow(display_)) ||
        (randrEvents_ >= 0 && (x.type == randrEvents_ + RRNotify || x.type == randrEvents_ + RRScreenChangeNotify))) {
        refitPending_ = true;
        return;
    }
    // The window manager's stacking or active window changed: a full-screen
    // window may cover the background now, or no longer.
    if (background() && x.type == PropertyNotify && x.xproperty.window == DefaultRootWindow(display_)) {
        coverCheckPending_ = true;
        return;
    }
    for (Head& h : heads_) {
        SDL_SysWMinfo info;
        SDL_VERSION(&info.version);
        if (!SDL_GetWindowWMInfo(h.window, &info) || info.subsystem != SDL_SYSWM_X11 ||
            info.info.x11.window != x.xany.window)
            continue;
        if (x.type == ConfigureNotify) h.resizePending = true;
        if (x.type == VisibilityNotify) {
            const bool was = seen(h);
            h.obscured = x.xvisibility.state == VisibilityFullyObscured;
            if (!was && seen(h)) present(h);
        }
        // The window handed over is gone (xscreensaver destroys it as it
        // stops us): the run ends as on SIGTERM.
        if (x.type == DestroyNotify && x.xdestroywindow.window == x.xany.window && embedded()) endEmbedded();
    }
}

void SdlPlatform::pumpEvents()
{
    endOnSignal();
    SDL_Event e;
    while (running_ && SDL_PollEvent(&e)) {
        switch (e.type) {
        case SDL_QUIT:
            if (embedded()) endEmbedded();
            heads_.front().scene->form().Form_Unload();
            running_ = false;
            break;
        case SDL_KEYDOWN:
            if (!background()) sceneOf(e.key.windowID).Form_KeyDown();
            break;
        case SDL_MOUSEBUTTONDOWN:
            if (!background()) sceneOf(e.button.windowID).Form_MouseDown();
            break;
        case SDL_MOUSEMOTION:
            if (!embedded() && !background())
                sceneOf(e.motion.windowID)
                    .Form_MouseMove(static_cast<float>(e.motion.x), static_cast<float>(e.motion.y));
            break;
        case SDL_SYSWMEVENT:
            if (e.syswm.msg && e.syswm.msg->subsystem == SDL_SYSWM_X11) onXEvent(e.syswm.msg->msg.x11.event);
            break;
        case SDL_DISPLAYEVENT: refitPending_ = true; break;
        case SDL_WINDOWEVENT:
            if (e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
                // The window's image is about to go; the new landscape is
                // composed outside the events' handling.
                for (Head& h : heads_)
                    if (SDL_GetWindowID(h.window) == e.window.windowID) {
                        unshare(h);
                        h.resizePending = true;
                    }
            }
            if (e.window.event == SDL_WINDOWEVENT_EXPOSED) {
                for (Head& h : heads_)
                    if (SDL_GetWindowID(h.window) == e.window.windowID) present(h);
            }
            if (e.window.event == SDL_WINDOWEVENT_CLOSE && !background()) {
                if (embedded()) endEmbedded();
                sceneOf(e.window.windowID).Form_Unload();
            }
            break;
        default: break;
        }
    }
}

bool SdlPlatform::waitForInput(int32_t ms)
{
    // SDL's own wait polls the X connection a dozen times and more before it
    // sleeps, at every tick. Here the sleep is one poll on the connection,
    // unless events are queued already (read with the last reply, or left in
    // SDL's queue).
    if (!display_) {
        // Another window system: SDL's wait, which leaves the event queued.
        if (stopSignal()) return true;
        return SDL_WaitEventTimeout(nullptr, ms) != 0;
    }
    if (SDL_PeepEvents(nullptr, 1, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0) return true;
    if (XEventsQueued(display_, QueuedAlready) > 0) return true;
    XFlush(display_);
    // A stop signal counts as input (its descriptor, or the interrupted
    // wait): the events that follow see it. So does a change of the
    // session's mood. (poll passes over descriptors of -1.)
    pollfd fds[3] = {{ConnectionNumber(display_), POLLIN, 0}, {stopSignalFd(), POLLIN, 0}, {watchFd(), POLLIN, 0}};
    const int n = poll(fds, 3, ms);
    if (fds[2].revents & POLLIN) noteMood();
    return n != 0;
}

bool SdlPlatform::takeMood()
{
    noteMood();
    if (!moodPending_) return false;
    moodPending_ = false;
    const Pace p = paceFor(watch_->mood(), cmd_.alwaysAnimate);
    if (p == pace_) return false;
    pace_ = p;
    return true;
}

bool SdlPlatform::openWindows()
{
    Window target = 0;
    if (embedded()) {
        target = cmd_.windowId ? static_cast<Window>(*cmd_.windowId) : 0;
        if (cmd_.windowId && !plausibleWindowId(*cmd_.windowId)) {
            std::fprintf(stderr, "sylvadra: %lu is not an X window id\n", *cmd_.windowId);
            return false;
        }
        Display* d = openDisplay();
        if (!d) {
            std::fprintf(stderr, "sylvadra: cannot open the display %s\n", XDisplayName(nullptr));
            return false;
        }
        if (cmd_.root) target = DefaultRootWindow(d);
        XWindowAttributes a{};
        Window child = 0;
        int x = 0, y = 0;
        SDL_Rect primary{0, 0, 0, 0};
        SDL_GetDisplayBounds(0, &primary);
        // The window belongs to another program, which may destroy it at
        // any time (xscreensaver does so as it stops us): drawing into a
        // window that is gone must not end the program before SIGTERM
        // has been handled, so X errors are ignored from here on.
        XSetErrorHandler(xErrorIgnored);
        const bool exists = XGetWindowAttributes(d, target, &a) != 0;
        if (exists && XTranslateCoordinates(d, target, DefaultRootWindow(d), 0, 0, &x, &y, &child))
            coversPrimary_ = x <= primary.x && y <= primary.y && x + a.width >= primary.x + primary.w &&
                             y + a.height >= primary.y + primary.h;
        XCloseDisplay(d);
        if (!exists) {
            std::fprintf(stderr, "sylvadra: there is no window 0x%lx on the display\n", target);
            return false;
        }
        SDL_Window* w = SDL_CreateWindowFrom(reinterpret_cast<void*>(target));
        if (w) heads_.push_back(Head{w, nullptr, 0});
    } else {
        int n = std::max(SDL_GetNumVideoDisplays(), 1);
        // Without a window manager a borderless window over the display's
        // bounds is already on top of everything. The windows appear once
        // the run listens for stop signals: a signal before that ends the
        // program at once, one after it ends the saver in its own way.
        Uint32 flags = SDL_WINDOW_BORDERLESS | SDL_WINDOW_ALLOW_HIGHDPI | SDL_WINDOW_HIDDEN;
        if (background()) {
            // The desktop's background: a desktop-type window on each
            // monitor, below every other.
            SDL_SetHint(SDL_HINT_X11_WINDOW_TYPE, "_NET_WM_WINDOW_TYPE_DESKTOP");
            flags |= SDL_WINDOW_SKIP_TASKBAR;
        } else if (windowManagerRunning()) {
            flags |= SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_ALWAYS_ON_TOP;
        }
        for (int i = 0; i < n; ++i) {
            SDL_Rect r{0, 0, 1024, 768};
            SDL_GetDisplayBounds(i, &r);
            SDL_Window* w = SDL_CreateWindow("Sylvadra", r.x, r.y, r.w, r.h, flags);
            if (!w && i == 0) break;
            if (w) heads_.push_back(Head{w, nullptr, 0});
        }
    }
    if (heads_.empty()) {
        std::fprintf(stderr, "sylvadra: cannot open a window: %s\n", SDL_GetError());
        return false;
    }
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWindowWMInfo(heads_.front().window, &info) && info.subsystem == SDL_SYSWM_X11) {
        display_ = info.info.x11.display;
        // SDL asks a window that another program hands over for no events
        // at all. Its parts that another window uncovers must be drawn
        // again (only what changes is drawn at each tick), and a change of
        // its size must be known.
        XWindowAttributes a{};
        if (embedded() && XGetWindowAttributes(display_, info.info.x11.window, &a)) {
            XSelectInput(display_, info.info.x11.window, a.your_event_mask | ExposureMask | StructureNotifyMask);
            // A window destroyed before the server took the request above
            // sends no DestroyNotify; asking for it again, after the
            // request, tells.
            if (!XGetWindowAttributes(display_, info.info.x11.window, &a)) {
                std::fprintf(stderr, "sylvadra: the window 0x%lx was destroyed\n", target);
                return false;
            }
        }
        // A full-screen window follows the screen's size: the root window
        // tells of a change of the display mode.
        if (!embedded() && XGetWindowAttributes(display_, DefaultRootWindow(display_), &a))
            XSelectInput(display_, DefaultRootWindow(display_), a.your_event_mask | StructureNotifyMask);
        // A monitor that takes another mode without the screen changing
        // its size tells through RandR.
        int error = 0;
        if (!embedded() && XRRQueryExtension(display_, &randrEvents_, &error))
            XRRSelectInput(display_, DefaultRootWindow(display_), RRCrtcChangeNotifyMask | RRScreenChangeNotifyMask);
        else randrEvents_ = -1;
        if (background()) {
            // Other programs' windows may go while they are looked at.
            XSetErrorHandler(xErrorIgnored);
            for (Head& h : heads_) {
                SDL_SysWMinfo hi;
                SDL_VERSION(&hi.version);
                if (!SDL_GetWindowWMInfo(h.window, &hi) || hi.subsystem != SDL_SYSWM_X11) continue;
                makeDesktopWindow(display_, hi.info.x11.window);
                if (XGetWindowAttributes(display_, hi.info.x11.window, &a))
                    XSelectInput(display_, hi.info.x11.window, a.your_event_mask | VisibilityChangeMask);
            }
            if (XGetWindowAttributes(display_, DefaultRootWindow(display_), &a))
                XSelectInput(display_, DefaultRootWindow(display_), a.your_event_mask | PropertyChangeMask);
            coverCheckPending_ = true;
        }
        // Those X events come as SDL's window-manager events.
        SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
    }
    // Text as large as the desktop's own on a scaled screen.
    const int dpi = desktopDpi();
    for (Head& h : heads_) {
        // The scene at the window's size in pixels.
        int w = 0, hgt = 0;
        Window window = 0;
        XWindowAttributes a{};
        if (xWindowOf(h, window, a)) startShm(h, a.width, a.height);
        if (!h.viaShm && !chooseWay(h)) return false;
        windowPixels(h, w, hgt);
        // The form lives in the window's image from the start when their
        // layouts agree: the first landscape is composed right there, and
        // no frame is made and then copied over.
        Color* memory = nullptr;
        size_t bytes = 0;
        if (h.viaShm && h.shmImage->width == w && h.shmImage->height == hgt) {
            memory = reinterpret_cast<Color*>(h.shmImage->data);
            bytes = static_cast<size_t>(h.shmImage->bytes_per_line) * static_cast<size_t>(hgt);
        } else if (SDL_Surface* ws = h.viaXlib || h.viaShm ? nullptr : SDL_GetWindowSurface(h.window);
                   ws && ws->format->format == SDL_PIXELFORMAT_RGB888 && ws->w == w && ws->h == hgt &&
                   ws->pitch == w * 4 && !SDL_MUSTLOCK(ws)) {
            memory = static_cast<Color*>(ws->pixels);
            bytes = static_cast<size_t>(ws->pitch) * static_cast<size_t>(ws->h);
        }
        if (memory) {
            mapInAdvance(memory, bytes, true);
            std::memset(memory, 0, bytes);
        }
        h.scene = std::make_unique<SceneRunner>(w, hgt, SceneOptions{dpi, memory});
        h.shared = memory != nullptr;
    }
    return true;
}

void SdlPlatform::runFullScreen()
{
    // The saver options of the command line take the place of the stored
    // settings that Main has loaded, for this run.
    applyPendingOverrides();
    auto& lh = static_cast<LinuxHost&>(host());
    if (!openWindows()) {
        status_ = 1;
        closeWindows();
        return;
    }
    lh.display = display_;
    running_ = true;
    listenForStopSignals(true);
    watchSession();
    if (!background()) setWallpaperScene(&heads_.front().scene->form());
    lh.pump = [this] {
        presentAll();
        pumpEvents();
    };
    try {
        // The primary first, exactly as a single screen runs; then every
        // further display, its window black until its landscape is there.
        for (size_t k = 0; k < heads_.size() && running_; ++k) {
            Head& h = heads_[k];
            h.scene->load();
            SDL_ShowWindow(h.window);
            if (k == 0 && !background()) SDL_RaiseWindow(h.window);
            if (k == 0) {
                for (size_t j = 1; j < heads_.size(); ++j) SDL_ShowWindow(heads_[j].window);
            }
            // Below every window, also where the window manager knows no
            // desktop windows (or there is none).
            for (Head& b : heads_) {
                SDL_SysWMinfo bi;
                SDL_VERSION(&bi.version);
                if (k == 0 && background() && display_ && SDL_GetWindowWMInfo(b.window, &bi) &&
                    bi.subsystem == SDL_SYSWM_X11)
                    XLowerWindow(display_, bi.info.x11.window);
            }
            h.scene->compose();
            present(h);
        }
        if (heads_.size() > 1 && running_ && !background()) SDL_RaiseWindow(heads_.front().window);
        uint32_t lastPump = SDL_GetTicks();
        while (running_) {
            applyPendingSizes();
            if (!running_) break;
            uint32_t now = SDL_GetTicks();
            // Still or not drawn at all as the session's mood says; what
            // was missed is shown when the pace changes.
            const bool paceChanged = takeMood();
            for (Head& h : heads_) {
                h.scene->setStill(pace_ == Pace::Still, now);
                if (paceChanged && seen(h)) present(h);
            }
            // A background nobody sees is not drawn: with all of it unseen,
            // the run sleeps until the X server tells of a change.
            int32_t wait = -1;
            for (const Head& h : heads_)
                if (seen(h))
                    wait = wait < 0 ? std::max(h.scene->untilDue(now), 0) : std::min(wait, h.scene->untilDue(now));
            if (waitForInput(wait)) {
                pumpEvents();
                lastPump = SDL_GetTicks();
                if (wait != 0) continue;
            } else if (!display_ || now - lastPump >= 250) {
                // Nothing came in. SDL's own upkeep (keeping the desktop's
                // screen saver away) still needs its events pumped now and
                // then, but not at every tick.
                pumpEvents();
                lastPump = now;
            }
            for (size_t k = 0; k < heads_.size() && running_; ++k) {
                Head& h = heads_[k];
                if (seen(h) && h.scene->tick(SDL_GetTicks()) && running_) present(h, false);
            }
        }
    } catch (const ProgramEnd&) {
    }
    lh.pump = nullptr;
    lh.display = nullptr;
    setWallpaperScene(nullptr);
    running_ = false;
    listenForStopSignals(false);
    watch_.reset();
    closeWindows();
}

void SdlPlatform::closeWindows()
{
    // A window that another program handed over may be gone by now, and with
    // it what was made for it: the server's complaints about releasing those
    // are no failure of ours, and are taken here, before SDL lets go of the
    // connection and of the error handler.
    if (display_) XSetErrorHandler(xErrorIgnored);
    for (Head& h : heads_) {
        // A scene whose form lives in the window's image goes first.
        h.scene.reset();
        releaseShm(h);
        releaseXlib(h);
        SDL_DestroyWindow(h.window);
    }
    if (display_) XSync(display_, False);
    heads_.clear();
    display_ = nullptr;
}

} // namespace syl

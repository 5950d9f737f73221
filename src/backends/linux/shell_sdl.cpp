// The Linux shell: the full-screen scene in an SDL2 window (or inside a
// window that xscreensaver hands over), the preview drawn with Xlib into the
// host's window, the settings dialog in GTK 3.
#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xrandr.h>

#include <glib.h>

#include <algorithm>
#include <array>
#include <bit>
#include <climits>
#include <cerrno>
#include <cstdint>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <poll.h>
#include <string>
#include <unistd.h>
#include <vector>

#include "errors/handler.h"
#include "platform/codecs.h"
#include "platform/host.h"
#include "platform/random.h"
#include "platform/resources.h"
#include "platform/signals.h"
#include "platform/system_host.h"
#include "scene/frmmain.h"
#include "settings/config.h"
#include "shell/options.h"
#include "shell/saver.h"
#include "shell/shell.h"

namespace syl {

int runSettingsDialog(); // dialog_gtk.cpp

namespace {

// The saver's host: the system's, with the window's pending events and the
// X display's bell.
class LinuxHost : public SystemHost {
public:
    void doEvents() override
    {
        if (pump) pump();
    }

    // The bell of the display that the scene's windows are on, else of the
    // default display (the preview, the settings dialog).
    void beep() override
    {
        if (display) {
            XBell(display, 0);
            XFlush(display);
        } else if (Display* d = XOpenDisplay(nullptr)) {
            XBell(d, 0);
            XCloseDisplay(d);
        }
    }

    std::function<void()> pump;
    Display* display = nullptr;
};

int xErrorIgnored(Display*, XErrorEvent*) { return 0; }

// X window ids have 29 bits; 0 names no window.
bool plausibleWindowId(unsigned long id) { return id != 0 && id <= 0x1FFFFFFFUL; }

// The desktop's text resolution: Xft.dpi of the X resources, which desktops
// set to 192 for a screen scaled to 200 %; 96 when none is set.
int desktopDpi()
{
    Display* d = XOpenDisplay(nullptr);
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
    Display* d = XOpenDisplay(nullptr);
    if (!d) return true;
    bool running = false;
    const Atom check = XInternAtom(d, "_NET_SUPPORTING_WM_CHECK", True);
    if (check != None) {
        Atom type = None;
        int format = 0;
        unsigned long items = 0, after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(d, DefaultRootWindow(d), check, 0, 1, False, XA_WINDOW, &type, &format, &items,
                               &after, &data) == Success &&
            type == XA_WINDOW && items == 1)
            running = true;
        if (data) XFree(data);
    }
    XCloseDisplay(d);
    return running;
}

// The full-screen scene: one borderless SDL window on every display, each
// with a scene of its own (own landscape, flower slots and flying objects,
// composed at that display's size). Display 0 is the primary: its scene is
// composed first and its landscape becomes the wallpaper. Any input on any
// window ends them all. Inside a window that xscreensaver hands over there
// is one window and one scene.
class SdlPlatform : public SaverPlatform {
public:
    explicit SdlPlatform(const CommandLine& c) : cmd_(c) {}

    void showCursor(bool show) override
    {
        if (!embedded()) SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE);
    }
    void setScreenSaveActive(bool active) override
    {
        // The desktop's screen saver is held off only while our own full
        // screen runs; it is released again at the end in every mode.
        if (embedded() || !SDL_WasInit(SDL_INIT_VIDEO)) return;
        if (active) SDL_EnableScreenSaver(); else SDL_DisableScreenSaver();
    }
    bool setWallPaper(const std::string& path) override;
    void unloadForms() override
    {
        if (!running_) return;
        running_ = false;
        for (Head& h : heads_)
            if (h.scene) h.scene->Form_Unload();
    }
    void runPreview(long long hostWindow) override;
    void runSettings() override { status_ = runSettingsDialog(); }
    void runFullScreen() override;

    int status() const { return status_; }

private:
    struct Head {
        SDL_Window* window = nullptr;
        std::unique_ptr<FrmMain> scene;
        uint32_t next = 0; // when its next animation tick is due
        // The form's image is the window's own image (the X server's shared
        // memory): frames are composed where the screen takes them from.
        bool shared = false;
        // The window took a new size: a new landscape for it is due.
        bool resizePending = false;
        // Shown through Xlib, for a visual that SDL's window surface does not
        // serve (30-bit colour, an 8-bit TrueColor layout of its own).
        bool viaXlib = false;
        Window xwindow = 0;
        Visual* visual = nullptr;
        int depth = 0;
        GC gc = nullptr;
        XImage* image = nullptr;
        // The pixel value of each 8-bit red, green and blue level.
        std::array<unsigned long, 256> red{}, green{}, blue{};
    };

    bool embedded() const { return cmd_.windowId.has_value() || cmd_.root; }
    bool openWindows();
    // Whether the head can be shown, through SDL's window surface or
    // through Xlib; false after a message on stderr.
    bool chooseWay(Head& h);
    bool startXlib(Head& h);
    void presentXlib(Head& h, bool all);
    void releaseXlib(Head& h);
    void present(Head& h, bool all = true);
    // The window's size in pixels.
    void windowPixels(Head& h, int& w, int& hgt);
    // New window sizes and display bounds, taken outside any composition.
    void applyPendingSizes();
    // Each full-screen window over its display's bounds again.
    void refitWindows();
    void onXEvent(const XEvent& x);
    void closeWindows();
    // The form takes its image back from the window's (before SDL frees it).
    void unshare(Head& h);
    void presentAll();
    void pumpEvents();
    void endOnSignal();
    // Waits at most ms milliseconds for input; whether any came.
    bool waitForInput(int32_t ms);
    // The scene of the window that an event names; the primary's when the
    // window is none of ours.
    FrmMain& sceneOf(uint32_t windowId);
    // The end of an embedded run (xscreensaver stops it with SIGTERM).
    [[noreturn]] void endEmbedded();

    CommandLine cmd_;
    std::vector<Head> heads_; // heads_[0] is the primary display
    bool running_ = false;
    // Embedded: the given window covers the primary display, so that the
    // end of the run is the end of the saver and may leave the wallpaper.
    bool coversPrimary_ = false;
    int status_ = 0;
    // The X connection of SDL's windows, for waiting on it directly.
    Display* display_ = nullptr;
    // The displays changed (a mode, a monitor plugged, turned or removed).
    bool refitPending_ = false;
    int randrEvents_ = -1; // the first event code of RandR, -1 without it
};

// The rectangles of a w x h window that a present brings to the screen:
// what the last tick or canvas copy changed, or the whole picture.
std::vector<SDL_Rect> rectsToShow(const FrmMain& m, bool all, int w, int h)
{
    std::vector<SDL_Rect> rects;
    if (w <= 0 || h <= 0) return rects;
    if (all || m.changedAll) {
        rects.push_back({0, 0, w, h});
        return rects;
    }
    for (const auto& r : m.changed) {
        SDL_Rect c{r.x0, r.y0, std::min(r.x1, w) - r.x0, std::min(r.y1, h) - r.y0};
        if (c.w > 0 && c.h > 0) rects.push_back(c);
    }
    return rects;
}

void SdlPlatform::present(Head& h, bool all)
{
    if (!h.window || !h.scene) return;
    if (h.viaXlib) {
        presentXlib(h, all);
        return;
    }
    FrmMain& m = *h.scene;
    Surface& f = m.form;
    if (h.shared) {
        // The changed pixels are in the window's image already. While the
        // form lives there, SDL's window surface is not asked for again:
        // after a change of the window's size that would free the image.
        const std::vector<SDL_Rect> rects = rectsToShow(m, all, f.width(), f.height());
        if (rects.empty() ||
            SDL_UpdateWindowSurfaceRects(h.window, rects.data(), static_cast<int>(rects.size())) == 0)
            return;
        // The window's image is no longer the one shown (the window has
        // changed its size): the form takes its image back.
        unshare(h);
        all = true;
    }
    SDL_Surface* ws = SDL_GetWindowSurface(h.window);
    if (!ws) return;
    if (ws->format->format == SDL_PIXELFORMAT_RGB888 && ws->w == f.width() && ws->h == f.height() &&
        ws->pitch == ws->w * 4 && !SDL_MUSTLOCK(ws)) {
        // The same pixel layout and size: the form moves into the window's
        // image, and no frame is copied again.
        f.useMemory(static_cast<Color*>(ws->pixels));
        h.shared = true;
        SDL_UpdateWindowSurface(h.window);
        return;
    }
    const int w = std::min(ws->w, f.width()), hgt = std::min(ws->h, f.height());
    const std::vector<SDL_Rect> rects = rectsToShow(m, all, w, hgt);
    if (rects.empty()) return;
    if (SDL_MUSTLOCK(ws)) SDL_LockSurface(ws);
    const int bpp = ws->format->BytesPerPixel;
    bool converted = true;
    for (const SDL_Rect& r : rects)
        converted = converted &&
                    SDL_ConvertPixels(r.w, r.h, SDL_PIXELFORMAT_RGB888, f.row(r.y) + r.x, f.width() * 4,
                                      ws->format->format,
                                      static_cast<uint8_t*>(ws->pixels) + static_cast<size_t>(r.y) * ws->pitch +
                                          r.x * bpp,
                                      ws->pitch) == 0;
    if (SDL_MUSTLOCK(ws)) SDL_UnlockSurface(ws);
    if (converted) {
        SDL_UpdateWindowSurfaceRects(h.window, rects.data(), static_cast<int>(rects.size()));
        return;
    }
    // SDL cannot write the window's pixel format: Xlib can, or nothing can.
    if (!startXlib(h)) {
        std::fprintf(stderr, "sylvadra: cannot show the landscape in the window's pixel format %s: %s\n",
                     SDL_GetPixelFormatName(ws->format->format), SDL_GetError());
        status_ = 1;
        running_ = false;
        throw ProgramEnd{};
    }
    presentXlib(h, true);
}

bool SdlPlatform::chooseWay(Head& h)
{
    SDL_Surface* ws = SDL_GetWindowSurface(h.window);
    uint32_t px = 0x336699, out[2] = {0, 0};
    if (ws && !SDL_ISPIXELFORMAT_INDEXED(ws->format->format) && ws->format->BytesPerPixel <= 4 &&
        SDL_ConvertPixels(1, 1, SDL_PIXELFORMAT_RGB888, &px, 4, ws->format->format, out, 8) == 0)
        return true;
    if (startXlib(h)) return true;
    XWindowAttributes a{};
    if (display_ && h.xwindow == 0) {
        SDL_SysWMinfo info;
        SDL_VERSION(&info.version);
        if (SDL_GetWindowWMInfo(h.window, &info) && info.subsystem == SDL_SYSWM_X11)
            XGetWindowAttributes(display_, info.info.x11.window, &a);
    }
    static const char* const kClasses[] = {"StaticGray", "GrayScale", "StaticColor",
                                           "PseudoColor", "TrueColor", "DirectColor"};
    const int c = a.visual ? a.visual->c_class : -1;
    std::fprintf(stderr, "sylvadra: cannot show the landscape on a %d-bit %s visual (%s)\n", a.depth,
                 c >= 0 && c < 6 ? kClasses[c] : "unknown", ws ? SDL_GetPixelFormatName(ws->format->format)
                                                                 : SDL_GetError());
    return false;
}

bool SdlPlatform::startXlib(Head& h)
{
    if (h.viaXlib) return true;
    if (!display_) return false;
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(h.window, &info) || info.subsystem != SDL_SYSWM_X11) return false;
    XWindowAttributes a{};
    if (!XGetWindowAttributes(display_, info.info.x11.window, &a) || !a.visual) return false;
    const Visual* v = a.visual;
    if ((v->c_class != TrueColor && v->c_class != DirectColor) || !v->red_mask || !v->green_mask || !v->blue_mask)
        return false;
    auto table = [](unsigned long mask, std::array<unsigned long, 256>& t) {
        const int shift = std::countr_zero(mask);
        const unsigned long top = mask >> shift;
        for (unsigned long c = 0; c < 256; ++c) t[c] = ((c * top + 127) / 255) << shift;
    };
    table(v->red_mask, h.red);
    table(v->green_mask, h.green);
    table(v->blue_mask, h.blue);
    h.xwindow = info.info.x11.window;
    h.visual = a.visual;
    h.depth = a.depth;
    h.gc = XCreateGC(display_, h.xwindow, 0, nullptr);
    // A screen of few colours shows one colour map at a time: that of our
    // full-screen window, whose colours are its own (a window manager
    // would install it as the window takes the focus).
    if (!embedded() && !a.map_installed && a.colormap != None && !windowManagerRunning())
        XInstallColormap(display_, a.colormap);
    unshare(h);
    h.viaXlib = true;
    return true;
}

void SdlPlatform::presentXlib(Head& h, bool all)
{
    const FrmMain& m = *h.scene;
    const Surface& f = m.form;
    if (f.width() <= 0 || f.height() <= 0) return;
    if (!h.image || h.image->width != f.width() || h.image->height != f.height()) {
        if (h.image) XDestroyImage(h.image);
        h.image = XCreateImage(display_, h.visual, static_cast<unsigned>(h.depth), ZPixmap, 0, nullptr,
                               static_cast<unsigned>(f.width()), static_cast<unsigned>(f.height()), 32, 0);
        if (!h.image) return;
        h.image->data = static_cast<char*>(std::malloc(static_cast<size_t>(h.image->bytes_per_line) * f.height()));
        if (!h.image->data) {
            XDestroyImage(h.image);
            h.image = nullptr;
            return;
        }
        all = true;
    }
    XImage* img = h.image;
    const bool native = img->byte_order == (std::endian::native == std::endian::little ? LSBFirst : MSBFirst);
    for (const SDL_Rect& r : rectsToShow(m, all, f.width(), f.height())) {
        for (int y = r.y; y < r.y + r.h; ++y) {
            const Color* src = f.row(y) + r.x;
            char* line = img->data + static_cast<size_t>(y) * img->bytes_per_line;
            auto value = [&](Color c) { return h.red[(c >> 16) & 255] | h.green[(c >> 8) & 255] | h.blue[c & 255]; };
            if (native && img->bits_per_pixel == 32) {
                auto* dst = reinterpret_cast<uint32_t*>(line) + r.x;
                for (int x = 0; x < r.w; ++x) dst[x] = static_cast<uint32_t>(value(src[x]));
            } else if (native && img->bits_per_pixel == 16) {
                auto* dst = reinterpret_cast<uint16_t*>(line) + r.x;
                for (int x = 0; x < r.w; ++x) dst[x] = static_cast<uint16_t>(value(src[x]));
            } else if (img->bits_per_pixel == 8) {
                auto* dst = reinterpret_cast<uint8_t*>(line) + r.x;
                for (int x = 0; x < r.w; ++x) dst[x] = static_cast<uint8_t>(value(src[x]));
            } else {
                for (int x = 0; x < r.w; ++x) XPutPixel(img, r.x + x, y, value(src[x]));
            }
        }
        XPutImage(display_, h.xwindow, h.gc, img, r.x, r.y, r.x, r.y, static_cast<unsigned>(r.w),
                  static_cast<unsigned>(r.h));
    }
    XFlush(display_);
}

void SdlPlatform::releaseXlib(Head& h)
{
    if (h.image) XDestroyImage(h.image);
    if (h.gc) XFreeGC(display_, h.gc);
    h.image = nullptr;
    h.gc = nullptr;
    h.viaXlib = false;
}

void SdlPlatform::unshare(Head& h)
{
    if (!h.shared) return;
    if (h.scene) h.scene->form.ownMemory();
    h.shared = false;
}

void SdlPlatform::presentAll()
{
    for (Head& h : heads_) present(h, false);
}

FrmMain& SdlPlatform::sceneOf(uint32_t windowId)
{
    for (Head& h : heads_)
        if (h.window && SDL_GetWindowID(h.window) == windowId) return *h.scene;
    return *heads_.front().scene;
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
    heads_.front().scene->Form_Unload();
    // The signal stays noted (its descriptor readable): a loop that went on
    // would never wait again.
    running_ = false;
}

void SdlPlatform::windowPixels(Head& h, int& w, int& hgt)
{
    SDL_GetWindowSize(h.window, &w, &hgt);
    if (h.viaXlib) {
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
        const bool full = (SDL_GetWindowFlags(h.window) & SDL_WINDOW_FULLSCREEN_DESKTOP) == SDL_WINDOW_FULLSCREEN_DESKTOP;
        if (full) SDL_SetWindowFullscreen(h.window, 0);
        SDL_SetWindowPosition(h.window, r.x, r.y);
        SDL_SetWindowSize(h.window, r.w, r.h);
        if (full) SDL_SetWindowFullscreen(h.window, SDL_WINDOW_FULLSCREEN_DESKTOP);
        h.resizePending = true;
    }
}

void SdlPlatform::applyPendingSizes()
{
    if (refitPending_) {
        refitPending_ = false;
        refitWindows();
    }
    for (Head& h : heads_) {
        if (!running_ || !h.resizePending) continue;
        h.resizePending = false;
        unshare(h);
        int w = 0, hgt = 0;
        windowPixels(h, w, hgt);
        if (w <= 0 || hgt <= 0) continue;
        // Form_Resize at the new size: a landscape composed for it, with
        // its date line and meadow at the new bottom.
        h.scene->resizeForm(w, hgt);
        if (!running_) return;
        present(h);
        h.next = SDL_GetTicks();
    }
}

void SdlPlatform::onXEvent(const XEvent& x)
{
    if ((x.type == ConfigureNotify && display_ && x.xconfigure.window == DefaultRootWindow(display_)) ||
        (randrEvents_ >= 0 && (x.type == randrEvents_ + RRNotify || x.type == randrEvents_ + RRScreenChangeNotify))) {
        refitPending_ = true;
        return;
    }
    for (Head& h : heads_) {
        SDL_SysWMinfo info;
        SDL_VERSION(&info.version);
        if (!SDL_GetWindowWMInfo(h.window, &info) || info.subsystem != SDL_SYSWM_X11 ||
            info.info.x11.window != x.xany.window)
            continue;
        if (x.type == ConfigureNotify) h.resizePending = true;
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
            heads_.front().scene->Form_Unload();
            running_ = false;
            break;
        case SDL_KEYDOWN: sceneOf(e.key.windowID).Form_KeyDown(); break;
        case SDL_MOUSEBUTTONDOWN: sceneOf(e.button.windowID).Form_MouseDown(); break;
        case SDL_MOUSEMOTION:
            if (!embedded())
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
            if (e.window.event == SDL_WINDOWEVENT_CLOSE) {
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
    pollfd fds[2] = {{ConnectionNumber(display_), POLLIN, 0}, {stopSignalFd(), POLLIN, 0}};
    // A stop signal counts as input (its descriptor, or the interrupted
    // wait): the events that follow see it.
    return poll(fds, stopSignalFd() >= 0 ? 2 : 1, ms) != 0;
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
        Display* d = XOpenDisplay(nullptr);
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
        if (windowManagerRunning()) flags |= SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_ALWAYS_ON_TOP;
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
        else
            randrEvents_ = -1;
        // Those X events come as SDL's window-manager events.
        SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
    }
    // Text as large as the desktop's own on a scaled screen.
    const int dpi = desktopDpi();
    for (Head& h : heads_) {
        if (!chooseWay(h)) return false;
        // The scene at the window's size in pixels.
        int w = 0, hgt = 0;
        windowPixels(h, w, hgt);
        h.scene = std::make_unique<FrmMain>(std::max(w, 1), std::max(hgt, 1));
        h.scene->incremental = true;
        h.scene->setDpi(dpi);
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
    setWallpaperScene(heads_.front().scene.get());
    lh.pump = [this] {
        presentAll();
        pumpEvents();
    };
    try {
        // The primary first, exactly as a single screen runs; then every
        // further display, its window black until its landscape is there.
        for (size_t k = 0; k < heads_.size() && running_; ++k) {
            Head& h = heads_[k];
            h.scene->Form_Load();
            SDL_ShowWindow(h.window);
            if (k == 0) SDL_RaiseWindow(h.window);
            if (k == 0) {
                for (size_t j = 1; j < heads_.size(); ++j) SDL_ShowWindow(heads_[j].window);
            }
            h.scene->Form_Resize();
            present(h);
            h.next = SDL_GetTicks();
        }
        if (heads_.size() > 1 && running_) SDL_RaiseWindow(heads_.front().window);
        uint32_t lastPump = SDL_GetTicks();
        while (running_) {
            applyPendingSizes();
            if (!running_) break;
            uint32_t now = SDL_GetTicks();
            int32_t wait = INT32_MAX;
            for (const Head& h : heads_) wait = std::min(wait, static_cast<int32_t>(h.next - now));
            if (waitForInput(std::max(wait, 0))) {
                pumpEvents();
                lastPump = SDL_GetTicks();
                if (wait > 0) continue;
            } else if (!display_ || now - lastPump >= 250) {
                // Nothing came in. SDL's own upkeep (keeping the desktop's
                // screen saver away) still needs its events pumped now and
                // then, but not at every tick.
                pumpEvents();
                lastPump = now;
            }
            for (size_t k = 0; k < heads_.size() && running_; ++k) {
                Head& h = heads_[k];
                FrmMain& m = *h.scene;
                uint32_t interval = static_cast<uint32_t>(std::max(m.tmrAnimation.interval, 1));
                now = SDL_GetTicks();
                if (static_cast<int32_t>(now - h.next) < 0) continue;
                h.next += interval;
                // After a long stall (a new landscape, a suspended machine)
                // the timer does not try to catch up.
                if (static_cast<int32_t>(now - h.next) > static_cast<int32_t>(interval)) h.next = now + interval;
                if (m.tmrAnimation.enabled) {
                    m.tmrAnimation_Timer();
                    if (running_) present(h, false);
                }
            }
        }
    } catch (const ProgramEnd&) {
    }
    lh.pump = nullptr;
    lh.display = nullptr;
    setWallpaperScene(nullptr);
    running_ = false;
    listenForStopSignals(false);
    closeWindows();
}

void SdlPlatform::closeWindows()
{
    for (Head& h : heads_) {
        // A scene whose form lives in the window's image goes first.
        h.scene.reset();
        releaseXlib(h);
        SDL_DestroyWindow(h.window);
    }
    heads_.clear();
    display_ = nullptr;
}

bool SdlPlatform::setWallPaper(const std::string& path)
{
    const char* desk = std::getenv("XDG_CURRENT_DESKTOP");
    std::string d = desk ? desk : "";
    // The file's URI, with whatever the name holds percent-encoded.
    std::string uri;
    if (gchar* u = g_filename_to_uri(path.c_str(), nullptr, nullptr)) {
        uri = u;
        g_free(u);
    } else {
        return false;
    }
    auto run = [](const std::string& cmd) { return std::system(cmd.c_str()) == 0; };
    auto quote = [](const std::string& s) {
        std::string q = "'";
        for (char c : s) q += (c == '\'') ? std::string("'\\''") : std::string(1, c);
        return q + "'";
    };
    if (d.find("GNOME") != std::string::npos || d.find("Unity") != std::string::npos ||
        d.find("Budgie") != std::string::npos) {
        bool a = run("gsettings set org.gnome.desktop.background picture-uri " + quote(uri) + " >/dev/null 2>&1");
        run("gsettings set org.gnome.desktop.background picture-uri-dark " + quote(uri) + " >/dev/null 2>&1");
        return a;
    }
    if (d.find("Cinnamon") != std::string::npos)
        return run("gsettings set org.cinnamon.desktop.background picture-uri " + quote(uri) + " >/dev/null 2>&1");
    if (d.find("MATE") != std::string::npos)
        return run("gsettings set org.mate.background picture-filename " + quote(path) + " >/dev/null 2>&1");
    if (d.find("XFCE") != std::string::npos)
        return run("xfconf-query -c xfce4-desktop -p /backdrop/screen0/monitor0/workspace0/last-image -s " +
                   quote(path) + " >/dev/null 2>&1");
    return false; // elsewhere the file alone is written
}

// The preview: the fixed picture stretched over the host's window, redrawn
// when it changes size, until the host destroys it.
void SdlPlatform::runPreview(long long hostWindow)
{
    Display* d = XOpenDisplay(nullptr);
    if (!d) {
        std::fprintf(stderr, "sylvadra: cannot open the display %s\n", XDisplayName(nullptr));
        status_ = 1;
        return;
    }
    XSetErrorHandler(xErrorIgnored);
    Window w = static_cast<Window>(hostWindow);
    XWindowAttributes a{};
    if (!XGetWindowAttributes(d, w, &a)) {
        XCloseDisplay(d);
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
        PaintPicture(s, viewOf(preview), 0, 0, width, height);
        std::vector<uint32_t> px(s.pixels().begin(), s.pixels().end());
        XImage* img = XCreateImage(d, a.visual, static_cast<unsigned>(a.depth), ZPixmap, 0,
                                   reinterpret_cast<char*>(px.data()), static_cast<unsigned>(width),
                                   static_cast<unsigned>(height), 32, width * 4);
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

} // namespace

namespace {

bool envSet(const char* name)
{
    const char* v = std::getenv(name);
    return v && *v;
}

// Why the mode cannot run on this machine's display, empty when it can. The
// full screen and the settings dialog run on X11 or Wayland (or on the
// video driver that SDL_VIDEODRIVER names), the preview on X11 only.
std::string displayMissing(char mode)
{
    if (envSet("DISPLAY")) return {};
    if (mode == 'P') return "no display (DISPLAY is not set)";
    if (envSet("WAYLAND_DISPLAY") || (mode == 'S' && envSet("SDL_VIDEODRIVER"))) return {};
    return "no display (DISPLAY is not set)";
}

} // namespace

int runShell(const CommandLine& c)
{
    std::setlocale(LC_ALL, "");
    std::setlocale(LC_NUMERIC, "C");
    // xscreensaver hands its window over in XSCREENSAVER_WINDOW; that window
    // is taken when no switch is given, also with --root.
    CommandLine run = c;
    std::string text = c.commandText;
    const char* xs = std::getenv("XSCREENSAVER_WINDOW");
    if (xs && *xs && !run.windowId && text.find_first_not_of(" \t") == std::string::npos) {
        char* end = nullptr;
        errno = 0;
        unsigned long id = std::strtoul(xs, &end, 0);
        if (!end || end == xs || *end != '\0' || errno != 0 || xs[0] == '-' || !plausibleWindowId(id)) {
            std::fprintf(stderr, "sylvadra: XSCREENSAVER_WINDOW='%s' is not an X window id\n", xs);
            return 1;
        }
        run.windowId = id;
        run.root = false;
    }
    // A window given by its id (xscreensaver's preview passes --root and
    // --window-id) is taken before the root window.
    if (run.windowId) run.root = false;
    if (run.windowId || run.root) text = "/S";
    std::string sel = text.size() >= 2 ? text.substr(0, 2) : text;
    for (auto& ch : sel) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    bool fullScreen = sel == "/S" || text.find_first_not_of(" \t") == std::string::npos;
    const char mode = fullScreen ? 'S' : sel == "/P" ? 'P' : sel == "/C" ? 'C' : 0;
    if (mode) {
        const std::string missing = displayMissing(mode);
        if (!missing.empty()) {
            std::fprintf(stderr, "sylvadra: %s\n", missing.c_str());
            return 1;
        }
    }
    if (fullScreen && !envSet("SDL_VIDEODRIVER")) {
        // SDL's own choice would fall back to a driver that shows nothing
        // (offscreen) when the display cannot be reached.
        SDL_SetHint(SDL_HINT_VIDEODRIVER, envSet("DISPLAY") ? "x11" : "wayland");
    }
    LinuxHost h;
    setHost(&h);
    SdlPlatform platform(run);
    setSaverPlatform(&platform);
    setPendingOverrides(c.overrides);
    if (fullScreen) {
        if (run.windowId || run.root || xs)
            SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
        // The window's surface is the X server's shared-memory image, and
        // only the changed rectangles are put on the screen. An accelerated
        // surface would go through OpenGL, which uploads and draws the whole
        // picture at every update (and on a machine without a GPU renders it
        // in software): many times the cost of the frame itself. The
        // environment variable of the same name still decides when set.
        SDL_SetHintWithPriority(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0", SDL_HINT_DEFAULT);
        // The program's own handlers take the stop signals (platform/signals).
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_TIMER | SDL_INIT_EVENTS) != 0) {
            if (envSet("DISPLAY"))
                std::fprintf(stderr, "sylvadra: cannot open the display %s: %s\n", std::getenv("DISPLAY"),
                             SDL_GetError());
            else
                std::fprintf(stderr, "sylvadra: no display: %s\n", SDL_GetError());
            setPendingOverrides({});
            setSaverPlatform(nullptr);
            setHost(nullptr);
            return 1;
        }
    }
    if (c.seed) defaultRnd().seed64(*c.seed);
    try {
        Main(text, !c.seed);
    } catch (const ProgramEnd&) {
    }
    // Whatever ended the run, the pointer is visible and the desktop's
    // screen saver released again.
    if (SDL_WasInit(SDL_INIT_VIDEO)) {
        SDL_ShowCursor(SDL_ENABLE);
        SDL_EnableScreenSaver();
        SDL_Quit();
    }
    setPendingOverrides({});
    setSaverPlatform(nullptr);
    setHost(nullptr);
    return platform.status();
}

} // namespace syl

// The Linux shell: the full-screen scene in an SDL2 window (or inside a
// window that xscreensaver hands over), the preview drawn with Xlib into the
// host's window, the settings dialog in GTK 3.
#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <climits>
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

int runSettingsDialog(); // platform/gtk

namespace {

// The saver's host: the system's, with the window's pending events.
class LinuxHost : public SystemHost {
public:
    void doEvents() override
    {
        if (pump) pump();
    }

    std::function<void()> pump;
};

int xErrorIgnored(Display*, XErrorEvent*) { return 0; }

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
    };

    bool embedded() const { return cmd_.windowId.has_value() || cmd_.root; }
    bool openWindows();
    void present(Head& h, bool all = true);
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
    for (const SDL_Rect& r : rects)
        SDL_ConvertPixels(r.w, r.h, SDL_PIXELFORMAT_RGB888, f.row(r.y) + r.x, f.width() * 4, ws->format->format,
                          static_cast<uint8_t*>(ws->pixels) + static_cast<size_t>(r.y) * ws->pitch + r.x * bpp,
                          ws->pitch);
    if (SDL_MUSTLOCK(ws)) SDL_UnlockSurface(ws);
    SDL_UpdateWindowSurfaceRects(h.window, rects.data(), static_cast<int>(rects.size()));
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
            break;
        case SDL_KEYDOWN: sceneOf(e.key.windowID).Form_KeyDown(); break;
        case SDL_MOUSEBUTTONDOWN: sceneOf(e.button.windowID).Form_MouseDown(); break;
        case SDL_MOUSEMOTION:
            if (!embedded())
                sceneOf(e.motion.windowID)
                    .Form_MouseMove(static_cast<float>(e.motion.x), static_cast<float>(e.motion.y));
            break;
        case SDL_WINDOWEVENT:
            if (e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
                for (Head& h : heads_)
                    if (SDL_GetWindowID(h.window) == e.window.windowID) unshare(h);
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
        if (stopSignal()) return true;
        SDL_Event e;
        if (!SDL_WaitEventTimeout(&e, ms)) return false;
        SDL_PushEvent(&e);
        return true;
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
    if (embedded()) {
        Window target = cmd_.windowId ? static_cast<Window>(*cmd_.windowId) : 0;
        if (Display* d = XOpenDisplay(nullptr)) {
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
            if (XGetWindowAttributes(d, target, &a) &&
                XTranslateCoordinates(d, target, DefaultRootWindow(d), 0, 0, &x, &y, &child))
                coversPrimary_ = x <= primary.x && y <= primary.y && x + a.width >= primary.x + primary.w &&
                                 y + a.height >= primary.y + primary.h;
            XCloseDisplay(d);
        }
        SDL_Window* w = SDL_CreateWindowFrom(reinterpret_cast<void*>(target));
        if (w) heads_.push_back(Head{w, nullptr, 0});
    } else {
        int n = std::max(SDL_GetNumVideoDisplays(), 1);
        // Without a window manager a borderless window over the display's
        // bounds is already on top of everything.
        Uint32 flags = SDL_WINDOW_BORDERLESS | SDL_WINDOW_ALLOW_HIGHDPI;
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
        if (embedded() && XGetWindowAttributes(display_, info.info.x11.window, &a))
            XSelectInput(display_, info.info.x11.window, a.your_event_mask | ExposureMask | StructureNotifyMask);
    }
    // Text as large as the desktop's own on a scaled screen.
    const int dpi = desktopDpi();
    for (Head& h : heads_) {
        // The scene at the window's size in pixels.
        int w = 0, hgt = 0;
        SDL_GetWindowSize(h.window, &w, &hgt);
        if (SDL_Surface* ws = SDL_GetWindowSurface(h.window)) {
            w = ws->w;
            hgt = ws->h;
        }
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
    if (!openWindows()) {
        status_ = 1;
        return;
    }
    running_ = true;
    listenForStopSignals(true);
    setWallpaperScene(heads_.front().scene.get());
    auto& lh = static_cast<LinuxHost&>(host());
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
    setWallpaperScene(nullptr);
    running_ = false;
    listenForStopSignals(false);
    for (Head& h : heads_) {
        // A scene whose form lives in the window's image goes first.
        h.scene.reset();
        SDL_DestroyWindow(h.window);
    }
    heads_.clear();
    display_ = nullptr;
}

bool SdlPlatform::setWallPaper(const std::string& path)
{
    const char* desk = std::getenv("XDG_CURRENT_DESKTOP");
    std::string d = desk ? desk : "";
    std::string uri = "file://" + path;
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
    draw(width, height);
    for (;;) {
        XEvent e;
        XNextEvent(d, &e);
        if (e.type == DestroyNotify && e.xdestroywindow.window == w) break;
        if (e.type == ConfigureNotify && e.xconfigure.window == w) {
            if (e.xconfigure.width != width || e.xconfigure.height != height) {
                width = e.xconfigure.width;
                height = e.xconfigure.height;
                draw(width, height);
            }
        } else if (e.type == Expose && e.xexpose.count == 0) {
            draw(width, height);
        }
    }
    XFreeGC(d, gc);
    XCloseDisplay(d);
}

} // namespace

int runShell(const CommandLine& c)
{
    std::setlocale(LC_ALL, "");
    std::setlocale(LC_NUMERIC, "C");
    LinuxHost h;
    setHost(&h);
    // xscreensaver hands its window over in XSCREENSAVER_WINDOW; that window
    // is taken when no switch is given, also with --root.
    CommandLine run = c;
    std::string text = c.commandText;
    const char* xs = std::getenv("XSCREENSAVER_WINDOW");
    if (xs && *xs && !run.windowId && text.find_first_not_of(" \t") == std::string::npos) {
        char* end = nullptr;
        unsigned long id = std::strtoul(xs, &end, 0);
        if (end && *end == '\0' && id) {
            run.windowId = id;
            run.root = false;
        }
    }
    // A window given by its id (xscreensaver's preview passes --root and
    // --window-id) is taken before the root window.
    if (run.windowId) run.root = false;
    if (run.windowId || run.root) text = "/S";
    SdlPlatform platform(run);
    setSaverPlatform(&platform);
    setPendingOverrides(c.overrides);
    std::string sel = text.size() >= 2 ? text.substr(0, 2) : text;
    for (auto& ch : sel) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    bool fullScreen = sel == "/S" || text.find_first_not_of(" \t") == std::string::npos;
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
            std::fprintf(stderr, "sylvadra: no display: %s\n", SDL_GetError());
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

// The Linux shell: runs the mode that the command line asks for.
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
#include <memory>
#include <string>
#include <vector>

#include "platform/deadline.h"
#include "backends/linux/saver_linux.h"
#include <clocale>
#include <sys/stat.h>

#include "errors/ending.h"
#include "errors/handler.h"
#include "platform/random.h"
#include "platform/saver_lock.h"
#include "platform/signals.h"
#include "shell/options.h"
#include "shell/shell.h"

namespace syl {

namespace {

bool envSet(const char* name)
{
    const char* v = std::getenv(name);
    return v && *v;
}

// Whether the full screen runs on the Wayland compositor: in a Wayland
// session (WAYLAND_DISPLAY, or the compositor's default socket when there is
// no X display or the session says it is Wayland's), also when Xwayland
// offers an X display beside it: each output is then shown at its own
// pixels and scale, and the idle daemon of the session starts the saver.
// SDL_VIDEODRIVER=x11 keeps the full screen on the X display.
bool waylandSession()
{
    if (const char* driver = std::getenv("SDL_VIDEODRIVER"); driver && *driver)
        return std::strcmp(driver, "wayland") == 0;
    if (envSet("WAYLAND_DISPLAY")) return true;
    const char* type = std::getenv("XDG_SESSION_TYPE");
    if (envSet("DISPLAY") && !(type && std::strcmp(type, "wayland") == 0)) return false;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (!runtime || runtime[0] != '/') return false;
    struct stat st {};
    return stat((std::string(runtime) + "/wayland-0").c_str(), &st) == 0 && S_ISSOCK(st.st_mode);
}

// Why the mode cannot run on this machine's display, empty when it can. The
// full screen runs on X11 or Wayland (or on the video driver that
// SDL_VIDEODRIVER names), the settings dialog on X11 or Wayland; the
// preview and the scene in a window handed over (what names it) on X11 only.
std::string displayMissing(char mode, const char* x11Only)
{
    if (envSet("DISPLAY")) return {};
    if (x11Only && (envSet("WAYLAND_DISPLAY") || waylandSession()))
        return std::string("no X display (DISPLAY is not set): ") + x11Only + " runs on X11 only";
    if (mode == 'P' || x11Only) return "no display (DISPLAY is not set)";
    if (envSet("WAYLAND_DISPLAY") || (mode == 'S' && envSet("SDL_VIDEODRIVER"))) return {};
    if (mode == 'S' && waylandSession()) return {};
    return "no display (DISPLAY is not set)";
}

} // namespace

int runShell(const CommandLine& c)
{
    if (c.setWallpaper) return runSetWallpaper(c);
    std::setlocale(LC_ALL, "");
    std::setlocale(LC_NUMERIC, "C");
    // xscreensaver hands its window over in XSCREENSAVER_WINDOW; that window
    // is taken when no switch is given, also with --root.
    CommandLine run = c;
    std::string text = c.commandText;
    const char* xs = std::getenv("XSCREENSAVER_WINDOW");
    if (xs && *xs && !run.windowId && !run.background && text.find_first_not_of(" \t") == std::string::npos) {
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
    if (run.windowId || run.root || run.background) text = "/S";
    std::string sel = text.size() >= 2 ? text.substr(0, 2) : text;
    for (auto& ch : sel) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    bool fullScreen = sel == "/S" || text.find_first_not_of(" \t") == std::string::npos;
    const char mode = fullScreen ? 'S' : sel == "/P" ? 'P' : sel == "/C" ? 'C' : 0;
    const char* x11Only = mode == 'P'                   ? "the preview (/P)"
                          : run.windowId && !c.windowId ? "XSCREENSAVER_WINDOW"
                          : run.windowId                ? "--window-id"
                          : run.root                    ? "--root"
                                                        : nullptr;
    if (mode) {
        const std::string missing = displayMissing(mode, x11Only);
        if (!missing.empty()) {
            std::fprintf(stderr, "sylvadra: %s\n", missing.c_str());
            return 1;
        }
    }
    // One full-screen saver at a time (an idle daemon starts one at each
    // timeout): a second one ends at once. Not the background, nor a scene
    // in a window handed over.
    std::unique_ptr<SaverLock> lock;
    if (fullScreen && !x11Only && !run.background) {
        lock = std::make_unique<SaverLock>();
        if (lock->state() == SaverLock::State::Busy) return 0;
        if (lock->state() == SaverLock::State::Failed)
            std::fprintf(stderr, "sylvadra: running without the saver's lock: %s\n", lock->error().c_str());
    }
    const bool wayland = fullScreen && !x11Only && (waylandSession() || (run.background && envSet("WAYLAND_DISPLAY")));
    if (fullScreen && !wayland && !envSet("SDL_VIDEODRIVER")) {
        // SDL's own choice would fall back to a driver that shows nothing
        // (offscreen) when the display cannot be reached.
        SDL_SetHint(SDL_HINT_VIDEODRIVER, envSet("DISPLAY") ? "x11" : "wayland");
    }
    LinuxHost h;
    setHost(&h);
    std::unique_ptr<SdlPlatform> chosen =
        wayland ? std::make_unique<WaylandPlatform>(run) : std::make_unique<SdlPlatform>(run);
    SdlPlatform& platform = *chosen;
    setSaverPlatform(&platform);
    setPendingOverrides(c.overrides);
    if (fullScreen && !wayland) {
        if (run.windowId || run.root || xs || run.background) SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
        // The window's surface is the X server's shared-memory image, and
        // only the changed rectangles are put on the screen. An accelerated
        // surface would go through OpenGL, which uploads and draws the whole
        // picture at every update (and on a machine without a GPU renders it
        // in software): many times the cost of the frame itself. The
        // environment variable of the same name still decides when set.
        SDL_SetHintWithPriority(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0", SDL_HINT_DEFAULT);
        // The program's own handlers take the stop signals (platform/signals).
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        bool sdlUp = false;
        {
            PeerDeadline deadline(std::string("the display ") + (envSet("DISPLAY") ? std::getenv("DISPLAY") : ""));
            sdlUp = SDL_Init(SDL_INIT_VIDEO | SDL_INIT_TIMER | SDL_INIT_EVENTS) == 0;
        }
        if (!sdlUp) {
            if (envSet("DISPLAY"))
                std::fprintf(stderr, "sylvadra: cannot open the display %s: %s\n", std::getenv("DISPLAY"),
                             SDL_GetError());
            else std::fprintf(stderr, "sylvadra: no display: %s\n", SDL_GetError());
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
    return memoryExhausted() ? std::max(platform.status(), 1) : platform.status();
}

} // namespace syl

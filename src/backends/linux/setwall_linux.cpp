// sylvadra --set-wallpaper: a new landscape for each monitor, at that
// monitor's size, made the running desktop's wallpaper. No window and no
// running saver is needed; without a display the pictures are 1920 x 1080.
// With no desktop to reach at all (no display, no known desktop's session
// bus, no sway) nothing is composed and the run fails, so that a timer's
// service tries again once the session is there.
#include <X11/Xlib.h>
#include <sys/stat.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <new>
#include <string>
#include <vector>

#include "backends/linux/desktop_linux.h"
#include "backends/linux/saver_linux.h"
#include "errors/handler.h"
#include "platform/random.h"
#include "platform/system_host.h"
#include "scene/daylight.h"
#include "settings/config.h"
#include "shell/options.h"
#include "shell/wallpapers.h"

namespace syl {

namespace {

// The size of the pictures when no display tells the monitors'.
constexpr int kFallbackWidth = 1920, kFallbackHeight = 1080;

// The monitors of the running desktop: sway's outputs under sway (its X
// server, Xwayland, names its own outputs), RandR's monitors on X11 (also
// Xwayland's elsewhere), else one of the fallback size.
std::vector<MonitorArea> desktopMonitors(Desktop desktop)
{
    std::vector<MonitorArea> monitors;
    const char* sway = std::getenv("SWAYSOCK");
    if (desktop == Desktop::Sway && sway && *sway) swayOutputs(sway, monitors, nullptr);
    const char* display = std::getenv("DISPLAY");
    if (monitors.empty() && display && *display) {
        if (Display* d = openDisplay()) {
            monitors = monitorAreas(d);
            XCloseDisplay(d);
        }
    }
    if (monitors.empty()) monitors.push_back({{}, 0, 0, kFallbackWidth, kFallbackHeight, true});
    return monitors;
}

bool envSet(const char* name)
{
    const char* v = std::getenv(name);
    return v && *v;
}

// Whether any desktop can be reached: a display, sway's socket, or a known
// desktop with a session bus (its address, or the bus socket in the
// runtime folder that the bus library finds by itself).
bool desktopReachable(Desktop desktop)
{
    if (envSet("DISPLAY") || envSet("WAYLAND_DISPLAY") || desktop == Desktop::Sway) return true;
    if (desktop == Desktop::Other) return false;
    if (envSet("DBUS_SESSION_BUS_ADDRESS")) return true;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    struct stat st {};
    return runtime && runtime[0] == '/' && ::stat((std::string(runtime) + "/bus").c_str(), &st) == 0 &&
           S_ISSOCK(st.st_mode);
}

std::string listed(const std::vector<std::string>& paths)
{
    std::string s;
    for (const std::string& p : paths) s += (s.empty() ? "" : " ") + p;
    return s;
}

} // namespace

int runSetWallpaper(const CommandLine& c)
{
    std::setlocale(LC_ALL, "");
    std::setlocale(LC_NUMERIC, "C");
    LinuxHost h;
    setHost(&h);
    const Desktop desktop = detectDesktop(std::getenv("XDG_CURRENT_DESKTOP"), std::getenv("SWAYSOCK"));
    if (!desktopReachable(desktop)) {
        setHost(nullptr);
        std::fprintf(stderr, "sylvadra: no desktop to give the wallpaper to (no DISPLAY, no WAYLAND_DISPLAY, "
                             "no session bus of a known desktop)\n");
        return 1;
    }
    const std::vector<MonitorArea> monitors = desktopMonitors(desktop);
    // The GSettings desktops take one picture for all monitors.
    const bool spanned = desktop == Desktop::Gnome || desktop == Desktop::Cinnamon || desktop == Desktop::Mate;
    const std::string folder = wallpaperFolder();
    WallpaperSet set;
    std::string why;
    bool written = false;
    try {
        // The stored settings decide how the landscapes are composed, as in
        // the saver and in --render.
        LoadConfig();
        applyPendingOverrides();
        defaultRnd().seed64(c.seed ? *c.seed : static_cast<uint64_t>(std::time(nullptr)));
        written = writeWallpaperSet(monitors, spanned, folder, set, &why);
    } catch (const ProgramEnd&) {
        why = "the scene failed; see the error protocol";
    } catch (const std::bad_alloc&) {
        why = "not enough memory for the pictures";
    }
    setHost(nullptr);
    if (!written) {
        std::fprintf(stderr, "sylvadra: no wallpaper: %s\n", why.c_str());
        return 1;
    }

    if (!set.slideshow.empty() && spanned) {
        // GNOME's family takes the whole day's course, and fades from one
        // phase into the next by itself.
        if (setGSettingsWallpaper(desktop, set.slideshow, nullptr, nullptr, &why,
                                  set.spanned.empty() ? "zoom" : "spanned")) {
            std::printf("sylvadra: the wallpaper is %s\n", set.slideshow.c_str());
            return 0;
        }
        std::fprintf(stderr, "sylvadra: the wallpaper is not set: %s\n", why.c_str());
        return 1;
    }
    if (!set.slideshow.empty()) {
        // Elsewhere the picture of the phase of the hour; the timer sets
        // the next one when its phase has come.
        const size_t phase = static_cast<size_t>(phaseNow(SystemHost().now()));
        set.pictures = set.phasePictures[phase];
        set.spanned = set.phaseSpanned[phase];
    }
    std::vector<MonitorPicture> pictures;
    for (size_t i = 0; i < monitors.size(); ++i)
        pictures.push_back({monitors[i].name, monitors[i].primary, set.pictures[i]});
    if (setDesktopWallpapers(pictures, set.spanned, &why)) {
        std::printf("sylvadra: the wallpaper is %s\n",
                    set.spanned.empty() ? listed(set.pictures).c_str() : set.spanned.c_str());
        return 0;
    }
    if (why.empty()) {
        std::vector<std::string> all = set.pictures;
        if (!set.spanned.empty()) all.push_back(set.spanned);
        std::printf("sylvadra: no desktop to give the wallpaper to; the pictures are %s\n", listed(all).c_str());
        return 0;
    }
    std::fprintf(stderr, "sylvadra: the wallpaper is not set: %s\n", why.c_str());
    return 1;
}

} // namespace syl

// The desktop's wallpaper on Linux, through each desktop's own interface:
// which desktop runs, and a set of pictures handed to it.
#include "backends/linux/desktop_linux.h"

#include <gio/gio.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "backends/linux/desktop_private.h"
#include "platform/deadline.h"

namespace syl {

using namespace desktop;

Desktop detectDesktop(const char* currentDesktop, const char* swaySocket)
{
    bool haveSway = swaySocket && *swaySocket;
    std::string list = currentDesktop ? currentDesktop : "";
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(':', start);
        if (end == std::string::npos) end = list.size();
        std::string entry = list.substr(start, end - start);
        auto is = [&](const char* name) { return g_ascii_strcasecmp(entry.c_str(), name) == 0; };
        if (is("GNOME") || is("Unity") || is("Budgie")) return Desktop::Gnome;
        if (is("Cinnamon") || is("X-Cinnamon")) return Desktop::Cinnamon;
        if (is("MATE")) return Desktop::Mate;
        if (is("XFCE")) return Desktop::Xfce;
        if (is("KDE")) return Desktop::Kde;
        if (is("sway") && haveSway) return Desktop::Sway;
        start = end + 1;
    }
    return haveSway ? Desktop::Sway : Desktop::Other;
}

bool setDesktopWallpapers(const std::vector<MonitorPicture>& pictures, const std::string& spanned, std::string* why)
{
    if (why) why->clear();
    if (pictures.empty()) return fail(why, "no picture");
    const MonitorPicture* primary = &pictures[0];
    for (const MonitorPicture& m : pictures)
        if (m.primary) primary = &m;
    const std::string& one = spanned.empty() ? primary->path : spanned;
    const char* options = spanned.empty() ? "zoom" : "spanned";
    auto uriOf = [&](const std::string& path, std::string& uri) {
        gchar* u = g_filename_to_uri(path.c_str(), nullptr, nullptr);
        if (!u) return fail(why, "the picture's name is not an absolute path");
        uri = u;
        g_free(u);
        return true;
    };
    const Desktop desktop = detectDesktop(std::getenv("XDG_CURRENT_DESKTOP"), std::getenv("SWAYSOCK"));
    switch (desktop) {
    case Desktop::Gnome:
    case Desktop::Cinnamon:
    case Desktop::Mate: {
        // GSettings writes through the desktop's settings service on the bus.
        PeerDeadline deadline("the session bus (the desktop's settings)");
        return setGSettingsWallpaper(desktop, one, nullptr, nullptr, why, options);
    }
    case Desktop::Xfce: return setXfceWallpapers(pictures, why);
    case Desktop::Kde: {
        // Plasma numbers its screens from the primary.
        std::vector<std::string> uris;
        std::string uri;
        if (!uriOf(primary->path, uri)) return false;
        uris.push_back(uri);
        for (const MonitorPicture& m : pictures) {
            if (&m == primary) continue;
            if (!uriOf(m.path, uri)) return false;
            uris.push_back(uri);
        }
        return setPlasmaWallpapers(uris, why);
    }
    case Desktop::Sway: {
        const char* sock = std::getenv("SWAYSOCK");
        return setSwayWallpapers(sock ? sock : "", pictures, why);
    }
    case Desktop::Other: break;
    }
    return false; // elsewhere the pictures alone are written
}

bool setDesktopWallpaper(const std::string& path, std::string* why)
{
    if (why) why->clear();
    const Desktop desktop = detectDesktop(std::getenv("XDG_CURRENT_DESKTOP"), std::getenv("SWAYSOCK"));
    switch (desktop) {
    case Desktop::Gnome:
    case Desktop::Cinnamon:
    case Desktop::Mate: {
        PeerDeadline deadline("the session bus (the desktop's settings)");
        return setGSettingsWallpaper(desktop, path, nullptr, nullptr, why);
    }
    case Desktop::Xfce: return setXfceWallpaper(path, why);
    case Desktop::Kde: {
        gchar* u = g_filename_to_uri(path.c_str(), nullptr, nullptr);
        if (!u) return fail(why, "the picture's name is not an absolute path");
        std::string uri = u;
        g_free(u);
        return setPlasmaWallpaper(uri, why);
    }
    case Desktop::Sway: {
        const char* sock = std::getenv("SWAYSOCK");
        return setSwayWallpaper(sock ? sock : "", path, why);
    }
    case Desktop::Other: break;
    }
    return false; // elsewhere the picture file alone is written
}

} // namespace syl

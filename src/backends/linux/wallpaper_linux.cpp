// The desktop's wallpaper setting on Linux desktops.
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
#include "errors/handler.h"
#include <glib.h>


namespace syl {

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

} // namespace syl

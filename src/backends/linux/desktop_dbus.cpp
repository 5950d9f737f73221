// The wallpaper of the desktops reached over D-Bus: xfconf's properties
// (Xfce) and the Plasma shell's scripting (KDE).
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

namespace {

// ---- D-Bus ----

struct Bus {
    GDBusConnection* c = nullptr;
    ~Bus()
    {
        if (!c) return;
        g_dbus_connection_close_sync(c, nullptr, nullptr);
        g_object_unref(c);
    }
};

// A connection of its own to the session bus, so that the address is the
// one of the environment at this call and nothing of it outlives the call.
bool connectSessionBus(Bus& bus, std::string* why)
{
    // A bus that takes the connection and never answers ends the program;
    // each call after that has a timeout of its own.
    PeerDeadline deadline("the session bus");
    GError* err = nullptr;
    gchar* address = g_dbus_address_get_for_bus_sync(G_BUS_TYPE_SESSION, nullptr, &err);
    if (!address) return failWith(why, "no session bus", err);
    bus.c = g_dbus_connection_new_for_address_sync(
        address,
        static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                          G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, &err);
    g_free(address);
    if (!bus.c) return failWith(why, "cannot connect to the session bus", err);
    return true;
}

bool serviceMissing(const GError* err)
{
    return g_error_matches(err, G_DBUS_ERROR, G_DBUS_ERROR_SERVICE_UNKNOWN) ||
           g_error_matches(err, G_DBUS_ERROR, G_DBUS_ERROR_NAME_HAS_NO_OWNER);
}

constexpr const char* kXfconfName = "org.xfce.Xfconf";
constexpr const char* kXfconfPath = "/org/xfce/Xfconf";
constexpr const char* kXfconfChannel = "xfce4-desktop";

bool endsWith(const std::string& s, const std::string& tail)
{
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

} // namespace

bool setXfceWallpaper(const std::string& path, std::string* why)
{
    return setXfceWallpapers({{std::string(), true, path}}, why);
}

bool setXfceWallpapers(const std::vector<MonitorPicture>& pictures, std::string* why)
{
    if (pictures.empty()) return fail(why, "no picture");
    for (const MonitorPicture& m : pictures)
        if (!g_utf8_validate(m.path.c_str(), static_cast<gssize>(m.path.size()), nullptr))
            return fail(why, "the picture's path is not UTF-8");
    const MonitorPicture* primary = &pictures[0];
    for (const MonitorPicture& m : pictures)
        if (m.primary) primary = &m;
    // The picture of a property /backdrop/screen0/monitor<NAME or N>/...
    auto pictureOf = [&](const std::string& property) -> const std::string& {
        static const std::string head = "/backdrop/screen0/monitor";
        if (property.compare(0, head.size(), head) != 0) return primary->path;
        size_t end = property.find('/', head.size());
        std::string monitor = property.substr(head.size(), end == std::string::npos ? end : end - head.size());
        for (const MonitorPicture& m : pictures)
            if (!m.output.empty() && m.output == monitor) return m.path;
        if (!monitor.empty() && monitor.size() < 4 && monitor.find_first_not_of("0123456789") == std::string::npos) {
            size_t n = std::stoul(monitor);
            if (n < pictures.size()) return pictures[n].path;
        }
        return primary->path;
    };
    Bus bus;
    if (!connectSessionBus(bus, why)) return false;

    // Every last-image property there is: one for each monitor and
    // workspace the desktop has shown.
    std::vector<std::string> properties;
    GError* err = nullptr;
    Variant all(g_dbus_connection_call_sync(bus.c, kXfconfName, kXfconfPath, "org.xfce.Xfconf", "GetAllProperties",
                                            g_variant_new("(ss)", kXfconfChannel, "/backdrop"),
                                            G_VARIANT_TYPE("(a{sv})"), G_DBUS_CALL_FLAGS_NONE, kCallTimeoutMs, nullptr,
                                            &err));
    if (!all) {
        if (serviceMissing(err)) return failWith(why, "xfconf is not running", err);
        g_error_free(err); // a channel not made yet: the first monitor's property below
    } else {
        GVariantIter* it = nullptr;
        g_variant_get(all.get(), "(a{sv})", &it);
        const gchar* name = nullptr;
        GVariant* value = nullptr;
        while (g_variant_iter_next(it, "{&sv}", &name, &value)) {
            if (endsWith(name, "/last-image")) properties.emplace_back(name);
            g_variant_unref(value);
        }
        g_variant_iter_free(it);
    }
    if (properties.empty()) {
        for (const MonitorPicture& m : pictures)
            if (!m.output.empty() && g_utf8_validate(m.output.c_str(), -1, nullptr) &&
                m.output.find('/') == std::string::npos)
                properties.push_back("/backdrop/screen0/monitor" + m.output + "/workspace0/last-image");
        if (properties.empty()) properties.emplace_back("/backdrop/screen0/monitor0/workspace0/last-image");
    }
    std::sort(properties.begin(), properties.end());

    bool ok = true;
    for (const std::string& p : properties) {
        Variant r(g_dbus_connection_call_sync(
            bus.c, kXfconfName, kXfconfPath, "org.xfce.Xfconf", "SetProperty",
            g_variant_new("(ssv)", kXfconfChannel, p.c_str(), g_variant_new_string(pictureOf(p).c_str())), nullptr,
            G_DBUS_CALL_FLAGS_NONE, kCallTimeoutMs, nullptr, &err));
        if (!r) ok = failWith(why, "xfconf refused " + p, err);
    }
    return ok;
}

std::string javaScriptString(const std::string& s)
{
    std::string out = "\"";
    for (size_t i = 0; i < s.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        if (c == '\\' || c == '"') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c == 0x7F) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else if (c == 0xE2 && i + 2 < s.size() && static_cast<unsigned char>(s[i + 1]) == 0x80 &&
                   (static_cast<unsigned char>(s[i + 2]) == 0xA8 || static_cast<unsigned char>(s[i + 2]) == 0xA9)) {
            // The line and paragraph separators end a line in older engines.
            out += static_cast<unsigned char>(s[i + 2]) == 0xA8 ? "\\u2028" : "\\u2029";
            i += 2;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::string plasmaWallpaperScript(const std::string& uri)
{
    return "var all = desktops();\n"
           "for (var i = 0; i < all.length; i++) {\n"
           "    var d = all[i];\n"
           "    d.wallpaperPlugin = \"org.kde.image\";\n"
           "    d.currentConfigGroup = [\"Wallpaper\", \"org.kde.image\", \"General\"];\n"
           "    d.writeConfig(\"Image\", " +
           javaScriptString(uri) +
           ");\n"
           "}\n";
}

std::string plasmaWallpaperScript(const std::vector<std::string>& uris)
{
    if (uris.size() == 1) return plasmaWallpaperScript(uris[0]);
    std::string list;
    for (const std::string& u : uris) list += (list.empty() ? "" : ", ") + javaScriptString(u);
    return "var pictures = [" + list +
           "];\n"
           "var all = desktops();\n"
           "for (var i = 0; i < all.length; i++) {\n"
           "    var d = all[i];\n"
           "    var s = d.screen;\n"
           "    d.wallpaperPlugin = \"org.kde.image\";\n"
           "    d.currentConfigGroup = [\"Wallpaper\", \"org.kde.image\", \"General\"];\n"
           "    d.writeConfig(\"Image\", pictures[s >= 0 && s < pictures.length ? s : 0]);\n"
           "}\n";
}

bool setPlasmaWallpaper(const std::string& uri, std::string* why) { return setPlasmaWallpapers({uri}, why); }

bool setPlasmaWallpapers(const std::vector<std::string>& uris, std::string* why)
{
    if (uris.empty()) return fail(why, "no picture");
    Bus bus;
    if (!connectSessionBus(bus, why)) return false;
    std::string script = plasmaWallpaperScript(uris);
    if (!g_utf8_validate(script.c_str(), static_cast<gssize>(script.size()), nullptr))
        return fail(why, "the picture's URI is not UTF-8");
    GError* err = nullptr;
    // Older shells answer nothing, newer ones the script's printed text.
    Variant r(g_dbus_connection_call_sync(bus.c, "org.kde.plasmashell", "/PlasmaShell", "org.kde.PlasmaShell",
                                          "evaluateScript", g_variant_new("(s)", script.c_str()), nullptr,
                                          G_DBUS_CALL_FLAGS_NONE, kCallTimeoutMs, nullptr, &err));
    if (!r) return failWith(why, "the Plasma shell refused the wallpaper script", err);
    return true;
}

} // namespace syl

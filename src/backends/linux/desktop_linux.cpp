// The desktop's wallpaper on Linux, through each desktop's own interface.
#include "backends/linux/desktop_linux.h"

#include <gio/gio.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace syl {
namespace {

// How long a desktop service may take to answer one call.
constexpr int kCallTimeoutMs = 10000;

bool fail(std::string* why, const std::string& reason)
{
    if (why) *why = reason;
    return false;
}

bool failWith(std::string* why, const std::string& what, GError* err)
{
    std::string reason = what + ": " + (err && err->message ? err->message : "unknown error");
    if (err) g_error_free(err);
    return fail(why, reason);
}

struct ObjectUnref {
    void operator()(gpointer p) const { g_object_unref(p); }
};
struct VariantUnref {
    void operator()(GVariant* v) const { g_variant_unref(v); }
};
using Variant = std::unique_ptr<GVariant, VariantUnref>;

// ---- GSettings ----

struct SchemaUnref {
    void operator()(GSettingsSchema* s) const { g_settings_schema_unref(s); }
};

struct WallpaperKey {
    const char* name;
    bool uri;      // the file's URI, else its path
    bool optional; // set only where the schema has it
};

bool stringKey(GSettingsSchema* schema, const char* key)
{
    GSettingsSchemaKey* k = g_settings_schema_get_key(schema, key);
    bool isString = g_variant_type_equal(g_settings_schema_key_get_value_type(k), G_VARIANT_TYPE_STRING);
    g_settings_schema_key_unref(k);
    return isString;
}

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

// ---- sway ----

bool sendAll(int fd, const std::string& data)
{
    size_t done = 0;
    while (done < data.size()) {
        ssize_t n = ::send(fd, data.data() + done, data.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

bool receiveAll(int fd, char* into, size_t size)
{
    size_t done = 0;
    while (done < size) {
        ssize_t n = ::recv(fd, into + done, size - done, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

constexpr char kIpcMagic[] = "i3-ipc";
constexpr size_t kIpcMagicSize = 6;
constexpr size_t kIpcHeaderSize = kIpcMagicSize + 8;
constexpr uint32_t kIpcRunCommand = 0;
// A reply larger than this is not one of a single command.
constexpr uint32_t kIpcMaxReply = 1u << 20;

void putLittleEndian32(std::string& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

uint32_t getLittleEndian32(const char* p)
{
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(static_cast<unsigned char>(p[i])) << (8 * i);
    return v;
}

struct Fd {
    int fd = -1;
    ~Fd()
    {
        if (fd >= 0) ::close(fd);
    }
};

} // namespace

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

bool setGSettingsWallpaper(Desktop desktop, const std::string& path, GSettingsSchemaSource* source,
                           GSettingsBackend* backend, std::string* why)
{
    const char* schemaId = nullptr;
    std::vector<WallpaperKey> keys;
    switch (desktop) {
    case Desktop::Gnome:
        schemaId = "org.gnome.desktop.background";
        keys = {{"picture-uri", true, false}, {"picture-uri-dark", true, true}};
        break;
    case Desktop::Cinnamon:
        schemaId = "org.cinnamon.desktop.background";
        keys = {{"picture-uri", true, false}};
        break;
    case Desktop::Mate:
        schemaId = "org.mate.background";
        keys = {{"picture-filename", false, false}};
        break;
    default:
        return fail(why, "not a GSettings desktop");
    }

    std::string uri;
    if (gchar* u = g_filename_to_uri(path.c_str(), nullptr, nullptr)) {
        uri = u;
        g_free(u);
    } else {
        return fail(why, "the picture's name is not an absolute path");
    }
    if (!g_utf8_validate(path.c_str(), static_cast<gssize>(path.size()), nullptr))
        return fail(why, "the picture's path is not UTF-8");

    // GLib ends the program when a GSettings object is made of a schema it
    // does not know, so the schema is looked up first.
    if (!source) source = g_settings_schema_source_get_default();
    if (!source) return fail(why, "no GSettings schemas are installed");
    std::unique_ptr<GSettingsSchema, SchemaUnref> schema(g_settings_schema_source_lookup(source, schemaId, TRUE));
    if (!schema) return fail(why, std::string("the GSettings schema ") + schemaId + " is not installed");
    if (!g_settings_schema_get_path(schema.get()))
        return fail(why, std::string("the GSettings schema ") + schemaId + " has no path");
    for (const WallpaperKey& k : keys) {
        bool has = g_settings_schema_has_key(schema.get(), k.name);
        if (!has && !k.optional)
            return fail(why, std::string("the GSettings schema ") + schemaId + " has no key " + k.name);
        if (has && !stringKey(schema.get(), k.name))
            return fail(why, std::string("the GSettings key ") + schemaId + " " + k.name + " is not a string");
    }

    std::unique_ptr<GSettings, ObjectUnref> settings(g_settings_new_full(schema.get(), backend, nullptr));
    bool ok = true;
    for (const WallpaperKey& k : keys) {
        if (!g_settings_schema_has_key(schema.get(), k.name)) continue;
        const std::string& value = k.uri ? uri : path;
        if (!g_settings_set_string(settings.get(), k.name, value.c_str())) {
            ok = fail(why, std::string("the GSettings key ") + schemaId + " " + k.name + " cannot be written");
        }
    }
    g_settings_sync();
    return ok;
}

bool setXfceWallpaper(const std::string& path, std::string* why)
{
    if (!g_utf8_validate(path.c_str(), static_cast<gssize>(path.size()), nullptr))
        return fail(why, "the picture's path is not UTF-8");
    Bus bus;
    if (!connectSessionBus(bus, why)) return false;

    // Every last-image property there is: one for each monitor and
    // workspace the desktop has shown.
    std::vector<std::string> properties;
    GError* err = nullptr;
    Variant all(g_dbus_connection_call_sync(bus.c, kXfconfName, kXfconfPath, "org.xfce.Xfconf", "GetAllProperties",
                                            g_variant_new("(ss)", kXfconfChannel, "/backdrop"),
                                            G_VARIANT_TYPE("(a{sv})"), G_DBUS_CALL_FLAGS_NONE, kCallTimeoutMs,
                                            nullptr, &err));
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
    if (properties.empty()) properties.emplace_back("/backdrop/screen0/monitor0/workspace0/last-image");
    std::sort(properties.begin(), properties.end());

    bool ok = true;
    for (const std::string& p : properties) {
        Variant r(g_dbus_connection_call_sync(
            bus.c, kXfconfName, kXfconfPath, "org.xfce.Xfconf", "SetProperty",
            g_variant_new("(ssv)", kXfconfChannel, p.c_str(), g_variant_new_string(path.c_str())), nullptr,
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

bool setPlasmaWallpaper(const std::string& uri, std::string* why)
{
    Bus bus;
    if (!connectSessionBus(bus, why)) return false;
    std::string script = plasmaWallpaperScript(uri);
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

std::string swayBackgroundCommand(const std::string& path)
{
    std::string quoted;
    for (char c : path) {
        if (c == '\\' || c == '"') quoted += '\\';
        quoted += c;
    }
    return "output * bg \"" + quoted + "\" fill";
}

bool swayReplySucceeded(const std::string& reply)
{
    // [{"success":true}], one object for each command; sway may put spaces
    // between the parts.
    static const std::string key = "\"success\"";
    int successes = 0;
    for (size_t at = reply.find(key); at != std::string::npos; at = reply.find(key, at + 1)) {
        size_t i = at + key.size();
        auto skipSpace = [&] {
            while (i < reply.size() && (reply[i] == ' ' || reply[i] == '\t' || reply[i] == '\r' || reply[i] == '\n'))
                ++i;
        };
        skipSpace();
        if (i >= reply.size() || reply[i] != ':') continue;
        ++i;
        skipSpace();
        if (reply.compare(i, 4, "true") != 0) return false;
        ++successes;
    }
    return successes > 0;
}

bool setSwayWallpaper(const std::string& socketPath, const std::string& path, std::string* why)
{
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (socketPath.empty() || socketPath.size() >= sizeof addr.sun_path)
        return fail(why, "the sway socket's name is empty or too long");
    std::memcpy(addr.sun_path, socketPath.c_str(), socketPath.size() + 1);

    Fd s;
    s.fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (s.fd < 0) return fail(why, std::string("no socket: ") + std::strerror(errno));
    timeval timeout{kCallTimeoutMs / 1000, 0};
    ::setsockopt(s.fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    ::setsockopt(s.fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
    if (::connect(s.fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0)
        return fail(why, "cannot connect to sway at " + socketPath + ": " + std::strerror(errno));

    std::string command = swayBackgroundCommand(path);
    std::string message(kIpcMagic, kIpcMagicSize);
    putLittleEndian32(message, static_cast<uint32_t>(command.size()));
    putLittleEndian32(message, kIpcRunCommand);
    message += command;
    if (!sendAll(s.fd, message)) return fail(why, std::string("cannot write to sway: ") + std::strerror(errno));

    char header[kIpcHeaderSize];
    if (!receiveAll(s.fd, header, sizeof header)) return fail(why, "sway did not answer");
    if (std::memcmp(header, kIpcMagic, kIpcMagicSize) != 0) return fail(why, "sway's answer is not an IPC message");
    uint32_t length = getLittleEndian32(header + kIpcMagicSize);
    uint32_t type = getLittleEndian32(header + kIpcMagicSize + 4);
    if (type != kIpcRunCommand || length > kIpcMaxReply) return fail(why, "sway's answer is not a command's");
    std::string reply(length, '\0');
    if (length && !receiveAll(s.fd, reply.data(), length)) return fail(why, "sway's answer is cut short");
    if (!swayReplySucceeded(reply)) return fail(why, "sway refused the background: " + reply);
    return true;
}

bool setDesktopWallpaper(const std::string& path, std::string* why)
{
    if (why) why->clear();
    switch (detectDesktop(std::getenv("XDG_CURRENT_DESKTOP"), std::getenv("SWAYSOCK"))) {
    case Desktop::Gnome:
        return setGSettingsWallpaper(Desktop::Gnome, path, nullptr, nullptr, why);
    case Desktop::Cinnamon:
        return setGSettingsWallpaper(Desktop::Cinnamon, path, nullptr, nullptr, why);
    case Desktop::Mate:
        return setGSettingsWallpaper(Desktop::Mate, path, nullptr, nullptr, why);
    case Desktop::Xfce:
        return setXfceWallpaper(path, why);
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
    case Desktop::Other:
        break;
    }
    return false; // elsewhere the picture file alone is written
}

} // namespace syl

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
#include <utility>
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
constexpr uint32_t kIpcGetOutputs = 3;
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
                           GSettingsBackend* backend, std::string* why, const char* pictureOptions)
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
    if (ok && g_settings_schema_has_key(schema.get(), "picture-options") && stringKey(schema.get(), "picture-options")) {
        std::string wanted = pictureOptions ? pictureOptions : "";
        if (!pictureOptions) {
            // One monitor's picture, spanned over all monitors as a set's
            // spanned picture was, would be stretched over them.
            gchar* now = g_settings_get_string(settings.get(), "picture-options");
            if (now && std::strcmp(now, "spanned") == 0) wanted = "zoom";
            g_free(now);
        }
        if (!wanted.empty()) {
            GSettingsSchemaKey* k = g_settings_schema_get_key(schema.get(), "picture-options");
            Variant value(g_variant_ref_sink(g_variant_new_string(wanted.c_str())));
            const bool takes = g_settings_schema_key_range_check(k, value.get());
            g_settings_schema_key_unref(k);
            if (takes) g_settings_set_value(settings.get(), "picture-options", value.get());
        }
    }
    g_settings_sync();
    return ok;
}

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
        if (!monitor.empty() && monitor.size() < 4 &&
            monitor.find_first_not_of("0123456789") == std::string::npos) {
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

bool setPlasmaWallpaper(const std::string& uri, std::string* why)
{
    return setPlasmaWallpapers({uri}, why);
}

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

namespace {
std::string swayQuoted(const std::string& s)
{
    std::string quoted = "\"";
    for (char c : s) {
        if (c == '\\' || c == '"') quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}
} // namespace

std::string swayBackgroundCommand(const std::string& path)
{
    return "output * bg " + swayQuoted(path) + " fill";
}

std::string swayBackgroundCommands(const std::vector<MonitorPicture>& pictures)
{
    std::string commands;
    for (const MonitorPicture& m : pictures) {
        if (m.output.empty()) {
            const MonitorPicture* primary = &pictures[0];
            for (const MonitorPicture& p : pictures)
                if (p.primary) primary = &p;
            return swayBackgroundCommand(primary->path);
        }
        commands += (commands.empty() ? "" : "; ") + std::string("output ") + swayQuoted(m.output) + " bg " +
                    swayQuoted(m.path) + " fill";
    }
    return commands;
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

namespace {
// One message to sway's IPC socket and its reply.
bool swayRequest(const std::string& socketPath, uint32_t type, const std::string& payload, std::string& reply,
                 std::string* why)
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

    std::string message(kIpcMagic, kIpcMagicSize);
    putLittleEndian32(message, static_cast<uint32_t>(payload.size()));
    putLittleEndian32(message, type);
    message += payload;
    if (!sendAll(s.fd, message)) return fail(why, std::string("cannot write to sway: ") + std::strerror(errno));

    char header[kIpcHeaderSize];
    if (!receiveAll(s.fd, header, sizeof header)) return fail(why, "sway did not answer");
    if (std::memcmp(header, kIpcMagic, kIpcMagicSize) != 0) return fail(why, "sway's answer is not an IPC message");
    uint32_t length = getLittleEndian32(header + kIpcMagicSize);
    uint32_t answered = getLittleEndian32(header + kIpcMagicSize + 4);
    if (answered != type || length > kIpcMaxReply) return fail(why, "sway's answer is not one to the request");
    reply.assign(length, '\0');
    if (length && !receiveAll(s.fd, reply.data(), length)) return fail(why, "sway's answer is cut short");
    return true;
}
} // namespace

bool setSwayWallpaper(const std::string& socketPath, const std::string& path, std::string* why)
{
    return setSwayWallpapers(socketPath, {{std::string(), true, path}}, why);
}

bool setSwayWallpapers(const std::string& socketPath, const std::vector<MonitorPicture>& pictures, std::string* why)
{
    if (pictures.empty()) return fail(why, "no picture");
    std::string reply;
    if (!swayRequest(socketPath, kIpcRunCommand, swayBackgroundCommands(pictures), reply, why)) return false;
    if (!swayReplySucceeded(reply)) return fail(why, "sway refused the background: " + reply);
    return true;
}

bool swayOutputs(const std::string& socketPath, std::vector<MonitorArea>& outputs, std::string* why)
{
    std::string reply;
    if (!swayRequest(socketPath, kIpcGetOutputs, "", reply, why)) return false;
    outputs = parseSwayOutputs(reply);
    return !outputs.empty() || fail(why, "sway has no active output");
}

namespace {

// Just enough JSON for sway's answers: objects, arrays, strings, numbers,
// true, false and null, nested at most kJsonDepth deep.
struct Json {
    enum class Kind { Null, Bool, Number, String, Array, Object } kind = Kind::Null;
    bool boolean = false;
    double number = 0;
    std::string text;
    std::vector<Json> items;
    std::vector<std::pair<std::string, Json>> members;

    const Json* operator[](const char* key) const
    {
        for (const auto& [k, v] : members)
            if (k == key) return &v;
        return nullptr;
    }
};

constexpr int kJsonDepth = 32;

class JsonReader {
public:
    explicit JsonReader(const std::string& s) : s_(s) {}
    bool read(Json& out) { return value(out, 0) && (space(), i_ == s_.size()); }

private:
    void space()
    {
        while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\t' || s_[i_] == '\n' || s_[i_] == '\r')) ++i_;
    }
    bool literal(const char* word)
    {
        size_t n = std::strlen(word);
        if (s_.compare(i_, n, word) != 0) return false;
        i_ += n;
        return true;
    }
    bool string(std::string& out)
    {
        if (i_ >= s_.size() || s_[i_] != '"') return false;
        ++i_;
        while (i_ < s_.size() && s_[i_] != '"') {
            char c = s_[i_++];
            if (c != '\\') {
                out += c;
                continue;
            }
            if (i_ >= s_.size()) return false;
            char e = s_[i_++];
            switch (e) {
            case 'b': out += '\b'; break;
            case 'f': out += '\f'; break;
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case 't': out += '\t'; break;
            case 'u': {
                if (i_ + 4 > s_.size()) return false;
                unsigned v = 0;
                for (int k = 0; k < 4; ++k) {
                    char h = s_[i_++];
                    int d = g_ascii_xdigit_value(h);
                    if (d < 0) return false;
                    v = v * 16 + static_cast<unsigned>(d);
                }
                char buf[8];
                // A lone half of a surrogate pair stands for itself as U+FFFD.
                gint n = g_unichar_to_utf8(v >= 0xD800 && v <= 0xDFFF ? 0xFFFD : v, buf);
                out.append(buf, static_cast<size_t>(n));
                break;
            }
            default: out += e; break; // " \ /
            }
        }
        if (i_ >= s_.size()) return false;
        ++i_;
        return true;
    }
    bool value(Json& out, int depth)
    {
        if (depth > kJsonDepth) return false;
        space();
        if (i_ >= s_.size()) return false;
        char c = s_[i_];
        if (c == '{') {
            out.kind = Json::Kind::Object;
            ++i_;
            space();
            if (i_ < s_.size() && s_[i_] == '}') return ++i_, true;
            for (;;) {
                space();
                std::string key;
                if (!string(key)) return false;
                space();
                if (i_ >= s_.size() || s_[i_++] != ':') return false;
                Json v;
                if (!value(v, depth + 1)) return false;
                out.members.emplace_back(std::move(key), std::move(v));
                space();
                if (i_ >= s_.size()) return false;
                if (s_[i_] == '}') return ++i_, true;
                if (s_[i_++] != ',') return false;
            }
        }
        if (c == '[') {
            out.kind = Json::Kind::Array;
            ++i_;
            space();
            if (i_ < s_.size() && s_[i_] == ']') return ++i_, true;
            for (;;) {
                Json v;
                if (!value(v, depth + 1)) return false;
                out.items.push_back(std::move(v));
                space();
                if (i_ >= s_.size()) return false;
                if (s_[i_] == ']') return ++i_, true;
                if (s_[i_++] != ',') return false;
            }
        }
        if (c == '"') {
            out.kind = Json::Kind::String;
            return string(out.text);
        }
        if (literal("true") || literal("false")) {
            out.kind = Json::Kind::Bool;
            out.boolean = c == 't';
            return true;
        }
        if (literal("null")) return true;
        const char* start = s_.c_str() + i_;
        char* end = nullptr;
        out.number = g_ascii_strtod(start, &end);
        if (end == start) return false;
        out.kind = Json::Kind::Number;
        i_ += static_cast<size_t>(end - start);
        return true;
    }

    const std::string& s_;
    size_t i_ = 0;
};

double numberOf(const Json* j, double otherwise)
{
    return j && j->kind == Json::Kind::Number ? j->number : otherwise;
}

bool trueOf(const Json* j) { return j && j->kind == Json::Kind::Bool && j->boolean; }

} // namespace

std::vector<MonitorArea> parseSwayOutputs(const std::string& json)
{
    std::vector<MonitorArea> outputs;
    Json all;
    if (!JsonReader(json).read(all) || all.kind != Json::Kind::Array) return outputs;
    for (const Json& o : all.items) {
        const Json* name = o["name"];
        const Json* mode = o["current_mode"];
        const Json* rect = o["rect"];
        // An output that is off has no mode (and sway marks it inactive).
        if (o.kind != Json::Kind::Object || !trueOf(o["active"]) || !name || name->kind != Json::Kind::String ||
            !mode || mode->kind != Json::Kind::Object)
            continue;
        MonitorArea m;
        m.name = name->text;
        // The mode is the output's own pixels; a turned output shows them
        // turned.
        double w = numberOf((*mode)["width"], 0), h = numberOf((*mode)["height"], 0);
        const Json* transform = o["transform"];
        if (transform && transform->kind == Json::Kind::String && (transform->text.find("90") != std::string::npos ||
                                                                   transform->text.find("270") != std::string::npos))
            std::swap(w, h);
        if (!(w >= 1 && h >= 1 && w <= 16384 && h <= 16384)) continue;
        m.width = static_cast<int>(w);
        m.height = static_cast<int>(h);
        if (rect && rect->kind == Json::Kind::Object) {
            m.x = static_cast<int>(std::clamp(numberOf((*rect)["x"], 0), -65536.0, 65536.0));
            m.y = static_cast<int>(std::clamp(numberOf((*rect)["y"], 0), -65536.0, 65536.0));
        }
        m.primary = trueOf(o["focused"]);
        outputs.push_back(std::move(m));
    }
    if (!outputs.empty() && std::none_of(outputs.begin(), outputs.end(), [](const MonitorArea& m) { return m.primary; }))
        outputs[0].primary = true;
    return outputs;
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
    case Desktop::Mate:
        return setGSettingsWallpaper(desktop, one, nullptr, nullptr, why, options);
    case Desktop::Xfce:
        return setXfceWallpapers(pictures, why);
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
    case Desktop::Other:
        break;
    }
    return false; // elsewhere the pictures alone are written
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

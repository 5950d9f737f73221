// The wallpaper of the GSettings desktops (GNOME, Unity, Budgie, Cinnamon,
// MATE): the picture's keys of their background schema.
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

namespace syl {

using namespace desktop;

namespace {

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

} // namespace

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
    default: return fail(why, "not a GSettings desktop");
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
    if (ok && g_settings_schema_has_key(schema.get(), "picture-options") &&
        stringKey(schema.get(), "picture-options")) {
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

} // namespace syl

// The Linux settings store: one GLib key file per application,
// <config dir>/<app in lower case>/settings.ini, sections as groups. The file
// is read afresh for every value and written atomically for every change
// (g_file_set_contents writes a temporary file and renames it over the old
// one), so a crash never leaves half a file behind.
//
// A file that cannot be read yields the defaults. A damaged file is read
// line by line: the lines GKeyFile accepts are kept, the others are dropped
// (and are gone after the next write).
#include "settings/settings_store.h"

#include <glib.h>

#include <cctype>
#include <cstdlib>

#include "platform/numbers.h"

namespace syl {

namespace {

struct KeyFile {
    GKeyFile* kf = g_key_file_new();
    KeyFile() = default;
    KeyFile(const KeyFile&) = delete;
    KeyFile& operator=(const KeyFile&) = delete;
    ~KeyFile() { g_key_file_free(kf); }
};

bool parses(const std::string& text)
{
    KeyFile k;
    return g_key_file_load_from_data(k.kf, text.data(), text.size(), G_KEY_FILE_NONE, nullptr);
}

// The lines of a damaged key file that GKeyFile accepts: comments, blank
// lines, valid group headers and the valid key lines below a valid header.
std::string keepReadableLines(const char* data, gsize length)
{
    std::string out;
    bool inGroup = false;
    gsize pos = 0;
    while (pos < length) {
        gsize end = pos;
        while (end < length && data[end] != '\n') ++end;
        std::string line(data + pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!g_utf8_validate(line.data(), static_cast<gssize>(line.size()), nullptr)) continue;
        size_t first = 0;
        while (first < line.size() && std::isspace(static_cast<unsigned char>(line[first]))) ++first;
        if (first == line.size() || line[first] == '#') {
            // Blank to std::isspace is not always blank to GKeyFile (a
            // vertical tab is not), so GKeyFile decides.
            if (parses(line)) out += line + '\n';
        } else if (line[first] == '[') {
            inGroup = parses(line);
            if (inGroup) out += line + '\n';
        } else if (inGroup && parses("[g]\n" + line)) {
            out += line + '\n';
        }
    }
    return out;
}

// Loads the file into kf; false when there is no readable file.
bool loadLeniently(GKeyFile* kf, const std::string& path)
{
    gchar* data = nullptr;
    gsize length = 0;
    if (!g_file_get_contents(path.c_str(), &data, &length, nullptr)) return false;
    bool ok = g_key_file_load_from_data(kf, data, length, G_KEY_FILE_KEEP_COMMENTS, nullptr);
    if (!ok) {
        std::string kept = keepReadableLines(data, length);
        ok = g_key_file_load_from_data(kf, kept.data(), kept.size(), G_KEY_FILE_KEEP_COMMENTS, nullptr);
    }
    g_free(data);
    return ok;
}

std::string lowerCase(std::string s)
{
    for (auto& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

class IniSettingsStore : public SettingsStore {
public:
    explicit IniSettingsStore(std::string configDir) : configDir_(std::move(configDir)) {}

    std::string get(const std::string& app, const std::string& section, const std::string& key,
                    const std::string& def) override
    {
        KeyFile k;
        if (!loadLeniently(k.kf, fileOf(app))) return def;
        gchar* value = g_key_file_get_string(k.kf, section.c_str(), key.c_str(), nullptr);
        if (!value) return def;
        std::string result = value;
        g_free(value);
        return result;
    }

    void set(const std::string& app, const std::string& section, const std::string& key,
             const std::string& value) override
    {
        KeyFile k;
        if (!loadLeniently(k.kf, fileOf(app))) {
            // What a read cannot see is not written back either: a failed
            // load may have left part of the file in the key file.
            g_key_file_free(k.kf);
            k.kf = g_key_file_new();
        }
        g_key_file_set_string(k.kf, section.c_str(), key.c_str(), value.c_str());
        gsize length = 0;
        gchar* data = g_key_file_to_data(k.kf, &length, nullptr);
        bool ok = data && g_mkdir_with_parents(folderOf(app).c_str(), 0700) == 0 &&
                  g_file_set_contents(fileOf(app).c_str(), data, static_cast<gssize>(length), nullptr);
        g_free(data);
        if (!ok) raiseError(kErrFileAccess);
    }

private:
    std::string folderOf(const std::string& app) const { return configDir_ + "/" + lowerCase(app); }
    std::string fileOf(const std::string& app) const { return folderOf(app) + "/settings.ini"; }

    std::string configDir_;
};

} // namespace

std::string defaultConfigDir()
{
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/') return xdg;
    const char* home = std::getenv("HOME");
    std::string h = (home && home[0]) ? home : g_get_home_dir();
    return h + "/.config";
}

std::unique_ptr<SettingsStore> makeIniSettingsStore(std::string configDir)
{
    return std::make_unique<IniSettingsStore>(std::move(configDir));
}

std::unique_ptr<SettingsStore> makePlatformSettingsStore() { return makeIniSettingsStore(defaultConfigDir()); }

} // namespace syl

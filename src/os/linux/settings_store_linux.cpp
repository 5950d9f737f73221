// The Linux settings store: one GLib key file per application,
// <config dir>/<app in lower case>/settings.ini, sections as groups.
//
// Reading: only a regular file of at most kMaxSettingsFileSize bytes is
// read, through a descriptor opened without blocking (a FIFO or a device in
// its place never hangs the program) and checked with fstat. A missing file
// reads as the defaults; so does one that exists but cannot be read (not a
// regular file, too large, no permission), and such a file is never written
// over: a save fails instead and leaves it as it is. A UTF-8 byte-order mark
// at the start is skipped. A damaged file is read line by line: the lines
// GKeyFile accepts are kept, the others are dropped (and are gone after the
// next write). Inside a reading session the file is read once.
//
// Writing: all keys of a save go into one new file, written as if someone
// hostile shared the machine: created exclusively under an unpredictable
// name in the folder of the file it replaces, given that file's mode (0600
// for a new one), written, synced and renamed over it. A settings.ini that
// is a symbolic link stays one: the file it names is replaced. Anything but
// a regular file is never replaced. On any failure the temporary file is
// removed, the old file stays as it was, and the failure is raised.
#include "settings/settings_store.h"

#include <glib.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string_view>

#include "platform/files.h"
#include "platform/numbers.h"
#include "platform/system_host.h"

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

// What reading the settings file found.
struct FileContents {
    ReadStatus state = ReadStatus::Missing;
    std::string data; // the bytes read
    std::string why;  // the reason (Unreadable)
};

// Reads the file when it is a regular file of a sane size (files.h).
FileContents readSettingsFile(const std::string& path)
{
    FileContents r;
    r.state = readRegularFile(path, static_cast<size_t>(kMaxSettingsFileSize), r.data, &r.why);
    return r;
}

// Loads the text into kf, leniently; false when nothing of it is usable.
bool parseLeniently(GKeyFile* kf, std::string_view text)
{
    // A byte-order mark is no part of the first line.
    constexpr std::string_view kBom = "\xEF\xBB\xBF";
    if (text.substr(0, kBom.size()) == kBom) text.remove_prefix(kBom.size());
    if (g_key_file_load_from_data(kf, text.data(), text.size(), G_KEY_FILE_KEEP_COMMENTS, nullptr)) return true;
    std::string kept = keepReadableLines(text.data(), text.size());
    return g_key_file_load_from_data(kf, kept.data(), kept.size(), G_KEY_FILE_KEEP_COMMENTS, nullptr);
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
        std::shared_ptr<KeyFile> k;
        if (auto it = read_.find(app); it != read_.end()) {
            k = it->second;
        } else {
            k = load(app);
            if (reading_ > 0) read_[app] = k;
        }
        if (!k) return def;
        gchar* value = g_key_file_get_string(k->kf, section.c_str(), key.c_str(), nullptr);
        if (!value) return def;
        std::string result = value;
        g_free(value);
        return result;
    }

    void set(const std::string& app, const std::string& section, const std::string& key,
             const std::string& value) override
    {
        setMany(app, section, {{key, value}});
    }

    void setMany(const std::string& app, const std::string& section, const Values& values) override
    {
        lastFailure_.clear();
        read_.erase(app);
        if (configDir_.empty()) fail("settings.ini", "no home folder to keep it in");
        const std::string folder = folderOf(app);
        const std::string path = fileOf(app);
        if (g_mkdir_with_parents(folder.c_str(), 0700) != 0) fail(folder, std::strerror(errno));
        const FileContents old = readSettingsFile(path);
        // A file that cannot be read is the user's still: it is not replaced
        // by one that holds only what this save knows.
        if (old.state == ReadStatus::Unreadable) fail(path, old.why);

        KeyFile k;
        if (old.state == ReadStatus::Ok && !parseLeniently(k.kf, old.data)) {
            // What a read cannot see is not written back either: a failed
            // load may have left part of the file in the key file.
            g_key_file_free(k.kf);
            k.kf = g_key_file_new();
        }
        for (const auto& [key, value] : values)
            g_key_file_set_string(k.kf, section.c_str(), key.c_str(), value.c_str());
        gsize length = 0;
        gchar* data = g_key_file_to_data(k.kf, &length, nullptr);
        if (!data) fail(path, "cannot be composed");
        const std::string text(data, length);
        g_free(data);

        // A symbolic link stays in place; the file it names is replaced,
        // keeping its mode (a new file is the user's alone).
        std::string why;
        if (!writeFileAtomically(path, text, AtomicFile::Links::Follow, &why, 0600)) fail(path, why);
    }

    void beginReading() override { ++reading_; }
    void endReading() override
    {
        if (reading_ > 0 && --reading_ == 0) read_.clear();
    }
    std::string lastWriteFailure() const override { return lastFailure_; }

private:
    std::string folderOf(const std::string& app) const { return configDir_ + "/" + lowerCase(app); }
    std::string fileOf(const std::string& app) const { return folderOf(app) + "/settings.ini"; }

    // The key file of the application; null when there is no readable file.
    std::shared_ptr<KeyFile> load(const std::string& app) const
    {
        if (configDir_.empty()) return nullptr;
        const FileContents file = readSettingsFile(fileOf(app));
        if (file.state != ReadStatus::Ok) return nullptr;
        auto k = std::make_shared<KeyFile>();
        if (!parseLeniently(k->kf, file.data)) return nullptr;
        return k;
    }

    [[noreturn]] void fail(const std::string& file, const std::string& why)
    {
        lastFailure_ = file + ": " + why;
        raiseError(kErrFileAccess);
    }

    std::string configDir_;
    int reading_ = 0;
    std::map<std::string, std::shared_ptr<KeyFile>> read_; // what a reading session has read, by application
    std::string lastFailure_;
};

} // namespace

std::string defaultConfigDir() { return xdgBaseDir("XDG_CONFIG_HOME", "/.config"); }

std::unique_ptr<SettingsStore> makeIniSettingsStore(std::string configDir)
{
    return std::make_unique<IniSettingsStore>(std::move(configDir));
}

std::unique_ptr<SettingsStore> makePlatformSettingsStore() { return makeIniSettingsStore(defaultConfigDir()); }

} // namespace syl

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

#include <fcntl.h>
#include <glib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string_view>

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

// What reading the settings file found.
struct FileContents {
    enum class State { Missing, Read, Unreadable } state = State::Missing;
    std::string data;  // the bytes read
    mode_t mode = 0;   // the file's permission bits (Read)
    std::string why;   // the reason (Unreadable)
};

std::string reasonOf(int error) { return std::strerror(error); }

// Reads the file when it is a regular file of a sane size. Opening does not
// block (a FIFO), and what is opened is checked before anything is read.
FileContents readSettingsFile(const std::string& path)
{
    FileContents r;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        // No file, or a folder on the way that does not exist or is a file.
        if (errno == ENOENT || errno == ENOTDIR) return r;
        r.state = FileContents::State::Unreadable;
        r.why = reasonOf(errno);
        return r;
    }
    r.state = FileContents::State::Unreadable;
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        r.why = reasonOf(errno);
    } else if (!S_ISREG(st.st_mode)) {
        r.why = "not a regular file";
    } else if (st.st_size > kMaxSettingsFileSize) {
        r.why = "larger than " + std::to_string(kMaxSettingsFileSize) + " bytes";
    } else {
        // One byte more than allowed tells a file that has grown since.
        std::string data(static_cast<size_t>(kMaxSettingsFileSize) + 1, '\0');
        size_t got = 0;
        int error = 0;
        while (got < data.size()) {
            const ssize_t n = ::read(fd, data.data() + got, data.size() - got);
            if (n > 0) {
                got += static_cast<size_t>(n);
            } else if (n == 0) {
                break;
            } else if (errno != EINTR) {
                error = errno;
                break;
            }
        }
        if (error != 0) {
            r.why = reasonOf(error);
        } else if (got > static_cast<size_t>(kMaxSettingsFileSize)) {
            r.why = "larger than " + std::to_string(kMaxSettingsFileSize) + " bytes";
        } else {
            data.resize(got);
            r.data = std::move(data);
            r.mode = st.st_mode & 07777;
            r.state = FileContents::State::Read;
            r.why.clear();
        }
    }
    ::close(fd);
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

// The folder part and the name part of a path.
std::string folderPart(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}
std::string namePart(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Replaces the file at target (which is not a symbolic link) with data:
// a temporary file created exclusively beside it, given mode, written,
// synced and renamed over it. Only a regular file or nothing is replaced.
// Returns an empty string, or the reason of the failure, having removed the
// temporary file.
std::string replaceFile(const std::string& target, std::string_view data, mode_t mode)
{
    std::string temp = folderPart(target) + "/." + namePart(target) + ".XXXXXX";
    int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) return reasonOf(errno);
    auto fail = [&](std::string why) {
        if (fd >= 0) ::close(fd);
        ::unlink(temp.c_str());
        return why;
    };
    if (::fchmod(fd, mode) != 0) return fail(reasonOf(errno));
    size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n > 0) done += static_cast<size_t>(n);
        else if (n < 0 && errno != EINTR) return fail(reasonOf(errno));
        else if (n == 0) return fail(reasonOf(EIO));
    }
    if (::fsync(fd) != 0) return fail(reasonOf(errno));
    const int closed = ::close(fd);
    fd = -1;
    if (closed != 0) return fail(reasonOf(errno));
    struct stat st {};
    if (::lstat(target.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) return fail("not a regular file");
    if (::rename(temp.c_str(), target.c_str()) != 0) return fail(reasonOf(errno));
    // The rename itself reaches the disk with the folder.
    const int dir = ::open(folderPart(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return {};
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
        const std::string folder = folderOf(app);
        const std::string path = fileOf(app);
        if (g_mkdir_with_parents(folder.c_str(), 0700) != 0) fail(folder, reasonOf(errno));
        const FileContents old = readSettingsFile(path);
        // A file that cannot be read is the user's still: it is not replaced
        // by one that holds only what this save knows.
        if (old.state == FileContents::State::Unreadable) fail(path, old.why);

        KeyFile k;
        if (old.state == FileContents::State::Read && !parseLeniently(k.kf, old.data)) {
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

        // A symbolic link stays in place; the file it names is replaced.
        std::string target = path;
        struct stat st {};
        if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
            char resolved[PATH_MAX];
            if (!::realpath(path.c_str(), resolved)) fail(path, reasonOf(errno));
            target = resolved;
        }
        const mode_t mode = old.state == FileContents::State::Read ? old.mode : 0600;
        if (std::string why = replaceFile(target, text, mode); !why.empty()) fail(target, why);
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
        const FileContents file = readSettingsFile(fileOf(app));
        if (file.state != FileContents::State::Read) return nullptr;
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

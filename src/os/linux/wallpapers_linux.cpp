#include "shell/wallpapers.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <map>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <set>
#include <string_view>
#include <utility>

#include "errors/errptnr.h"
#include "platform/codecs.h"
#include "platform/files.h"
#include "platform/host.h"
#include "platform/local_place.h"
#include "platform/picture.h"
#include "settings/config.h"
#include "shell/render.h"
#include "shell/slideshow.h"

namespace syl {

namespace {

// A set's pictures are named landscape-YYYYMMDD-HHMMSS-N-K.png: the moment
// it was made, a number that tells sets of the same second apart, and the
// monitor (1, 2, ...) or "all" for the spanned picture; the pictures of
// dawn, dusk and night have "-dawn", "-dusk" or "-night" after K, and the
// timed wallpaper of a day-and-night set is landscape-...-N-daynight.xml.
constexpr std::string_view kPrefix = "landscape-";
constexpr std::string_view kSuffix = ".png";
constexpr std::string_view kSlideshowSuffix = ".xml";
constexpr const char* kPhaseSuffix[4] = {"", "-dawn", "-dusk", "-night"};

struct SetKey {
    std::string stamp; // YYYYMMDD-HHMMSS
    unsigned long number = 0;
    bool operator<(const SetKey& o) const { return stamp != o.stamp ? stamp < o.stamp : number < o.number; }
    bool operator==(const SetKey& o) const { return stamp == o.stamp && number == o.number; }
};

bool allDigits(std::string_view s)
{
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The set a file name belongs to; false when it is not a set's picture.
bool setOf(std::string_view name, SetKey& key)
{
    if (name.size() < kPrefix.size() + kSuffix.size() || name.substr(0, kPrefix.size()) != kPrefix) return false;
    const std::string_view suffix = name.substr(name.size() - kSuffix.size());
    const bool slideshow = suffix == kSlideshowSuffix;
    if (suffix != kSuffix && !slideshow) return false;
    std::string_view rest = name.substr(kPrefix.size(), name.size() - kPrefix.size() - kSuffix.size());
    // YYYYMMDD-HHMMSS-N-K
    if (rest.size() < 19 || !allDigits(rest.substr(0, 8)) || rest[8] != '-' || !allDigits(rest.substr(9, 6)) ||
        rest[15] != '-')
        return false;
    std::string_view tail = rest.substr(16);
    size_t dash = tail.find('-');
    if (dash == std::string_view::npos) return false;
    std::string_view number = tail.substr(0, dash), which = tail.substr(dash + 1);
    if (slideshow) {
        if (which != "daynight") return false;
    } else {
        for (int p = 1; p < 4; ++p) {
            const std::string_view phase = kPhaseSuffix[p];
            if (which.size() > phase.size() && which.substr(which.size() - phase.size()) == phase) {
                which.remove_suffix(phase.size());
                break;
            }
        }
    }
    if (!allDigits(number) || number.size() > 9 ||
        (!slideshow && ((!allDigits(which) && which != "all") || which.size() > 4)))
        return false;
    key.stamp = std::string(rest.substr(0, 15));
    key.number = std::stoul(std::string(number));
    return true;
}

// The folder opened as the folder it names: a real folder of the user's
// own, never a link to one; -1 otherwise.
int openOwnFolder(const std::string& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid()) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Whether the folder is a real folder of the user's own (not a link).
bool ownFolder(const std::string& folder)
{
    const int fd = openOwnFolder(folder);
    if (fd < 0) return false;
    ::close(fd);
    return true;
}

// The names in the open folder that are sets' pictures, with their sets.
std::vector<std::pair<std::string, SetKey>> setFilesAt(int dirFd)
{
    std::vector<std::pair<std::string, SetKey>> files;
    const int fd = ::dup(dirFd);
    if (fd < 0) return files;
    DIR* d = ::fdopendir(fd);
    if (!d) {
        ::close(fd);
        return files;
    }
    while (dirent* e = ::readdir(d)) {
        SetKey key;
        if (setOf(e->d_name, key)) files.emplace_back(e->d_name, key);
    }
    ::closedir(d);
    return files;
}

std::vector<std::pair<std::string, SetKey>> setFiles(const std::string& folder)
{
    const int fd = openOwnFolder(folder);
    if (fd < 0) return {};
    auto files = setFilesAt(fd);
    ::close(fd);
    return files;
}

std::string two(int v)
{
    char b[8];
    std::snprintf(b, sizeof b, "%02d", v % 100);
    return b;
}

bool writePicture(const std::string& path, const Picture& p, std::string* why)
{
    const std::vector<uint8_t> bytes = encodePng(p);
    std::string reason;
    if (writeFileAtomically(path, {reinterpret_cast<const char*>(bytes.data()), bytes.size()},
                            AtomicFile::Links::Replace, &reason))
        return true;
    if (why) *why = "cannot write " + path + ": " + reason;
    return false;
}

// The size of a PNG file of the user's own (a regular file, not a link).
bool pngSize(const std::string& path, int& width, int& height)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    uint8_t b[24] = {};
    const bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid() &&
                    ::read(fd, b, sizeof b) == static_cast<ssize_t>(sizeof b);
    ::close(fd);
    static const uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (!ok || std::memcmp(b, signature, 8) != 0 || std::memcmp(b + 12, "IHDR", 4) != 0) return false;
    auto be = [&](int at) {
        return static_cast<int>(
            (uint32_t(b[at]) << 24 | uint32_t(b[at + 1]) << 16 | uint32_t(b[at + 2]) << 8 | uint32_t(b[at + 3])) &
            0x7FFFFFFFu);
    };
    width = be(16);
    height = be(20);
    return true;
}

// The newest set, when it was made today in the four phases for monitors of
// these sizes (and spanned as asked) and is there whole: its files.
bool todaysDayNightSet(const std::string& folder, const std::vector<MonitorArea>& monitors, bool spanned,
                       WallpaperSet& set)
{
    const LocalDateTime t = host().now();
    const std::string today = std::to_string(t.year) + two(t.month) + two(t.day);
    SetKey newest;
    bool any = false;
    for (const auto& f : setFiles(folder))
        if (!any || newest < f.second) {
            newest = f.second;
            any = true;
        }
    if (!any || newest.stamp.compare(0, 8, today) != 0) return false;
    const std::string base =
        joinPath(folder, std::string(kPrefix) + newest.stamp + "-" + std::to_string(newest.number) + "-");
    WallpaperSet s;
    int w = 0, h = 0;
    for (size_t k = 0; k < 4; ++k) {
        for (size_t i = 0; i < monitors.size(); ++i) {
            const std::string path = base + std::to_string(i + 1) + kPhaseSuffix[k] + std::string(kSuffix);
            if (!pngSize(path, w, h) || w != monitors[i].width || h != monitors[i].height) return false;
            s.phasePictures[k].push_back(path);
        }
        if (spanned) {
            const std::string path = base + "all" + kPhaseSuffix[k] + std::string(kSuffix);
            if (!pngSize(path, w, h)) return false;
            s.phaseSpanned[k] = path;
        }
    }
    s.slideshow = base + "daynight" + std::string(kSlideshowSuffix);
    struct stat st {};
    if (::lstat(s.slideshow.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) return false;
    s.pictures = s.phasePictures[0];
    s.spanned = s.phaseSpanned[0];
    set = std::move(s);
    return true;
}

} // namespace

std::string wallpaperFolder()
{
    const std::string user = host().userDataDir();
    return user.empty() ? user : joinPath(user, "wallpaper");
}

void pruneWallpaperSets(const std::string& folder, std::size_t keep, const std::string& keepName)
{
    // Never through a link: the folder is opened as itself, and every name
    // is looked at and removed inside what was opened.
    const int dirFd = openOwnFolder(folder);
    if (dirFd < 0) return;
    SetKey kept;
    const bool keepOne = setOf(keepName, kept);
    // Only what the program made itself: regular files of the user's own,
    // not links someone put there under a set's name. Sets are ordered by
    // their files' own times, not by the dates in their names; a time in the
    // future counts as the oldest, so that no file keeps its place for ever.
    const time_t now = std::time(nullptr);
    std::vector<std::pair<std::string, SetKey>> files;
    std::map<SetKey, time_t> newest;
    for (auto& [name, key] : setFilesAt(dirFd)) {
        struct stat st {};
        if (::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode) ||
            st.st_uid != ::geteuid())
            continue;
        const time_t t = st.st_mtime > now + 60 ? 0 : st.st_mtime;
        auto [it, added] = newest.emplace(key, t);
        if (!added) it->second = std::max(it->second, t);
        files.emplace_back(name, key);
    }
    std::vector<std::pair<time_t, SetKey>> order;
    for (const auto& [key, t] : newest) order.emplace_back(t, key);
    std::sort(order.begin(), order.end(), [](const auto& a, const auto& b) {
        return a.first != b.first ? a.first > b.first : b.second < a.second;
    });
    std::set<SetKey> staying;
    if (keepOne) staying.insert(kept);
    for (const auto& entry : order) {
        if (staying.size() >= std::max<std::size_t>(keep, 1)) break;
        staying.insert(entry.second);
    }
    for (const auto& [name, key] : files)
        if (!staying.count(key)) ::unlinkat(dirFd, name.c_str(), 0);
    ::close(dirFd);
}

bool writeWallpaperSet(const std::vector<MonitorArea>& monitors, bool spanned, const std::string& folder,
                       WallpaperSet& set, std::string* why)
{
    set = {};
    auto fail = [&](const std::string& reason) {
        if (why) *why = reason;
        return false;
    };
    if (monitors.empty()) return fail("no monitor");
    if (folder.empty()) return fail("there is no per-user data folder (neither XDG_DATA_HOME nor a home folder)");
    if (!makeUserFolder(folder)) return fail("cannot make the folder " + folder);
    // The program's own folders are real folders of the user's, never links
    // that would send the pictures (and the pruning) somewhere else.
    const std::string user = host().userDataDir();
    for (const std::string& f : {folder, dirOf(folder)}) {
        if (f != folder && f != user) continue;
        if (!ownFolder(f)) return fail("the folder " + f + " is a link or not the user's own");
    }

    int left = monitors[0].x, top = monitors[0].y, right = left, bottom = top;
    for (const MonitorArea& m : monitors) {
        if (m.width < 1 || m.height < 1 || m.width > 16384 || m.height > 16384)
            return fail("a monitor of " + std::to_string(m.width) + "x" + std::to_string(m.height) + " pixels");
        left = std::min(left, m.x);
        top = std::min(top, m.y);
        right = std::max(right, m.x + m.width);
        bottom = std::max(bottom, m.y + m.height);
    }
    // One picture over all monitors only where it makes sense: a bounding
    // box at most four times the monitors' own area (a monitor placed far
    // away would make a huge picture of black); else each monitor's own.
    double area = 0;
    for (const MonitorArea& m : monitors) area += static_cast<double>(m.width) * m.height;
    const double box = static_cast<double>(right - left) * (bottom - top);
    spanned = spanned && monitors.size() > 1 && box <= 4 * area && right - left <= 32768 && bottom - top <= 32768;

    const bool dayNight = settings().DayNight != 0;
    if (dayNight && todaysDayNightSet(folder, monitors, spanned, set)) return true;

    // The set's name: the moment, and a number above every set of that
    // moment there is already. The name is claimed by making its first file
    // (empty until its picture replaces it): another run at the same moment
    // then takes the next number.
    const LocalDateTime t = host().now();
    SetKey key;
    key.stamp = std::to_string(t.year) + two(t.month) + two(t.day) + "-" + two(t.hour) + two(t.minute) + two(t.second);
    key.number = 1;
    for (const auto& f : setFiles(folder))
        if (f.second.stamp == key.stamp && f.second.number >= key.number) key.number = f.second.number + 1;
    auto baseOf = [&] {
        return joinPath(folder, std::string(kPrefix) + key.stamp + "-" + std::to_string(key.number) + "-");
    };
    std::string claimed;
    for (int tries = 0; tries < 1000 && claimed.empty(); ++tries, ++key.number) {
        const std::string first = baseOf() + "1" + std::string(kSuffix);
        const int fd = ::open(first.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0) {
            ::close(fd);
            claimed = first;
            break;
        }
        if (errno != EEXIST) return fail("cannot write " + first + ": " + std::strerror(errno));
    }
    if (claimed.empty()) return fail("no free name for the pictures in " + folder);
    const std::string base = baseOf();

    const int phases = dayNight ? 4 : 1;
    std::array<Picture, 4> all;
    if (spanned) {
        for (int k = 0; k < phases; ++k) {
            all[k].width = right - left;
            all[k].height = bottom - top;
            all[k].pixels.assign(static_cast<size_t>(all[k].width) * static_cast<size_t>(all[k].height), Color{0});
        }
    }
    // No part of a set stays behind: what is written goes again unless the
    // whole set is (also when the scene fails or the memory runs out).
    struct Written {
        std::vector<std::string> paths;
        bool whole = false;
        ~Written()
        {
            if (!whole)
                for (const std::string& p : paths) ::unlink(p.c_str());
        }
    } written;
    written.paths.push_back(claimed);
    WallpaperSet made;
    for (size_t i = 0; i < monitors.size(); ++i) {
        const MonitorArea& m = monitors[i];
        std::array<Picture, 4> lit;
        if (dayNight) lit = composeLandscapePhases(m.width, m.height, kWallpaperTicks);
        else lit[0] = composeLandscape(m.width, m.height, kWallpaperTicks);
        for (int k = 0; k < phases; ++k) {
            const Picture& p = lit[static_cast<size_t>(k)];
            const std::string path = base + std::to_string(i + 1) + kPhaseSuffix[k] + std::string(kSuffix);
            if (!writePicture(path, p, why)) return false;
            if (path != claimed) written.paths.push_back(path);
            made.phasePictures[static_cast<size_t>(k)].push_back(path);
            Picture& a = all[static_cast<size_t>(k)];
            if (spanned && p.width == m.width && p.height == m.height) {
                for (int y = 0; y < p.height; ++y)
                    std::copy_n(p.pixels.begin() + static_cast<ptrdiff_t>(y) * p.width, p.width,
                                a.pixels.begin() + (static_cast<ptrdiff_t>(y + m.y - top) * a.width + (m.x - left)));
            }
        }
    }
    if (spanned) {
        for (int k = 0; k < phases; ++k) {
            const std::string path = base + "all" + kPhaseSuffix[k] + std::string(kSuffix);
            if (!writePicture(path, all[static_cast<size_t>(k)], why)) return false;
            written.paths.push_back(path);
            made.phaseSpanned[static_cast<size_t>(k)] = path;
        }
    }
    if (dayNight) {
        // The timed wallpaper: the spanned pictures, else the primary's.
        size_t primary = 0;
        for (size_t i = 0; i < monitors.size(); ++i)
            if (monitors[i].primary) primary = i;
        std::array<std::string, 4> shown;
        for (size_t k = 0; k < 4; ++k) shown[k] = spanned ? made.phaseSpanned[k] : made.phasePictures[k][primary];
        const LocalDateTime today = host().now();
        const std::string xml = dayNightSlideshow(shown, today, localPlace(), localZoneAt(today));
        made.slideshow = base + "daynight" + std::string(kSlideshowSuffix);
        std::string reason;
        if (!writeFileAtomically(made.slideshow, xml, AtomicFile::Links::Replace, &reason)) {
            if (why) *why = "cannot write " + made.slideshow + ": " + reason;
            return false;
        }
        written.paths.push_back(made.slideshow);
    }
    written.whole = true;
    made.pictures = made.phasePictures[0];
    made.spanned = made.phaseSpanned[0];
    set = std::move(made);
    pruneWallpaperSets(folder, kWallpaperSetsKept, baseNameOf(written.paths.front()) + std::string(kSuffix));
    return true;
}

} // namespace syl

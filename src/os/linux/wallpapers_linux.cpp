#include "shell/wallpapers.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <set>
#include <string_view>
#include <utility>

#include "errors/errptnr.h"
#include "platform/codecs.h"
#include "platform/files.h"
#include "platform/host.h"
#include "platform/picture.h"
#include "shell/render.h"

namespace syl {

namespace {

// A set's pictures are named landscape-YYYYMMDD-HHMMSS-N-K.png: the moment
// it was made, a number that tells sets of the same second apart, and the
// monitor (1, 2, ...) or "all" for the spanned picture.
constexpr std::string_view kPrefix = "landscape-";
constexpr std::string_view kSuffix = ".png";

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
    if (name.size() < kPrefix.size() + kSuffix.size() || name.substr(0, kPrefix.size()) != kPrefix ||
        name.substr(name.size() - kSuffix.size()) != kSuffix)
        return false;
    std::string_view rest = name.substr(kPrefix.size(), name.size() - kPrefix.size() - kSuffix.size());
    // YYYYMMDD-HHMMSS-N-K
    if (rest.size() < 19 || !allDigits(rest.substr(0, 8)) || rest[8] != '-' || !allDigits(rest.substr(9, 6)) ||
        rest[15] != '-')
        return false;
    std::string_view tail = rest.substr(16);
    size_t dash = tail.find('-');
    if (dash == std::string_view::npos) return false;
    std::string_view number = tail.substr(0, dash), which = tail.substr(dash + 1);
    if (!allDigits(number) || number.size() > 9 || (!allDigits(which) && which != "all") || which.size() > 4)
        return false;
    key.stamp = std::string(rest.substr(0, 15));
    key.number = std::stoul(std::string(number));
    return true;
}

// The names in folder that are sets' pictures, with their sets.
std::vector<std::pair<std::string, SetKey>> setFiles(const std::string& folder)
{
    std::vector<std::pair<std::string, SetKey>> files;
    DIR* d = ::opendir(folder.c_str());
    if (!d) return files;
    while (dirent* e = ::readdir(d)) {
        SetKey key;
        if (setOf(e->d_name, key)) files.emplace_back(e->d_name, key);
    }
    ::closedir(d);
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

} // namespace

std::string wallpaperFolder()
{
    const std::string user = host().userDataDir();
    return user.empty() ? user : joinPath(user, "wallpaper");
}

void pruneWallpaperSets(const std::string& folder, std::size_t keep, const std::string& keepName)
{
    auto files = setFiles(folder);
    SetKey kept;
    const bool keepOne = setOf(keepName, kept);
    std::set<SetKey> sets;
    for (const auto& f : files) sets.insert(f.second);
    std::set<SetKey> staying;
    if (keepOne) staying.insert(kept);
    for (auto it = sets.rbegin(); it != sets.rend() && staying.size() < std::max<std::size_t>(keep, 1); ++it)
        staying.insert(*it);
    for (const auto& [name, key] : files) {
        if (staying.count(key)) continue;
        const std::string path = joinPath(folder, name);
        struct stat st{};
        // Only what the program made itself: a regular file of the user's
        // own, not a link someone put there under a set's name.
        if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) continue;
        ::unlink(path.c_str());
    }
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

    // The set's name: the moment, and a number above every set of that
    // moment there is already.
    const LocalDateTime t = host().now();
    SetKey key;
    key.stamp = std::to_string(t.year) + two(t.month) + two(t.day) + "-" + two(t.hour) + two(t.minute) + two(t.second);
    key.number = 1;
    for (const auto& f : setFiles(folder))
        if (f.second.stamp == key.stamp && f.second.number >= key.number) key.number = f.second.number + 1;
    const std::string base = joinPath(folder, std::string(kPrefix) + key.stamp + "-" + std::to_string(key.number) + "-");

    int left = monitors[0].x, top = monitors[0].y, right = left, bottom = top;
    for (const MonitorArea& m : monitors) {
        if (m.width < 1 || m.height < 1 || m.width > 16384 || m.height > 16384)
            return fail("a monitor of " + std::to_string(m.width) + "x" + std::to_string(m.height) + " pixels");
        left = std::min(left, m.x);
        top = std::min(top, m.y);
        right = std::max(right, m.x + m.width);
        bottom = std::max(bottom, m.y + m.height);
    }
    spanned = spanned && monitors.size() > 1;
    if (spanned && (right - left > 32768 || bottom - top > 32768)) spanned = false;

    Picture all;
    if (spanned) {
        all.width = right - left;
        all.height = bottom - top;
        all.pixels.assign(static_cast<size_t>(all.width) * static_cast<size_t>(all.height), Color{0});
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
    for (size_t i = 0; i < monitors.size(); ++i) {
        const MonitorArea& m = monitors[i];
        const Picture p = composeLandscape(m.width, m.height, kWallpaperTicks);
        const std::string path = base + std::to_string(i + 1) + std::string(kSuffix);
        if (!writePicture(path, p, why)) return false;
        written.paths.push_back(path);
        if (spanned && p.width == m.width && p.height == m.height) {
            for (int y = 0; y < p.height; ++y)
                std::copy_n(p.pixels.begin() + static_cast<ptrdiff_t>(y) * p.width, p.width,
                            all.pixels.begin() +
                                (static_cast<ptrdiff_t>(y + m.y - top) * all.width + (m.x - left)));
        }
    }
    if (spanned) {
        const std::string path = base + "all" + std::string(kSuffix);
        if (!writePicture(path, all, why)) return false;
        set.spanned = path;
    }
    written.whole = true;
    set.pictures = written.paths;
    pruneWallpaperSets(folder, kWallpaperSetsKept, baseNameOf(written.paths.front()) + std::string(kSuffix));
    return true;
}

} // namespace syl

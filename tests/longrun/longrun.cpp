// The long run: the animation tick of one scene on a simulated clock for 60
// days, with a new landscape every 10 minutes and the 32-bit tick count
// wrapping past 2^32 ms (twice: the clock starts three days before the wrap).
//
// It checks what a screen saver left alone for weeks must keep:
// - no failure: the error dispatch is never reached (no protocol file, no
//   beep) and the timer is still running at the end;
// - a new landscape every rTime seconds, across each wrap as well;
// - no two gated flying objects (codes 21, 27, 29, 31 to 34) starting less
//   than 100 s apart, across each wrap as well;
// - no growth of memory after the first hour: every allocation of the
//   program goes through the counting operator new below, and the live heap
//   (bytes and blocks) of every later day stays at what the first hour
//   reached. The resident size is reported as well.
//
// Cost: 60 days at the default rate (40 ms) are 130 M ticks, several minutes
// even on a tiny screen. By default the run uses the slowest rate the
// settings dialog offers (Speed 0.1, a tick every 2000 ms: 2.6 M ticks) on a
// 64 x 48 screen; composing the 8,600 landscapes then costs as much as all
// the ticks together. --speed 5 runs the default rate for a full check.
//
// Usage: sylvadra_longrun [--days N] [--speed S] [--size WxH] [--seed N]
//                         [--work DIR]
// Exit status 0 when every check held, 1 otherwise.
#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <new>
#include <string>
#include <vector>

#include "errors/errptnr.h"
#include "platform/host.h"
#include "platform/random.h"
#include "platform/resources.h"
#include "scene/frmmain.h"
#include "settings/config.h"
#include "shell/saver.h"

// ---------------------------------------------------------------------------
// Counting allocator: live bytes (as malloc sizes them) and live blocks.

namespace {
std::atomic<long long> g_liveBytes{0};
std::atomic<long long> g_liveBlocks{0};

void* countedAlloc(std::size_t size)
{
    void* p = std::malloc(size ? size : 1);
    if (!p) throw std::bad_alloc();
    g_liveBytes.fetch_add(static_cast<long long>(malloc_usable_size(p)), std::memory_order_relaxed);
    g_liveBlocks.fetch_add(1, std::memory_order_relaxed);
    return p;
}

void* countedAlignedAlloc(std::size_t size, std::align_val_t align)
{
    void* p = nullptr;
    const std::size_t a = std::max(static_cast<std::size_t>(align), sizeof(void*));
    if (posix_memalign(&p, a, size ? size : 1) != 0) throw std::bad_alloc();
    g_liveBytes.fetch_add(static_cast<long long>(malloc_usable_size(p)), std::memory_order_relaxed);
    g_liveBlocks.fetch_add(1, std::memory_order_relaxed);
    return p;
}

void countedFree(void* p) noexcept
{
    if (!p) return;
    g_liveBytes.fetch_sub(static_cast<long long>(malloc_usable_size(p)), std::memory_order_relaxed);
    g_liveBlocks.fetch_sub(1, std::memory_order_relaxed);
    std::free(p);
}
} // namespace

void* operator new(std::size_t size) { return countedAlloc(size); }
void* operator new[](std::size_t size) { return countedAlloc(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    try {
        return countedAlloc(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    try {
        return countedAlloc(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new(std::size_t size, std::align_val_t a) { return countedAlignedAlloc(size, a); }
void* operator new[](std::size_t size, std::align_val_t a) { return countedAlignedAlloc(size, a); }
void operator delete(void* p) noexcept { countedFree(p); }
void operator delete[](void* p) noexcept { countedFree(p); }
void operator delete(void* p, std::size_t) noexcept { countedFree(p); }
void operator delete[](void* p, std::size_t) noexcept { countedFree(p); }
void operator delete(void* p, std::align_val_t) noexcept { countedFree(p); }
void operator delete[](void* p, std::align_val_t) noexcept { countedFree(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { countedFree(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { countedFree(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { countedFree(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { countedFree(p); }

// ---------------------------------------------------------------------------

namespace {

using namespace syl;

constexpr uint64_t kMsPerHour = 3600ull * 1000ull;
constexpr uint64_t kMsPerDay = 24ull * kMsPerHour;
constexpr uint64_t kWrap = 1ull << 32;
// The gated objects' spacing.
constexpr uint64_t kGateMs = 100000;

struct Options {
    int days = 60;
    float speed = 0.1f;
    int width = 64, height = 48;
    uint64_t seed = 20261208;
    std::string work;
};

bool parseArgs(int argc, char** argv, Options& o)
{
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const char* v = i + 1 < argc ? argv[i + 1] : nullptr;
        if (!v) return false;
        if (a == "--days") o.days = std::atoi(v);
        else if (a == "--speed") o.speed = std::strtof(v, nullptr);
        else if (a == "--size") {
            if (std::sscanf(v, "%dx%d", &o.width, &o.height) != 2) return false;
        } else if (a == "--seed") o.seed = std::strtoull(v, nullptr, 10);
        else if (a == "--work") o.work = v;
        else return false;
        ++i;
    }
    return o.days > 0 && o.speed >= 0.1f && o.speed <= 10.0f && o.width > 0 && o.height > 0;
}

long residentKb()
{
    std::ifstream f("/proc/self/statm");
    long pages = 0, resident = 0;
    f >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// The date and time of the simulated clock: only the time of day matters
// for the frames; days roll over at 28 to keep the date valid.
void advanceClock(HeadlessHost& h, int32_t ms)
{
    h.tick += static_cast<uint32_t>(ms);
    LocalDateTime& c = h.clock;
    c.millisecond += ms;
    while (c.millisecond >= 1000) {
        c.millisecond -= 1000;
        if (++c.second < 60) continue;
        c.second = 0;
        if (++c.minute < 60) continue;
        c.minute = 0;
        if (++c.hour < 24) continue;
        c.hour = 0;
        if (++c.day <= 28) continue;
        c.day = 1;
        if (++c.month <= 12) continue;
        c.month = 1;
        ++c.year;
    }
}

struct DayFigures {
    long long peakBytes = 0;
    long long peakBlocks = 0;
    long residentKb = 0;
};

int checks = 0, failures = 0;
void check(bool ok, const char* what)
{
    ++checks;
    std::printf("%s: %s\n", ok ? "ok" : "FAIL", what);
    if (!ok) ++failures;
}

} // namespace

int main(int argc, char** argv)
{
    Options o;
    if (!parseArgs(argc, argv, o)) {
        std::fprintf(stderr,
                     "usage: sylvadra_longrun [--days N] [--speed 0.1..10] [--size WxH] [--seed N] [--work DIR]\n");
        return 2;
    }
    namespace fs = std::filesystem;
    const fs::path work = o.work.empty() ? fs::temp_directory_path() / ("sylvadra-longrun-" + std::to_string(getpid()))
                                         : fs::path(o.work);
    fs::create_directories(work / "app");

    HeadlessHost h;
    h.exePath_ = (work / "app" / "sylvadra").string();
    h.userDataDir_ = (work / "user").string();
    // Three days before the 32-bit tick count wraps.
    const uint64_t start = kWrap - 3 * kMsPerDay;
    h.tick = static_cast<uint32_t>(start);
    setHost(&h);
    ErrPtnr::Unload();
    resetSaverState();

    Settings& s = settings();
    s = Settings{};
    s.Speed = o.speed;
    s.Restart = 1;
    s.rTime = 600;
    defaultRnd().seed64(o.seed);

    const auto wallStart = std::chrono::steady_clock::now();
    FrmMain m(o.width, o.height);
    // The scene keeps every picture it has decoded, once, by design. Decoding
    // them all first keeps that bounded cache out of the growth check.
    for (ResourceKind kind : {ResourceKind::Bitmap, ResourceKind::Icon})
        for (int id = 1; id <= 400; ++id)
            if (!findResource(kind, id).empty()) m.picture(id, kind);
    m.Form_Load();
    m.Form_Resize();
    const int32_t interval = m.tmrAnimation.interval;

    const uint64_t end = start + static_cast<uint64_t>(o.days) * kMsPerDay;
    uint64_t now = start; // the simulated time in 64 bits: it never wraps
    std::vector<DayFigures> days(static_cast<size_t>(o.days) + 1);
    DayFigures firstHour;
    uint32_t lastBig = m.lastBigStart, lastRestart = m.lastRestart;
    uint64_t prevBigAt = 0, prevRestartAt = 0;
    uint64_t closestBig = UINT64_MAX, minRestartGap = UINT64_MAX, maxRestartGap = 0;
    long long bigStarts = 0, restarts = 0, ticks = 0;
    bool bigAcrossWrap = false, restartAcrossWrap = false;

    while (now < end) {
        advanceClock(h, interval);
        now += static_cast<uint64_t>(interval);
        if (!m.tmrAnimation.enabled) break;
        m.tmrAnimation_Timer();
        ++ticks;

        if (m.lastBigStart != lastBig) {
            lastBig = m.lastBigStart;
            if (prevBigAt) {
                closestBig = std::min(closestBig, now - prevBigAt);
                if (prevBigAt / kWrap != now / kWrap) bigAcrossWrap = true;
            }
            prevBigAt = now;
            ++bigStarts;
        }
        if (m.lastRestart != lastRestart) {
            // The first check only records the time; every later change is a
            // new landscape.
            if (lastRestart != 0) {
                ++restarts;
                const uint64_t gap = now - prevRestartAt;
                minRestartGap = std::min(minRestartGap, gap);
                maxRestartGap = std::max(maxRestartGap, gap);
                if (prevRestartAt / kWrap != now / kWrap) restartAcrossWrap = true;
            }
            lastRestart = m.lastRestart;
            prevRestartAt = now;
        }

        const long long bytes = g_liveBytes.load(std::memory_order_relaxed);
        const long long blocks = g_liveBlocks.load(std::memory_order_relaxed);
        const uint64_t elapsed = now - start;
        const bool inFirstHour = elapsed < kMsPerHour;
        DayFigures& d = inFirstHour ? firstHour : days[static_cast<size_t>(elapsed / kMsPerDay)];
        d.peakBytes = std::max(d.peakBytes, bytes);
        d.peakBlocks = std::max(d.peakBlocks, blocks);
        // The resident size at the last tick of the first hour and of each day.
        const uint64_t next = elapsed + static_cast<uint64_t>(interval);
        if ((inFirstHour && next >= kMsPerHour) || next / kMsPerDay != elapsed / kMsPerDay) d.residentKb = residentKb();
    }
    const double wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    const long endResidentKb = residentKb();

    // Figures.
    std::printf("simulated %d days at %d ms per tick on %dx%d: %lld ticks in %.1f s\n", o.days, interval, o.width,
                o.height, ticks, wallSeconds);
    std::printf("new landscapes: %lld, %.1f to %.1f s apart\n", restarts, minRestartGap / 1000.0,
                maxRestartGap / 1000.0);
    std::printf("gated flying objects started: %lld, closest two %.1f s apart\n", bigStarts, closestBig / 1000.0);
    std::printf("live heap, first hour: %lld bytes in %lld blocks, resident %ld kB\n", firstHour.peakBytes,
                firstHour.peakBlocks, firstHour.residentKb);
    long long laterBytes = 0, laterBlocks = 0, firstHalfBytes = 0, secondHalfBytes = 0;
    for (size_t i = 0; i < static_cast<size_t>(o.days); ++i) {
        const DayFigures& d = days[i];
        laterBytes = std::max(laterBytes, d.peakBytes);
        laterBlocks = std::max(laterBlocks, d.peakBlocks);
        (i < static_cast<size_t>(o.days) / 2 ? firstHalfBytes : secondHalfBytes) =
            std::max(i < static_cast<size_t>(o.days) / 2 ? firstHalfBytes : secondHalfBytes, d.peakBytes);
        if (i == 0 || (i + 1) % 10 == 0 || i + 1 == static_cast<size_t>(o.days))
            std::printf("  day %2zu: live heap peak %lld bytes in %lld blocks, resident %ld kB\n", i + 1, d.peakBytes,
                        d.peakBlocks, d.residentKb);
    }
    std::printf("resident at the end: %ld kB\n", endResidentKb);

    // Checks.
    check(m.tmrAnimation.enabled, "the timer is running at the end");
    check(now >= end, "the run reached its end");
    check(h.beeps == 0 && h.pointerResets == 0, "no failure reached the error dispatch");
    bool protocol = false;
    for (const auto& e : fs::recursive_directory_iterator(work))
        if (e.path().extension() == ".EPT") protocol = true;
    check(!protocol, "no error protocol was written");
    const uint64_t period = static_cast<uint64_t>(s.rTime) * 1000;
    check(restarts >= static_cast<long long>((end - start) / (period + interval)) - 1,
          "a new landscape every rTime seconds");
    check(minRestartGap > period && maxRestartGap <= period + static_cast<uint64_t>(interval) * 2,
          "new landscapes come rTime seconds apart, to the tick");
    check(closestBig >= kGateMs, "gated flying objects start at least 100 s apart");
    if (o.days >= 4) {
        check(bigAcrossWrap, "a pair of gated starts spans a wrap of the tick count");
        check(restartAcrossWrap, "a pair of new landscapes spans a wrap of the tick count");
    }
    // The flying object's strips live in picMask and picObjekt, which keep the
    // largest buffer they have had; a few hundred kilobytes of that may come
    // after the first hour. Anything beyond is growth.
    const long long strips = 2LL * 400 * 200 * 4;
    check(laterBytes <= firstHour.peakBytes + strips, "the live heap stays at what the first hour reached");
    check(laterBlocks <= firstHour.peakBlocks + 16, "the number of live blocks stays at what the first hour reached");
    if (o.days >= 4)
        check(secondHalfBytes <= firstHalfBytes, "the live heap of the second half stays at the first half's");

    std::error_code ec;
    if (o.work.empty()) fs::remove_all(work, ec);
    setHost(nullptr);
    std::printf("longrun: %d of %d checks held\n", checks - failures, checks);
    return failures ? 1 : 0;
}

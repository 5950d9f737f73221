// Benchmarks: a new landscape (Form_Resize) and the animation tick, each
// next to one full-frame memory copy of the same size measured in the same
// run; the counter "frame_copies" is the cost in full-frame copies. Costs
// are the thread's CPU time, so that other work on the machine does not
// count against them.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <time.h>

#include "platform/host.h"
#include "platform/random.h"
#include "platform/sharp_store.h"
#include "scene/frmmain.h"
#include "settings/config.h"

using namespace syl;

namespace {

// The calling thread's CPU time.
struct Clock {
    using duration = std::chrono::nanoseconds;
    using time_point = std::chrono::time_point<Clock, duration>;
    static time_point now()
    {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return time_point(duration(static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec));
    }
};

// Sharp pictures come from a cache folder of the benchmark's own, painted
// before anything is timed (as in every run of the saver after its first).
void useSharpCache()
{
    struct Folder {
        std::string path;
        Folder()
        {
            char tmpl[] = "/tmp/sylvadra-bench-XXXXXX";
            if (const char* d = mkdtemp(tmpl)) path = d;
        }
        ~Folder()
        {
            std::error_code ec;
            if (!path.empty()) std::filesystem::remove_all(path, ec);
        }
    };
    static const Folder folder;
    setSharpCacheFolder(folder.path);
}
void scene(FrmMain& m, bool sharp)
{
    m.sharp = sharp;
    if (!sharp) return;
    useSharpCache();
    m.paintWhenNeeded = true;
    for (int d = 1; d <= 4; ++d) {
        std::vector<SharpKey> keys = landscapeKeys(d), sprites = spriteKeys(d);
        keys.insert(keys.end(), sprites.begin(), sprites.end());
        if (sharpPicturesAtHand(keys)) continue;
        for (const SharpKey& k : keys) sharpPicture(k);
    }
}

// Nanoseconds of one full-frame copy (32-bit pixels), the best of many.
double frameCopyNs(int w, int h)
{
    std::vector<uint32_t> a(static_cast<size_t>(w) * h, 1), b(a.size());
    double best = 1e18;
    for (int i = 0; i < 30; ++i) {
        auto t0 = Clock::now();
        std::memcpy(b.data(), a.data(), a.size() * sizeof(uint32_t));
        benchmark::DoNotOptimize(b.data());
        benchmark::ClobberMemory();
        best = std::min(best, std::chrono::duration<double, std::nano>(Clock::now() - t0).count());
    }
    return best;
}

void BM_FrameCopy(benchmark::State& state)
{
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    std::vector<uint32_t> a(static_cast<size_t>(w) * h, 1), b(a.size());
    for (auto _ : state) {
        std::memcpy(b.data(), a.data(), a.size() * sizeof(uint32_t));
        benchmark::DoNotOptimize(b.data());
        benchmark::ClobberMemory();
    }
}

void BM_FormResize(benchmark::State& state)
{
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    HeadlessHost host;
    setHost(&host);
    settings() = Settings{};
    Rnd rnd(2024);
    setRandomSource(&rnd);
    FrmMain m(w, h);
    scene(m, state.range(2) != 0);
    m.Form_Load();
    m.Form_Resize(); // pictures decoded once, as in a running saver
    const double copy = frameCopyNs(w, h);
    double total = 0;
    long n = 0;
    for (auto _ : state) {
        auto t0 = Clock::now();
        m.Form_Resize();
        total += std::chrono::duration<double, std::nano>(Clock::now() - t0).count();
        ++n;
    }
    state.counters["landscape_ms"] = total / n / 1e6;
    state.counters["frame_copy_ms"] = copy / 1e6;
    state.counters["frame_copies"] = total / n / copy;
    setRandomSource(nullptr);
    setHost(nullptr);
}

// How a tick's frame reaches the window.
enum class Mode {
    Whole = 0,       // composed whole and copied whole
    Incremental = 1, // composed where it changed, the changed parts copied (Windows)
    Shared = 2,      // composed where it changed in the window's own memory (Linux)
};

// Thread CPU time of each of n ticks of one run, each including bringing
// what it changed onto a window's own buffer (as the backends do). Every 500
// ticks a new landscape (not counted), so that clear and cloudy skies, towns
// and forests all take their turn; the first frame of each is composed whole
// and not counted either. The same seed and simulated clock make every run
// do the same work tick for tick.
std::vector<double> tickTimes(int w, int h, Mode mode, bool sharp, int n)
{
    std::vector<uint32_t> window(static_cast<size_t>(w) * h);
    HeadlessHost host;
    host.tick = 3600u * 1000u;
    setHost(&host);
    settings() = Settings{};
    Rnd rnd(2024);
    setRandomSource(&rnd);
    FrmMain m(w, h);
    scene(m, sharp);
    m.incremental = mode != Mode::Whole;
    if (mode == Mode::Shared) m.form.useMemory(window.data());
    m.Form_Load();
    auto present = [&] {
        if (mode == Mode::Shared) return;
        if (m.changedAll) {
            std::memcpy(window.data(), m.form.pixels().data(), window.size() * 4);
            return;
        }
        for (const auto& r : m.changed)
            for (int y = r.y0; y < r.y1; ++y)
                std::memcpy(window.data() + static_cast<size_t>(y) * w + r.x0, m.form.row(y) + r.x0,
                            static_cast<size_t>(r.x1 - r.x0) * 4);
    };
    std::vector<double> times;
    times.reserve(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        host.tick += static_cast<uint32_t>(m.tmrAnimation.interval);
        if (i % 500 == 0) {
            m.Form_Resize();
            m.tmrAnimation_Timer();
            present();
            host.tick += static_cast<uint32_t>(m.tmrAnimation.interval);
        }
        auto t0 = Clock::now();
        m.tmrAnimation_Timer();
        present();
        times.push_back(std::chrono::duration<double, std::nano>(Clock::now() - t0).count());
    }
    setRandomSource(nullptr);
    setHost(nullptr);
    return times;
}

// The average tick over 4,000 ticks at default settings, and the worst
// ordinary tick: range(2) is the Mode. The incremental runs are repeated
// three times and a tick's cost is its cheapest of the three, so that an
// interrupt or a preemption in one run does not pass for the cost of a tick.
void BM_Tick(benchmark::State& state)
{
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    const Mode mode = static_cast<Mode>(state.range(2));
    constexpr int kTicks = 4000;
    const int runs = mode == Mode::Whole ? 1 : 3;
    const double copy = frameCopyNs(w, h);
    std::vector<double> best(kTicks, 1e300);
    double total = 0;
    for (auto _ : state)
        for (int r = 0; r < runs; ++r) {
            const std::vector<double> t = tickTimes(w, h, mode, state.range(3) != 0, kTicks);
            for (int i = 0; i < kTicks; ++i) {
                total += t[static_cast<size_t>(i)];
                best[static_cast<size_t>(i)] = std::min(best[static_cast<size_t>(i)], t[static_cast<size_t>(i)]);
            }
        }
    const double average = total / (static_cast<double>(runs) * kTicks * static_cast<double>(state.iterations()));
    const double worst = *std::max_element(best.begin(), best.end());
    state.counters["tick_ms"] = average / 1e6;
    state.counters["frame_copy_ms"] = copy / 1e6;
    state.counters["frame_copies"] = average / copy;
    state.counters["worst_frame_copies"] = worst / copy;
}

// Filtered drawing, in full frames: the canvas of a sharp landscape
// stretched over the screen (range(2) = 0), and a picture with coverage
// drawn at a quarter of the screen's width over it (range(2) = 1).
void BM_DrawFiltered(benchmark::State& state)
{
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    const int k = w > 1920 ? 4 : 2;
    Surface canvas(640 * k, 480 * k), screen(w, h);
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x) canvas.row(y)[x] = static_cast<Color>(x * 7919u ^ y * 104729u);
    std::vector<uint8_t> cover(static_cast<size_t>(canvas.width()) * canvas.height());
    for (size_t i = 0; i < cover.size(); ++i) cover[i] = static_cast<uint8_t>(i % 3 == 0 ? 0 : i % 3 == 1 ? 255 : i);
    ImageView view = canvas.view();
    if (state.range(2) == 1) view.alpha = cover.data();
    const double copy = frameCopyNs(w, h);
    double total = 0;
    for (auto _ : state) {
        auto t0 = Clock::now();
        if (state.range(2) == 0) DrawFiltered(screen, 0, 0, w, h, view, 0, 0, view.width, view.height);
        else DrawFiltered(screen, 0, 0, w / 4.0, h, view, 0, 0, view.width, view.height);
        benchmark::DoNotOptimize(screen.row(0));
        total += std::chrono::duration<double, std::nano>(Clock::now() - t0).count();
    }
    state.counters["frame_copies"] = total / static_cast<double>(state.iterations()) / copy;
}

} // namespace

BENCHMARK(BM_DrawFiltered)
    ->Args({1920, 1080, 0})
    ->Args({3840, 2160, 0})
    ->Args({3840, 2160, 1})
    ->ArgNames({"w", "h", "cover"})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FrameCopy)->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMillisecond);
// The last argument: sharp pictures.
BENCHMARK(BM_FormResize)
    ->Args({1920, 1080, 0})
    ->Args({3840, 2160, 0})
    ->Args({1920, 1080, 1})
    ->Args({3840, 2160, 1})
    ->ArgNames({"w", "h", "sharp"})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);
BENCHMARK(BM_Tick)
    ->Args({1920, 1080, 0, 0})
    ->Args({1920, 1080, 1, 0})
    ->Args({1920, 1080, 2, 0})
    ->Args({3840, 2160, 0, 0})
    ->Args({3840, 2160, 1, 0})
    ->Args({3840, 2160, 2, 0})
    ->Args({1920, 1080, 2, 1})
    ->Args({3840, 2160, 1, 1})
    ->Args({3840, 2160, 2, 1})
    ->ArgNames({"w", "h", "mode", "sharp"})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

BENCHMARK_MAIN();

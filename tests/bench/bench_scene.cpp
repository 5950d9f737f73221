// Benchmarks: a new landscape (Form_Resize) and the animation tick, each
// next to one full-frame memory copy of the same size measured in the same
// run; the counter "frame_copies" is the cost in full-frame copies. Costs
// are the thread's CPU time, so that other work on the machine does not
// count against them.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <vector>

#include <time.h>

#include "platform/host.h"
#include "platform/random.h"
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

// A tick, and bringing what it changed onto a window's own buffer (as the
// backends do): range(2) = 1 for the incremental composition. Every 500
// ticks a new landscape (not counted), so that clear and cloudy skies, towns
// and forests all take their turn; the first frame of each is composed whole
// and not counted either: "worst_frame_copies" is the worst ordinary tick.
void BM_Tick(benchmark::State& state)
{
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    const bool incremental = state.range(2) != 0;
    std::vector<uint32_t> window(static_cast<size_t>(w) * h);
    HeadlessHost host;
    host.tick = 3600u * 1000u;
    setHost(&host);
    settings() = Settings{};
    Rnd rnd(2024);
    setRandomSource(&rnd);
    FrmMain m(w, h);
    m.incremental = incremental;
    m.Form_Load();
    const double copy = frameCopyNs(w, h);
    double total = 0, worst = 0;
    auto present = [&] {
        if (m.changedAll) {
            std::memcpy(window.data(), m.form.pixels().data(), window.size() * 4);
            return;
        }
        for (const auto& r : m.changed)
            for (int y = r.y0; y < r.y1; ++y)
                std::memcpy(window.data() + static_cast<size_t>(y) * w + r.x0, m.form.row(y) + r.x0,
                            static_cast<size_t>(r.x1 - r.x0) * 4);
    };
    long n = 0;
    for (auto _ : state) {
        host.tick += static_cast<uint32_t>(m.tmrAnimation.interval);
        if (n % 500 == 0) {
            m.Form_Resize();
            m.tmrAnimation_Timer();
            present();
            host.tick += static_cast<uint32_t>(m.tmrAnimation.interval);
        }
        auto t0 = Clock::now();
        m.tmrAnimation_Timer();
        present();
        double ns = std::chrono::duration<double, std::nano>(Clock::now() - t0).count();
        total += ns;
        worst = std::max(worst, ns);
        ++n;
    }
    state.counters["tick_ms"] = total / n / 1e6;
    state.counters["frame_copy_ms"] = copy / 1e6;
    state.counters["frame_copies"] = total / n / copy;
    state.counters["worst_frame_copies"] = worst / copy;
    setRandomSource(nullptr);
    setHost(nullptr);
}

} // namespace

BENCHMARK(BM_FrameCopy)->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FormResize)->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_Tick)
    ->Args({1920, 1080, 0})
    ->Args({1920, 1080, 1})
    ->Args({3840, 2160, 0})
    ->Args({3840, 2160, 1})
    ->ArgNames({"w", "h", "incremental"})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(4000);

BENCHMARK_MAIN();

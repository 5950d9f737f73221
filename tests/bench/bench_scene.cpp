// Benchmarks: a new landscape (Form_Resize) and the animation tick, each
// next to one full-frame memory copy of the same size measured in the same
// run; the counter "frame_copies" is the cost in full-frame copies.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <vector>

#include "platform/host.h"
#include "platform/random.h"
#include "scene/frmmain.h"
#include "settings/config.h"

using namespace syl;

namespace {

using Clock = std::chrono::steady_clock;

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
    state.counters["frame_copy_ms"] = copy / 1e6;
    state.counters["frame_copies"] = total / n / copy;
    setRandomSource(nullptr);
    setHost(nullptr);
}

// A tick, and bringing what it changed onto a window's own buffer (as the
// backends do): range(2) = 1 for the incremental composition.
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
    m.Form_Resize();
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
    // The first frame after a new landscape is composed whole.
    host.tick += static_cast<uint32_t>(m.tmrAnimation.interval);
    m.tmrAnimation_Timer();
    present();
    long n = 0;
    for (auto _ : state) {
        host.tick += static_cast<uint32_t>(m.tmrAnimation.interval);
        auto t0 = Clock::now();
        m.tmrAnimation_Timer();
        present();
        double ns = std::chrono::duration<double, std::nano>(Clock::now() - t0).count();
        total += ns;
        worst = std::max(worst, ns);
        ++n;
    }
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
    ->Iterations(2000);

BENCHMARK_MAIN();

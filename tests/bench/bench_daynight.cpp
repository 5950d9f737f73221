// Benchmark: a change of the phase of the day (the same landscape composed
// again in the new phase's pictures, and put in place at once) beside a new
// landscape of the same scene, in the same run. The counter "of_new" is the
// phase change's cost in new landscapes; it should stay at about 1.
#include <benchmark/benchmark.h>

#include <time.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/host.h"
#include "platform/random.h"
#include "platform/sharp_store.h"
#include "scene/frmmain.h"
#include "settings/config.h"

using namespace syl;

namespace {

double threadSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

void BM_PhaseChange(benchmark::State& state)
{
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    const bool sharp = state.range(2) != 0;
    char tmpl[] = "/tmp/sylvadra-bench-phase-XXXXXX";
    const std::string folder = mkdtemp(tmpl) ? tmpl : "";
    setSharpCacheFolder(folder);
    HeadlessHost host;
    setHost(&host);
    settings() = Settings{};
    Rnd rnd(2024);
    setRandomSource(&rnd);
    {
        FrmMain m(w, h);
        m.sharp = sharp;
        m.paintWhenNeeded = true;
        m.Form_Load();
        m.Form_Resize();
        // Every picture of both phases painted and at hand, as in a saver
        // that has run a day before.
        for (int phase : {0, 3})
            for (int d = 1; d <= 4; ++d) {
                std::vector<SharpKey> keys = landscapeKeys(d, phase), sprites = spriteKeys(d, phase);
                keys.insert(keys.end(), sprites.begin(), sprites.end());
                if ((!sharp && d > 1) || sharpPicturesAtHand(keys)) continue;
                for (const SharpKey& k : keys) sharpPicture(k);
            }
        m.changePhase(3, 0);
        m.Form_Resize();
        double fresh = 0, relit = 0;
        for (auto _ : state) {
            const double t0 = threadSeconds();
            m.Form_Resize();
            const double t1 = threadSeconds();
            m.changePhase(3, 0);
            const double t2 = threadSeconds();
            fresh += t1 - t0;
            relit += t2 - t1;
            state.SetIterationTime(t2 - t1);
        }
        const double n = static_cast<double>(state.iterations());
        state.counters["new_ms"] = fresh / n * 1e3;
        state.counters["phase_ms"] = relit / n * 1e3;
        state.counters["of_new"] = relit / fresh;
    }
    setRandomSource(nullptr);
    setHost(nullptr);
    setSharpCacheFolder("");
    std::error_code ec;
    if (!folder.empty()) std::filesystem::remove_all(folder, ec);
}

} // namespace

// The last argument: sharp pictures.
BENCHMARK(BM_PhaseChange)
    ->Args({1920, 1080, 0})
    ->Args({1920, 1080, 1})
    ->Args({3840, 2160, 1})
    ->ArgNames({"w", "h", "sharp"})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

// Benchmarks of the sharp pictures: painting every picture of a family at
// densities 1 to 4 on one thread, and the disk cache (file sizes, reading
// a picture back). Run one family with --benchmark_filter, e.g.
//   sylvadra_bench --benchmark_filter='BM_Paint/family:3/'
#include <benchmark/benchmark.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/sharp_pictures.h"

using namespace syl;

namespace {

struct Family {
    const char* name;
    ResourceKind kind;
    std::vector<int> ids;
};

std::vector<int> range(int first, int last, int step = 1)
{
    std::vector<int> v;
    for (int i = first; i <= last; i += step) v.push_back(i);
    return v;
}

const std::vector<Family>& families()
{
    static const std::vector<Family> f = {
        {"skies", ResourceKind::Bitmap, range(101, 105)},
        {"meadows", ResourceKind::Bitmap, range(106, 110)},
        {"clouds", ResourceKind::Bitmap, range(121, 128)},
        {"hills", ResourceKind::Bitmap, range(131, 139, 2)},
        {"forest", ResourceKind::Bitmap, {141}},
        {"firs", ResourceKind::Bitmap, {143}},
        {"broadleaves", ResourceKind::Bitmap, {145}},
        {"city", ResourceKind::Bitmap, {151}},
        {"castles", ResourceKind::Bitmap, {153}},
        {"houses", ResourceKind::Bitmap, {161, 163}},
        {"fence", ResourceKind::Bitmap, {165}},
        {"birds", ResourceKind::Bitmap, range(201, 205)},
        {"planes", ResourceKind::Bitmap, {221, 227}},
        {"butterflies", ResourceKind::Bitmap, {223, 225}},
        {"airship", ResourceKind::Bitmap, {229}},
        {"balloons", ResourceKind::Bitmap, {231, 233}},
        {"flowers", ResourceKind::Icon, range(101, 180)},
        {"grass", ResourceKind::Icon, range(181, 200)},
    };
    return f;
}

// A scratch cache folder of this run, removed at the end.
struct Scratch {
    std::string dir;
    Scratch()
    {
        char tmpl[] = "/tmp/sylvadra-bench-XXXXXX";
        if (char* d = mkdtemp(tmpl)) dir = d;
    }
    ~Scratch()
    {
        std::error_code ec;
        if (!dir.empty()) std::filesystem::remove_all(dir, ec);
    }
};

void BM_Paint(benchmark::State& state)
{
    const Family& f = families()[static_cast<size_t>(state.range(0))];
    const int d = static_cast<int>(state.range(1));
    state.SetLabel(f.name);
    double pixels = 0;
    for (auto _ : state)
        for (int id : f.ids) {
            Picture p = paintSharpPicture(f.kind, id, d);
            pixels += double(p.width) * p.height;
            benchmark::DoNotOptimize(p.pixels.data());
        }
    state.counters["pictures"] = double(f.ids.size());
    state.counters["Mpixels"] = pixels / 1e6 / double(state.iterations());
}

// Writes a family's pictures into a cache once, then reads them back; the
// counters give the files' size against the pictures' own (3 or 4 bytes a
// pixel).
void BM_CacheRead(benchmark::State& state)
{
    const Family& f = families()[static_cast<size_t>(state.range(0))];
    const int d = static_cast<int>(state.range(1));
    state.SetLabel(f.name);
    Scratch s;
    double fileBytes = 0, rawBytes = 0;
    for (int id : f.ids) {
        Picture p = paintSharpPicture(f.kind, id, d);
        writeCachedPicture(s.dir, f.kind, id, p);
        rawBytes += double(p.pixels.size()) * 3 + double(p.alpha.size());
        struct stat st {};
        std::string name = s.dir + "/sharp-2/" + (f.kind == ResourceKind::Icon ? "icon-" : "bitmap-") +
                           std::to_string(id) + "-x" + std::to_string(d) + ".pic";
        if (stat(name.c_str(), &st) == 0) fileBytes += double(st.st_size);
    }
    for (auto _ : state)
        for (int id : f.ids) {
            auto p = readCachedPicture(s.dir, f.kind, id, d);
            if (!p) state.SkipWithError("a cached picture did not read back");
            benchmark::DoNotOptimize(p);
        }
    state.counters["file_kB"] = fileBytes / 1024;
    state.counters["raw_kB"] = rawBytes / 1024;
}

void familiesByDensity(benchmark::internal::Benchmark* b)
{
    b->ArgNames({"family", "d"});
    for (int f = 0; f < static_cast<int>(families().size()); ++f)
        for (int d = 1; d <= 4; ++d) b->Args({f, d});
}

} // namespace

BENCHMARK(BM_Paint)->Apply(familiesByDensity)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_CacheRead)->Apply(familiesByDensity)->Unit(benchmark::kMillisecond)->MinTime(0.2);

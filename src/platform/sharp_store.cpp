#include "platform/sharp_store.h"

#include <array>
#include <atomic>
#include <cstdio>
#include <map>
#include <mutex>
#include <tuple>

#include "platform/sharp_pictures.h"
#include "platform/worker.h"

namespace syl {

namespace {

constexpr int kMaxId = 256;
constexpr int kMaxDensity = kMaxSharpDensity;

constexpr int kPhases = 4; // the day and the pictures of dawn, dusk and night

// Set once a picture has been painted into the cache folder in this run.
std::array<std::atomic<bool>, kPhases * 2 * kMaxId * kMaxDensity> g_painted{};
std::string g_folder;
// Set when painting in the background failed (out of memory, say): the
// rest of the run shows classic landscapes.
std::atomic<bool> g_failed{false};
SharpPainter g_painter = nullptr;

// Pictures painted in this run that the cache folder would not take: kept
// here for the rest of the run, so that no landscape paints them again.
struct Kept {
    std::mutex lock;
    std::map<std::tuple<int, int, int>, Picture> pictures;
    bool told = false;
};
Kept& kept()
{
    static Kept k;
    return k;
}
std::tuple<int, int, int> keyOf(const SharpKey& k) { return {static_cast<int>(k.kind), k.id, k.density}; }

std::atomic<bool>* slotOf(const SharpKey& k)
{
    const int kind = k.kind == ResourceKind::Bitmap ? 0 : k.kind == ResourceKind::Icon ? 1 : -1;
    const int phase = k.id / kPhasePictureStep, id = k.id % kPhasePictureStep;
    if (kind < 0 || k.id < 0 || id >= kMaxId || phase >= kPhases || k.density < 1 || k.density > kMaxDensity)
        return nullptr;
    return &g_painted[static_cast<size_t>(((phase * 2 + kind) * kMaxId + id) * kMaxDensity + k.density - 1)];
}

Picture paintAndKeep(const SharpKey& k, const std::atomic<bool>* stop = nullptr)
{
    Picture p = g_painter ? g_painter(k, stop) : paintSharpPicture(k.kind, k.id, k.density, stop);
    if (g_folder.empty() || p.empty()) return p;
    if (!writeCachedPicture(g_folder, k.kind, k.id, p)) {
        Kept& m = kept();
        std::lock_guard<std::mutex> hold(m.lock);
        if (!m.told)
            std::fprintf(stderr,
                         "sylvadra: the picture cache %s cannot be written; the sharp pictures are kept in "
                         "memory for this run\n",
                         g_folder.c_str());
        m.told = true;
        m.pictures[keyOf(k)] = p;
    }
    if (auto* slot = slotOf(k)) slot->store(true, std::memory_order_release);
    return p;
}

// A picture painted in this run that the cache folder would not take.
std::optional<Picture> keptPicture(const SharpKey& k)
{
    Kept& m = kept();
    std::lock_guard<std::mutex> hold(m.lock);
    auto it = m.pictures.find(keyOf(k));
    if (it == m.pictures.end()) return std::nullopt;
    return it->second;
}

// The painter thread: one list at a time; when the program ends, stopped
// between two shapes of the picture it paints.
struct Painter {
    WorkerThread thread;
    std::atomic<bool> busy{false};
    std::atomic<bool> stopping{false};
    void stop()
    {
        stopping = true;
        thread.hurry();
        thread.join();
    }
    ~Painter() { stop(); }
};
Painter& painter()
{
    static Painter p;
    return p;
}

} // namespace

void setSharpCacheFolder(const std::string& folder)
{
    // A new folder is a new start: nothing failed, nothing kept aside.
    g_folder = folder;
    g_failed = false;
    for (auto& slot : g_painted) slot.store(false);
    Kept& m = kept();
    std::lock_guard<std::mutex> hold(m.lock);
    m.pictures.clear();
    m.told = false;
}

void setSharpPainter(SharpPainter painter) { g_painter = painter; }

bool sharpPaintingFailed() { return g_failed.load(); }

void stopSharpPainting() { painter().stop(); }

bool sharpPictureAtHand(const SharpKey& key)
{
    auto* slot = slotOf(key);
    if (!slot || g_folder.empty() || g_failed.load()) return false;
    if (slot->load(std::memory_order_acquire)) return true;
    // The whole file is checked before a landscape counts on it: a damaged
    // one is absent, so that no picture is painted while a landscape is
    // composed. What passed is not checked again in this run.
    if (!cachedPictureIntact(g_folder, key.kind, key.id, key.density)) return false;
    slot->store(true, std::memory_order_release);
    return true;
}

bool sharpPicturesAtHand(const std::vector<SharpKey>& keys)
{
    for (const SharpKey& k : keys)
        if (!sharpPictureAtHand(k)) return false;
    return true;
}

Picture sharpPicture(const SharpKey& key)
{
    if (!slotOf(key)) return {};
    if (std::optional<Picture> k = keptPicture(key)) return std::move(*k);
    if (!g_folder.empty())
        if (std::optional<Picture> cached = readCachedPicture(g_folder, key.kind, key.id, key.density))
            return std::move(*cached);
    return paintAndKeep(key);
}

bool prepareSharpPictures(const std::vector<SharpKey>& keys)
{
    if (g_folder.empty()) return false;
    Painter& p = painter();
    if (p.stopping || g_failed.load()) return false;
    if (p.busy.exchange(true)) return true;
    const bool started = p.thread.start([keys, &p] {
        try {
            for (const SharpKey& k : keys) {
                if (p.stopping) break;
                // A file that is there but fails its checks is painted again.
                if (sharpPictureAtHand(k)) continue;
                paintAndKeep(k, &p.stopping);
            }
        } catch (...) {
            // Whatever failed (memory, most likely), the saver goes on with
            // the classic pictures; the painting is not tried again.
            g_failed = true;
        }
        p.busy = false;
    });
    if (!started) p.busy = false;
    return started;
}

std::vector<SharpKey> landscapeKeys(int density, int phase)
{
    std::vector<SharpKey> keys;
    auto add = [&](int id) {
        keys.push_back({ResourceKind::Bitmap, pictureAtPhase(id, phase), landscapeDensity(id, density)});
    };
    for (int id = 101; id <= 110; ++id) add(id);
    for (int id = 121; id <= 128; ++id) add(id);
    for (int id = 131; id <= 139; id += 2) add(id);
    for (int id : {141, 143, 145, 151, 153, 161, 163, 165}) add(id);
    return keys;
}

std::vector<SharpKey> spriteKeys(int density, int phase)
{
    std::vector<SharpKey> keys;
    for (int id : {201, 202, 203, 204, 205, 221, 223, 225, 227, 229, 231, 233})
        keys.push_back({ResourceKind::Bitmap, pictureAtPhase(id, phase), density});
    for (int id = 101; id <= 200; ++id) keys.push_back({ResourceKind::Icon, pictureAtPhase(id, phase), density});
    return keys;
}

} // namespace syl

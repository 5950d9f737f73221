#include "platform/sharp_store.h"

#include <array>
#include <atomic>

#include "platform/sharp_pictures.h"
#include "platform/worker.h"

namespace syl {

namespace {

constexpr int kMaxId = 256;
constexpr int kMaxDensity = 4;

// Set once a picture has been painted into the cache folder in this run.
std::array<std::atomic<bool>, 2 * kMaxId * kMaxDensity> g_painted{};
std::string g_folder;

std::atomic<bool>* slotOf(const SharpKey& k)
{
    const int kind = k.kind == ResourceKind::Bitmap ? 0 : k.kind == ResourceKind::Icon ? 1 : -1;
    if (kind < 0 || k.id < 0 || k.id >= kMaxId || k.density < 1 || k.density > kMaxDensity) return nullptr;
    return &g_painted[static_cast<size_t>((kind * kMaxId + k.id) * kMaxDensity + k.density - 1)];
}

Picture paintAndKeep(const SharpKey& k, const std::atomic<bool>* stop = nullptr)
{
    Picture p = paintSharpPicture(k.kind, k.id, k.density, stop);
    if (!g_folder.empty() && !p.empty() && writeCachedPicture(g_folder, k.kind, k.id, p))
        if (auto* slot = slotOf(k)) slot->store(true, std::memory_order_release);
    return p;
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

void setSharpCacheFolder(const std::string& folder) { g_folder = folder; }

void stopSharpPainting() { painter().stop(); }

bool sharpPictureAtHand(const SharpKey& key)
{
    auto* slot = slotOf(key);
    if (!slot || g_folder.empty()) return false;
    if (slot->load(std::memory_order_acquire)) return true;
    return cachedPictureExists(g_folder, key.kind, key.id, key.density);
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
    if (!g_folder.empty())
        if (std::optional<Picture> cached = readCachedPicture(g_folder, key.kind, key.id, key.density))
            return std::move(*cached);
    return paintAndKeep(key);
}

bool prepareSharpPictures(const std::vector<SharpKey>& keys)
{
    if (g_folder.empty()) return false;
    Painter& p = painter();
    if (p.stopping) return false;
    if (p.busy.exchange(true)) return true;
    const bool started = p.thread.start([keys, &p] {
        for (const SharpKey& k : keys) {
            if (p.stopping) break;
            // A file that is there but fails its checks is painted again.
            if (sharpPictureAtHand(k) && readCachedPicture(g_folder, k.kind, k.id, k.density)) continue;
            paintAndKeep(k, &p.stopping);
        }
        p.busy = false;
    });
    if (!started) p.busy = false;
    return started;
}

std::vector<SharpKey> landscapeKeys(int density)
{
    std::vector<SharpKey> keys;
    auto add = [&](int id) { keys.push_back({ResourceKind::Bitmap, id, density}); };
    for (int id = 101; id <= 110; ++id) add(id);
    for (int id = 121; id <= 128; ++id) add(id);
    for (int id = 131; id <= 139; id += 2) add(id);
    for (int id : {141, 143, 145, 151, 153, 161, 163, 165}) add(id);
    return keys;
}

std::vector<SharpKey> spriteKeys(int density)
{
    std::vector<SharpKey> keys;
    for (int id : {201, 202, 203, 204, 205, 221, 223, 225, 227, 229, 231, 233})
        keys.push_back({ResourceKind::Bitmap, id, density});
    for (int id = 101; id <= 200; ++id) keys.push_back({ResourceKind::Icon, id, density});
    return keys;
}

} // namespace syl

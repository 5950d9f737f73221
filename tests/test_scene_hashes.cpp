// Stored hashes of composed scenes: a few seeds and sizes, classic and
// sharp, after the first landscape and after 300 ticks, on a fixed clock.
// Any change to a picture, a painter, a number rule or a random draw shows
// here at once; a deliberate one records the values that the failure names.
// The date line is off: its text follows the system's date format.
#include <gtest/gtest.h>

#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/hash.h"
#include "platform/random.h"
#include "platform/sharp_store.h"
#include "scene/frmmain.h"
#include "settings/config.h"
#include "shell/render.h"

namespace syl {
namespace {

namespace fs = std::filesystem;

struct Case {
    int width, height;
    uint64_t seed;
    bool sharp;
    long ticks;
    uint64_t hash;
};

const Case kCases[] = {
    {640, 480, 3, false, 0, 0xb908e0edc857a45e},   {640, 480, 3, false, 300, 0x58e6d524a991d00d},
    {960, 540, 8, false, 300, 0x41903be96220d518}, {960, 540, 8, true, 0, 0x62f11526de1ec87e},
    {960, 540, 8, true, 300, 0x4fa3f2a6f42d0549},  {1280, 720, 3, true, 300, 0xc170b7070b64d8d0},
};

uint64_t sceneHash(const Case& c)
{
    settings() = Settings{};
    settings().Sharp = c.sharp ? 1 : 0;
    settings().Date = settings().Time = 0;
    defaultRnd().seed64(c.seed);
    uint64_t h = 0;
    renderScene(c.width, c.height, c.ticks, {2026, 6, 1, 12, 0, 0, 0}, false, [&](const FrmMain& m) {
        const auto px = m.form.pixels();
        h = Hash64().feed(px.data(), px.size_bytes()).result();
    });
    return h;
}

TEST(SceneHashes, ComposedScenesAreTheStoredOnes)
{
    const fs::path cache =
        fs::temp_directory_path() /
        ("sylvadra-hashes-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    setSharpCacheFolder(cache.string());
    for (const Case& c : kCases) {
        const uint64_t h = sceneHash(c);
        char name[96];
        std::snprintf(name, sizeof name, "%dx%d seed %" PRIu64 " %s %ld ticks", c.width, c.height, c.seed,
                      c.sharp ? "sharp" : "classic", c.ticks);
        EXPECT_EQ(h, c.hash) << name << ": now 0x" << std::hex << h;
    }
    // The same scene twice is the same (no state carried over).
    EXPECT_EQ(sceneHash(kCases[1]), sceneHash(kCases[1]));
    setSharpCacheFolder("");
    settings() = Settings{};
    std::error_code ec;
    fs::remove_all(cache, ec);
}

} // namespace
} // namespace syl

// Sharp landscapes as a whole, as the screen shows them.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/random.h"
#include "platform/sharp_store.h"
#include "scene/frmmain.h"
#include "settings/config.h"
#include "shell/render.h"
#include "shell/scene_runner.h"

using namespace syl;
namespace fs = std::filesystem;

namespace {

// A cache folder of the test's own for the pictures painted.
struct SharpCache {
    fs::path dir =
        fs::temp_directory_path() /
        ("sylvadra-sharp-scene-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    SharpCache() { setSharpCacheFolder(dir.string()); }
    ~SharpCache()
    {
        setSharpCacheFolder("");
        settings() = Settings{};
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
};

// The median, over the columns, of how much a pixel differs from the one
// above it (the three components together).
int medianStep(const Surface& s, int y)
{
    std::vector<int> d;
    for (int x = 0; x < s.width(); ++x) {
        const Color a = s.pixel(x, y - 1), b = s.pixel(x, y);
        d.push_back(std::abs(redOf(a) - redOf(b)) + std::abs(greenOf(a) - greenOf(b)) +
                    std::abs(blueOf(a) - blueOf(b)));
    }
    std::nth_element(d.begin(), d.begin() + static_cast<long>(d.size() / 2), d.end());
    return d[d.size() / 2];
}

} // namespace

TEST(SharpScene, TheSkyRunsOnAcrossTheCloudBandsEdge)
{
    SharpCache cache;
    // Seeds whose horizons lie far from the mean one, where the band's sky
    // and the landscape's sky differed most.
    for (uint64_t seed : {4u, 9u, 13u, 27u}) {
        settings() = Settings{};
        settings().Sharp = 1;
        settings().Date = settings().Time = 0;
        defaultRnd().seed64(seed);
        renderScene(960, 540, 1, {2026, 6, 1, 12, 0, 0, 0}, false, [&](const FrmMain& m) {
            ASSERT_TRUE(m.sharpShown()) << seed;
            // The band ends in the background at 119 of 480 rows, the
            // drifting strip at a quarter of the screen: across both, and
            // the rows between, the sky changes as gently as below them.
            int worst = 0, below = 0;
            for (int y = 128; y <= 140; ++y) worst = std::max(worst, medianStep(m.form, y));
            for (int y = 150; y <= 160; ++y) below = std::max(below, medianStep(m.form, y));
            EXPECT_LE(worst, below + 4) << "seed " << seed << ": a line across the sky at the band's edge";
        });
    }
}

TEST(SharpScene, CloudsCrossTheScreenAsFastAtAnySize)
{
    SharpCache cache;
    // Two screens of one width, one twice as high: twice the scale, so the
    // strip (and the flying objects) twice as many pixels.
    int offset[2] = {0, 0}, step[2] = {0, 0};
    for (int k = 0; k < 2; ++k) {
        settings() = Settings{};
        settings().Sharp = 1;
        settings().Date = settings().Time = 0;
        defaultRnd().seed64(5);
        renderScene(320, 1080 * (k + 1), 60, {2026, 6, 1, 12, 0, 0, 0}, false, [&](const FrmMain& m) {
            ASSERT_TRUE(m.sharpShown());
            offset[k] = m.cloudOffset;
            step[k] = m.cloudStep;
        });
    }
    ASSERT_EQ(step[0], step[1]);
    ASSERT_GT(offset[0], 10);
    EXPECT_NEAR(offset[1], 2 * offset[0], 1) << "the clouds keep their pace across the screen";
}

TEST(SharpScene, TheDateLineFollowsAScreenWithoutAResolutionOfItsOwn)
{
    SharpCache cache;
    settings() = Settings{};
    settings().Sharp = 1;
    // Pictures painted at once when needed: nothing is left painting in
    // the background for the tests that follow.
    SceneRunner uhd(3840, 2160, SceneOptions{0, nullptr, true});
    EXPECT_EQ(uhd.form().dpi(), 192) << "twice the text at twice the rows";
    EXPECT_EQ(TextHeight(uhd.form().form, "1"), 2 * TextHeight(SceneRunner(1920, 1080, {0}).form().form, "1"));
    uhd.load();
    uhd.resize(1280, 720, uhd.form().dpi());
    EXPECT_EQ(uhd.form().dpi(), 96) << "never smaller than at 96 dpi";
    EXPECT_EQ(SceneRunner(3840, 2160, SceneOptions{120}).form().dpi(), 120) << "the desktop's own setting holds";
    settings().Sharp = 0;
    EXPECT_EQ(SceneRunner(3840, 2160, SceneOptions{0}).form().dpi(), 96) << "classic landscapes stay as they are";
}

// Sharp landscapes as a whole, as the screen shows them.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "pixels.h"
#include "platform/sharp_pictures.h"
#include "platform/random.h"
#include "platform/sharp_store.h"
#include "scene/frmmain.h"
#include "scene/zz.h"
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
    // strip (and the flying objects) twice as many pixels, and the clouds
    // moved two pixels at a time, as often as one at a time on the other.
    int offset[2] = {0, 0}, step[2] = {0, 0};
    for (int k = 0; k < 2; ++k) {
        settings() = Settings{};
        settings().Sharp = 1;
        settings().Date = settings().Time = 0;
        defaultRnd().seed64(5);
        renderScene(320, 1080 * (k + 1), 59, {2026, 6, 1, 12, 0, 0, 0}, false, [&](const FrmMain& m) {
            ASSERT_TRUE(m.sharpShown());
            offset[k] = m.cloudOffset;
            step[k] = m.cloudStep;
        });
    }
    ASSERT_EQ(step[0], step[1]);
    ASSERT_GT(offset[0], 10);
    EXPECT_EQ(offset[1], 2 * offset[0]) << "the clouds keep their pace and their steps across the screen";
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

TEST(SharpScene, TheCanvasFollowsTheScreenTo8KAndTheScaleFallsBelow1080Rows)
{
    EXPECT_EQ(sharpCanvasDensity(640, 480), 1);
    EXPECT_EQ(sharpCanvasDensity(1920, 1080), 2);
    EXPECT_EQ(sharpCanvasDensity(3840, 2160), 4);
    EXPECT_EQ(sharpCanvasDensity(5120, 2880), 6) << "5K: finer than 4";
    EXPECT_EQ(sharpCanvasDensity(7680, 4320), 8) << "8K: a canvas pixel is 1.5 screen pixels";
    EXPECT_DOUBLE_EQ(sharpScreenScale(3840, 2160), 2.0);
    EXPECT_DOUBLE_EQ(sharpScreenScale(800, 600), 600 / 1080.0);
    EXPECT_DOUBLE_EQ(sharpScreenScale(152, 112), 112 / 1080.0) << "a preview";
    // The flying objects' sky stays within 16-bit units on a strip of a screen.
    EXPECT_LE(10000 / sharpScreenScale(10000, 100), 16384.0 + 1e-9);
    // At 8K the strips of city and castles are painted at density 6: at 8
    // they would be 7.8 M pixels, and painting them would take 200 MB.
    EXPECT_EQ(landscapeDensity(121, 8), 8);
    EXPECT_EQ(landscapeDensity(153, 8), 6);
    EXPECT_EQ(landscapeDensity(153, 4), 4);
    // The store paints and keeps pictures at the finest density as well.
    SharpCache cache;
    const Picture fine = sharpPicture({ResourceKind::Icon, 101, 8});
    EXPECT_EQ(fine.width, 256);
    EXPECT_EQ(fine.density, 8);
}

TEST(SharpScene, FlyingObjectsBlendTheirEdgesAndShrinkWithTheScreen)
{
    SharpCache cache;
    settings() = Settings{};
    settings().Sharp = 1;
    for (auto [w, h] : {std::pair{800, 600}, {320, 240}}) {
        SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
        // Pictures painted at once: nothing is left painting afterwards.
        SceneRunner r(w, h, SceneOptions{96, nullptr, true});
        r.load();
        r.compose();
        FrmMain& m = r.form();
        ASSERT_TRUE(m.sharpShown());
        const double s = h / 1080.0;
        EXPECT_DOUBLE_EQ(m.screenScale(), s);
        ScriptedRandom draws;
        draws.push(rFor(-2000, 34, 1));
        setRandomSource(&draws);
        m.flightKind = 0;
        m.launch();
        setRandomSource(nullptr);
        ASSERT_EQ(m.flightKind, 1);
        // A bird's strip, six frames of 80 x 65 units, at the screen's scale.
        EXPECT_EQ(m.picObjekt.width(), std::lround(80 * s));
        EXPECT_EQ(m.picObjekt.height(), 6 * std::lround(65 * s));

        // Drawn over black and over white: the difference tells each pixel's
        // coverage. Edge pixels are partly covered, and show the sky through.
        m.incremental = false;
        m.flights[1].x = 100;
        m.flights[1].y = 100;
        m.flights[1].frame = 1;
        std::vector<Color> on[2];
        for (int k = 0; k < 2; ++k) {
            m.picBuffer.resizeForOverwrite(w, h);
            std::ranges::fill(m.picBuffer.pixels(), k ? 0xFFFFFFu : 0u);
            m.drawFlight();
            on[k] = pixelsOf(m.picBuffer);
        }
        int partial = 0, opaque = 0;
        for (size_t i = 0; i < on[0].size(); ++i) {
            const int a = 255 - (redOf(on[1][i]) - redOf(on[0][i]));
            ASSERT_GE(a, -1) << i;
            ASSERT_LE(a, 256) << i;
            if (a >= 250) ++opaque;
            else if (a > 8) ++partial;
        }
        EXPECT_GT(opaque, 0);
        EXPECT_GT(partial, opaque / 10) << "edges blended, not cut at half coverage";
        EXPECT_LT(opaque + partial, std::lround(80 * s) * std::lround(65 * s)) << "within its frame";
    }
}

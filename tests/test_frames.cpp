// The incremental composition of frames against the whole composition:
// 2,000 ticks from the same seed, with flowers planted, objects flying, the
// clouds wrapping and a timed restart, every frame pixel for pixel.
#include <gtest/gtest.h>

#include <memory>

#include "pixels.h"
#include "errors/errptnr.h"
#include "platform/host.h"
#include "platform/random.h"
#include "scene/frmmain.h"
#include "settings/config.h"

using namespace syl;

namespace {

// The same scene twice from one seed, composed whole and incrementally,
// each drawing from its own generator.
class Frames : public ::testing::Test {
protected:
    void SetUp() override
    {
        host.tick = 3600u * 1000u;
        setHost(&host);
        ErrPtnr::Unload();
        settings() = Settings{};
    }
    void TearDown() override
    {
        setRandomSource(nullptr);
        setHost(nullptr);
    }
    // Both scenes of w x h with their first landscape.
    void start(uint64_t seed, int w, int h)
    {
        rndWhole = std::make_unique<Rnd>(seed);
        rndIncremental = std::make_unique<Rnd>(seed);
        whole = std::make_unique<FrmMain>(w, h);
        incremental = std::make_unique<FrmMain>(w, h);
        incremental->incremental = true;
        both([](FrmMain& m) {
            m.Form_Load();
            m.Form_Resize();
        });
    }
    template <class F>
    void both(F&& f)
    {
        setRandomSource(rndWhole.get());
        f(*whole);
        setRandomSource(rndIncremental.get());
        f(*incremental);
        setRandomSource(nullptr);
    }
    void tick()
    {
        host.tick += static_cast<uint32_t>(whole->tmrAnimation.interval);
        both([](FrmMain& m) { m.tmrAnimation_Timer(); });
    }

    HeadlessHost host;
    std::unique_ptr<Rnd> rndWhole, rndIncremental;
    std::unique_ptr<FrmMain> whole, incremental;
};

} // namespace

TEST_F(Frames, IncrementalFramesEqualWholeFramesTickForTick)
{
    settings().maxFl = 10.0;
    settings().halfMaxFl = 5;
    settings().SpeedF = 10.0f;
    settings().SpeedS = 1.03f;
    settings().Speed = 10.0f;
    settings().rTime = 20;
    start(4242, 320, 240);
    FrmMain& w = *whole;

    int restarts = 0, flights = 0, planted = 0, wraps = 0, partial = 0;
    uint32_t lastRestart = 0;
    int16_t lastKind = 0;
    for (int t = 0; t < 2000; ++t) {
        host.clock.second = (t / 50) % 60;
        tick();
        ASSERT_EQ(pixelsOf(w.form), pixelsOf(incremental->form)) << "frame " << t;
        ASSERT_EQ(pixelsOf(w.picBG), pixelsOf(incremental->picBG)) << "landscape after frame " << t;
        if (w.lastRestart != lastRestart && lastRestart != 0) ++restarts;
        lastRestart = w.lastRestart;
        if (w.flightKind != lastKind && w.flightKind > 0) ++flights;
        lastKind = w.flightKind;
        if (w.cloudStep == 0) ++wraps;
        for (int i = 0; i <= w.flowerCount; ++i) planted += w.flowers[static_cast<size_t>(i)].planted ? 1 : 0;
        if (!incremental->changedAll) ++partial;
    }
    // The run went through what it is meant to cover.
    EXPECT_GE(restarts, 1);
    EXPECT_GE(flights, 3);
    EXPECT_GE(planted, 5);
    EXPECT_GE(wraps, 2);
    EXPECT_GT(partial, 1900) << "most frames are composed in part";
}

TEST_F(Frames, CloudEdgesOnEveryColumnMoveWithoutTrails)
{
    // A strip of plain sky rows with single cloud pixels alone at the first
    // and the last column of a 16-column block, inside one, and at the
    // strip's ends: moving it must redraw where each pixel was and where it
    // is now, through both copies of the strip.
    settings().SpeedS = 1.03f;
    start(77, 200, 160);
    both([](FrmMain& m) {
        Surface& s = m.picHimmel;
        for (int y = 0; y < s.height(); ++y) {
            for (int x = 0; x < s.width(); ++x) s.setPixel(x, y, RGB(100, 150, 200 + y % 50));
            for (int x : {0, 80, 127, 161, s.width() - 1})
                if (x < s.width() && (x + y) % 3 == 0) s.setPixel(x, y, RGB(255, 255, 255));
        }
    });
    for (int t = 0; t < 600; ++t) {
        tick();
        ASSERT_EQ(pixelsOf(whole->form), pixelsOf(incremental->form)) << "frame " << t << ", strip at " << whole->cloudOffset;
    }
}

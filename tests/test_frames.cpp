// The incremental composition of frames against the whole composition:
// 2,000 ticks from the same seed, with flowers planted, objects flying, the
// clouds wrapping and a timed restart, every frame pixel for pixel.
#include <gtest/gtest.h>

#include "errors/errptnr.h"
#include "platform/host.h"
#include "platform/random.h"
#include "scene/frmmain.h"
#include "settings/config.h"

using namespace syl;

TEST(Frames, IncrementalFramesEqualWholeFramesTickForTick)
{
    HeadlessHost host;
    host.tick = 3600u * 1000u;
    setHost(&host);
    ErrPtnr::Unload();
    settings() = Settings{};
    settings().maxFl = 10.0;
    settings().halfMaxFl = 5;
    settings().SpeedF = 10.0f;
    settings().SpeedS = 1.03f;
    settings().Speed = 10.0f;
    settings().rTime = 20;

    Rnd rndWhole(4242), rndIncremental(4242);
    FrmMain whole(320, 240), incremental(320, 240);
    incremental.incremental = true;
    auto run = [](Rnd& rnd, auto&& f) {
        setRandomSource(&rnd);
        f();
        setRandomSource(nullptr);
    };
    run(rndWhole, [&] { whole.Form_Load(); whole.Form_Resize(); });
    run(rndIncremental, [&] { incremental.Form_Load(); incremental.Form_Resize(); });

    int restarts = 0, flights = 0, planted = 0, wraps = 0, partial = 0;
    uint32_t lastRestart = 0;
    int16_t lastKind = 0;
    for (int t = 0; t < 2000; ++t) {
        host.tick += static_cast<uint32_t>(whole.tmrAnimation.interval);
        host.clock.second = (t / 50) % 60;
        run(rndWhole, [&] { whole.tmrAnimation_Timer(); });
        run(rndIncremental, [&] { incremental.tmrAnimation_Timer(); });
        ASSERT_EQ(whole.form.pixels(), incremental.form.pixels()) << "frame " << t;
        ASSERT_EQ(whole.picBG.pixels(), incremental.picBG.pixels()) << "landscape after frame " << t;
        if (whole.lastRestart != lastRestart && lastRestart != 0) ++restarts;
        lastRestart = whole.lastRestart;
        if (whole.flightKind != lastKind && whole.flightKind > 0) ++flights;
        lastKind = whole.flightKind;
        if (whole.cloudStep == 0) ++wraps;
        for (int i = 0; i <= whole.flowerCount; ++i) planted += whole.flowers[static_cast<size_t>(i)].planted ? 1 : 0;
        if (!incremental.changedAll) ++partial;
    }
    // The run went through what it is meant to cover.
    EXPECT_GE(restarts, 1);
    EXPECT_GE(flights, 3);
    EXPECT_GE(planted, 5);
    EXPECT_GE(wraps, 2);
    EXPECT_GT(partial, 1900) << "most frames are composed in part";
    setHost(nullptr);
}

TEST(Frames, CloudEdgesOnEveryColumnMoveWithoutTrails)
{
    // A strip of plain sky rows with single cloud pixels alone at the first
    // and the last column of a 16-column block, inside one, and at the
    // strip's ends: moving it must redraw where each pixel was and where it
    // is now, through both copies of the strip.
    HeadlessHost host;
    host.tick = 3600u * 1000u;
    setHost(&host);
    ErrPtnr::Unload();
    settings() = Settings{};
    settings().SpeedS = 1.03f;
    Rnd rndWhole(77), rndIncremental(77);
    FrmMain whole(200, 160), incremental(200, 160);
    incremental.incremental = true;
    for (auto* m : {&whole, &incremental}) {
        Rnd& rnd = m == &whole ? rndWhole : rndIncremental;
        setRandomSource(&rnd);
        m->Form_Load();
        m->Form_Resize();
        Surface& s = m->picHimmel;
        for (int y = 0; y < s.height(); ++y) {
            for (int x = 0; x < s.width(); ++x) s.setPixel(x, y, RGB(100, 150, 200 + y % 50));
            for (int x : {0, 80, 127, 161, s.width() - 1})
                if (x < s.width() && (x + y) % 3 == 0) s.setPixel(x, y, RGB(255, 255, 255));
        }
        setRandomSource(nullptr);
    }
    for (int t = 0; t < 600; ++t) {
        host.tick += static_cast<uint32_t>(whole.tmrAnimation.interval);
        setRandomSource(&rndWhole);
        whole.tmrAnimation_Timer();
        setRandomSource(&rndIncremental);
        incremental.tmrAnimation_Timer();
        setRandomSource(nullptr);
        ASSERT_EQ(whole.form.pixels(), incremental.form.pixels()) << "frame " << t << ", strip at " << whole.cloudOffset;
    }
    setHost(nullptr);
}

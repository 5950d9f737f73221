// The incremental composition of frames against the whole composition:
// 2,000 ticks from the same seed, with flowers planted, objects flying, the
// clouds wrapping and a timed restart, every frame pixel for pixel.
#include <gtest/gtest.h>

#include <memory>

#include "global_state.h"
#include "pixels.h"
#include "errors/errptnr.h"
#include "platform/host.h"
#include "platform/random.h"
#include "scene/frame_copy.h"
#include "scene/frmmain.h"
#include "settings/config.h"

using namespace syl;

namespace {

// The same scene twice from one seed, composed whole and incrementally,
// each drawing from its own generator.
class Frames : public GlobalState {
protected:
    void SetUp() override
    {
        GlobalState::SetUp();
        host_.tick = 3600u * 1000u;
    }
    // Both scenes of w x h with their first landscape.
    void start(uint64_t seed, int w, int h)
    {
        rndWhole = std::make_unique<Rnd>(seed);
        rndIncremental = std::make_unique<Rnd>(seed);
        whole = std::make_unique<FrmMain>(w, h);
        incremental = std::make_unique<FrmMain>(w, h);
        incremental->incremental = true;
        for (FrmMain* m : {whole.get(), incremental.get()}) {
            m->sharp = sharpScenes;
            m->paintWhenNeeded = true;
        }
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
        host_.tick += static_cast<uint32_t>(whole->tmrAnimation.interval);
        both([](FrmMain& m) { m.tmrAnimation_Timer(); });
    }

    void compareTicks(int ticks, int w, int h, bool sharp);
    void compareMovedBand(int ticks, int w, int h, bool sharp);

    bool sharpScenes = false;
    std::unique_ptr<Rnd> rndWhole, rndIncremental;
    std::unique_ptr<FrmMain> whole, incremental;
};

} // namespace

// Ticks of a busy scene, every frame and the landscape compared; the run
// must go through restarts, flights, planted flowers and cloud wraps.
void Frames::compareTicks(int ticks, int w, int h, bool sharp)
{
    settings().maxFl = 10.0;
    settings().halfMaxFl = 5;
    settings().SpeedF = 10.0f;
    settings().SpeedS = 1.03f;
    settings().Speed = 10.0f;
    settings().rTime = ticks / 100;
    sharpScenes = sharp;
    start(4242, w, h);
    FrmMain& m = *whole;
    ASSERT_EQ(m.sharpShown(), sharp);

    int restarts = 0, flights = 0, planted = 0, wraps = 0, partial = 0;
    uint32_t lastRestart = 0;
    int16_t lastKind = 0;
    for (int t = 0; t < ticks; ++t) {
        host_.clock.second = (t / 50) % 60;
        tick();
        ASSERT_EQ(pixelsOf(m.form), pixelsOf(incremental->form)) << "frame " << t;
        ASSERT_EQ(pixelsOf(m.picBG), pixelsOf(incremental->picBG)) << "landscape after frame " << t;
        if (m.lastRestart != lastRestart && lastRestart != 0) ++restarts;
        lastRestart = m.lastRestart;
        if (m.flightKind != lastKind && m.flightKind > 0) ++flights;
        lastKind = m.flightKind;
        if (m.cloudStep == 0) ++wraps;
        for (int i = 0; i <= m.flowerCount; ++i) planted += m.flowers[static_cast<size_t>(i)].planted ? 1 : 0;
        if (!incremental->changedAll) ++partial;
    }
    EXPECT_GE(restarts, 1);
    EXPECT_GE(flights, ticks / 700);
    EXPECT_GE(planted, 5);
    EXPECT_GE(wraps, ticks >= 1000 ? 2 : 1);
    EXPECT_GT(partial, ticks * 9 / 10) << "most frames are composed in part";
}

TEST_F(Frames, IncrementalFramesEqualWholeFramesTickForTick) { compareTicks(2000, 320, 240, false); }

// Sharp: a canvas of twice the density and the flying objects, flowers and
// grass enlarged to the screen's scale.
TEST_F(Frames, SharpIncrementalFramesEqualWholeFrames) { compareTicks(300, 1000, 1090, true); }

TEST_F(Frames, CloudEdgesOnEveryColumnMoveWithoutTrails)
{
    // A strip of plain sky rows with single cloud pixels alone at the first
    // and the last column of a 16-column block, inside one, and at the
    // strip's ends: moving it must redraw where each pixel was and where it
    // is now, through both copies of the strip.
    settings().SpeedS = 1.03f;
    start(77, 200, 160);
    both([](FrmMain& m) {
        // The address stands still in the band while the clouds pass under it.
        m.lblURL.left = 7;
        m.lblURL.top = 9;
        Surface& s = m.picHimmel;
        for (int y = 0; y < s.height(); ++y) {
            for (int x = 0; x < s.width(); ++x) s.setPixel(x, y, RGB(100, 150, 200 + y % 50));
            for (int x : {0, 80, 127, 161, s.width() - 1})
                if (x < s.width() && (x + y) % 3 == 0) s.setPixel(x, y, RGB(255, 255, 255));
        }
    });
    for (int t = 0; t < 600; ++t) {
        tick();
        ASSERT_EQ(pixelsOf(whole->form), pixelsOf(incremental->form))
            << "frame " << t << ", strip at " << whole->cloudOffset;
    }
}

// A strip that holds clouds in every block, so that every move of it moves
// the whole band over on the form, run against the whole composition while
// objects fly through the band, the address stands in it and the clouds
// wrap round; classic and sharp. Copies of the form kept as a compositor's
// buffers are, brought up to date every other tick or later, move their
// clouds over themselves and must show the form too.
void Frames::compareMovedBand(int ticks, int w, int h, bool sharp)
{
    settings().SpeedS = 1.03f;
    settings().SpeedO = 10.0f;
    settings().Speed = 10.0f;
    settings().Restart = 0;
    sharpScenes = sharp;
    start(31337, w, h);
    ASSERT_EQ(whole->sharpShown(), sharp);
    both([](FrmMain& m) {
        // The address stands still in the band while the clouds pass under it.
        m.lblURL.left = 7;
        m.lblURL.top = 9;
        Surface& s = m.picHimmel;
        for (int y = 0; y < s.height(); ++y)
            for (int x = 0; x < s.width(); ++x)
                s.setPixel(x, y, RGB((x * 37 + y * 11) % 256, (x * x + y * 5) % 256, (x * 3 + y * y) % 256));
    });
    // Two copies of the form brought up to date in turn, as a compositor's
    // buffers are, now and then one left for some ticks.
    FrameCopy copies[2];
    std::vector<uint32_t> copied[2];
    for (auto& c : copied) c.assign(static_cast<size_t>(w) * h, 0);
    int moved = 0, crossed = 0, wraps = 0;
    for (int t = 0; t < ticks; ++t) {
        host_.clock.second = (t / 50) % 60;
        tick();
        ASSERT_EQ(pixelsOf(whole->form), pixelsOf(incremental->form))
            << "frame " << t << ", strip at " << whole->cloudOffset;
        const FrmMain& m = *incremental;
        for (FrameCopy& c : copies) c.note(m, false);
        if (t % 13 < 10) {
            const size_t k = static_cast<size_t>(t % 2);
            copies[k].bring(m, copied[k].data(), w, h, w);
            std::vector<Color> shown(copied[k].begin(), copied[k].end());
            for (Color& c : shown) c &= 0xFFFFFF;
            ASSERT_EQ(shown, pixelsOf(m.form)) << "copy " << k << " at frame " << t;
        }
        if (m.cloudStep == 0) ++wraps;
        if (m.scrolled.empty()) continue;
        ++moved;
        // Something besides the uncovered column composed in the band.
        const int dx = std::abs(m.scrolled.front().dx);
        for (const FrmMain::Rect& r : m.redrawn)
            if (r.y0 < m.bandTop + m.bandHeight && r.x1 - r.x0 > dx) {
                ++crossed;
                break;
            }
    }

    EXPECT_GT(moved, ticks / 2) << "most moves of the clouds move the band over";
    EXPECT_GE(crossed, ticks / 20) << "objects fly through the moving band";
    EXPECT_GE(wraps, 1);
}

TEST_F(Frames, CloudsMovedOverMatchWholeFramesUnderFlyingObjects)
{
    compareMovedBand(1500, 320, 240, false);
    compareMovedBand(700, 500, 1090, true);
}

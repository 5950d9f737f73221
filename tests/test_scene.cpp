// The scene form and the composition of a landscape: the painters' draws in
// order (scripted random values), their rules about the river band and the
// base line, and whole landscapes composed from seeds.
#include <gtest/gtest.h>

#include <functional>

#include "global_state.h"
#include "pixels.h"
#include "errors/errptnr.h"
#include "fake_resources.h"
#include "platform/host.h"
#include "platform/random.h"
#include "scene/zz.h"
#include "scene/frmmain.h"
#include "settings/config.h"
#include "shell/saver.h"

using namespace syl;

namespace {

class SceneTest : public GlobalState {
protected:
    // Scripts the next draws as the values Zz(lo, hi) should return.
    void script(std::initializer_list<std::array<int, 3>> draws)
    {
        for (auto [lo, hi, v] : draws) scripted_.push(rFor(lo, hi, v));
        setRandomSource(&scripted_);
    }
    void scriptR(float r)
    {
        scripted_.push(r);
        setRandomSource(&scripted_);
    }
    size_t unusedDraws() const { return scripted_.remaining(); }

    testres::Installer pictures_;
    ScriptedRandom scripted_;
};

std::vector<LayerDrawing> byPainter(const FrmMain& m, const std::string& name)
{
    std::vector<LayerDrawing> out;
    for (const auto& d : m.drawings)
        if (d.painter == name) out.push_back(d);
    return out;
}

} // namespace

TEST_F(SceneTest, MirroredHillSpansTheWholeCanvasWhateverXWasDrawn)
{
    for (int x : {0, -200, -400}) {
        FrmMain m(640, 480);
        m.picBG.clearPicture();
        script({{1, 5, 1}, {30, 120, 100}, {-400, 0, x}, {-1, 0, -1}});
        int16_t y = 300;
        m.Berge(y);
        EXPECT_EQ(y, 300) << "the base line comes back unchanged";
        for (int col = 0; col < 640; ++col) ASSERT_EQ(m.picBG.pixel(col, 250), RGB(131, 131, 131)) << col;
        EXPECT_EQ(m.picBG.pixel(5, 199), 0u) << "nothing above the hill's top";
    }
    // Unmirrored, a hill at x = -400 ends at column 239.
    FrmMain m(640, 480);
    script({{1, 5, 1}, {30, 120, 100}, {-400, 0, -400}, {-1, 0, 0}});
    int16_t y = 300;
    m.Berge(y);
    EXPECT_EQ(m.picBG.pixel(239, 250), RGB(131, 131, 131));
    EXPECT_EQ(m.picBG.pixel(240, 250), 0u);
    EXPECT_EQ(unusedDraws(), 0u);
}

TEST_F(SceneTest, TreeHeightsFollowTheirFoot)
{
    struct Case {
        int foot, lo, hi;
    } cases[] = {{430, 108, 215}, {250, 62, 125}};
    for (const auto& c : cases) {
        for (int d : {c.lo, c.hi}) {
            FrmMain m(640, 480);
            m.recordDrawings = true;
            script({{c.lo, c.hi, d}});
            scriptR(0.0f);
            script({{-1, 0, 0}, {1, 5, 3}, {-20, 80, 10}});
            int16_t y = static_cast<int16_t>(c.foot), kind = 1;
            m.Baum(y, kind);
            EXPECT_EQ(y, c.foot);
            ASSERT_EQ(m.drawings.size(), 1u);
            const auto& t = m.drawings[0];
            EXPECT_EQ(t.id, 143);
            EXPECT_EQ(t.h, d);
            EXPECT_EQ(t.y, c.foot - d);
            EXPECT_EQ(t.w, CInt(static_cast<float>(d) * 0.7f));
            EXPECT_EQ(t.variant, 3);
        }
    }
}

TEST_F(SceneTest, TreesHousesAndFencesKeepOutOfTheRiverBandOnly)
{
    FrmMain m(640, 480);
    m.riverTop = 300;
    m.riverBottom = 340;
    // Strictly inside: refused without a single draw.
    for (int y : {301, 339}) {
        int16_t foot = static_cast<int16_t>(y), kind = 2;
        m.Baum(foot, kind);
        m.Haus(foot);
        m.Zaun(foot);
        EXPECT_EQ(foot, y);
    }
    // On the band's edges a fence is allowed (and makes its draws).
    for (int y : {300, 340}) {
        script({{-200, 0, -100}, {-1, 0, 0}});
        int16_t foot = static_cast<int16_t>(y);
        m.Zaun(foot);
        EXPECT_EQ(unusedDraws(), 0u);
    }
}

TEST_F(SceneTest, CitiesAndCastlesRefuseBaseLinesAboveTheRiverAndRaiseTo220)
{
    FrmMain m(640, 480);
    m.recordDrawings = true;
    m.riverTop = 250;
    m.riverBottom = 290;
    int16_t y = 289; // higher on the canvas than the river's lower edge
    m.City(y);
    m.Burg(y);
    EXPECT_EQ(y, 289);
    EXPECT_TRUE(m.drawings.empty());

    // Base line 200 with riverBottom at most 200: raised to 220 even if no slot succeeds.
    m.riverBottom = 200;
    y = 200;
    script({{-100, 540, 0}, {0, 3, 1}, {0, 3, 1}, {0, 3, 1}, {0, 3, 1}, {0, 3, 1}});
    m.Burg(y);
    EXPECT_EQ(y, 220);
    EXPECT_TRUE(m.drawings.empty());

    // A row in which every slot succeeds uses variants 1 to 5 in order and
    // moves the base line down by the sum of its steps.
    y = 230;
    script({{-100, 540, 100}});
    for (int i = 1; i <= 5; ++i) script({{0, 2, 0}, {2, 12, 2 * i}, {-90, 90, 10}, {-1, 0, i % 2 ? 0 : -1}});
    m.City(y);
    EXPECT_EQ(y, 230 + 2 + 4 + 6 + 8 + 10);
    auto rows = byPainter(m, "City");
    ASSERT_EQ(rows.size(), 5u);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(rows[i].variant, i + 1);
        EXPECT_EQ(rows[i].mirrored, i % 2 == 1);
    }
    EXPECT_EQ(rows[0].x, 110);
    EXPECT_EQ(rows[1].x, 640 - 120 - 245) << "mirrored: columns 395 - x to 639 - x";
    EXPECT_EQ(unusedDraws(), 0u);
}

TEST_F(SceneTest, SeaOfSixtyRowsWithWidthTwoHasThirtyLinesReachingTheColourLimit)
{
    FrmMain m(640, 480);
    m.picBG.clearPicture();
    // w = 2, h = 60, r0 = 100, g0 = 150, b0 = 180, no shore, no islands.
    script({{2, 4, 2},
            {3, 5, 5},
            {0, 20, 0},
            {0, 20, 0},
            {0, 40, 0},
            {0, 2, 1},
            {0, 2, 1},
            {0, 2, 1},
            {0, 2, 1},
            {0, 2, 1}});
    int16_t y = 200;
    m.Meer(y);
    EXPECT_EQ(y, 200 + 60 - 2);
    EXPECT_EQ(m.picBG.drawWidth, 1);
    // Line i lies on row 260 - 2i with width 2 (rows 259 - 2i and 260 - 2i).
    EXPECT_EQ(m.picBG.pixel(10, 258), RGB(103, 155, 182)); // i = 1
    EXPECT_EQ(m.picBG.pixel(10, 199), RGB(190, 255, 240)); // i = 30: green and blue clamp at 255
    EXPECT_EQ(m.picBG.pixel(10, 197), 0u);
    EXPECT_EQ(unusedDraws(), 0u);
}

TEST_F(SceneTest, RiverBandIsRecordedAndThePenWidthRestored)
{
    FrmMain m(640, 480);
    script({{340, 380, 380}, {2, 4, 3}, {3, 5, 5}, {0, 20, 0}, {0, 20, 0}, {0, 40, 0}});
    m.Fluss(330);
    EXPECT_EQ(m.riverTop, 380);
    EXPECT_EQ(m.riverBottom, 380 + 45 + 5);
    EXPECT_EQ(m.picBG.drawWidth, 1);
}

TEST_F(SceneTest, SunDiscMayStartAboveTheStripOnALowScreen)
{
    // 640 x 300: the strip is 75 rows high, so the disc's y is drawn from Zz(0, -25).
    FrmMain m(640, 300);
    m.skyType = 1;
    script({{-1, 7, -1}, {0, 7, 0}, {0, 640, 10}});
    scripted_.push(0.5f); // Zz(0, -25) -> -12
    script({{20, 50, 40}});
    m.Himmel();
    EXPECT_EQ(m.bandHeight, 75);
    EXPECT_EQ(m.bandWidth, CInt(640 * 1.156));
    EXPECT_EQ(m.picHimmel.pixel(30, 0), RGB(244, 244, 232));
    EXPECT_EQ(m.picHimmel.pixel(30, 27), RGB(244, 244, 232));
    EXPECT_NE(m.picHimmel.pixel(30, 29), RGB(244, 244, 232));
    EXPECT_EQ(m.picHimmel.fillColor, RGB(255, 255, 255));
    EXPECT_EQ(unusedDraws(), 0u);
}

TEST_F(SceneTest, SkyTypeFiveUsesTheBandsOfVariantThree)
{
    FrmMain m(800, 600);
    m.recordDrawings = true;
    m.skyType = 5;
    script({{-1, 7, 6}, {0, 7, 3}}); // n = 6 - 4 = 2: bitmap 2*3 + 122 - 2 = 126, mirrored
    m.Himmel();
    EXPECT_EQ(m.skyType, 3);
    ASSERT_EQ(m.drawings.size(), 1u);
    EXPECT_EQ(m.drawings[0].id, 126);
    EXPECT_TRUE(m.drawings[0].mirrored);
}

TEST_F(SceneTest, FrontEdgeOnTheScreen)
{
    EXPECT_EQ(flowerTopFor(400, 768), 637);
    EXPECT_EQ(flowerTopFor(480, 1080), 1077);
    EXPECT_EQ(flowerTopFor(250, 480), 247);
}

TEST_F(SceneTest, FormLoadDrawsTheFlowerCountAndSetsTheInterval)
{
    struct Case {
        float speed;
        int interval;
    } cases[] = {{5.0f, 40}, {0.1f, 2000}, {10.0f, 20}};
    for (const auto& c : cases) {
        settings().Speed = c.speed;
        FrmMain m(640, 480);
        script({{12, 24, 24}, {-4, -1, -4}, {1, 4, 4}});
        m.Form_Load();
        EXPECT_EQ(m.tmrAnimation.interval, c.interval);
        EXPECT_EQ(m.flowerCount, 24);
        EXPECT_EQ(m.dyMin, -4);
        EXPECT_EQ(m.dyMax, 4);
        EXPECT_FALSE(m.tmrAnimation.enabled);
    }
}

// Whole landscapes from seeds: the rules that hold for every composition.
TEST_F(SceneTest, LandscapesFromSeedsKeepTheirRules)
{
    for (uint64_t seed = 1; seed <= 60; ++seed) {
        Rnd rnd(seed);
        setRandomSource(&rnd);
        FrmMain m(1024, 768);
        m.recordDrawings = true;
        m.Form_Load();
        m.Form_Resize();
        auto rivers = byPainter(m, "Fluss");
        auto seas = byPainter(m, "Meer");
        EXPECT_EQ(rivers.size() + seas.size(), 1u) << "either a sea or a river, seed " << seed;
        EXPECT_EQ(m.seaDrawn, !seas.empty());
        EXPECT_GE(m.horizon, 190);
        EXPECT_LE(m.horizon, 330);
        EXPECT_GE(m.skyType, 1);
        EXPECT_LE(m.skyType, 4) << "5 is folded into 3";
        EXPECT_EQ(m.flowerTop, flowerTopFor(m.finalBaseLine, 768));
        EXPECT_GE(m.finalBaseLine, m.riverBottom);
        EXPECT_EQ(m.grassTop, m.flowerTop - 40);
        EXPECT_EQ(m.bandHeight, 192);
        EXPECT_EQ(m.bandWidth, CInt(1024 * 1.156));
        auto tufts = byPainter(m, "Gras");
        ASSERT_EQ(tufts.size(), 51u);
        for (const auto& t : tufts) {
            EXPECT_GE(t.id, 181);
            EXPECT_LE(t.id, 200);
            EXPECT_GE(t.x, 0);
            EXPECT_LE(t.x, 1024);
            if (m.flowerTop <= 758) {
                EXPECT_GE(t.y, m.flowerTop);
                EXPECT_LE(t.y, 758);
            }
        }
        for (const auto& d : m.drawings)
            if (d.painter == "City" || d.painter == "Burg") {
                EXPECT_GE(d.y + 100, 220 + 2);
            }
        EXPECT_TRUE(m.tmrAnimation.enabled);
        EXPECT_EQ(m.picBG.width(), 1024);
        EXPECT_EQ(m.picBuffer.height(), 768);
        EXPECT_EQ(m.lblURL.left, 1024 - 137 - 3);
        EXPECT_EQ(m.lblURL.top, 768 - 19);
        // The flying objects' start positions on 1024 x 768.
        for (int code = 1; code <= 6; ++code) {
            EXPECT_EQ(m.flights[code].x, -150);
            EXPECT_GE(m.flights[code].y, 38);
            EXPECT_LE(m.flights[code].y, 307);
        }
        EXPECT_EQ(m.flights[27].x, -410);
        EXPECT_GE(m.flights[27].y, 15);
        EXPECT_LE(m.flights[27].y, 123);
        EXPECT_EQ(m.flights[31].dy, 1);
        for (int i = 0; i <= m.flowerCount; ++i) {
            EXPECT_GE(m.flowers[i].icon, 101);
            EXPECT_LE(m.flowers[i].icon, 180);
            EXPECT_EQ(m.flowers[i].state, 0);
        }
    }
}

TEST_F(SceneTest, RiverBottomOfTheLastRiverClampsTheNextLandscape)
{
    // Find consecutive landscapes, river then sea, from one generator.
    Rnd rnd(7);
    setRandomSource(&rnd);
    FrmMain m(800, 600);
    m.recordDrawings = true;
    m.Form_Load();
    bool seen = false;
    for (int i = 0; i < 40 && !seen; ++i) {
        m.Form_Resize();
        bool river = !m.seaDrawn;
        int16_t bottom = m.riverBottom;
        m.Form_Resize();
        if (river && m.seaDrawn) {
            seen = true;
            EXPECT_EQ(m.riverBottom, bottom) << "a sea leaves the river values alone";
            EXPECT_GE(m.finalBaseLine, bottom);
        }
    }
    EXPECT_TRUE(seen);
}

TEST_F(SceneTest, ANewFormSizeComposesALandscapeForThatSize)
{
    Rnd rnd(5);
    setRandomSource(&rnd);
    FrmMain m(320, 240);
    m.Form_Load();
    m.Form_Resize();
    m.resizeForm(480, 360);
    EXPECT_EQ(m.form.width(), 480);
    EXPECT_EQ(m.form.height(), 360);
    EXPECT_EQ(m.picBG.width(), 480);
    EXPECT_EQ(m.picBG.height(), 360);
    EXPECT_EQ(m.lblURL.top, 360 - m.lblURL.height);
    EXPECT_TRUE(m.tmrAnimation.enabled);
    // The meadow reaches the new bottom rows, on the form and the background.
    int lit = 0;
    for (int x = 0; x < 480; ++x)
        lit += (m.form.pixel(x, 358) & 0xFFFFFF) != 0 && (m.picBG.pixel(x, 358) & 0xFFFFFF) != 0;
    EXPECT_GT(lit, 400);
    // The same size again composes nothing new.
    const auto before = pixelsOf(m.picBG);
    m.resizeForm(480, 360);
    EXPECT_EQ(pixelsOf(m.picBG), before);
}

TEST_F(SceneTest, TheSameSeedComposesTheSamePicture)
{
    auto compose = [](uint64_t seed) {
        Rnd rnd(seed);
        setRandomSource(&rnd);
        FrmMain m(320, 240);
        m.Form_Load();
        m.Form_Resize();
        return pixelsOf(m.picBG);
    };
    EXPECT_EQ(compose(99), compose(99));
    EXPECT_NE(compose(99), compose(100));
}

namespace {
struct CountingPlatform : SaverPlatform {
    int cursorShown = 0;
    void showCursor(bool show) override { cursorShown += show ? 1 : 0; }
};
} // namespace

TEST_F(SceneTest, OnlyARealMouseMovementEndsTheSaver)
{
    CountingPlatform plat;
    setSaverPlatform(&plat);
    settings().Wallpaper = 0;
    FrmMain m(640, 480);
    resetSaverState();
    SaverRunning() = kTrue;
    m.Form_MouseMove(100, 100); // the first event only records
    m.Form_MouseMove(102, 98);  // 2 pixels on both axes from the reference
    m.Form_MouseMove(101, 99);
    m.Form_MouseMove(98, 102);
    EXPECT_EQ(plat.cursorShown, 0);
    // Small steps add up: 1 pixel from the last position, 3 from the first.
    EXPECT_THROW(m.Form_MouseMove(97, 102), ProgramEnd);
    EXPECT_EQ(plat.cursorShown, 1);
    // The unload that ending raises does not restore the system state again.
    m.Form_Unload();
    EXPECT_EQ(plat.cursorShown, 1);
    // (0, 0) counts as no reference at all.
    resetSaverState();
    SaverRunning() = kTrue;
    FrmMain n(640, 480);
    n.Form_MouseMove(0, 0);
    n.Form_MouseMove(50, 50);
    EXPECT_EQ(plat.cursorShown, 1);
    // A slow drift, a pixel at a time, ends it at the third pixel.
    n.Form_MouseMove(51, 50);
    n.Form_MouseMove(52, 51);
    EXPECT_EQ(plat.cursorShown, 1);
    EXPECT_THROW(n.Form_MouseMove(53, 51), ProgramEnd);
    EXPECT_EQ(plat.cursorShown, 2);
    resetSaverState();
    setSaverPlatform(nullptr);
}

TEST_F(SceneTest, TextAndAddressLabelFollowTheScreensResolution)
{
    Rnd rnd(7);
    setRandomSource(&rnd);
    auto layout = [](FrmMain& m) {
        m.Form_Load();
        m.Form_Resize();
        return std::array<int, 5>{m.lblURL.width, m.lblURL.height, m.lblURL.left, m.lblURL.top,
                                  static_cast<int>(TextHeight(m.form, "1"))};
    };
    FrmMain normal(1024, 768);
    const auto at96 = layout(normal);
    EXPECT_EQ(at96[0], 137);
    EXPECT_EQ(at96[1], 19);
    FrmMain sharp(2048, 1536);
    sharp.setDpi(192);
    const auto at192 = layout(sharp);
    EXPECT_EQ(at192[0], 274);
    EXPECT_EQ(at192[1], 38);
    EXPECT_EQ(at192[2], 2048 - 274 - 3);
    EXPECT_EQ(at192[3], 1536 - 38);
    EXPECT_NEAR(at192[4], 2 * at96[4], 1) << "text twice as tall at twice the resolution";
    // 150 % rounds the label's twips half to even.
    FrmMain mid(1024, 768);
    mid.setDpi(144);
    EXPECT_EQ(mid.lblURL.width, 206); // 205.5
    EXPECT_EQ(mid.lblURL.height, 28); // 28.5
}

namespace {
// A host that keeps a screen as a backend does, bringing only the changed
// parts of the form to it, and checks it at every DoEvents of a landscape
// being built: it must show the canvas stretched over the whole form.
class StretchCheckingHost : public HeadlessHost {
public:
    FrmMain* scene = nullptr;
    Surface screen;
    int checked = 0, wrong = 0;
    void attach(FrmMain* m)
    {
        scene = m;
        // Nothing shown yet: a colour no landscape has.
        if (m) screen = Surface(m->ScaleWidth(), m->ScaleHeight(), 0x123457);
    }
    void show()
    {
        const Surface& f = scene->form;
        if (scene->changedAll) {
            screen.setPicture(f.view(), false);
            return;
        }
        for (const FrmMain::Rect& r : scene->changed)
            BitBlt(screen, r.x0, r.y0, r.x1 - r.x0, r.y1 - r.y0, f.view(), r.x0, r.y0, RasterOp::Copy);
    }
    void doEvents() override
    {
        HeadlessHost::doEvents();
        if (!scene) return;
        show();
        Surface expect(scene->ScaleWidth(), scene->ScaleHeight());
        PaintPicture(expect, scene->picBG.view(), 0, 0, expect.width(), expect.height(), 0, 0, 640, 480);
        ++checked;
        if (pixelsOf(expect) != pixelsOf(scene->form)) ++wrong;
        if (pixelsOf(expect) != pixelsOf(screen)) ++wrongOnScreen;
    }
    int wrongOnScreen = 0;
};
} // namespace

TEST_F(SceneTest, EveryCopyOfTheCanvasShowsItWhole)
{
    // Later copies of a landscape being built stretch only what changed and
    // report only that to the backend; the form, and a screen that receives
    // only the reported parts, must still equal the whole stretch at each of
    // them, on sizes that divide the canvas unevenly and after a landscape
    // that left its frames on the form.
    StretchCheckingHost host;
    setHost(&host);
    Rnd rnd(31);
    setRandomSource(&rnd);
    for (auto [w, h] : {std::pair{1000, 700}, {333, 251}, {640, 480}}) {
        FrmMain m(w, h);
        m.incremental = w != 333;
        host.attach(&m);
        m.Form_Load();
        for (int i = 0; i < 4; ++i) {
            m.Form_Resize();
            for (int t = 0; t < 3; ++t) {
                m.tmrAnimation_Timer();
                host.show();
            }
        }
        // The window takes a new size (a display change): the form follows
        // with a landscape of its own size, laid out for it.
        EXPECT_FALSE(m.resizeForm(w, h)) << "the same size composes nothing";
        const int w2 = h + 17, h2 = w / 2 + 9;
        host.screen.resize(w2, h2);
        EXPECT_TRUE(m.resizeForm(w2, h2));
        EXPECT_EQ(m.ScaleWidth(), w2);
        EXPECT_EQ(m.ScaleHeight(), h2);
        EXPECT_EQ(m.picBG.width(), w2);
        EXPECT_EQ(m.picBG.height(), h2);
        EXPECT_EQ(m.frameWidth(), w2);
        EXPECT_EQ(m.frameHeight(), h2);
        EXPECT_EQ(m.flowerTop, flowerTopFor(m.finalBaseLine, h2));
        EXPECT_EQ(m.lblURL.left, w2 - m.lblURL.width - 3);
        EXPECT_EQ(m.lblURL.top, h2 - m.lblURL.height);
        EXPECT_TRUE(m.tmrAnimation.enabled);
        for (int t = 0; t < 3; ++t) {
            m.tmrAnimation_Timer();
            host.show();
        }
        host.attach(nullptr);
    }
    EXPECT_EQ(host.checked, 3 * 5 * 4);
    EXPECT_EQ(host.wrong, 0);
    EXPECT_EQ(host.wrongOnScreen, 0);
    setHost(&host_);
}

// The animation tick, the flying objects and the flowers, with scripted
// random values and a simulated clock.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "global_state.h"
#include "pixels.h"
#include "errors/errptnr.h"
#include "fake_resources.h"
#include "platform/host.h"
#include "platform/random.h"
#include "scene/zz.h"
#include "platform/system_host.h"
#include "scene/frmmain.h"
#include "settings/config.h"
#include "shell/scene_runner.h"

using namespace syl;

namespace {

class AnimationTest : public GlobalState {
protected:
    void SetUp() override
    {
        GlobalState::SetUp();
        host_.tick = 3600u * 1000u;
        setRandomSource(&rnd_);
    }
    void script(std::initializer_list<std::array<int, 3>> draws)
    {
        for (auto [lo, hi, v] : draws) scripted_.push(rFor(lo, hi, v));
        setRandomSource(&scripted_);
    }
    void useRnd() { setRandomSource(&rnd_); }
    // A scene laid out on a small screen with a landscape from a seed.
    std::unique_ptr<FrmMain> scene(int w = 320, int h = 240)
    {
        auto m = std::make_unique<FrmMain>(w, h);
        m->Form_Load();
        m->Form_Resize();
        return m;
    }
    void tick(FrmMain& m)
    {
        host_.tick += static_cast<uint32_t>(m.tmrAnimation.interval);
        m.tmrAnimation_Timer();
    }

    testres::Installer pictures_;
    Rnd rnd_{77};
    ScriptedRandom scripted_;
};

} // namespace

TEST_F(AnimationTest, CloudsWrapOnlyWhenTheOffsetPassesTheStripWidth)
{
    auto m = scene();
    settings().SpeedS = 1.0f;
    m->bandWidth = 100;
    m->cloudStep = 99;
    tick(*m);
    EXPECT_EQ(m->cloudOffset, 100) << "equal to the width: no wrap";
    EXPECT_EQ(m->cloudStep, 100);
    tick(*m);
    EXPECT_EQ(m->cloudOffset, 0);
    EXPECT_EQ(m->cloudStep, 0);
}

TEST_F(AnimationTest, SlowCloudsStillMoveByWholePixels)
{
    auto m = scene();
    settings().SpeedS = 0.3f;
    std::vector<int> offsets;
    for (int i = 0; i < 10; ++i) {
        tick(*m);
        offsets.push_back(m->cloudOffset);
    }
    // CInt(0.3 k), halves to even: 0.3 0.6 0.9 1.2 1.5 1.8 2.1 2.4 2.7 3.0
    EXPECT_EQ(offsets, (std::vector<int>{0, 1, 1, 1, 2, 2, 2, 2, 3, 3}));
}

TEST_F(AnimationTest, DateAndTimeLineFollowsTheSettings)
{
    auto textArea = [&](int16_t date, int16_t time) {
        useRnd();
        rnd_.seed64(5);
        auto m = scene(1024, 768);
        settings().Date = date;
        settings().Time = time;
        tick(*m);
        // The bottom-left corner, where the line is printed, against the
        // landscape under it.
        int changed = 0, leftmost = 1 << 30, rightmost = -1;
        for (int y = m->ScaleHeight() - 25; y < m->ScaleHeight(); ++y)
            for (int x = 0; x < 200; ++x)
                if (m->picBuffer.pixel(x, y) != m->picBG.pixel(x, y)) {
                    ++changed;
                    leftmost = std::min(leftmost, x);
                    rightmost = std::max(rightmost, x);
                }
        return std::array<int, 3>{changed, leftmost, rightmost};
    };
    auto neither = textArea(0, 0);
    auto dateOnly = textArea(-1, 0);
    auto timeOnly = textArea(0, 1);
    auto both = textArea(1, 1);
    EXPECT_EQ(neither[0], 0);
    EXPECT_GT(dateOnly[0], 20);
    EXPECT_GT(timeOnly[0], 20);
    EXPECT_GE(dateOnly[1], 5);
    EXPECT_LE(dateOnly[1], 7);
    EXPECT_GE(timeOnly[1], 5);
    EXPECT_LE(timeOnly[1], 7);
    EXPECT_GT(both[2], dateOnly[2] + 30) << "the time follows the date and its three blanks";
}

TEST_F(AnimationTest, TimedRestartOnlyWhenAskedAndFirstCheckOnlyRecords)
{
    settings().rTime = 60;
    settings().Restart = 0;
    auto m = scene();
    for (int i = 0; i < 3; ++i) {
        host_.tick += 61000;
        m->tmrAnimation_Timer();
    }
    EXPECT_EQ(m->lastRestart, 0u) << "restart off: nothing recorded, nothing rebuilt";

    settings().Restart = 1;
    host_.tick += 61000;
    m->tmrAnimation_Timer();
    EXPECT_EQ(m->lastRestart, host_.tick) << "the first check only records";
    const auto before = pixelsOf(m->picBG);
    host_.tick += 30000;
    m->tmrAnimation_Timer();
    EXPECT_EQ(m->lastRestart, host_.tick - 30000) << "not yet";
    host_.tick += 30001;
    m->cloudStep = 50;
    m->tmrAnimation_Timer();
    EXPECT_EQ(m->lastRestart, host_.tick);
    EXPECT_EQ(m->cloudStep, 0);
    EXPECT_NE(pixelsOf(m->picBG), before) << "a new landscape";
    EXPECT_TRUE(m->tmrAnimation.enabled);
}

TEST_F(AnimationTest, AStillSceneTicksOnceAMinuteKeepsItsRestartAndMovesAgainAtOnce)
{
    settings().Restart = 1;
    settings().rTime = 90;
    SceneRunner r(320, 240);
    r.load();
    r.compose();
    const uint32_t t = host_.tick;
    ASSERT_TRUE(r.tick(t)) << "the first frame at once";
    r.setStill(true, t);
    int frames = 0;
    for (uint32_t ms = 10; ms <= 240000; ms += 10) {
        host_.tick = t + ms;
        frames += r.tick(t + ms);
    }
    EXPECT_EQ(frames, 4) << "one frame a minute";
    EXPECT_EQ(r.untilDue(t + 240000), 60000);
    // The first frame recorded the start; 90 s later the minute's frames
    // renew the landscape at 120 s and at 240 s.
    EXPECT_EQ(r.form().lastRestart, t + 240000) << "the timed restart goes on";
    r.setStill(false, t + 240000);
    EXPECT_EQ(r.untilDue(t + 240000), 0) << "moving again at once";
    EXPECT_TRUE(r.tick(t + 240000));
    EXPECT_EQ(r.untilDue(t + 240000), r.form().tmrAnimation.interval);
}

TEST_F(AnimationTest, GatedObjectsStartAtMostOnceIn100SecondsAcrossTheClockWrap)
{
    auto m = scene();
    m->lastBigStart = 0xFFFFFFF0u;
    struct Case {
        uint32_t now;
        int expectKind;
    } cases[] = {{50000u, 0}, {99999u - 16u, 0}, {100000u - 16u, 21}};
    for (const auto& c : cases) {
        m->flightKind = 0;
        m->tickNow = c.now;
        script({{-2000, 34, 21}});
        m->launch();
        EXPECT_EQ(m->flightKind, c.expectKind) << "at " << c.now;
    }
    EXPECT_EQ(m->lastBigStart, 100000u - 16u);
    // Birds and butterflies are never held back.
    m->flightKind = 0;
    script({{-2000, 34, 22}});
    m->launch();
    EXPECT_EQ(m->flightKind, 22);
}

TEST_F(AnimationTest, LaunchFoldsCodesAndStartsNothingForInactiveOnes)
{
    auto m = scene();
    struct Case {
        int drawn, kind;
    } cases[] = {{8, 3}, {10, 5}, {16, 11}, {20, 15}, {26, 26}, {28, 28}, {30, 30}, {0, 0}, {-1500, -1500}};
    for (const auto& c : cases) {
        m->flightKind = 0;
        script({{-2000, 34, c.drawn}});
        m->launch();
        EXPECT_EQ(m->flightKind, c.kind) << c.drawn;
    }
    // A mirrored bird strip: every row reversed within the strip's width.
    m->flightKind = 0;
    script({{-2000, 34, 11}});
    m->launch();
    EXPECT_EQ(m->picObjekt.width(), 80);
    EXPECT_EQ(m->picObjekt.height(), 390);
}

TEST_F(AnimationTest, FirstStepDoesNotMoveAndThenEachKindKeepsItsPace)
{
    struct Case {
        int code;
        std::initializer_list<std::array<int, 3>> draws; // the move's draws
        int dx;
    } cases[] = {
        {1, {{2, 4, 2}}, 8},    {1, {{2, 4, 4}}, 10},   {11, {{2, 4, 3}}, -9}, {22, {{-2, 6, -2}}, 4},
        {22, {{-2, 6, 6}}, 12}, {25, {{-2, 6, 0}}, -6}, {21, {}, -6},          {27, {{1, 2, 1}}, 10},
        {27, {{1, 2, 2}}, 11},  {29, {}, -3},           {31, {}, 1},           {34, {}, -1},
    };
    for (const auto& c : cases) {
        useRnd();
        auto m = scene(1024, 768);
        m->flightKind = static_cast<int16_t>(c.code);
        FlightRecord& r = m->flights[static_cast<size_t>(c.code)];
        r.x = 300;
        r.y = 200;
        r.dy = 0;
        r.started = 0;
        m->driftStep = 1;
        m->ObjektFlieg();
        EXPECT_EQ(r.x, 300) << "the first step of code " << c.code << " does not move";
        EXPECT_EQ(r.started, -1);
        script(c.draws);
        m->ObjektFlieg();
        EXPECT_EQ(r.x, 300 + c.dx) << "code " << c.code;
        EXPECT_EQ(scripted_.remaining(), 0u);
    }
}

TEST_F(AnimationTest, BirdsAndButterfliesTurnUpNearTheBottom)
{
    auto m = scene(1024, 768);
    // A bird sinking past 0.8 x 768 = 614.4 turns upward with a step 5 larger.
    m->flightKind = 1;
    FlightRecord& b = m->flights[1];
    b = {100, 612, -1, 1, 3};
    m->driftStep = 0;
    script({{2, 4, 3}});
    m->ObjektFlieg();
    EXPECT_EQ(b.y, 615);
    EXPECT_EQ(b.dy, -8);
    // A butterfly past 0.9 x 768 = 691.2: its step plus one, negated.
    m->flightKind = 22;
    FlightRecord& f = m->flights[22];
    f = {100, 690, -1, 1, 4};
    m->driftStep = 0;
    script({{-2, 6, 0}});
    m->ObjektFlieg();
    EXPECT_EQ(f.y, 694);
    EXPECT_EQ(f.dy, -5);
}

TEST_F(AnimationTest, NewStepFromARangeWhoseLowBoundIsAboveItsHighBound)
{
    auto m = scene(1024, 768);
    m->dyMin = -1; // as an aeroplane leaves it
    m->dyMax = -3;
    m->flightKind = 1;
    FlightRecord& b = m->flights[1];
    b = {100, 300, -1, 1, 0};
    m->driftStep = 29; // the next move draws a new step
    scripted_.push(rFor(2, 4, 2));
    scripted_.push(0.5f); // Zz(-1, -3): span -1, -0.5 - 1 -> -2
    setRandomSource(&scripted_);
    m->ObjektFlieg();
    EXPECT_EQ(b.dy, -2);
}

TEST_F(AnimationTest, EndOfABirdsFlightRearmsItsRecord)
{
    auto m = scene(1024, 768);
    m->flightKind = 3;
    FlightRecord& b = m->flights[3];
    b = {1020, 300, -1, 4, 0};
    m->driftStep = 5;
    script({{2, 4, 4}, {-5, 1, -2}, {2, 5, 3}, {-2, 1, 1}, {77, 461, 200}});
    m->ObjektFlieg();
    EXPECT_EQ(m->flightKind, 0);
    EXPECT_EQ(m->dyMin, -2);
    EXPECT_EQ(m->dyMax, 1);
    EXPECT_EQ(b.dy, 1);
    EXPECT_EQ(b.started, 0);
    EXPECT_EQ(b.x, -150);
    EXPECT_EQ(b.y, 200);
    EXPECT_EQ(b.frame, 4) << "the frame is never reset at the end of a flight";
    EXPECT_EQ(m->driftStep, 0);
}

TEST_F(AnimationTest, FramesCycleByKind)
{
    auto m = scene(1024, 768);
    struct Case {
        int code;
        std::vector<int> frames; // after each step
    } cases[] = {
        {1, {1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 1}},
        {22, {2, 3, 4, 5, 6, 1, 2}},
        {21, {1, 2, 2, 1, 2, 2}},
        {29, {1, 1, 1, 1}},
    };
    for (const auto& c : cases) {
        useRnd();
        m->flightKind = static_cast<int16_t>(c.code);
        FlightRecord& r = m->flights[static_cast<size_t>(c.code)];
        r = {300, 200, -1, 1, 0};
        m->frameStep = 0;
        std::vector<int> seen;
        for (size_t i = 0; i < c.frames.size(); ++i) {
            m->flightKind = static_cast<int16_t>(c.code);
            r.x = 300;
            r.y = 200;
            m->ObjektFlieg();
            seen.push_back(r.frame);
        }
        EXPECT_EQ(seen, c.frames) << "code " << c.code;
    }
}

TEST_F(AnimationTest, AFlowerIsPlantedInTheTickItPasses32AndRetiredOnTheNext)
{
    auto m = scene();
    m->flowerCount = 0;
    FlowerSlot& f = m->flowers[0];
    f = {50, 100, 32.0f, 120, -1, 0};
    const int tuftDraws = 3 + 3 + 9 + 1 + 3; // two near tufts, three loose, the coin and a fourth tuft
    script({{10, 50, 50}});
    for (int i = 0; i < tuftDraws; ++i) scripted_.push(0.99f);
    m->Blumen();
    EXPECT_EQ(f.planted, 1);
    EXPECT_FLOAT_EQ(f.size, 32.0f + 0.0004f * 50 * 6);
    EXPECT_EQ(m->picBG.pixel(52, 100), RGB(120, 0, 0)) << "painted into the landscape";
    int16_t top = m->flowerTop;
    m->Blumen();
    EXPECT_EQ(f.state, 0);
    EXPECT_EQ(f.planted, 0);
    EXPECT_FLOAT_EQ(m->bloomCount, 1.0f);
    EXPECT_EQ(m->flowerTop, top);
    // A slot that has grown to 34 is left alone.
    f = {50, 100, 34.0f, 120, -1, 0};
    m->Blumen();
    EXPECT_FLOAT_EQ(f.size, 34.0f);
}

TEST_F(AnimationTest, RetiringMovesTheFlowerLineAndWrapsTheGrassLine)
{
    auto m = scene(640, 480);
    m->flowerCount = 0;
    FlowerSlot& f = m->flowers[0];
    struct Case {
        float bloomBefore;
        int flowerTop, grassTop;
        int expectFlowerTop, expectGrassTop;
    } cases[] = {
        {48, 301, 100, 301, 100}, // bloomCount 49: less than half a pixel
        {49, 301, 100, 300, 100}, // 301 - 0.5 rounds to the even 300
        {49, 300, 100, 300, 100}, // 300 - 0.5 stays 300
        {99, 151, 150, 150, 150}, // on the grass line: no reset
        {99, 151, 160, 195, 158}, // below it: reset below the grass line, which moves up 2
        {99, 120, 151, 186, 249}, // 151 - 2 = 149 < 480 \ 4 + 30 = 150: +100, a net +98
    };
    for (const auto& c : cases) {
        f = {50, 100, 33.0f, 120, -1, 1};
        m->bloomCount = c.bloomBefore;
        m->flowerTop = static_cast<int16_t>(c.flowerTop);
        m->grassTop = static_cast<int16_t>(c.grassTop);
        m->Blumen();
        EXPECT_EQ(m->flowerTop, c.expectFlowerTop) << c.bloomBefore << " " << c.flowerTop;
        EXPECT_EQ(m->grassTop, c.expectGrassTop) << c.bloomBefore << " " << c.flowerTop;
    }
}

TEST_F(AnimationTest, DormantSlotsWanderAndReroll)
{
    auto m = scene(640, 480);
    m->flowerCount = 0;
    m->flowerTop = 300;
    FlowerSlot& f = m->flowers[0];
    // At W - 5 moving 15: past the right edge it continues at 0. A grass
    // number without sprouting: size 32, nothing painted.
    f = {635, 0, 20, 120, 0, 0};
    const auto before = pixelsOf(m->picBG);
    script({{-1, 33, 5}, {300, 460, 350}, {10, 20, 15}, {1, 182, 150}, {181, 200, 190}});
    m->Blumen();
    EXPECT_FLOAT_EQ(f.x, 0.0f);
    EXPECT_FLOAT_EQ(f.y, 350.0f);
    EXPECT_EQ(f.state, 5);
    EXPECT_EQ(f.icon, 190);
    EXPECT_FLOAT_EQ(f.size, 32.0f);
    EXPECT_EQ(pixelsOf(m->picBG), before);
    // Sprouting: a flower with five tufts at its foot.
    script({{-1, 33, -1}, {300, 460, 350}, {10, 20, 10}, {1, 182, 20}, {15, 20, 17}});
    for (int i = 0; i < 5 * 3 - 2; ++i) scripted_.push(0.5f);
    m->Blumen();
    EXPECT_EQ(f.state, -1);
    EXPECT_EQ(f.icon, 120);
    EXPECT_FLOAT_EQ(f.size, 17.0f);
    EXPECT_EQ(scripted_.remaining(), 0u);
}

TEST(AnimationStrips, MirroredStripsArePaintedOntoThemselvesWithANegativeWidth)
{
    // With the painted pictures: every row of a strip that flies the other
    // way reversed within the strip's width, pixel for pixel as painting the
    // strip onto itself with its width negated.
    HeadlessHost host;
    setHost(&host);
    settings() = Settings{};
    FrmMain m(640, 480);
    ScriptedRandom draws;
    setRandomSource(&draws);
    for (auto [code, colour, mask, width] : {std::array<int, 4>{11, 201, 211, 80}, {23, 223, 224, 77}}) {
        m.flightKind = 0;
        draws.push(rFor(-2000, 34, code));
        m.launch();
        ASSERT_EQ(m.flightKind, code);
        for (auto [box, id] : {std::pair<Surface*, int>{&m.picObjekt, colour}, {&m.picMask, mask}}) {
            const Picture& pic = m.picture(id);
            Surface expect(pic.width, pic.height);
            expect.setPicture(pic, true);
            const Picture plain = expect.image();
            PaintPicture(expect, viewOf(plain), width, 0, -width, pic.height, 0, 0, width, pic.height);
            EXPECT_NE(pixelsOf(expect), plain.pixels) << "a strip that shows its mirroring";
            EXPECT_EQ(pixelsOf(*box), pixelsOf(expect)) << "code " << code << ", picture " << id;
        }
    }
    setRandomSource(nullptr);
    setHost(nullptr);
}

// The restart period and the spacing of the large flying objects count on
// the machine's clock, as on Windows: milliseconds since the machine
// started, cut to 32 bits. A clock that started with the program would put
// the first new landscape at twice the period.
TEST(SystemClock, TickCountIsMillisecondsSinceBootWrappingAt32Bits)
{
    EXPECT_EQ(tickCountOf(1, 999999999), 1999u);
    EXPECT_EQ(tickCountOf(4294967, 295000000), 4294967295u);
    EXPECT_EQ(tickCountOf(4294967, 296000000), 0u) << "wraps after about 49.7 days";
#ifndef _WIN32
    // Under a faked clock (libfaketime) the clocks since boot are moved
    // too, and /proc/uptime is not: there is nothing to compare then.
    if (std::getenv("FAKETIME")) return;
    std::ifstream uptime("/proc/uptime");
    double seconds = 0;
    ASSERT_TRUE(uptime >> seconds);
    SystemHost system;
    const uint32_t expected = static_cast<uint32_t>(static_cast<unsigned long long>(seconds * 1000));
    const int32_t apart = static_cast<int32_t>(system.tickCount() - expected);
    EXPECT_LT(std::abs(apart), 2000) << "uptime " << seconds << " s";
#endif
}

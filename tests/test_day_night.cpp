// Day and night: the phases from the sun's course at a place, the place of
// a time zone, the night painted in its own light, the change of phase as
// the same landscape composed again, and the timed wallpaper of a day.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <set>
#include <string>

#include "global_state.h"
#include "platform/sharp_pictures.h"
#include "scene/daylight.h"
#include "scene/frmmain.h"
#include "shell/render.h"
#include "shell/slideshow.h"

namespace syl {
namespace {

LocalDateTime at(int y, int mo, int d, int h, int mi) { return {y, mo, d, h, mi, 0, 0}; }

TEST(DayNight, ThePhasesFollowTheDateAndThePlace)
{
    const DayPlace berlin{52.5, 13.4, true};
    const ClockZone summer{2, true}, winter{1, false};
    // Midsummer: long days, a short night, dusk late in the evening.
    EXPECT_EQ(phaseAt(at(2026, 6, 21, 12, 0), berlin, summer), DayPhase::Day);
    EXPECT_EQ(phaseAt(at(2026, 6, 21, 20, 30), berlin, summer), DayPhase::Day);
    EXPECT_EQ(phaseAt(at(2026, 6, 21, 21, 45), berlin, summer), DayPhase::Dusk);
    EXPECT_EQ(phaseAt(at(2026, 6, 21, 4, 15), berlin, summer), DayPhase::Dawn);
    EXPECT_EQ(phaseAt(at(2026, 6, 21, 1, 15), berlin, summer), DayPhase::Night);
    // Midwinter: at half past eight in the morning still dawn, at five dusk.
    EXPECT_EQ(phaseAt(at(2026, 12, 21, 8, 30), berlin, winter), DayPhase::Dawn);
    EXPECT_EQ(phaseAt(at(2026, 12, 21, 17, 0), berlin, winter), DayPhase::Dusk);
    EXPECT_EQ(phaseAt(at(2026, 12, 21, 19, 30), berlin, winter), DayPhase::Night);
    // Without a known place: 50 degrees north, noon at 12:00 of standard time.
    EXPECT_EQ(phaseAt(at(2026, 6, 21, 21, 30), DayPlace{}, summer), DayPhase::Dusk);
    EXPECT_EQ(phaseAt(at(2026, 6, 21, 22, 30), DayPlace{}, ClockZone{0, false}), DayPhase::Night);
    // The same clock time a few degrees further west is earlier in the sun's day.
    EXPECT_EQ(phaseAt(at(2026, 12, 21, 7, 30), DayPlace{43.4, -8.4, true}, winter), DayPhase::Night);
    EXPECT_EQ(phaseAt(at(2026, 12, 21, 7, 30), berlin, winter), DayPhase::Dawn);
    // Beyond the polar circle: no night at midsummer, no day at midwinter.
    const DayPlace tromso{69.65, 18.96, true};
    for (int h = 0; h < 24; ++h) {
        EXPECT_NE(phaseAt(at(2026, 6, 21, h, 0), tromso, summer), DayPhase::Night) << h;
        EXPECT_NE(phaseAt(at(2026, 12, 21, h, 0), tromso, winter), DayPhase::Day) << h;
    }
    EXPECT_FALSE(nextPhaseChange(at(2026, 6, 21, 12, 0), DayPlace{78.2, 15.6, true}, summer).found)
        << "at midsummer in Svalbard the day never ends";
    // The next change is found to the minute.
    const PhaseChange evening = nextPhaseChange(at(2026, 12, 21, 12, 0), berlin, winter);
    ASSERT_TRUE(evening.found);
    EXPECT_EQ(evening.phase, DayPhase::Dusk);
    EXPECT_EQ(phaseAt(evening.at, berlin, winter), DayPhase::Dusk);
    LocalDateTime before = evening.at;
    --before.minute;
    EXPECT_EQ(phaseAt(before, berlin, winter), DayPhase::Day);
}

TEST(DayNight, AZoneTableGivesThePlaceOfItsZones)
{
    const std::string table = "# comment\n"
                              "DE\t+5230+01322\tEurope/Berlin\tmost of Germany\n"
                              "AR\t-3436-05827\tAmerica/Argentina/Buenos_Aires\n"
                              "NO\t+693900+0185700\tArctic/Tromso\r\n"
                              "XX\t+99\tBad/Line\n";
    DayPlace p = placeOfZone(table, "Europe/Berlin");
    ASSERT_TRUE(p.known);
    EXPECT_NEAR(p.latitude, 52.5, 1e-9);
    EXPECT_NEAR(p.longitude, 13.0 + 22.0 / 60, 1e-9);
    p = placeOfZone(table, "America/Argentina/Buenos_Aires");
    EXPECT_NEAR(p.latitude, -(34 + 36.0 / 60), 1e-9);
    EXPECT_NEAR(p.longitude, -(58 + 27.0 / 60), 1e-9);
    EXPECT_NEAR(placeOfZone(table, "Arctic/Tromso").latitude, 69.65, 1e-9);
    for (const char* unknown : {"Bad/Line", "Europe/Paris", "", "Europe"})
        EXPECT_FALSE(placeOfZone(table, unknown).known) << unknown;
}

// The mean of the three components over a picture's covered pixels, and how
// many covered pixels glow warm (lit windows).
struct Look {
    double mean = 0;
    int warm = 0;
};
Look lookOf(const Picture& p)
{
    Look l;
    long n = 0;
    for (size_t i = 0; i < p.pixels.size(); ++i) {
        if (!p.alpha.empty() && p.alpha[i] < 255) continue;
        const Color c = p.pixels[i];
        l.mean += redOf(c) + greenOf(c) + blueOf(c);
        ++n;
        if (redOf(c) > 200 && greenOf(c) > 150 && blueOf(c) < 150) ++l.warm;
    }
    l.mean /= 3.0 * static_cast<double>(std::max(n, 1L));
    return l;
}

// Points of light: pixels far brighter than most of their row, in rows y0 to y1.
int stars(const Picture& p, int y0, int y1)
{
    int n = 0;
    for (int y = y0; y < std::min(y1, p.height); ++y) {
        std::vector<int> row;
        for (int x = 0; x < p.width; ++x) row.push_back(redOf(p.at(x, y)) + greenOf(p.at(x, y)) + blueOf(p.at(x, y)));
        std::vector<int> sorted = row;
        std::nth_element(sorted.begin(), sorted.begin() + static_cast<long>(sorted.size() / 2), sorted.end());
        const int median = sorted[sorted.size() / 2];
        for (int v : row) n += v > median + 90 && median < 300;
    }
    return n;
}

TEST(DayNight, TheNightIsPaintedInItsOwnLight)
{
    // The night sky is dark; its cloud band has stars (small bright points)
    // and the moon; the town's windows are lit; the meadow is dark, not black.
    const Look sky = lookOf(paintSharpPicture(ResourceKind::Bitmap, 101, 1));
    const Look nightSky = lookOf(paintSharpPicture(ResourceKind::Bitmap, pictureAtPhase(101, 3), 1));
    EXPECT_LT(nightSky.mean, sky.mean / 3);
    EXPECT_GT(stars(paintSharpPicture(ResourceKind::Bitmap, pictureAtPhase(121, 3), 1), 0, 119), 20);
    EXPECT_EQ(stars(paintSharpPicture(ResourceKind::Bitmap, 121, 1), 0, 119), 0);
    const Look city = lookOf(paintSharpPicture(ResourceKind::Bitmap, 151, 1));
    const Look nightCity = lookOf(paintSharpPicture(ResourceKind::Bitmap, pictureAtPhase(151, 3), 1));
    EXPECT_LT(nightCity.mean, city.mean / 2);
    EXPECT_GT(nightCity.warm, 500) << "windows lit, and glowing";
    const Look meadow = lookOf(paintSharpPicture(ResourceKind::Bitmap, pictureAtPhase(106, 3), 1));
    EXPECT_GT(meadow.mean, 10);
    EXPECT_LT(meadow.mean, 90);
    // Dawn and dusk are their own: warmer than the day, neither the night.
    const Look dusk = lookOf(paintSharpPicture(ResourceKind::Bitmap, pictureAtPhase(101, 2), 1));
    EXPECT_NE(dusk.mean, sky.mean);
    EXPECT_GT(dusk.mean, nightSky.mean);
}

class DayNightScene : public GlobalState {
protected:
    struct Composed {
        Picture background, strip;
        std::string info;
    };
    // A landscape composed in a phase from a seed; with relit >= 0, composed
    // by day and then lit for that phase.
    static Composed compose(uint64_t seed, int phase, bool sharp, int relit = -1)
    {
        defaultRnd().seed64(seed);
        FrmMain m(960, 540);
        m.sharp = sharp;
        m.paintWhenNeeded = true;
        m.recordDrawings = true;
        m.phase = phase;
        m.Form_Load();
        m.Form_Resize();
        Composed c;
        c.info = sceneInfoJson(m, seed, 0);
        if (relit >= 0) {
            EXPECT_TRUE(m.changePhase(relit, 2));
            EXPECT_TRUE(m.fading());
            m.fadeStep();
            m.fadeStep();
            EXPECT_FALSE(m.fading());
            EXPECT_EQ(m.phaseShown(), relit);
        }
        c.background = m.picBG.image();
        c.strip = m.picHimmel.image();
        return c;
    }
};

TEST_F(DayNightScene, ANewPhaseIsTheSameLandscapeComposedAgain)
{
    for (bool sharp : {false, true}) {
        SCOPED_TRACE(sharp ? "sharp" : "classic");
        for (uint64_t seed : {3u, 9u}) {
            const Composed day = compose(seed, 0, sharp);
            const Composed night = compose(seed, 3, sharp);
            // The same draws, the same drawings: only the light differs.
            EXPECT_EQ(night.info, day.info);
            EXPECT_NE(night.background.pixels, day.background.pixels);
            // Stars over the whole sky, below the cloud band as well.
            EXPECT_GT(stars(night.background, 140, 210), 10);
            EXPECT_EQ(stars(day.background, 140, 210), 0);
            const Composed relit = compose(seed, 0, sharp, 3);
            EXPECT_EQ(relit.background.pixels, night.background.pixels) << seed;
            EXPECT_EQ(relit.strip.pixels, night.strip.pixels) << seed;
        }
    }
}

TEST(DayNight, TheTimedWallpaperCoversTheDay)
{
    const std::array<std::string, 4> pictures{"/w/day.png", "/w/dawn.png", "/w/dusk & more.png", "/w/night.png"};
    const std::string xml = dayNightSlideshow(pictures, at(2026, 6, 21, 15, 0), {52.5, 13.4, true}, {2, true});
    EXPECT_NE(xml.find("<year>2026</year>"), std::string::npos);
    EXPECT_NE(xml.find("/w/dusk &amp; more.png"), std::string::npos);
    // night, dawn, day, dusk, night: statics and fades that add up to the day.
    const std::regex part("<(static|transition)[^>]*>\\s*<duration>([0-9]+)\\.0</duration>\\s*<(file|from)>([^<]*)<");
    long total = 0;
    std::vector<std::string> shown;
    for (auto it = std::sregex_iterator(xml.begin(), xml.end(), part); it != std::sregex_iterator(); ++it) {
        total += std::stol((*it)[2]);
        EXPECT_GT(std::stol((*it)[2]), 0);
        if ((*it)[1] == "static") shown.push_back((*it)[4]);
    }
    EXPECT_EQ(total, 24 * 3600);
    EXPECT_EQ(shown, (std::vector<std::string>{"/w/night.png", "/w/dawn.png", "/w/day.png", "/w/dusk &amp; more.png",
                                               "/w/night.png"}));
}

} // namespace
} // namespace syl

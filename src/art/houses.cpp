// The two houses and the fence.
#include "art/building_parts.h"

namespace art {

// ---------------------------------------------------------------- houses
namespace {
// A house in three-quarter view: the long front wall towards the viewer,
// the gable end receding to the right, the front slope of the roof on top.
struct HouseShape {
    float x0, x1, eave, base; // front wall
    float dx, dy;             // the receding direction
    float ridge;              // roof height above the eaves
    Mat wall, side, roof;
};

// A window pane: dark glass with a glint by day; after sunset a warm light
// from the room, brighter towards its middle.
void paneOrLight(Canvas& cv, float x0, float y0, float x1, float y1, float glintW, float glintH)
{
    if (hour() == Hour::Day) {
        rect(cv, x0, y0, x1, y1,
             [=](float px, float py) { return (px - x0 < glintW && py - y0 < glintH) ? kWinGlint : kWinDark; });
        return;
    }
    GlowScope glow;
    const float cx = (x0 + x1) / 2, cy = (y0 + y1) / 2, rx = (x1 - x0) / 2, ry = (y1 - y0) / 2;
    const float bright = hour() == Hour::Night ? 1.f : 0.75f;
    rect(cv, x0, y0, x1, y1, [=](float px, float py) {
        const float u = (px - cx) / rx, v = (py - cy) / ry;
        const float f = clamp01(1 - 0.5f * (u * u + v * v));
        return mix(rgb8(200, 120, 50), rgb8(255, 226, 140), f) * bright;
    });
}

template <class WallPaint>
void house3q(Canvas& cv, const HouseShape& h, WallPaint wallPaint)
{
    float rx = h.dx / 2, ry = h.dy / 2;
    // Gable end (in shade).
    std::vector<Pt> side{{h.x1, h.base},
                         {h.x1, h.eave},
                         {h.x1 + rx, h.eave - ry - h.ridge},
                         {h.x1 + h.dx, h.eave - h.dy},
                         {h.x1 + h.dx, h.base - h.dy}};
    poly(cv, side, [&](float x, float y) { return wallPaint(x, y, true); });
    // Front wall.
    rect(cv, h.x0, h.eave, h.x1, h.base, [&](float x, float y) { return wallPaint(x, y, false); });
    // Roof: front slope, lit.
    float o = 3;
    std::vector<Pt> roof{{h.x0 - o, h.eave + 1.5f},
                         {h.x1 + o * 0.6f, h.eave + 1.5f},
                         {h.x1 + rx + o * 0.3f, h.eave - ry - h.ridge - 0.5f},
                         {h.x0 + rx - o * 0.3f, h.eave - ry - h.ridge - 0.5f}};
    Mat rm = h.roof;
    poly(cv, roof, [=](float x, float y) {
        float v = (h.eave - y) / (ry + h.ridge);
        float f = 0.55f + 0.2f * v - 0.15f * (x - h.x0) / (h.x1 - h.x0);
        if (std::fmod(h.eave + 40 - y, 3.5f) < 1.f) f -= 0.22f;
        f += (grain(x / 2, y, 77) - 0.5f) * 0.12f;
        return rm.at(f);
    });
    // Barge board along the gable.
    line(cv, h.x1 + o * 0.6f, h.eave + 1.5f, h.x1 + rx + o * 0.3f, h.eave - ry - h.ridge - 0.5f, 1.6f, Solid{rm.dark});
}

void flowerBed(Canvas& cv, Rng& rng, float x0, float x1, float y0, float y1)
{
    static const RGB cols[] = {rgb8(236, 60, 60), rgb8(250, 220, 60), rgb8(250, 250, 246), rgb8(190, 90, 220),
                               rgb8(250, 140, 40)};
    for (int i = 0; i < int((x1 - x0) * 0.9f); ++i) {
        float x = rng.range(x0, x1), y = rng.range(y0, y1);
        capsule(cv, x, y, x, y + 3, 0.5f, 0.5f, Solid{rgb8(50, 120, 50)});
        circle(cv, x, y, rng.range(0.9f, 1.4f), Solid{cols[rng.i(0, 4)]});
    }
}

void lawn(Canvas& cv, float x0, float x1, float top, float base, uint32_t seed)
{
    std::vector<RGB> g{rgb8(44, 108, 46), rgb8(76, 148, 56), rgb8(120, 184, 70), rgb8(170, 210, 100)};
    fill(
        cv, {x0, top - 3, x1, base},
        [=](float x, float y) {
            float edge = top + 2.5f * vnoise(x / 5, 0, seed) - 1.5f * (hash2(int(x * 2), 0, seed) > 0.6f);
            float end = std::min(x - x0, x1 - x);
            return y >= edge + std::max(0.f, 6 - end);
        },
        [=](float x, float y) {
            float f = 0.65f - 0.25f * (y - top) / (base - top) + (grain(x, y / 2, seed) - 0.5f) * 0.35f;
            return ramp(g, f);
        });
}

void picketFence(Canvas& cv, float x0, float x1, float base, float h, RGB c)
{
    rect(cv, x0, base - h * 0.75f, x1, base - h * 0.75f + 1.3f, Solid{tone(c, -0.35f)});
    rect(cv, x0, base - h * 0.3f, x1, base - h * 0.3f + 1.3f, Solid{tone(c, -0.35f)});
    for (float x = x0; x < x1; x += 3.5f) {
        std::vector<Pt> p{{x, base}, {x, base - h + 1.2f}, {x + 1, base - h}, {x + 2, base - h + 1.2f}, {x + 2, base}};
        poly(cv, p, [=](float px, float) { return px < x + 0.9f ? c : tone(c, -0.2f); });
    }
}
} // namespace

Image paintRedHouse()
{
    Canvas cv(153, 115, 3);
    Rng rng(161);
    const float base = 104;
    Mat red{rgb8(214, 70, 58), rgb8(176, 44, 40), rgb8(110, 30, 36)};
    Mat roof{rgb8(110, 112, 124), rgb8(70, 72, 88), rgb8(40, 42, 58)};
    HouseShape h{22, 104, 62, base, 34, 16, 26, red, red, roof};
    // Apple tree behind the house on the right.
    smallTree(cv, 134, 100, 62, false, 71);
    house3q(cv, h, [&](float x, float y, bool side) {
        float f = side ? 0.28f : 0.66f;
        if (std::fmod(x - 22 + (side ? y * 0 : 0), 4.f) < 0.8f && !side) f -= 0.12f; // boards
        if (side && std::fmod(x, 4.f) < 0.8f) f -= 0.08f;
        f += (grain(x, y / 3, 5) - 0.5f) * 0.1f;
        return red.at(f);
    });
    // White corner boards and trim.
    RGB white = rgb8(246, 244, 236), whiteS = rgb8(196, 200, 210);
    rect(cv, 22, 62, 24, base, Solid{white});
    rect(cv, 102, 62, 104.5f, base, Solid{whiteS});
    rect(cv, 135, 46, 137, base - 16, Solid{whiteS});
    // Windows with white frames and crossbars.
    auto window = [&](float x, float y, float w, float hh, bool shade) {
        rect(cv, x - 1.5f, y - 1.5f, x + w + 1.5f, y + hh + 1.5f, Solid{shade ? whiteS : white});
        paneOrLight(cv, x, y, x + w, y + hh, w * 0.4f, hh * 0.35f);
        rect(cv, x + w / 2 - 0.6f, y, x + w / 2 + 0.6f, y + hh, Solid{shade ? whiteS : white});
        rect(cv, x, y + hh / 2 - 0.6f, x + w, y + hh / 2 + 0.6f, Solid{shade ? whiteS : white});
    };
    window(30, 70, 10, 12, false);
    window(84, 70, 10, 12, false);
    window(112, 60, 7, 10, true);
    window(122, 56, 6, 9, true);
    // Door with a little porch roof.
    rect(cv, 55, 74, 69, base, Solid{white});
    rect(cv, 57, 76, 67, base, [](float x, float y) {
        return x < 60 ? rgb8(80, 120, 84) : rgb8(56, 92, 66) * (std::fmod(y, 6.f) < 0.7f ? 0.8f : 1.f);
    });
    circle(cv, 65, 90, 0.8f, Solid{rgb8(230, 200, 90)});
    poly(cv, {{52, 74}, {72, 74}, {62, 67}},
         [](float x, float) { return x < 62 ? rgb8(110, 112, 124) : rgb8(60, 62, 78); });
    // Chimney.
    rect(cv, 80, 30, 86, 46, [](float x, float y) {
        return (x < 82 ? rgb8(222, 224, 220) : rgb8(170, 172, 180)) * (std::fmod(y, 3.f) < 0.6f ? 0.85f : 1.f);
    });
    // Garden: lawn, flower beds, bushes, white fence.
    lawn(cv, 0, 153, base - 2, 115, 12);
    bush(cv, 12, base - 4, 8, 31);
    bush(cv, 116, base - 3, 6, 32);
    flowerBed(cv, rng, 26, 52, base, base + 4);
    flowerBed(cv, rng, 72, 100, base, base + 4);
    rect(cv, 57, base, 67, 115,
         [](float x, float y) { return (grain(x, y, 3) > 0.5f) ? rgb8(214, 200, 170) : rgb8(186, 170, 140); });
    picketFence(cv, 2, 55, 115, 9, white);
    picketFence(cv, 69, 151, 115, 9, white);
    return resolve(cv);
}

Image paintLogHouse()
{
    Canvas cv(153, 115, 3);
    Rng rng(163);
    const float base = 106;
    Mat wood{rgb8(200, 140, 80), rgb8(150, 96, 54), rgb8(90, 58, 38)};
    Mat roof{rgb8(170, 120, 80), rgb8(118, 78, 52), rgb8(70, 46, 36)};
    HouseShape h{18, 106, 58, base, 32, 16, 28, wood, wood, roof};
    smallTree(cv, 140, 104, 70, true, 72);
    house3q(cv, h, [&](float x, float y, bool side) {
        // Horizontal logs: each a rounded band, lit on top.
        float ly = std::fmod(y - (side ? (x - 106) * -0.5f : 0) + 100, 5.f) / 5.f;
        float f = (side ? 0.3f : 0.62f) + 0.3f * std::sin(ly * kPi) - (ly > 0.85f ? 0.3f : 0.f);
        f += (grain(x / 3, y, 9) - 0.5f) * 0.12f;
        return wood.at(f);
    });
    // Log ends at the front corners.
    for (float y = 58; y < base; y += 5) {
        for (float x : {18.f, 106.f})
            circle(cv, x, y + 2.5f, 2.6f, [=](float px, float py) {
                float d = std::hypot(px - x, py - y - 2.5f);
                return std::fmod(d, 1.2f) < 0.4f ? rgb8(150, 104, 60) : rgb8(222, 176, 112);
            });
    }
    // Small windows with shutters.
    auto window = [&](float x, float y) {
        rect(cv, x - 5, y - 1, x - 1, y + 12, Solid{rgb8(60, 120, 76)});
        rect(cv, x + 11, y - 1, x + 15, y + 12, Solid{rgb8(40, 96, 62)});
        rect(cv, x - 1, y - 1, x + 11, y + 12, Solid{rgb8(236, 224, 200)});
        paneOrLight(cv, x, y, x + 10, y + 11, 4, 4);
        rect(cv, x + 4.4f, y, x + 5.6f, y + 11, Solid{rgb8(236, 224, 200)});
    };
    window(30, 68);
    window(80, 68);
    rect(cv, 53, 70, 69, base, Solid{rgb8(120, 78, 48)});
    rect(cv, 55, 72, 67, base,
         [](float x, float) { return std::fmod(x, 3.f) < 0.7f ? rgb8(90, 56, 36) : rgb8(140, 92, 56); });
    circle(cv, 65, 88, 0.8f, Solid{rgb8(200, 190, 150)});
    // Stone chimney on the gable.
    rect(cv, 120, 26, 128, 60, [](float x, float y) {
        float n = hash2(int(x / 2.5f), int(y / 2), 21);
        return mix(rgb8(170, 164, 156), rgb8(120, 116, 118), n * 0.7f + (x > 125 ? 0.3f : 0.f));
    });
    // Woodpile, bushes, grass.
    for (int i = 0; i < 9; ++i) {
        float x = 112 + (i % 4) * 4.5f + (i / 4) * 2.2f, y = base - 2 - (i / 4) * 4;
        circle(cv, x, y, 2.2f, [=](float px, float py) {
            return std::hypot(px - x, py - y) < 1 ? rgb8(226, 186, 120) : rgb8(160, 110, 64);
        });
    }
    lawn(cv, 0, 153, base - 2, 115, 14);
    bush(cv, 8, base - 3, 7, 41);
    bush(cv, 44, base, 5, 42);
    flowerBed(cv, rng, 74, 96, base, base + 5);
    rect(cv, 55, base, 67, 115,
         [](float x, float y) { return (grain(x, y, 4) > 0.5f) ? rgb8(180, 160, 120) : rgb8(150, 130, 100); });
    return resolve(cv);
}

// ---------------------------------------------------------------- fence
Image paintFence()
{
    Canvas cv(400, 28, 3);
    Mat wood{rgb8(214, 180, 130), rgb8(160, 122, 80), rgb8(96, 70, 50)};
    auto grain = [&](float f, float x, float y) {
        f += (vnoise(x / 9, y * 1.5f, 31) - 0.5f) * 0.3f;
        return wood.at(f);
    };
    // Two rails, slightly uneven, lit on top.
    for (int r = 0; r < 2; ++r) {
        float y0 = r == 0 ? 7 : 16;
        fill(
            cv, {0, y0 - 2, 400, y0 + 5},
            [=](float x, float y) {
                float off = 0.8f * std::sin(x / 37 + r * 2) + 0.5f * std::sin(x / 13);
                return y >= y0 + off && y < y0 + off + 3.5f;
            },
            [=](float x, float y) {
                float off = 0.8f * std::sin(x / 37 + r * 2) + 0.5f * std::sin(x / 13);
                float v = (y - y0 - off) / 3.5f;
                return grain(v < 0.3f ? 0.85f : (v > 0.75f ? 0.25f : 0.55f), x, y);
            });
    }
    // Posts with pointed tops, lit on the left.
    for (float x = 6; x < 400; x += 44) {
        float w = 5.5f;
        std::vector<Pt> p{{x, 28}, {x, 3}, {x + w / 2, 0.5f}, {x + w, 3}, {x + w, 28}};
        poly(cv, p, [=](float px, float py) {
            float u = (px - x) / w;
            float f = u < 0.3f ? 0.85f : (u > 0.7f ? 0.2f : 0.55f);
            if (py < 3 + (px - x) * 0) f += 0.1f;
            return grain(f, px * 3, py * 0.3f);
        });
    }
    // Grass along the foot of the posts.
    Rng rng(165);
    for (float x = 6; x < 400; x += 44)
        for (int i = 0; i < 6; ++i) {
            float gx = x + 2.75f + rng.range(-6, 6);
            capsule(cv, gx, 28, gx + rng.range(-2, 2), 28 - rng.range(2, 6), 0.7f, 0.3f,
                    Solid{mix(rgb8(60, 130, 50), rgb8(150, 200, 80), rng.f())});
        }
    return resolve(cv);
}

} // namespace art

// City skylines, castles and manor houses, the two houses and the fence.
#include "art.h"

namespace art {

namespace {
struct Mat {
    RGB light, mid, dark;
    RGB at(float f) const { return f < 0.5f ? mix(dark, mid, f * 2) : mix(mid, light, (f - 0.5f) * 2); }
};

const Mat kStone{rgb8(222, 216, 196), rgb8(184, 176, 160), rgb8(120, 116, 118)};
const Mat kTiles{rgb8(214, 104, 70), rgb8(176, 66, 48), rgb8(112, 40, 40)};
const Mat kSlate{rgb8(130, 142, 168), rgb8(88, 98, 124), rgb8(54, 60, 84)};
const Mat kCopper{rgb8(150, 210, 180), rgb8(96, 166, 140), rgb8(52, 110, 100)};
const Mat kWalls[] = {
    {rgb8(246, 236, 204), rgb8(226, 210, 170), rgb8(160, 140, 120)}, // cream
    {rgb8(240, 200, 130), rgb8(214, 168, 96), rgb8(150, 110, 78)},   // ochre
    {rgb8(240, 190, 170), rgb8(214, 150, 132), rgb8(150, 100, 100)}, // pink
    {rgb8(244, 244, 236), rgb8(214, 214, 210), rgb8(140, 144, 156)}, // white
    {rgb8(200, 214, 226), rgb8(160, 178, 198), rgb8(104, 116, 142)}, // blue grey
    {rgb8(226, 222, 160), rgb8(196, 188, 120), rgb8(130, 124, 96)},  // yellow
};
const RGB kWinDark = rgb8(56, 70, 104), kWinGlint = rgb8(130, 160, 200), kWinLit = rgb8(252, 224, 124);

// A facade: lit towards the left, a shaded strip at the right edge, fine
// plaster texture.
void facade(Canvas& cv, float x0, float y0, float x1, float y1, const Mat& m, uint32_t seed, float shade = 0.2f)
{
    float w = x1 - x0;
    rect(cv, x0, y0, x1, y1, [=](float x, float y) {
        float u = (x - x0) / w;
        float f = 0.72f - (u > 1 - shade ? 0.5f : 0.f) + (u < 0.04f ? 0.15f : 0.f);
        f += (hash2(int(x), int(y), seed) - 0.5f) * 0.05f;
        return m.at(f);
    });
}

// A grid of windows; some lit.
void windows(Canvas& cv, float x0, float y0, float x1, float y1, int cols, int rows, float ww, float wh, uint32_t seed,
             float lit, bool arched = false)
{
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c) {
            float cx = x0 + (x1 - x0) * (c + 0.5f) / cols;
            float cy = y0 + (y1 - y0) * (r + 0.5f) / rows;
            bool on = hash2(c, r, seed) < lit;
            float l = cx - ww / 2, t = cy - wh / 2;
            auto paint = [=](float x, float y) {
                if (on) return (x - l < ww * 0.5f && y - t < wh * 0.4f) ? tone(kWinLit, 0.4f) : kWinLit;
                return (x - l < ww * 0.45f && y - t < wh * 0.35f) ? kWinGlint : kWinDark;
            };
            if (arched) {
                fill(cv, {l, t - ww / 2, l + ww, t + wh}, [=](float x, float y) {
                    if (x < l || x >= l + ww || y >= t + wh) return false;
                    if (y >= t) return true;
                    float dx = (x - l - ww / 2) / (ww / 2), dy = (y - t) / (ww / 2);
                    return dx * dx + dy * dy <= 1;
                }, paint);
            } else {
                rect(cv, l, t, l + ww, t + wh, paint);
            }
        }
}

// A roof seen from the eaves: a trapezoid from the eave line up to the ridge,
// rows of tiles, lit towards the left.
void roofFront(Canvas& cv, float x0, float x1, float eave, float h, float inset, const Mat& m, float over = 2)
{
    std::vector<Pt> p{{x0 - over, eave}, {x1 + over, eave}, {x1 - inset, eave - h}, {x0 + inset, eave - h}};
    poly(cv, p, [=](float x, float y) {
        float u = (x - x0) / std::max(1.f, x1 - x0);
        float v = (eave - y) / h;
        float f = 0.62f + 0.2f * v - 0.25f * u;
        if (std::fmod(eave - y, 3.f) < 0.9f) f -= 0.25f; // tile rows
        if (x < x0 + inset * (1 - (eave - y) / h) * 0 + (x0 + inset - x0) * v + 1.2f && inset > 0) f += 0.2f; // lit hip
        return m.at(f);
    });
}

// A pointed roof or spire seen from the front: left half lit, right half
// in shade.
void spire(Canvas& cv, float cx, float base, float w, float h, const Mat& m, float over = 1)
{
    std::vector<Pt> p{{cx - w / 2 - over, base}, {cx + w / 2 + over, base}, {cx, base - h}};
    poly(cv, p, [=](float x, float y) {
        float f = x < cx ? 0.75f : 0.3f;
        if (std::fmod(base - y, 3.f) < 0.8f) f -= 0.15f;
        return m.at(f);
    });
}

// A round tower: shaded like a cylinder.
void roundTower(Canvas& cv, float cx, float r, float top, float base, const Mat& m, uint32_t seed)
{
    rect(cv, cx - r, top, cx + r, base, [=](float x, float y) {
        float u = (x - cx) / r;
        float f = 0.25f + 0.75f * clamp01(sphereLight(u, -0.1f) * 1.3f);
        f += (hash2(int(x), int(y), seed) - 0.5f) * 0.1f;
        if (std::fmod(y, 4.f) < 0.6f) f -= 0.08f;
        return m.at(f);
    });
}

// A conical roof.
void cone(Canvas& cv, float cx, float r, float base, float h, const Mat& m)
{
    std::vector<Pt> p{{cx - r, base}, {cx + r, base}, {cx, base - h}};
    poly(cv, p, [=](float x, float y) {
        float t = (base - y) / h;
        float rr = std::max(0.5f, r * (1 - t));
        float u = (x - cx) / rr;
        float f = 0.2f + 0.85f * clamp01(sphereLight(u, -0.3f) * 1.3f);
        return m.at(f);
    });
    // Eave line.
    rect(cv, cx - r - 1, base - 1, cx + r + 1, base + 1, Solid{m.dark});
}

// Battlements along the top of a wall.
void crenels(Canvas& cv, float x0, float x1, float y, float h, const Mat& m)
{
    float step = h * 1.6f;
    for (float x = x0; x < x1 - 0.5f; x += step) {
        float e = std::min(x + step * 0.55f, x1);
        rect(cv, x, y - h, e, y + 0.5f, [=](float px, float) { return m.at(px < x + 1 ? 0.9f : 0.65f); });
    }
}

void dome(Canvas& cv, float cx, float r, float base, float h, const Mat& m)
{
    fill(cv, {cx - r, base - h, cx + r, base}, [=](float x, float y) {
        float u = (x - cx) / r, v = (y - base) / h;
        return u * u + v * v <= 1 && y <= base;
    }, [=](float x, float y) {
        float u = (x - cx) / r, v = (y - base) / h;
        float f = 0.15f + 0.9f * sphereLight(u, v);
        if (std::fmod(x - cx + 100, r * 0.5f) < 0.7f) f -= 0.15f; // ribs
        return m.at(f);
    });
}

void door(Canvas& cv, float cx, float base, float w, float h, RGB c)
{
    fill(cv, {cx - w / 2, base - h, cx + w / 2, base}, [=](float x, float y) {
        if (x < cx - w / 2 || x > cx + w / 2) return false;
        float top = base - h + w / 2;
        if (y >= top) return true;
        float dx = (x - cx) / (w / 2), dy = (y - top) / (w / 2);
        return dx * dx + dy * dy <= 1;
    }, [=](float x, float) { return x < cx - w / 4 ? tone(c, 0.15f) : c; });
}

// Lawn or mound along the foot of a building sheet.
void green(Canvas& cv, float x0, float x1, float base, float h, uint32_t seed)
{
    std::vector<RGB> g{rgb8(40, 104, 50), rgb8(74, 146, 58), rgb8(120, 184, 70), rgb8(170, 214, 100)};
    float cx = (x0 + x1) / 2, rx = (x1 - x0) / 2;
    fill(cv, {x0, base - h - 1, x1, base}, [=](float x, float y) {
        float u = (x - cx) / rx;
        if (std::fabs(u) > 1) return false;
        float top = base - h * std::sqrt(std::max(0.f, 1 - u * u)) * (0.75f + 0.25f * vnoise(x / 12, 0, seed));
        return y >= top;
    }, [=](float x, float y) {
        float u = (x - cx) / rx;
        float f = 0.7f - 0.35f * u - 0.3f * clamp01((y - (base - h)) / h) + (hash2(int(x), int(y / 2), seed) - 0.5f) * 0.3f;
        return ramp(g, f);
    });
}

void bush(Canvas& cv, float cx, float cy, float r, uint32_t seed)
{
    std::vector<RGB> g{rgb8(22, 62, 40), rgb8(40, 98, 46), rgb8(78, 142, 54), rgb8(132, 186, 76)};
    fill(cv, {cx - r * 1.3f, cy - r * 1.3f, cx + r * 1.3f, cy + r * 1.3f}, [=](float x, float y) {
        float dx = (x - cx) / r, dy = (y - cy) / r;
        float a = std::atan2(dy, dx) / (2 * kPi) + 0.5f;
        float rr = 0.85f + 0.3f * vnoise(a * 8, 0, seed, 8);
        return dx * dx + dy * dy <= rr * rr;
    }, [=](float x, float y) {
        float f = sphereLight((x - cx) / r, (y - cy) / r) + (fbm(x / 2, y / 2, seed + 3, 2) - 0.5f) * 0.5f;
        return ramp(g, f * 1.1f);
    });
}

// A tree in the distance: a round or pointed crown on a short trunk.
void smallTree(Canvas& cv, float x, float foot, float h, bool pointed, uint32_t seed)
{
    rect(cv, x - 0.8f, foot - h * 0.35f, x + 0.8f, foot, Solid{rgb8(96, 70, 50)});
    if (pointed) {
        std::vector<RGB> g{rgb8(20, 56, 44), rgb8(34, 90, 56), rgb8(70, 134, 70)};
        std::vector<Pt> p{{x - h * 0.22f, foot - h * 0.2f}, {x + h * 0.22f, foot - h * 0.2f}, {x, foot - h}};
        poly(cv, p, [=](float px, float py) { return ramp(g, (px < x ? 0.8f : 0.35f) + (hash2(int(px), int(py), seed) - 0.5f) * 0.3f); });
    } else {
        bush(cv, x, foot - h * 0.62f, h * 0.36f, seed);
    }
}
} // namespace

// ---------------------------------------------------------------- city
Image paintCity()
{
    std::vector<Image> frames;
    for (int f = 0; f < 5; ++f) {
        Canvas cv(245, 100, 3);
        Rng rng(8100 + f);
        const float B = 100;
        uint32_t s = 900 + f * 40;
        auto house = [&](float x0, float w, float h, int wall, bool gable, const Mat& roof, float lit) {
            facade(cv, x0, B - h, x0 + w, B, kWalls[wall], s++);
            int cols = std::max(1, int(w / 7)), rows = std::max(1, int((h - 4) / 9));
            windows(cv, x0 + 1, B - h + 2, x0 + w - 1, B - 3, cols, rows, 3, 4, s++, lit);
            if (gable) spire(cv, x0 + w / 2, B - h, w, w * 0.55f, roof, 1.5f);
            else roofFront(cv, x0, x0 + w, B - h, w * 0.28f, w * 0.12f, roof);
        };
        auto tower = [&](float x0, float w, float h, int wall, float lit) {
            facade(cv, x0, B - h, x0 + w, B, kWalls[wall], s++, 0.25f);
            int cols = std::max(2, int(w / 5)), rows = int((h - 6) / 6);
            windows(cv, x0 + 1, B - h + 3, x0 + w - 1, B - 3, cols, rows, 2.2f, 3, s++, lit);
            rect(cv, x0 - 1, B - h - 1.5f, x0 + w + 1, B - h + 0.5f, Solid{kWalls[wall].dark});
        };
        auto church = [&](float cx, float tw, float th, float sh, const Mat& roof) {
            // Nave behind, then the tower with a spire and a clock.
            facade(cv, cx - tw / 2, B - th, cx + tw / 2, B, kStone, s++, 0.3f);
            windows(cv, cx - tw / 2 + 1, B - th + 6, cx + tw / 2 - 1, B - th + 14, 1, 1, 3, 6, s++, 0.f, true);
            circle(cv, cx, B - th + 20, tw * 0.22f, Solid{rgb8(244, 240, 224)});
            line(cv, cx, B - th + 20, cx, B - th + 20 - tw * 0.16f, 0.8f, Solid{rgb8(60, 60, 70)});
            line(cv, cx, B - th + 20, cx + tw * 0.12f, B - th + 20, 0.8f, Solid{rgb8(60, 60, 70)});
            windows(cv, cx - tw / 2 + 1, B - th + 28, cx + tw / 2 - 1, B - 6, 1, 2, 3, 7, s++, 0.f, true);
            spire(cv, cx, B - th, tw + 2, sh, roof, 1);
            line(cv, cx, B - th - sh, cx, B - th - sh - 4, 0.8f, Solid{rgb8(220, 190, 90)});
            line(cv, cx - 1.5f, B - th - sh - 2.8f, cx + 1.5f, B - th - sh - 2.8f, 0.8f, Solid{rgb8(220, 190, 90)});
        };
        switch (f) {
        case 0: { // old town with a church
            church(150, 14, 52, 38, kCopper);
            facade(cv, 110, B - 30, 145, B, kStone, s++, 0.2f);
            roofFront(cv, 110, 145, B - 30, 14, 0, kSlate);
            float x = 4;
            int k = 0;
            while (x < 238) {
                float w = rng.range(16, 26);
                if (x > 105 && x < 160) { x = 160; continue; }
                house(x, w, rng.range(24, 40), k % 6, rng.chance(0.5f), rng.chance(0.7f) ? kTiles : kSlate, 0.2f);
                x += w + rng.range(-1, 2);
                ++k;
            }
            break;
        }
        case 1: { // downtown towers
            float xs[] = {8, 30, 62, 86, 120, 146, 176, 204};
            float hs[] = {50, 76, 60, 92, 70, 84, 56, 66};
            int ws[] = {24, 28, 22, 30, 24, 26, 26, 30};
            for (int i = 0; i < 8; ++i) tower(xs[i], float(ws[i]), hs[i], (i * 2 + 3) % 6, 0.3f);
            line(cv, 101, B - 92, 101, B - 99, 1, Solid{rgb8(120, 120, 130)});
            house(0, 22, 26, 1, false, kTiles, 0.2f);
            house(112, 20, 22, 2, true, kTiles, 0.2f);
            house(222, 22, 30, 0, false, kSlate, 0.2f);
            break;
        }
        case 2: { // cathedral with two towers
            facade(cv, 86, B - 48, 160, B, kStone, s++, 0.2f);
            spire(cv, 123, B - 48, 74, 22, kSlate, 2);
            circle(cv, 123, B - 36, 7, [](float x, float y) {
                float a = std::atan2(y - 64, x - 123);
                return std::fmod(a + 10, 0.8f) < 0.4f ? rgb8(200, 80, 90) : rgb8(90, 110, 190);
            });
            door(cv, 123, B, 10, 16, rgb8(110, 70, 50));
            church(84, 18, 70, 26, kSlate);
            church(162, 18, 70, 26, kSlate);
            float x = 2;
            int k = 1;
            while (x < 243) {
                float w = rng.range(15, 22);
                if (x > 70 && x < 172) { x = 172; continue; }
                house(x, w, rng.range(20, 34), k % 6, rng.chance(0.5f), kTiles, 0.15f);
                x += w;
                ++k;
            }
            break;
        }
        case 3: { // town hall with a dome, houses and a chimney
            line(cv, 30, B, 30, B - 64, 6, [](float x, float) { return x < 30 ? rgb8(200, 110, 80) : rgb8(150, 76, 60); });
            facade(cv, 90, B - 46, 160, B, kWalls[3], s++, 0.15f);
            windows(cv, 92, B - 44, 158, B - 8, 7, 3, 4, 6, s++, 0.2f, true);
            rect(cv, 88, B - 48, 162, B - 45, Solid{kWalls[3].mid});
            roundTower(cv, 125, 14, B - 62, B - 46, kWalls[3], s++);
            windows(cv, 113, B - 60, 137, B - 48, 3, 1, 3, 6, s++, 0.f, true);
            dome(cv, 125, 15, B - 62, 22, kCopper);
            rect(cv, 124.2f, B - 90, 125.8f, B - 83, Solid{rgb8(220, 190, 90)});
            float x = 2;
            int k = 2;
            while (x < 243) {
                float w = rng.range(16, 24);
                if (x > 80 && x < 162) { x = 162; continue; }
                house(x, w, rng.range(24, 40), k % 6, rng.chance(0.4f), kTiles, 0.25f);
                x += w;
                ++k;
            }
            break;
        }
        default: { // varied skyline: clock tower, onion dome, towers
            tower(20, 26, 70, 4, 0.35f);
            tower(170, 24, 80, 0, 0.35f);
            tower(200, 30, 60, 5, 0.35f);
            facade(cv, 60, B - 78, 78, B, kWalls[1], s++, 0.3f);
            windows(cv, 61, B - 60, 77, B - 4, 2, 6, 3, 4, s++, 0.2f);
            circle(cv, 69, B - 70, 5.5f, Solid{rgb8(246, 242, 226)});
            line(cv, 69, B - 70, 69, B - 74, 0.8f, Solid{rgb8(60, 60, 70)});
            line(cv, 69, B - 70, 72, B - 70, 0.8f, Solid{rgb8(60, 60, 70)});
            spire(cv, 69, B - 78, 20, 14, kTiles);
            facade(cv, 110, B - 54, 130, B, kWalls[2], s++, 0.3f);
            windows(cv, 111, B - 50, 129, B - 4, 2, 5, 3, 5, s++, 0.2f);
            fill(cv, {106, B - 80, 134, B - 54}, [](float x, float y) {
                float u = (x - 120) / 12, v = (y - (100 - 63)) / 10;
                float w = v < 0 ? (1 - (-v) * (-v)) * (1 + 0.4f * v * v) : std::sqrt(std::max(0.f, 1 - v * v * 0.3f));
                if (y < 100 - 80 + 0) return false;
                if (v < -1.6f) return std::fabs(x - 120) < 0.9f;
                return std::fabs(u) <= std::max(0.f, v < -1 ? 0.15f * (1.6f + v) / 0.6f : w) && y <= 100 - 54;
            }, [](float x, float y) {
                float f = x < 118 ? 0.85f : 0.35f;
                (void)y;
                return kCopper.at(f);
            });
            float x = 2;
            int k = 3;
            while (x < 243) {
                float w = rng.range(14, 22);
                house(x, w, rng.range(18, 30), k % 6, rng.chance(0.5f), kTiles, 0.25f);
                x += w;
                ++k;
            }
            break;
        }
        }
        // Trees in front of the houses here and there.
        for (int i = 0; i < 4; ++i) smallTree(cv, rng.range(5, 240), B, rng.range(10, 16), rng.chance(0.3f), s + 50 + i);
        frames.push_back(resolve(cv));
    }
    return stack(frames);
}

// ---------------------------------------------------------------- castles
Image paintCastles()
{
    std::vector<Image> frames;
    for (int f = 0; f < 5; ++f) {
        Canvas cv(245, 100, 3);
        Rng rng(8300 + f);
        uint32_t s = 1200 + f * 40;
        const float G = 88; // where the buildings stand on the green
        auto wall = [&](float x0, float x1, float top, const Mat& m) {
            facade(cv, x0, top, x1, G + 2, m, s++, 0.12f);
            // Stone courses.
            rect(cv, x0, top, x1, G + 2, [=](float x, float y) {
                float f2 = 0.6f - 0.2f * ((x - x0) / (x1 - x0));
                int row = int((y - top) / 3);
                if (std::fmod(y - top, 3.f) < 0.6f || std::fmod(x + row * 3, 7.f) < 0.5f) f2 -= 0.18f;
                return m.at(f2 + (hash2(int(x), int(y), 9) - 0.5f) * 0.1f);
            });
            crenels(cv, x0, x1, top, 3, m);
        };
        switch (f) {
        case 0: { // castle with round towers and pointed roofs
            green(cv, 0, 245, 100, 26, s++);
            wall(50, 195, 52, kStone);
            facade(cv, 95, 26, 150, G + 2, kStone, s++, 0.25f);
            windows(cv, 97, 32, 148, 70, 4, 3, 3, 6, s++, 0.1f, true);
            roofFront(cv, 95, 150, 26, 12, 10, kSlate);
            door(cv, 122, G + 2, 12, 18, rgb8(100, 66, 44));
            for (float cx : {50.f, 195.f}) {
                roundTower(cv, cx, 10, 30, G + 2, kStone, s++);
                windows(cv, cx - 4, 40, cx + 4, 70, 1, 2, 2.5f, 5, s++, 0.f, true);
                cone(cv, cx, 13, 30, 30, kSlate);
            }
            roundTower(cv, 122, 7, 8, 26, kStone, s++);
            cone(cv, 122, 9, 8, 8, kSlate);
            line(cv, 122, 0, 122, 3, 0.8f, Solid{rgb8(120, 90, 60)});
            poly(cv, {{122.5f, 0}, {129, 1.6f}, {122.5f, 3.2f}}, Solid{rgb8(220, 50, 50)});
            break;
        }
        case 1: { // manor house
            green(cv, 0, 245, 100, 20, s++);
            const Mat& w = kWalls[0];
            facade(cv, 40, 46, 205, G + 4, w, s++, 0.08f);
            windows(cv, 44, 50, 201, 84, 11, 2, 5, 8, s++, 0.1f);
            facade(cv, 105, 38, 140, G + 4, kWalls[3], s++, 0.1f);
            spire(cv, 122.5f, 38, 38, 14, kSlate, 2);
            circle(cv, 122.5f, 31, 3, Solid{rgb8(246, 240, 226)});
            door(cv, 122.5f, G + 4, 9, 15, rgb8(90, 70, 60));
            windows(cv, 107, 48, 138, 68, 2, 1, 5, 8, s++, 0.2f, true);
            roofFront(cv, 40, 105, 46, 20, 8, kSlate, 3);
            roofFront(cv, 140, 205, 46, 20, 8, kSlate, 3);
            for (float x : {56.f, 88.f, 158.f, 190.f}) rect(cv, x, 22, x + 5, 32, [=](float px, float) {
                return px < x + 2 ? rgb8(200, 120, 90) : rgb8(150, 80, 66);
            });
            for (float x : {20.f, 226.f}) {
                smallTree(cv, x, G + 6, 44, false, s++);
            }
            for (float x : {10.f, 34.f, 212.f, 236.f}) bush(cv, x, G + 2, 6, s++);
            break;
        }
        case 2: { // keep on a hill
            green(cv, 10, 235, 100, 40, s++);
            wall(40, 200, 58, kStone);
            facade(cv, 100, 12, 140, 62, kStone, s++, 0.25f);
            rect(cv, 100, 12, 140, 62, [](float x, float y) {
                int row = int((y - 12) / 3);
                float f2 = x < 134 ? 0.66f : 0.32f;
                if (std::fmod(y - 12, 3.f) < 0.6f || std::fmod(x + row * 3, 7.f) < 0.5f) f2 -= 0.18f;
                return kStone.at(f2);
            });
            crenels(cv, 98, 142, 12, 4, kStone);
            windows(cv, 104, 20, 136, 50, 3, 2, 3, 7, s++, 0.1f, true);
            for (float cx : {40.f, 200.f}) {
                facade(cv, cx - 9, 42, cx + 9, G + 2, kStone, s++, 0.3f);
                crenels(cv, cx - 10, cx + 10, 42, 3, kStone);
                windows(cv, cx - 6, 48, cx + 6, 60, 1, 1, 2.5f, 5, s++, 0.f, true);
            }
            door(cv, 120, G + 2, 12, 16, rgb8(90, 60, 40));
            line(cv, 120, 0, 120, 12, 0.8f, Solid{rgb8(120, 90, 60)});
            poly(cv, {{120.5f, 0.5f}, {130, 3}, {120.5f, 5.5f}}, Solid{rgb8(60, 90, 200)});
            break;
        }
        case 3: { // chateau with slate towers
            green(cv, 0, 245, 100, 18, s++);
            const Mat& w = kWalls[5];
            facade(cv, 50, 40, 195, G + 4, w, s++, 0.08f);
            windows(cv, 54, 46, 191, 84, 9, 2, 4, 9, s++, 0.15f, true);
            roofFront(cv, 50, 195, 40, 18, 6, kSlate, 3);
            for (float x : {80.f, 122.f, 164.f}) {
                rect(cv, x - 4, 26, x + 4, 34, Solid{w.light});
                spire(cv, x, 26, 10, 6, kSlate);
                rect(cv, x - 2, 28, x + 2, 33, Solid{kWinDark});
            }
            for (float cx : {42.f, 203.f}) {
                roundTower(cv, cx, 13, 30, G + 4, w, s++);
                windows(cv, cx - 5, 38, cx + 5, 80, 1, 3, 3, 7, s++, 0.15f, true);
                cone(cv, cx, 15, 30, 28, kSlate);
                line(cv, cx, 0, cx, 3, 0.8f, Solid{rgb8(220, 190, 90)});
            }
            door(cv, 122, G + 4, 8, 13, rgb8(100, 70, 50));
            break;
        }
        default: { // manor with wings and a bell turret, poplars
            green(cv, 0, 245, 100, 16, s++);
            const Mat& w = kWalls[2];
            facade(cv, 25, 56, 80, G + 6, w, s++, 0.1f);
            facade(cv, 165, 56, 220, G + 6, w, s++, 0.1f);
            windows(cv, 28, 60, 77, 86, 4, 2, 4, 7, s++, 0.2f);
            windows(cv, 168, 60, 217, 86, 4, 2, 4, 7, s++, 0.2f);
            roofFront(cv, 25, 80, 56, 14, 5, kTiles, 2);
            roofFront(cv, 165, 220, 56, 14, 5, kTiles, 2);
            facade(cv, 80, 40, 165, G + 6, w, s++, 0.08f);
            windows(cv, 84, 46, 161, 86, 6, 3, 5, 7, s++, 0.2f);
            roofFront(cv, 80, 165, 40, 20, 10, kTiles, 3);
            rect(cv, 116, 10, 129, 22, Solid{kWalls[3].light});
            windows(cv, 116, 11, 129, 21, 1, 1, 4, 7, s++, 0.f, true);
            dome(cv, 122.5f, 8, 10, 8, kCopper);
            for (float x : {8.f, 237.f}) {
                rect(cv, x - 1, 60, x + 1, G + 8, Solid{rgb8(96, 70, 50)});
                fill(cv, {x - 7, 20, x + 7, G + 2}, [=](float px, float py) {
                    float u = (px - x) / 6.5f, v = (py - 56) / 36;
                    return u * u + v * v <= 1;
                }, [=](float px, float py) {
                    std::vector<RGB> g{rgb8(22, 62, 40), rgb8(40, 98, 46), rgb8(78, 142, 54), rgb8(132, 186, 76)};
                    return ramp(g, (px < x ? 0.75f : 0.35f) + (fbm(px / 2, py / 2, 77, 2) - 0.5f) * 0.6f);
                });
            }
            break;
        }
        }
        frames.push_back(resolve(cv));
    }
    return stack(frames);
}

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

template <class WallPaint>
void house3q(Canvas& cv, const HouseShape& h, WallPaint wallPaint)
{
    float rx = h.dx / 2, ry = h.dy / 2;
    // Gable end (in shade).
    std::vector<Pt> side{{h.x1, h.base}, {h.x1, h.eave}, {h.x1 + rx, h.eave - ry - h.ridge}, {h.x1 + h.dx, h.eave - h.dy},
                         {h.x1 + h.dx, h.base - h.dy}};
    poly(cv, side, [&](float x, float y) { return wallPaint(x, y, true); });
    // Front wall.
    rect(cv, h.x0, h.eave, h.x1, h.base, [&](float x, float y) { return wallPaint(x, y, false); });
    // Roof: front slope, lit.
    float o = 3;
    std::vector<Pt> roof{{h.x0 - o, h.eave + 1.5f}, {h.x1 + o * 0.6f, h.eave + 1.5f}, {h.x1 + rx + o * 0.3f, h.eave - ry - h.ridge - 0.5f},
                         {h.x0 + rx - o * 0.3f, h.eave - ry - h.ridge - 0.5f}};
    Mat rm = h.roof;
    poly(cv, roof, [=](float x, float y) {
        float v = (h.eave - y) / (ry + h.ridge);
        float f = 0.55f + 0.2f * v - 0.15f * (x - h.x0) / (h.x1 - h.x0);
        if (std::fmod(h.eave + 40 - y, 3.5f) < 1.f) f -= 0.22f;
        f += (hash2(int(x / 2), int(y), 77) - 0.5f) * 0.12f;
        return rm.at(f);
    });
    // Barge board along the gable.
    line(cv, h.x1 + o * 0.6f, h.eave + 1.5f, h.x1 + rx + o * 0.3f, h.eave - ry - h.ridge - 0.5f, 1.6f, Solid{rm.dark});
}

void flowerBed(Canvas& cv, Rng& rng, float x0, float x1, float y0, float y1)
{
    static const RGB cols[] = {rgb8(236, 60, 60), rgb8(250, 220, 60), rgb8(250, 250, 246), rgb8(190, 90, 220), rgb8(250, 140, 40)};
    for (int i = 0; i < int((x1 - x0) * 0.9f); ++i) {
        float x = rng.range(x0, x1), y = rng.range(y0, y1);
        capsule(cv, x, y, x, y + 3, 0.5f, 0.5f, Solid{rgb8(50, 120, 50)});
        circle(cv, x, y, rng.range(0.9f, 1.4f), Solid{cols[rng.i(0, 4)]});
    }
}

void lawn(Canvas& cv, float x0, float x1, float top, float base, uint32_t seed)
{
    std::vector<RGB> g{rgb8(44, 108, 46), rgb8(76, 148, 56), rgb8(120, 184, 70), rgb8(170, 210, 100)};
    fill(cv, {x0, top - 3, x1, base}, [=](float x, float y) {
        float edge = top + 2.5f * vnoise(x / 5, 0, seed) - 1.5f * (hash2(int(x * 2), 0, seed) > 0.6f);
        float end = std::min(x - x0, x1 - x);
        return y >= edge + std::max(0.f, 6 - end);
    }, [=](float x, float y) {
        float f = 0.65f - 0.25f * (y - top) / (base - top) + (hash2(int(x), int(y / 2), seed) - 0.5f) * 0.35f;
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
        f += (hash2(int(x), int(y / 3), 5) - 0.5f) * 0.1f;
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
        rect(cv, x, y, x + w, y + hh, [=](float px, float py) { return (px - x < w * 0.4f && py - y < hh * 0.35f) ? kWinGlint : kWinDark; });
        rect(cv, x + w / 2 - 0.6f, y, x + w / 2 + 0.6f, y + hh, Solid{shade ? whiteS : white});
        rect(cv, x, y + hh / 2 - 0.6f, x + w, y + hh / 2 + 0.6f, Solid{shade ? whiteS : white});
    };
    window(30, 70, 10, 12, false);
    window(84, 70, 10, 12, false);
    window(112, 60, 7, 10, true);
    window(122, 56, 6, 9, true);
    // Door with a little porch roof.
    rect(cv, 55, 74, 69, base, Solid{white});
    rect(cv, 57, 76, 67, base, [](float x, float y) { return x < 60 ? rgb8(80, 120, 84) : rgb8(56, 92, 66) * (std::fmod(y, 6.f) < 0.7f ? 0.8f : 1.f); });
    circle(cv, 65, 90, 0.8f, Solid{rgb8(230, 200, 90)});
    poly(cv, {{52, 74}, {72, 74}, {62, 67}}, [](float x, float) { return x < 62 ? rgb8(110, 112, 124) : rgb8(60, 62, 78); });
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
    rect(cv, 57, base, 67, 115, [](float x, float y) { return (hash2(int(x), int(y), 3) > 0.5f) ? rgb8(214, 200, 170) : rgb8(186, 170, 140); });
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
        f += (hash2(int(x / 3), int(y), 9) - 0.5f) * 0.12f;
        return wood.at(f);
    });
    // Log ends at the front corners.
    for (float y = 58; y < base; y += 5) {
        for (float x : {18.f, 106.f}) circle(cv, x, y + 2.5f, 2.6f, [=](float px, float py) {
            float d = std::hypot(px - x, py - y - 2.5f);
            return std::fmod(d, 1.2f) < 0.4f ? rgb8(150, 104, 60) : rgb8(222, 176, 112);
        });
    }
    // Small windows with shutters.
    auto window = [&](float x, float y) {
        rect(cv, x - 5, y - 1, x - 1, y + 12, Solid{rgb8(60, 120, 76)});
        rect(cv, x + 11, y - 1, x + 15, y + 12, Solid{rgb8(40, 96, 62)});
        rect(cv, x - 1, y - 1, x + 11, y + 12, Solid{rgb8(236, 224, 200)});
        rect(cv, x, y, x + 10, y + 11, [=](float px, float py) { return (px - x < 4 && py - y < 4) ? kWinGlint : kWinDark; });
        rect(cv, x + 4.4f, y, x + 5.6f, y + 11, Solid{rgb8(236, 224, 200)});
    };
    window(30, 68);
    window(80, 68);
    rect(cv, 53, 70, 69, base, Solid{rgb8(120, 78, 48)});
    rect(cv, 55, 72, 67, base, [](float x, float) { return std::fmod(x, 3.f) < 0.7f ? rgb8(90, 56, 36) : rgb8(140, 92, 56); });
    circle(cv, 65, 88, 0.8f, Solid{rgb8(200, 190, 150)});
    // Stone chimney on the gable.
    rect(cv, 120, 26, 128, 60, [](float x, float y) {
        float n = hash2(int(x / 2.5f), int(y / 2), 21);
        return mix(rgb8(170, 164, 156), rgb8(120, 116, 118), n * 0.7f + (x > 125 ? 0.3f : 0.f));
    });
    // Woodpile, bushes, grass.
    for (int i = 0; i < 9; ++i) {
        float x = 112 + (i % 4) * 4.5f + (i / 4) * 2.2f, y = base - 2 - (i / 4) * 4;
        circle(cv, x, y, 2.2f, [=](float px, float py) { return std::hypot(px - x, py - y) < 1 ? rgb8(226, 186, 120) : rgb8(160, 110, 64); });
    }
    lawn(cv, 0, 153, base - 2, 115, 14);
    bush(cv, 8, base - 3, 7, 41);
    bush(cv, 44, base, 5, 42);
    flowerBed(cv, rng, 74, 96, base, base + 5);
    rect(cv, 55, base, 67, 115, [](float x, float y) { return (hash2(int(x), int(y), 4) > 0.5f) ? rgb8(180, 160, 120) : rgb8(150, 130, 100); });
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
        fill(cv, {0, y0 - 2, 400, y0 + 5}, [=](float x, float y) {
            float off = 0.8f * std::sin(x / 37 + r * 2) + 0.5f * std::sin(x / 13);
            return y >= y0 + off && y < y0 + off + 3.5f;
        }, [=](float x, float y) {
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
            capsule(cv, gx, 28, gx + rng.range(-2, 2), 28 - rng.range(2, 6), 0.7f, 0.3f, Solid{mix(rgb8(60, 130, 50), rgb8(150, 200, 80), rng.f())});
        }
    return resolve(cv);
}

} // namespace art

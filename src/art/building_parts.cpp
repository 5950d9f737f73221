#include "art/building_parts.h"

#include <optional>

namespace art {

// A facade: lit towards the left, a shaded strip at the right edge, fine
// plaster texture.
void facade(Canvas& cv, float x0, float y0, float x1, float y1, const Mat& m, uint32_t seed, float shade)
{
    float w = x1 - x0;
    rect(cv, x0, y0, x1, y1, [=](float x, float y) {
        float u = (x - x0) / w;
        float f = 0.72f - (u > 1 - shade ? 0.5f : 0.f) + (u < 0.04f ? 0.15f : 0.f);
        f += (grain(x, y, seed) - 0.5f) * 0.05f;
        return m.at(f);
    });
}

float litAt(float byDay)
{
    switch (hour()) {
    case Hour::Dusk: return std::max(byDay, 0.45f);
    case Hour::Night: return std::max(byDay, 0.6f);
    case Hour::Dawn: return std::max(byDay, 0.25f);
    default: return byDay;
    }
}

// A grid of windows; some lit.
void windows(Canvas& cv, float x0, float y0, float x1, float y1, int cols, int rows, float ww, float wh, uint32_t seed,
             float lit, bool arched)
{
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c) {
            float cx = x0 + (x1 - x0) * (c + 0.5f) / cols;
            float cy = y0 + (y1 - y0) * (r + 0.5f) / rows;
            // After sunset more rooms are lit, and the lit ones glow.
            const float h = hash2(c, r, seed);
            bool on = h < litAt(lit);
            std::optional<GlowScope> glow;
            if (on && hour() != Hour::Day) glow.emplace();
            float l = cx - ww / 2, t = cy - wh / 2;
            auto paint = [=](float x, float y) {
                if (on) return (x - l < ww * 0.5f && y - t < wh * 0.4f) ? tone(kWinLit, 0.4f) : kWinLit;
                return (x - l < ww * 0.45f && y - t < wh * 0.35f) ? kWinGlint : kWinDark;
            };
            if (arched) {
                fill(
                    cv, {l, t - ww / 2, l + ww, t + wh},
                    [=](float x, float y) {
                        if (x < l || x >= l + ww || y >= t + wh) return false;
                        if (y >= t) return true;
                        float dx = (x - l - ww / 2) / (ww / 2), dy = (y - t) / (ww / 2);
                        return dx * dx + dy * dy <= 1;
                    },
                    paint);
            } else {
                rect(cv, l, t, l + ww, t + wh, paint);
            }
        }
}

// A roof seen from the eaves: a trapezoid from the eave line up to the ridge,
// rows of tiles, lit towards the left.
void roofFront(Canvas& cv, float x0, float x1, float eave, float h, float inset, const Mat& m, float over)
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
void spire(Canvas& cv, float cx, float base, float w, float h, const Mat& m, float over)
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
        f += (grain(x, y, seed) - 0.5f) * 0.1f;
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
    fill(
        cv, {cx - r, base - h, cx + r, base},
        [=](float x, float y) {
            float u = (x - cx) / r, v = (y - base) / h;
            return u * u + v * v <= 1 && y <= base;
        },
        [=](float x, float y) {
            float u = (x - cx) / r, v = (y - base) / h;
            float f = 0.15f + 0.9f * sphereLight(u, v);
            if (std::fmod(x - cx + 100, r * 0.5f) < 0.7f) f -= 0.15f; // ribs
            return m.at(f);
        });
}

void door(Canvas& cv, float cx, float base, float w, float h, RGB c)
{
    fill(
        cv, {cx - w / 2, base - h, cx + w / 2, base},
        [=](float x, float y) {
            if (x < cx - w / 2 || x > cx + w / 2) return false;
            float top = base - h + w / 2;
            if (y >= top) return true;
            float dx = (x - cx) / (w / 2), dy = (y - top) / (w / 2);
            return dx * dx + dy * dy <= 1;
        },
        [=](float x, float) { return x < cx - w / 4 ? tone(c, 0.15f) : c; });
}

// Lawn or mound along the foot of a building sheet.
void green(Canvas& cv, float x0, float x1, float base, float h, uint32_t seed)
{
    std::vector<RGB> g{rgb8(40, 104, 50), rgb8(74, 146, 58), rgb8(120, 184, 70), rgb8(170, 214, 100)};
    float cx = (x0 + x1) / 2, rx = (x1 - x0) / 2;
    fill(
        cv, {x0, base - h - 1, x1, base},
        [=](float x, float y) {
            float u = (x - cx) / rx;
            if (std::fabs(u) > 1) return false;
            float top = base - h * std::sqrt(std::max(0.f, 1 - u * u)) * (0.75f + 0.25f * vnoise(x / 12, 0, seed));
            return y >= top;
        },
        [=](float x, float y) {
            float u = (x - cx) / rx;
            float f = 0.7f - 0.35f * u - 0.3f * clamp01((y - (base - h)) / h) + (grain(x, y / 2, seed) - 0.5f) * 0.3f;
            return ramp(g, f);
        });
}

void bush(Canvas& cv, float cx, float cy, float r, uint32_t seed)
{
    std::vector<RGB> g{rgb8(22, 62, 40), rgb8(40, 98, 46), rgb8(78, 142, 54), rgb8(132, 186, 76)};
    fill(
        cv, {cx - r * 1.3f, cy - r * 1.3f, cx + r * 1.3f, cy + r * 1.3f},
        [=](float x, float y) {
            float dx = (x - cx) / r, dy = (y - cy) / r;
            float a = std::atan2(dy, dx) / (2 * kPi) + 0.5f;
            float rr = 0.85f + 0.3f * vnoise(a * 8, 0, seed, 8);
            return dx * dx + dy * dy <= rr * rr;
        },
        [=](float x, float y) {
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
        poly(cv, p, [=](float px, float py) {
            return ramp(g, (px < x ? 0.8f : 0.35f) + (grain(px, py, seed) - 0.5f) * 0.3f);
        });
    } else {
        bush(cv, x, foot - h * 0.62f, h * 0.36f, seed);
    }
}

} // namespace art

// Hills, the fir-forest strip, fir trees and broadleaf trees.
#include "art/art.h"

namespace art {

// ---------------------------------------------------------------- shared
// Foliage and grass tones, darkest to lightest.
struct Greens {
    std::vector<RGB> t;
    RGB at(float f) const { return ramp(t, f); }
};

// A round shape with a ragged edge: radius r modulated by periodic noise
// around the circle.
bool inBlob(float x, float y, float cx, float cy, float rx, float ry, float rough, uint32_t seed, int lobes)
{
    float dx = (x - cx) / rx, dy = (y - cy) / ry;
    float d2 = dx * dx + dy * dy;
    if (d2 > (1 + rough) * (1 + rough)) return false;
    if (d2 < (1 - rough) * (1 - rough)) return true;
    float ang = std::atan2(dy, dx) / (2 * kPi) + 0.5f; // 0..1
    float n =
        0.65f * vnoise(ang * lobes, 0.5f, seed, lobes) + 0.35f * vnoise(ang * lobes * 3, 3.5f, seed + 7, lobes * 3);
    float r = 1 - rough + 2 * rough * n;
    return d2 <= r * r;
}

// A fir: tiers of drooping, saw-edged branches, lit from the left.
struct FirStyle {
    Greens g;
    RGB trunk, trunkDark;
    float droop = 0.35f; // how far branch tips hang below the tier's middle
    float teeth = 3.f;   // spacing of the saw edge in pixels
    float detail = 1.f;  // noise strength
    float haze = 0.f;    // mix towards the haze colour
    RGB hazeC = rgb8(150, 180, 190);
};

void drawFir(Canvas& cv, float cx, float foot, float h, float w, int tiers, const FirStyle& st, uint32_t seed)
{
    float trunkH = h * 0.1f;
    float top = foot - h;
    float crownBottom = foot - trunkH;
    // Trunk.
    float tw = std::max(1.2f, w * 0.07f);
    rect(cv, cx - tw, crownBottom - h * 0.2f, cx + tw, foot,
         [&](float x, float) { return mix(st.trunk, st.trunkDark, x > cx ? 0.8f : 0.f); });
    float span = crownBottom - top;
    for (int i = 0; i < tiers; ++i) {
        float a = float(i) / tiers, b = float(i + 1) / tiers;
        float ty = top + span * std::pow(a, 1.15f) * 0.92f;        // tier apex
        float by = top + span * std::pow(b, 0.95f);                // tier bottom
        float hw = w * 0.5f * (0.18f + 0.82f * std::pow(b, 0.9f)); // half width at the bottom
        if (i == 0) ty = top;
        float tierH = by - ty;
        float droop = tierH * st.droop;
        uint32_t s = seed * 31u + i;
        std::vector<Pt> pts;
        pts.push_back({cx, ty});
        // Right edge: slightly convex, ending at the drooping tip.
        for (int k = 1; k <= 6; ++k) {
            float t = k / 6.f;
            pts.push_back(
                {cx + hw * t, ty + tierH * t * t * 0.2f + (tierH - droop * 0.2f) * t * 0.8f + droop * t * t * 0.2f});
        }
        // Bottom edge from right tip to left tip: saw teeth, lifted in the
        // middle.
        int n = std::max(4, int(2 * hw / st.teeth));
        for (int k = 0; k <= n; ++k) {
            float t = float(k) / n; // 0 right .. 1 left
            float x = cx + hw - 2 * hw * t;
            float u = (x - cx) / hw; // -1..1
            float lift = droop * (1 - u * u);
            float tooth = (k & 1) ? st.teeth * 0.9f * (0.6f + 0.8f * hash2(k, i, s)) : 0;
            pts.push_back({x, by + droop * 0.15f - lift + tooth * 0.5f - st.teeth * 0.3f});
        }
        for (int k = 5; k >= 1; --k) {
            float t = k / 6.f;
            pts.push_back(
                {cx - hw * t, ty + tierH * t * t * 0.2f + (tierH - droop * 0.2f) * t * 0.8f + droop * t * t * 0.2f});
        }
        poly(cv, pts, [=](float x, float y) {
            float u = (x - cx) / hw;                            // -1 left .. 1 right
            float v = clamp01((y - ty) / std::max(1.f, tierH)); // 0 top .. 1 bottom
            float f = 0.62f - 0.34f * u - 0.38f * v * v + 0.1f * (1 - b);
            // Needle texture: short slanted strokes.
            float n = grain(x * 1.0f + y * 0.5f * (u < 0 ? 1 : -1), y, s) - 0.5f;
            f += n * 0.22f * st.detail;
            RGB c = st.g.at(f);
            return mix(c, st.hazeC, st.haze);
        });
    }
}

// A broadleaf crown clump: a ragged ball shaded as part of the whole crown.
struct CrownLight {
    float cx, cy, rx, ry; // the whole crown
};

void drawClump(Canvas& cv, float cx, float cy, float rx, float ry, const Greens& g, CrownLight cl, uint32_t seed,
               float rough = 0.16f, float texScale = 3.f)
{
    fill(
        cv, {cx - rx * 1.2f, cy - ry * 1.2f, cx + rx * 1.2f, cy + ry * 1.2f},
        [=](float x, float y) { return inBlob(x, y, cx, cy, rx, ry, rough, seed, 9); },
        [=, &g](float x, float y) {
            float lit = sphereLight((x - cx) / rx, (y - cy) / ry);
            float glob =
                sphereLight(std::clamp((x - cl.cx) / cl.rx, -1.f, 1.f), std::clamp((y - cl.cy) / cl.ry, -1.f, 1.f));
            float leaves = fbm(x / texScale, y / texScale, seed + 5, 2) - 0.5f;
            float f = 0.45f * lit + 0.55f * glob + leaves * 0.45f + (grain(x, y, seed) - 0.5f) * 0.1f;
            return g.at(f * 1.05f);
        });
}

// ---------------------------------------------------------------- hills
Image paintHill(int v)
{
    const int W = 640, H = 100;
    Canvas cv(W, H, 2);
    auto env = [](float x) { return smooth(0, 110, x) * smooth(640, 530, x); };
    auto bump = [](float x, float c, float w) {
        float d = (x - c) / w;
        return std::exp(-d * d);
    };
    std::vector<float> top(W * 4 + 1);
    Rng rng(1300 + v);
    for (size_t i = 0; i < top.size(); ++i) {
        float x = i / 4.f, hgt = 0;
        switch (v) {
        case 1: // rolling
            hgt = 58 * bump(x, 110, 120) + 78 * bump(x, 300, 110) + 50 * bump(x, 470, 90) + 40 * bump(x, 580, 80);
            hgt = std::min(96.f, hgt + 10 * std::sin(x / 37.f));
            break;
        case 2: // a single dome
            hgt = 95 * std::pow(std::max(0.f, 1 - std::pow((x - 330) / 315, 2.f)), 0.75f);
            break;
        case 3: // a double hump
            hgt = 94 * bump(x, 215, 120) + 74 * bump(x, 455, 105) + 6;
            break;
        case 4: // a long ridge
            hgt = 62 + 10 * std::sin(x / 53.f) + 6 * std::sin(x / 17.f + 1) + 12 * bump(x, 400, 70);
            break;
        default: // a hill with bushes
            hgt = 86 * bump(x, 270, 170) + 40 * bump(x, 500, 100);
            break;
        }
        top[i] = H - std::min(98.f, hgt * env(x));
    }
    auto topAt = [&](float x) {
        float f = std::clamp(x * 4, 0.f, float(top.size() - 1));
        size_t i = size_t(f);
        return i + 1 < top.size() ? lerp(top[i], top[i + 1], f - i) : top[i];
    };
    static const std::vector<RGB> hues[5] = {
        {rgb8(30, 84, 52), rgb8(48, 118, 54), rgb8(84, 154, 60), rgb8(130, 190, 74), rgb8(186, 220, 110)},
        {rgb8(50, 90, 44), rgb8(84, 128, 44), rgb8(130, 166, 58), rgb8(174, 196, 82), rgb8(214, 222, 130)},
        {rgb8(24, 72, 54), rgb8(38, 104, 62), rgb8(64, 140, 70), rgb8(110, 176, 86), rgb8(168, 210, 120)},
        {rgb8(44, 84, 76), rgb8(66, 114, 86), rgb8(98, 146, 98), rgb8(140, 180, 120), rgb8(190, 212, 160)},
        {rgb8(34, 86, 48), rgb8(56, 122, 50), rgb8(96, 160, 58), rgb8(144, 196, 72), rgb8(196, 224, 116)},
    };
    Greens g{hues[v - 1]};
    uint32_t seed = 500 + v;
    fill(
        cv, {0, 0, float(W), float(H)}, [&](float x, float y) { return y >= topAt(x); },
        [&](float x, float y) {
            float t = topAt(x);
            float d = y - t;
            // The slope of the ground, seen over a wider stretch the
            // deeper the point lies below the crest.
            float k = 3 + d * 1.5f;
            float slope = (topAt(x + k) - topAt(x - k)) / (2 * k);
            float lit = clamp01(0.5f - slope * 1.5f);
            float depth = clamp01(d / 70);
            float patches = fbm(x / 40, y / 14, seed, 3) - 0.5f;
            float streak = grain(x, y / 3, seed + 1) - 0.5f;
            float f = 0.28f + 0.5f * lit - 0.18f * depth + 0.35f * patches + 0.12f * streak;
            if (d < 3.5f) f += 0.22f * (1 - d / 3.5f) + 0.1f; // sunlit crest
            return g.at(f);
        });
    if (v == 5) {
        // Bushes along the slopes, largest near the foot.
        Greens bush{{rgb8(20, 60, 40), rgb8(30, 86, 44), rgb8(54, 122, 50), rgb8(96, 160, 60), rgb8(150, 196, 90)}};
        for (int i = 0; i < 26; ++i) {
            float x = rng.range(40, 600);
            float t = topAt(x);
            if (t > 92) continue;
            float y = rng.range(t + 6, std::min(96.f, t + 60));
            float r = 3.5f + (y - t) * 0.09f + rng.range(0, 3);
            // Shadow on the grass to the lower right.
            ellipse(cv, x + r * 0.5f, y + r * 0.55f, r * 1.1f, r * 0.45f, Solid{g.at(0.05f)}, 1, Mode::Atop);
            drawClump(cv, x, y - r * 0.4f, r * 1.15f, r, bush, {x, y - r * 0.4f, r * 1.15f, r}, seed + 40 + i, 0.18f,
                      2.f);
        }
    } else {
        // A few lone shrubs for scale.
        Greens bush{{rgb8(20, 60, 40), rgb8(30, 86, 44), rgb8(54, 122, 50), rgb8(96, 160, 60)}};
        for (int i = 0; i < 5; ++i) {
            float x = rng.range(80, 560);
            float t = topAt(x);
            if (t > 80) continue;
            float y = t + rng.range(8, 30);
            float r = rng.range(2.5f, 4.5f);
            drawClump(cv, x, y, r * 1.2f, r, bush, {x, y, r * 1.2f, r}, seed + 90 + i, 0.15f, 2.f);
        }
    }
    return resolve(cv);
}

// ---------------------------------------------------------------- forest
FirStyle forestStyle()
{
    FirStyle st;
    st.g = {{rgb8(18, 48, 44), rgb8(24, 70, 52), rgb8(38, 100, 58), rgb8(70, 136, 66), rgb8(120, 170, 84)}};
    st.trunk = rgb8(96, 68, 44);
    st.trunkDark = rgb8(60, 42, 34);
    st.teeth = 2.f;
    st.detail = 0.8f;
    return st;
}

Image paintForest()
{
    std::vector<Image> frames;
    for (int f = 0; f < 5; ++f) {
        Canvas cv(200, 50, 3);
        Rng rng(4100 + f);
        float foot = 50;
        FirStyle back = forestStyle(), front = forestStyle();
        back.haze = 0.22f;
        back.hazeC = rgb8(110, 150, 150);
        float density = f == 2 ? 0.9f : (f == 4 ? 0.7f : 0.8f);
        float maxH = f == 1 ? 42 : (f == 4 ? 46 : 40);
        auto envelope = [](float x) { return 0.45f + 0.55f * std::sin(kPi * std::clamp(x / 200.f, 0.f, 1.f)); };
        // Back row.
        for (float x = rng.range(1, 4); x < 199; x += rng.range(3, 6) * density) {
            float hgt = std::min(48.f, maxH * envelope(x) * rng.range(0.75f, 1.1f));
            if (f == 2 && std::fmod(x, 70.f) > 56) continue; // clumps with gaps
            drawFir(cv, x, foot - 2 - rng.range(0, 3), hgt, hgt * rng.range(0.42f, 0.52f), 5, back,
                    9000 + f * 100 + int(x));
        }
        // Front row.
        for (float x = rng.range(3, 8); x < 197; x += rng.range(6, 11) * density) {
            if (f == 2 && std::fmod(x + 6, 70.f) > 54) continue;
            float hgt = std::min(46.f, maxH * 0.8f * envelope(x) * rng.range(0.7f, 1.05f));
            if (f == 1 && x > 90 && x < 110) hgt = 48; // one tall spruce
            drawFir(cv, x, foot, hgt, hgt * rng.range(0.42f, 0.55f), 5, front, 9500 + f * 100 + int(x));
        }
        if (f == 3) {
            // A few birches and beeches among the firs.
            Greens leaf{{rgb8(22, 66, 44), rgb8(40, 100, 50), rgb8(76, 138, 58), rgb8(120, 170, 70)}};
            for (float x : {40.f, 120.f, 165.f}) {
                float r = rng.range(9, 12);
                rect(cv, x - 0.8f, foot - r - 6, x + 0.8f, foot, Solid{rgb8(230, 226, 214)});
                drawClump(cv, x, foot - r - 8, r * 0.8f, r, leaf, {x, foot - r - 8, r * 0.8f, r}, 300 + int(x), 0.2f,
                          2.f);
            }
        }
        // Undergrowth along the foot.
        Greens under{{rgb8(20, 56, 42), rgb8(30, 80, 48), rgb8(52, 110, 54)}};
        fill(
            cv, {0, foot - 6, 200, foot},
            [&](float x, float y) {
                float e = envelope(x);
                return y > foot - 3.5f * e - 1.5f * vnoise(x / 3, float(f), 77 + f) && x > 1 && x < 199;
            },
            [&](float x, float y) { return under.at(0.3f + 0.5f * (grain(x, y, 5) - 0.3f)); });
        frames.push_back(resolve(cv));
    }
    return stack(std::move(frames));
}

// ---------------------------------------------------------------- firs
Image paintFirs()
{
    std::vector<Image> frames;
    for (int f = 0; f < 5; ++f) {
        Canvas cv(100, 100, 3);
        float foot = 100;
        FirStyle st;
        st.g = {{rgb8(16, 46, 42), rgb8(22, 72, 54), rgb8(34, 104, 62), rgb8(64, 142, 70), rgb8(118, 180, 88),
                 rgb8(170, 210, 120)}};
        st.trunk = rgb8(124, 84, 52);
        st.trunkDark = rgb8(72, 48, 36);
        st.teeth = 3.2f;
        switch (f) {
        case 0: drawFir(cv, 50, foot, 99, 66, 9, st, 11); break; // classic fir
        case 1:
            st.droop = 0.5f;
            drawFir(cv, 50, foot, 99, 50, 11, st, 12);
            break; // slender spruce
        case 2:    // broad, old fir
            st.g = {{rgb8(14, 42, 44), rgb8(20, 64, 56), rgb8(30, 92, 66), rgb8(56, 128, 76), rgb8(104, 166, 92),
                     rgb8(150, 196, 120)}};
            drawFir(cv, 50, foot, 99, 86, 8, st, 13);
            break;
        case 3: // a pair: a tall fir and a young one
            drawFir(cv, 40, foot, 99, 58, 9, st, 14);
            drawFir(cv, 76, foot, 56, 36, 6, st, 15);
            break;
        default: // a young, bright fir
            st.g = {{rgb8(22, 60, 44), rgb8(34, 90, 52), rgb8(56, 126, 60), rgb8(96, 164, 70), rgb8(150, 200, 96),
                     rgb8(196, 226, 140)}};
            st.droop = 0.25f;
            drawFir(cv, 50, foot, 88, 70, 7, st, 16);
            break;
        }
        frames.push_back(resolve(cv));
    }
    return stack(std::move(frames));
}

// ---------------------------------------------------------------- broadleaf
namespace {
void trunk(Canvas& cv, float x0, float y0, float x1, float y1, float r0, float r1, RGB light, RGB dark)
{
    capsule(cv, x0, y0, x1, y1, r0, r1, [=](float x, float y) {
        // Lit from the left: the left third light, the right side dark.
        float dx = x1 - x0, dy = y1 - y0;
        float L = std::sqrt(dx * dx + dy * dy) + 1e-3f;
        float side = ((x - x0) * dy - (y - y0) * dx) / L; // across the branch
        float r = lerp(r0, r1, 0.5f);
        float u = side / std::max(0.5f, r);
        float bark = grain(x * 0.7f, y / 2, 3) * 0.25f;
        return mix(light, dark, clamp01(0.35f - u * 0.55f + bark));
    });
}
} // namespace

Image paintBroadleaves()
{
    RGB bark = rgb8(124, 94, 66), barkD = rgb8(66, 48, 38);
    Greens oak{{rgb8(20, 58, 40), rgb8(34, 88, 44), rgb8(62, 126, 50), rgb8(104, 164, 58), rgb8(156, 198, 82),
                rgb8(204, 226, 130)}};
    std::vector<Image> frames;
    for (int f = 0; f < 5; ++f) {
        Canvas cv(100, 100, 3);
        const float foot = 100;
        Rng rng(6000 + f);
        uint32_t seed = 700 + f * 50;
        // Clumps scattered over an elliptic crown, the outer ones first so
        // the inner, lighter ones sit on top.
        auto crown = [&](float cx, float cy, float rx, float ry, int n, float r0, float r1, const Greens& g,
                         float rough, float tex) {
            CrownLight cl{cx, cy, rx, ry};
            struct C {
                float x, y, r;
            };
            std::vector<C> cs;
            for (int i = 0; i < n; ++i) {
                float a = rng.range(0, 2 * kPi), d = std::sqrt(rng.f()) * 0.78f;
                float r = rng.range(r0, r1);
                cs.push_back({cx + std::cos(a) * d * (rx - r * 0.7f), cy + std::sin(a) * d * (ry - r * 0.7f), r});
            }
            std::sort(cs.begin(), cs.end(), [&](const C& p, const C& q) {
                return std::hypot(p.x - cx, p.y - cy) > std::hypot(q.x - cx, q.y - cy);
            });
            int k = 0;
            for (auto& c : cs) drawClump(cv, c.x, c.y, c.r * 1.08f, c.r, g, cl, seed + k++, rough, tex);
        };
        switch (f) {
        case 0: { // a round oak
            trunk(cv, 50, foot, 50, foot - 40, 6, 4, bark, barkD);
            trunk(cv, 49, foot - 34, 34, foot - 52, 2.6f, 1.2f, bark, barkD);
            trunk(cv, 51, foot - 36, 68, foot - 54, 2.6f, 1.2f, bark, barkD);
            crown(50, 38, 48, 37, 22, 11, 16, oak, 0.16f, 3);
            break;
        }
        case 1: { // a poplar
            trunk(cv, 50, foot, 50, foot - 24, 4, 3, bark, barkD);
            Greens pop{{rgb8(22, 64, 42), rgb8(36, 96, 46), rgb8(66, 134, 52), rgb8(112, 172, 60), rgb8(168, 206, 90)}};
            CrownLight cl{50, 44, 24, 44};
            for (int i = 0; i < 14; ++i) {
                float t = i / 13.f;
                float cy = 8 + t * 76;
                float rx = 8 + 14 * std::sin(kPi * (0.12f + 0.8f * t));
                drawClump(cv, 50 + rng.range(-3, 3), cy, rx, 11, pop, cl, seed + i, 0.2f, 2.5f);
            }
            break;
        }
        case 2: { // a birch: white bark, light, hanging crown
            RGB white = rgb8(236, 232, 222), grey = rgb8(158, 154, 160);
            capsule(cv, 49, foot, 51, foot - 70, 2.8f, 1.2f, [&](float x, float y) {
                float mark = hash2(int(x / 3), int(y / 2.5f), 41);
                if (mark > 0.78f) return rgb8(60, 56, 62);
                return x > 50.3f ? grey : white;
            });
            Greens birch{
                {rgb8(40, 86, 42), rgb8(72, 128, 46), rgb8(120, 170, 54), rgb8(176, 206, 80), rgb8(222, 232, 140)}};
            crown(50, 36, 34, 36, 26, 7, 11, birch, 0.3f, 2);
            // Light shows through the crown here and there.
            for (int i = 0; i < 6; ++i)
                circle(cv, 50 + rng.range(-26, 26), 40 + rng.range(-24, 20), rng.range(1.2f, 2.2f), Solid{}, 1,
                       Mode::Erase);
            break;
        }
        case 3: { // a broad lime tree
            trunk(cv, 50, foot, 50, foot - 34, 6.5f, 4.5f, bark, barkD);
            trunk(cv, 50, foot - 28, 26, foot - 46, 3, 1.4f, bark, barkD);
            trunk(cv, 50, foot - 30, 76, foot - 48, 3, 1.4f, bark, barkD);
            crown(50, 36, 50, 34, 24, 11, 15, oak, 0.16f, 3);
            break;
        }
        default: { // an apple tree in fruit
            trunk(cv, 50, foot, 48, foot - 30, 5, 3.5f, bark, barkD);
            trunk(cv, 48, foot - 26, 30, foot - 44, 2.4f, 1.2f, bark, barkD);
            trunk(cv, 49, foot - 27, 68, foot - 46, 2.4f, 1.2f, bark, barkD);
            Greens apple{
                {rgb8(24, 66, 40), rgb8(40, 100, 44), rgb8(74, 140, 50), rgb8(124, 178, 64), rgb8(180, 214, 100)}};
            crown(50, 44, 47, 34, 20, 10, 14, apple, 0.16f, 3);
            for (int i = 0; i < 24; ++i) {
                float a = rng.range(0, 2 * kPi), d = std::sqrt(rng.f());
                float x = 50 + std::cos(a) * d * 38, y = 44 + std::sin(a) * d * 26;
                circle(
                    cv, x, y, 1.9f,
                    [=](float px, float py) {
                        return px - x + py - y < -0.8f ? rgb8(255, 170, 120) : rgb8(210, 38, 34);
                    },
                    1, Mode::Atop);
            }
            break;
        }
        }
        // Grass around the foot so the tree stands on the ground.
        for (int i = 0; i < 9; ++i) {
            float x = 50 + rng.range(-9, 9);
            capsule(cv, x, foot, x + rng.range(-2, 2), foot - rng.range(2, 5), 0.8f, 0.3f,
                    Solid{oak.at(rng.range(0.3f, 0.7f))});
        }
        frames.push_back(resolve(cv));
    }
    return stack(std::move(frames));
}

} // namespace art

// Flower icons, grass tufts and the application icon. Icons are 32 x 32 and
// stand on their bottom row.
#include <tuple>

#include "art/art.h"

namespace art {

namespace {
const RGB kStem = rgb8(62, 140, 52), kStemD = rgb8(34, 96, 44), kLeaf = rgb8(84, 164, 60), kLeafL = rgb8(150, 204, 90);

void stem(Canvas& cv, float x0, float y0, float x1, float y1, float bend, float w = 1.1f)
{
    auto pts = bezier({x0, y0}, {(x0 + x1) / 2 + bend, (y0 + y1) / 2}, {x1, y1}, 8);
    for (size_t i = 0; i + 1 < pts.size(); ++i)
        capsule(cv, pts[i].x, pts[i].y, pts[i + 1].x, pts[i + 1].y, w * 0.5f, w * 0.5f,
                [=](float x, float) { return x < (x0 + x1) / 2 + bend * 0.5f ? kStem : kStemD; });
}

// A pointed leaf from (x, y) in direction ang (radians, 0 = right, -pi/2 = up).
void leaf(Canvas& cv, float x, float y, float len, float wid, float ang, float curl = 0.f)
{
    float c = std::cos(ang), s = std::sin(ang);
    std::vector<Pt> pts;
    for (int i = 0; i <= 8; ++i) {
        float t = i / 8.f;
        float w = wid * std::sin(kPi * t) * (1 - 0.3f * t);
        float along = len * t, side = w + curl * t * t * len;
        pts.push_back({x + along * c - side * s, y + along * s + side * c});
    }
    for (int i = 7; i >= 1; --i) {
        float t = i / 8.f;
        float w = wid * std::sin(kPi * t) * (1 - 0.3f * t);
        float along = len * t, side = -w + curl * t * t * len;
        pts.push_back({x + along * c - side * s, y + along * s + side * c});
    }
    poly(cv, pts, [=](float px, float py) {
        // The half facing up-left is lit; a midrib down the middle.
        float dx = px - x, dy = py - y;
        float side = -dx * s + dy * c;
        float along = dx * c + dy * s;
        float mid = curl * (along / len) * (along / len) * len;
        if (std::fabs(side - mid) < 0.35f) return kStemD;
        return side - mid < 0 ? (s < 0 ? kLeafL : kLeaf) : kLeaf * 0.85f + kStemD * 0.15f;
    });
}

struct Petals {
    RGB c, light, dark;
};
Petals pet(RGB c) { return {c, tone(c, 0.35f), tone(c, -0.35f)}; }

// A flower seen from the front and a little above: n petals round a centre.
void radial(Canvas& cv, float x, float y, float r, int n, float pw, const Petals& P, RGB centre, float cr, float rot,
            float squash = 0.8f)
{
    for (int i = 0; i < n; ++i) {
        float a = rot + 2 * kPi * i / n;
        float px = x + std::cos(a) * r * 0.55f, py = y + std::sin(a) * r * 0.55f * squash;
        float ang = std::atan2(std::sin(a) * squash, std::cos(a));
        rellipse(cv, px, py, r * 0.5f, pw, ang, [=](float qx, float qy) {
            float u = qx - x, v = qy - y;
            return (u + v < -r * 0.3f) ? P.light : ((u + v > r * 0.5f) ? P.dark : P.c);
        });
    }
    circle(cv, x, y, cr,
           [=](float qx, float qy) { return (qx - x + qy - y) < -cr * 0.4f ? tone(centre, 0.35f) : centre; });
}

// A cup of petals seen from the side (tulip, crocus, poppy in bud).
void cup(Canvas& cv, float x, float y, float w, float h, const Petals& P, int lobes)
{
    fill(
        cv, {x - w, y - h, x + w, y + h * 0.6f},
        [=](float px, float py) {
            float u = (px - x) / w;
            if (std::fabs(u) > 1) return false;
            float bottom = y + h * 0.55f * std::sqrt(1 - u * u);
            float top = y - h * (0.55f + 0.3f * std::fabs(std::cos(u * kPi * lobes * 0.5f)));
            return py <= bottom && py >= top;
        },
        [=](float px, float py) {
            float u = (px - x) / w;
            RGB c = u < -0.3f ? P.light : (u > 0.45f ? P.dark : P.c);
            // The seams between the petals.
            if (std::fabs(std::fmod(u * lobes * 0.5f + 10.5f, 1.f) - 0.5f) < 0.06f && py > y - h * 0.5f) c = P.dark;
            (void)py;
            return c;
        });
}

void bell(Canvas& cv, float x, float y, float r, const Petals& P)
{
    fill(
        cv, {x - r, y - r, x + r, y + r * 1.2f},
        [=](float px, float py) {
            float u = (px - x) / r;
            float v = (py - y) / r;
            if (v < -0.9f || v > 1.1f) return false;
            float w = 0.55f + 0.45f * clamp01(v) + (v > 0.8f ? 0.25f * (v - 0.8f) / 0.3f : 0);
            return std::fabs(u) <= w * std::sqrt(clamp01(1 - (v < 0 ? v * v / 0.81f : 0)));
        },
        [=](float px, float) { return px < x - r * 0.2f ? P.light : (px > x + r * 0.4f ? P.dark : P.c); });
}

struct Head {
    float x, y, s; // position and size factor
};

void drawSpecies(Canvas& cv, int sp, int var, const Head& h, Rng& rng)
{
    float x = h.x, y = h.y, s = h.s;
    switch (sp) {
    case 0: // daisy
        radial(cv, x, y, 7 * s, 13, 1.1f * s, pet(rgb8(252, 252, 246)), rgb8(250, 200, 30), 1.9f * s, rng.f());
        break;
    case 1: // poppy
        radial(cv, x, y, 8 * s, 5, 3.4f * s, pet(var == 3 ? rgb8(250, 120, 40) : rgb8(230, 36, 30)), rgb8(50, 40, 60),
               1.8f * s, rng.f(), 0.7f);
        break;
    case 2: { // tulip
        static const RGB c[4] = {rgb8(230, 40, 50), rgb8(252, 210, 40), rgb8(240, 110, 170), rgb8(150, 70, 190)};
        cup(cv, x, y, 4 * s, 6 * s, pet(c[var]), 3);
        break;
    }
    case 3: // cornflower
        for (int i = 0; i < 9; ++i) {
            float a = 2 * kPi * i / 9 + rng.f() * 0.2f;
            float tx = x + std::cos(a) * 5.5f * s, ty = y + std::sin(a) * 4.5f * s;
            poly(cv,
                 {{x + std::cos(a + 0.35f) * 2 * s, y + std::sin(a + 0.35f) * 2 * s},
                  {tx, ty},
                  {x + std::cos(a - 0.35f) * 2 * s, y + std::sin(a - 0.35f) * 2 * s}},
                 Solid{i % 3 == 0 ? rgb8(120, 170, 250) : rgb8(50, 100, 220)});
        }
        circle(cv, x, y, 2.2f * s, Solid{rgb8(60, 50, 140)});
        break;
    case 4: // buttercup
        radial(cv, x, y, 5.5f * s, 5, 2.4f * s, pet(rgb8(252, 222, 30)), rgb8(220, 160, 20), 1.3f * s, rng.f(), 0.75f);
        break;
    case 5: // dandelion: flower or seed clock
        if (var == 3) {
            for (int i = 0; i < 22; ++i) {
                float a = 2 * kPi * i / 22;
                line(cv, x, y, x + std::cos(a) * 5.5f * s, y + std::sin(a) * 5.5f * s, 0.5f,
                     Solid{rgb8(236, 236, 230)});
                circle(cv, x + std::cos(a) * 5.5f * s, y + std::sin(a) * 5.5f * s, 0.8f, Solid{rgb8(252, 252, 250)});
            }
            circle(cv, x, y, 1.3f, Solid{rgb8(180, 170, 120)});
        } else {
            for (int ring = 3; ring >= 1; --ring)
                radial(cv, x, y, 2.6f * ring * s, 8 + ring * 5, 0.8f * s,
                       pet(ring == 1 ? rgb8(250, 190, 20) : rgb8(252, 222, 40)), rgb8(240, 180, 20), 1.4f * s, rng.f(),
                       0.8f);
        }
        break;
    case 6: { // bluebell: a nodding stem of bells
        auto pts = bezier({x - 3 * s, y + 2}, {x + 2 * s, y - 5 * s}, {x + 7 * s, y + 1}, 6);
        for (size_t i = 0; i + 1 < pts.size(); ++i)
            line(cv, pts[i].x, pts[i].y, pts[i + 1].x, pts[i + 1].y, 0.9f, Solid{kStem});
        for (int i = 1; i < 6; i += 1)
            bell(cv, pts[i].x + 0.5f, pts[i].y + 3 * s, 2.1f * s,
                 pet(var == 2 ? rgb8(200, 150, 240) : rgb8(100, 110, 230)));
        break;
    }
    case 7: { // lupin: a tapering spike
        static const RGB c[4] = {rgb8(150, 90, 220), rgb8(240, 120, 190), rgb8(90, 120, 230), rgb8(250, 240, 240)};
        for (int i = 0; i < 9; ++i) {
            float t = i / 8.f;
            float yy = y + 7 * s - t * 15 * s, rr = (2.6f - 1.6f * t) * s;
            for (int k : {-1, 1})
                circle(cv, x + k * rr * 0.7f, yy, rr * 0.8f,
                       [=](float px, float) { return px < x ? tone(c[var], 0.3f) : tone(c[var], -0.2f); });
        }
        break;
    }
    case 8: { // rose
        static const RGB c[4] = {rgb8(210, 30, 50), rgb8(246, 140, 170), rgb8(252, 214, 70), rgb8(250, 246, 236)};
        RGB base = c[var];
        circle(cv, x, y, 4.8f * s, [=](float px, float py) {
            float d = std::hypot(px - x, py - y);
            float a = std::atan2(py - y, px - x);
            float sp2 = std::fmod(d * 1.2f - a * 0.6f + 20, 2.f);
            RGB k = sp2 < 0.5f ? tone(base, -0.4f) : base;
            return (px - x + py - y < -2) ? tone(k, 0.25f) : k;
        });
        leaf(cv, x - 3 * s, y + 4 * s, 5 * s, 1.8f * s, kPi * 0.85f);
        break;
    }
    case 9: // sunflower
        radial(cv, x, y, 11 * s, 16, 1.8f * s, pet(rgb8(252, 200, 20)), rgb8(110, 70, 30), 3.6f * s, rng.f(), 0.85f);
        for (int i = 0; i < 8; ++i)
            circle(cv, x + rng.range(-2.5f, 2.5f) * s, y + rng.range(-2.5f, 2.5f) * s, 0.5f, Solid{rgb8(70, 46, 26)});
        break;
    case 10: // forget-me-not: a cluster of small flowers
        for (int i = 0; i < 6; ++i) {
            float fx = x + rng.range(-4, 4) * s, fy = y + rng.range(-3, 3) * s;
            radial(cv, fx, fy, 2.6f * s, 5, 1.1f * s, pet(var == 1 ? rgb8(250, 170, 210) : rgb8(120, 180, 250)),
                   rgb8(250, 230, 60), 0.6f, rng.f(), 0.9f);
        }
        break;
    case 11: // clover
        circle(cv, x, y, 3.6f * s, [=](float px, float py) {
            bool dot = grain(px * 1.5f, py * 1.5f, 5) > 0.5f;
            RGB c = var == 2 ? rgb8(250, 246, 240) : rgb8(210, 100, 170);
            return (px - x + py - y < -1.5f) ? tone(c, 0.3f) : (dot ? tone(c, -0.2f) : c);
        });
        for (int k = 0; k < 3; ++k) {
            float a = -kPi / 2 + (k - 1) * 1.2f;
            circle(cv, x + 4 * s + std::cos(a) * 2.2f, y + 8 * s + std::sin(a) * 2.2f, 1.8f,
                   Solid{k == 1 ? kLeafL : kLeaf});
        }
        break;
    case 12: { // pansy
        static const RGB top[4] = {rgb8(120, 60, 180), rgb8(250, 220, 60), rgb8(240, 110, 60), rgb8(80, 90, 200)};
        circle(cv, x - 2.3f * s, y - 2.6f * s, 3 * s, Solid{tone(top[var], 0.1f)});
        circle(cv, x + 2.3f * s, y - 2.6f * s, 3 * s, Solid{tone(top[var], -0.15f)});
        circle(cv, x - 3 * s, y + 0.8f * s, 2.6f * s, Solid{rgb8(250, 220, 60)});
        circle(cv, x + 3 * s, y + 0.8f * s, 2.6f * s, Solid{rgb8(236, 200, 50)});
        circle(cv, x, y + 2.6f * s, 2.8f * s, Solid{rgb8(250, 226, 80)});
        circle(cv, x, y + 0.6f * s, 1.6f * s, Solid{rgb8(70, 40, 90)});
        break;
    }
    case 13: { // crocus
        static const RGB c[4] = {rgb8(160, 90, 220), rgb8(250, 250, 246), rgb8(250, 200, 40), rgb8(190, 130, 230)};
        cup(cv, x, y, 3.4f * s, 6 * s, pet(c[var]), 3);
        line(cv, x, y - 1, x, y - 4 * s, 0.9f, Solid{rgb8(250, 150, 30)});
        break;
    }
    case 14: // daffodil
        radial(cv, x, y, 7 * s, 6, 2.2f * s, pet(var == 1 ? rgb8(252, 250, 230) : rgb8(252, 232, 80)),
               rgb8(250, 150, 30), 2.6f * s, 0.3f, 0.85f);
        circle(cv, x + 0.6f, y + 0.6f, 1.3f * s, Solid{rgb8(230, 110, 20)});
        break;
    case 15: { // iris
        RGB c = var == 1 ? rgb8(250, 230, 90) : rgb8(110, 70, 200);
        cup(cv, x, y - 2 * s, 2.6f * s, 5 * s, pet(tone(c, 0.15f)), 2);
        rellipse(cv, x - 3.2f * s, y + 2 * s, 3.4f * s, 1.8f * s, 0.9f, Solid{c});
        rellipse(cv, x + 3.2f * s, y + 2 * s, 3.4f * s, 1.8f * s, -0.9f, Solid{tone(c, -0.2f)});
        circle(cv, x - 2.4f * s, y + 1.4f * s, 0.8f, Solid{rgb8(250, 210, 40)});
        break;
    }
    case 16: // lavender: a dotted spike
        for (int i = 0; i < 8; ++i) {
            float yy = y + 6 * s - i * 1.8f * s;
            circle(cv, x + (i & 1 ? 0.7f : -0.7f), yy, (1.5f - i * 0.08f) * s,
                   Solid{(i & 1) ? rgb8(160, 110, 220) : rgb8(120, 80, 190)});
        }
        break;
    case 17: { // foxglove: bells hanging from one side of a spike
        RGB c = var == 2 ? rgb8(250, 240, 246) : rgb8(230, 110, 190);
        for (int i = 0; i < 6; ++i) {
            float yy = y + 8 * s - i * 2.8f * s;
            float rr = (2.3f - i * 0.22f) * s;
            rellipse(cv, x + 1.5f * s + rr * 0.6f, yy, rr * 1.2f, rr * 0.8f, 0.5f, [=](float px, float py) {
                float u = px - (x + 1.5f * s + rr * 0.6f);
                return u > rr * 0.8f && py > yy ? rgb8(120, 40, 100) : (u < 0 ? tone(c, 0.25f) : c);
            });
        }
        break;
    }
    case 18: { // cosmos
        static const RGB c[4] = {rgb8(240, 90, 170), rgb8(250, 250, 246), rgb8(200, 60, 150), rgb8(250, 160, 200)};
        radial(cv, x, y, 7.5f * s, 8, 2.3f * s, pet(c[var]), rgb8(250, 210, 40), 1.8f * s, rng.f(), 0.8f);
        break;
    }
    default: { // marigold
        RGB c = var == 1 ? rgb8(250, 200, 30) : rgb8(250, 130, 20);
        for (int ring = 3; ring >= 1; --ring)
            radial(cv, x, y, 2.1f * ring * s, 6 + ring * 3, 1.2f * s, pet(ring == 1 ? tone(c, -0.2f) : c),
                   tone(c, -0.3f), 1.f * s, rng.f() + ring, 0.85f);
        break;
    }
    }
}

// Leaves at the foot that suit a species.
void foliage(Canvas& cv, int sp, float x, float h, Rng& rng)
{
    const float G = 31.5f;
    switch (sp) {
    case 2:
    case 13:
    case 14:
    case 15: // strap leaves
        leaf(cv, x - 0.5f, G, h * 0.7f, 1.6f, -kPi / 2 - 0.35f, -0.08f);
        leaf(cv, x + 0.5f, G, h * 0.6f, 1.5f, -kPi / 2 + 0.4f, 0.08f);
        break;
    case 0:
    case 5:
    case 11: // a rosette
        leaf(cv, x, G, 6, 1.6f, -kPi + 0.3f);
        leaf(cv, x, G, 6, 1.6f, -0.3f);
        break;
    case 9: // big heart leaves on the stem
        leaf(cv, x, G - h * 0.45f, 7, 3, -kPi + 0.5f);
        leaf(cv, x, G - h * 0.3f, 7, 3, -0.5f);
        break;
    case 16: break;
    default:
        leaf(cv, x, G - h * rng.range(0.1f, 0.35f), rng.range(4, 6), 1.5f, rng.chance(0.5f) ? -kPi + 0.6f : -0.6f);
        leaf(cv, x, G - rng.range(0.f, 2.f), rng.range(4, 6), 1.4f, -kPi / 2 + rng.range(-1.f, 1.f));
        break;
    }
}
} // namespace

Image paintFlower(int n)
{
    int sp = n / 4, arr = n % 4;
    Rng rng(uint64_t(3000 + n));
    Canvas cv(32, 32, 4);
    // Number of heads: single, two, three or a clump of four or five.
    int heads = arr == 0 ? 1 : (arr == 1 ? 2 : (arr == 2 ? 3 : rng.i(4, 5)));
    if (sp == 9 && heads > 2) heads = 2; // sunflowers are big
    if (sp == 10 || sp == 16) heads = std::max(heads, 2);
    float s = heads == 1 ? 1.f : (heads == 2 ? 0.82f : (heads == 3 ? 0.72f : 0.6f));
    if (sp == 9) s *= heads == 1 ? 0.95f : 0.7f;
    if (sp == 6 || sp == 7 || sp == 16 || sp == 17) s *= 1.1f;
    std::vector<Head> hs;
    for (int i = 0; i < heads; ++i) {
        float t = heads == 1 ? 0.5f : float(i) / (heads - 1);
        float x = heads == 1 ? 16 + rng.range(-1, 1)
                             : lerp(8 + 2 * (5 - heads), 24 - 2 * (5 - heads), t) + rng.range(-1.5f, 1.5f);
        float y = (heads == 1 ? 10 : rng.range(8, 17)) + (sp == 9 ? 1.5f : 0);
        if (sp == 7 || sp == 16 || sp == 17) y += 3;
        hs.push_back({x, y, s * rng.range(0.9f, 1.05f)});
    }
    // Back to front: higher heads behind.
    std::sort(hs.begin(), hs.end(), [](const Head& a, const Head& b) { return a.y < b.y; });
    for (auto& h : hs) {
        float footX = 16 + (h.x - 16) * 0.35f;
        float stemTopY = h.y + (sp == 6 ? 2.f : 0.f);
        if (sp == 7 || sp == 16 || sp == 17) stemTopY = h.y - 8 * h.s;
        stem(cv, footX, 31.8f, h.x, stemTopY, rng.range(-2, 2), sp == 9 ? 1.6f : 1.1f);
        foliage(cv, sp, footX, 31.5f - h.y, rng);
        drawSpecies(cv, sp, arr, h, rng);
    }
    Image im = resolve(cv);
    outline(im, 0.25f);
    return im;
}

Image paintGrass(int n)
{
    Rng rng(uint64_t(5000 + n));
    Canvas cv(32, 32, 4);
    std::vector<RGB> greens =
        n % 5 == 4 ? std::vector<RGB>{rgb8(120, 130, 50), rgb8(170, 170, 70), rgb8(214, 206, 110)}
                   : std::vector<RGB>{rgb8(40, 110, 44), rgb8(80, 156, 56), rgb8(140, 196, 76), rgb8(190, 224, 110)};
    int blades = 9 + (n % 4) * 4;
    float spread = 6 + (n % 3) * 4;
    float height = 14 + (n % 7) * 2.4f;
    for (int i = 0; i < blades; ++i) {
        float x0 = 16 + rng.range(-spread, spread) * 0.6f;
        float lean = rng.range(-1.f, 1.f);
        float h = height * rng.range(0.55f, 1.f);
        float x1 = x0 + lean * h * 0.6f, y1 = 31.8f - h;
        auto pts = bezier({x0, 31.8f}, {x0 + lean * h * 0.15f, 31.8f - h * 0.6f}, {x1, y1}, 10);
        float f = rng.f();
        RGB c = ramp(greens, f), cd = ramp(greens, f * 0.5f);
        for (size_t k = 0; k + 1 < pts.size(); ++k) {
            float w = 1.5f * (1 - float(k) / pts.size()) + 0.25f;
            Pt a = pts[k], b = pts[k + 1];
            capsule(cv, a.x, a.y, b.x, b.y, w * 0.5f, w * 0.45f, [=](float x, float y) {
                // Lit left of the blade's middle. The resource files split
                // each piece at its start, which steps along a leaning blade
                // by less than a pixel; finer pictures follow the middle.
                if (density() == 1) return x < a.x ? c : cd;
                float dx = b.x - a.x, dy = b.y - a.y;
                float t = clamp01(((x - a.x) * dx + (y - a.y) * dy) / std::max(1e-6f, dx * dx + dy * dy));
                return x < a.x + dx * t ? c : cd;
            });
        }
        // Some tufts carry seed heads.
        if (n % 3 == 1 && i % 4 == 0) {
            for (int k = 0; k < 4; ++k)
                rellipse(cv, x1 + lean * k * 0.4f, y1 + k * 1.4f, 0.8f, 1.5f, lean * 0.4f, Solid{rgb8(210, 190, 120)});
        }
    }
    if (n % 6 == 2) {
        // A few clover leaves in the tuft.
        for (int k = 0; k < 3; ++k)
            circle(cv, 12 + k * 4 + rng.range(-1, 1), 28 + rng.range(-1, 1), 1.8f, Solid{rgb8(70, 150, 60)});
    }
    Image im = resolve(cv);
    outline(im, 0.2f);
    return im;
}

Image paintAppIcon()
{
    Canvas cv(32, 32, 4);
    // A rounded tile holding a tiny landscape.
    auto inTile = [](float x, float y) {
        float r = 5;
        float dx = std::max(0.f, std::max(1 + r - x, x - (31 - r))),
              dy = std::max(0.f, std::max(1 + r - y, y - (31 - r)));
        return dx * dx + dy * dy <= r * r && x >= 1 && x <= 31 && y >= 1 && y <= 31;
    };
    fill(cv, {0, 0, 32, 32}, inTile, [](float, float y) { return skyColor(1, y / 22); });
    // Sun.
    circle(
        cv, 23, 8, 4.2f, [](float x, float y) { return x + y < 29 ? rgb8(255, 250, 190) : rgb8(252, 216, 60); }, 1,
        Mode::Atop);
    // A cloud.
    for (auto [x, y, r] : {std::tuple{8.f, 9.f, 2.6f}, {11.f, 7.5f, 3.2f}, {14.5f, 9.f, 2.4f}})
        circle(
            cv, x, y, r, [=](float, float py) { return py > 9.5f ? rgb8(214, 226, 244) : rgb8(255, 255, 255); }, 1,
            Mode::Atop);
    fill(
        cv, {0, 0, 32, 32}, [](float x, float y) { return y >= 9.8f && y <= 10.6f && x > 5.5f && x < 17; },
        [](float, float) { return skyColor(1, 10 / 22.f); }, 1, Mode::Atop);
    // Far hill, near hill, meadow.
    fill(
        cv, {0, 10, 32, 32}, [](float x, float y) { return y > 19 - 6 * std::exp(-std::pow((x - 22) / 8, 2.f)); },
        [](float x, float) { return x < 20 ? rgb8(120, 184, 90) : rgb8(90, 156, 80); }, 1, Mode::Atop);
    fill(
        cv, {0, 10, 32, 32}, [](float x, float y) { return y > 23 - 5 * std::exp(-std::pow((x - 8) / 9, 2.f)); },
        [](float x, float y) { return y < 21 && x < 8 ? rgb8(150, 210, 90) : rgb8(70, 160, 60); }, 1, Mode::Atop);
    fill(
        cv, {0, 24, 32, 32}, [](float, float y) { return y > 25.5f; },
        [](float, float y) { return y < 28 ? rgb8(60, 150, 56) : rgb8(40, 120, 48); }, 1, Mode::Atop);
    // A fir tree on the left.
    rect(cv, 8.2f, 24, 9.8f, 28, Solid{rgb8(110, 70, 40)}, 1, Mode::Atop);
    for (int t = 0; t < 3; ++t) {
        float top = 9 + t * 4.5f, bot = top + 7;
        float hw = 3 + t * 1.6f;
        poly(
            cv, {{9, top}, {9 + hw, bot}, {9 - hw, bot}},
            [](float x, float) { return x < 9 ? rgb8(60, 140, 70) : rgb8(28, 90, 56); }, 1, Mode::Atop);
    }
    // Flowers in the meadow.
    circle(cv, 20, 28, 1.4f, Solid{rgb8(240, 40, 40)}, 1, Mode::Atop);
    circle(cv, 25, 27, 1.4f, Solid{rgb8(255, 230, 60)}, 1, Mode::Atop);
    circle(cv, 15, 29, 1.2f, Solid{rgb8(255, 255, 255)}, 1, Mode::Atop);
    Image im = resolve(cv);
    outline(im, 0.45f);
    return im;
}

} // namespace art

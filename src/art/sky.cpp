// Skies, meadow gradients and cloud bands.
//
// A sky picture is stretched to the horizon (190 to 330 rows) and laid in
// tiles 35 columns wide, so it is uniform along each row and dithered only
// from row to row. Its colours change slowly in the upper part, where the
// cloud band lies over it, and most near the horizon. The cloud band shows
// the same sky behind its clouds, taken for a horizon of 260 rows (the mean
// one), and wraps around left to right because it drifts across the screen.
#include "art/art.h"

namespace art {

namespace {
struct Stop {
    float t;
    RGB c;
};
RGB gradient(const std::vector<Stop>& s, float t)
{
    if (t <= s.front().t) return s.front().c;
    for (size_t i = 1; i < s.size(); ++i)
        if (t <= s[i].t) {
            float u = (t - s[i - 1].t) / (s[i].t - s[i - 1].t);
            u = u * u * (3 - 2 * u) * 0.5f + u * 0.5f; // gentle ease
            return mix(s[i - 1].c, s[i].c, u);
        }
    return s.back().c;
}

const std::vector<Stop>& skyStops(int mood)
{
    static const std::vector<Stop> s[5] = {
        // clear midday blue
        {{0, rgb8(58, 114, 212)}, {0.6f, rgb8(98, 154, 232)}, {0.86f, rgb8(150, 194, 242)}, {1, rgb8(210, 230, 248)}},
        // pale morning
        {{0, rgb8(116, 156, 214)}, {0.6f, rgb8(160, 192, 230)}, {0.84f, rgb8(212, 216, 230)}, {1, rgb8(250, 226, 200)}},
        // warm evening
        {{0, rgb8(44, 68, 156)},
         {0.6f, rgb8(86, 104, 184)},
         {0.74f, rgb8(166, 124, 176)},
         {0.88f, rgb8(236, 142, 128)},
         {1, rgb8(252, 198, 110)}},
        // hazy summer
        {{0, rgb8(108, 154, 210)}, {0.6f, rgb8(150, 186, 222)}, {0.85f, rgb8(200, 214, 224)}, {1, rgb8(234, 234, 222)}},
        // deep blue
        {{0, rgb8(40, 64, 156)}, {0.6f, rgb8(78, 106, 192)}, {0.86f, rgb8(112, 150, 220)}, {1, rgb8(164, 194, 234)}},
    };
    return s[mood - 1];
}

// The sky at the other hours: each hour's own gradient, with a little of
// the mood's daytime sky in it, so that the five skies stay five.
const std::vector<Stop>& hourStops(Hour h)
{
    static const std::vector<Stop> s[3] = {
        // dawn: pale blue above, rose and gold at the horizon
        {{0, rgb8(70, 96, 164)},
         {0.55f, rgb8(138, 146, 194)},
         {0.78f, rgb8(214, 168, 176)},
         {0.92f, rgb8(246, 190, 150)},
         {1, rgb8(255, 214, 150)}},
        // dusk: deep blue above, violet, then a glowing orange horizon
        {{0, rgb8(30, 40, 108)},
         {0.55f, rgb8(86, 76, 146)},
         {0.76f, rgb8(180, 100, 128)},
         {0.9f, rgb8(240, 128, 82)},
         {1, rgb8(255, 176, 84)}},
        // night: almost black above, a faint blue glow at the horizon
        {{0, rgb8(6, 9, 26)}, {0.6f, rgb8(14, 22, 50)}, {0.88f, rgb8(28, 40, 76)}, {1, rgb8(48, 60, 96)}},
    };
    return s[static_cast<int>(h) - 1];
}
} // namespace

RGB skyColor(int mood, float t)
{
    const RGB day = gradient(skyStops(mood), t);
    if (hour() == Hour::Day) return day;
    const float ofDay = hour() == Hour::Night ? 0.08f : 0.2f;
    return mix(gradient(hourStops(hour()), t), day, ofDay);
}

namespace {
// Stars over a night sky: (x, y) in classic pixels, from hash noise on cells
// of 6 x 6 pixels, fewer and fainter towards the horizon at `fade` rows.
// Painted in the sky's own light.
void stars(Canvas& cv, float width, float height, float fade, uint32_t seed, int wrap)
{
    for (int cy = 0; cy * 6 < height; ++cy)
        for (int cx = 0; cx * 6 < width; ++cx) {
            const float h = hash2(cx, cy, seed);
            const float y = cy * 6 + 6 * hash2(cx, cy, seed + 1);
            const float fadeOut = 1 - smooth(fade * 0.45f, fade, y);
            if (h > 0.09f * fadeOut) continue;
            const float x = cx * 6 + 6 * hash2(cx, cy, seed + 2);
            const float bright = 0.45f + 0.55f * hash2(cx, cy, seed + 3);
            const float r = (h < 0.012f ? 0.55f : 0.32f);
            const RGB c = mix(RGB{0.75f, 0.82f, 1.f}, RGB{1.f, 0.96f, 0.85f}, hash2(cx, cy, seed + 4));
            for (int dx : {-wrap, 0, wrap}) {
                if (dx != 0 && wrap == 0) continue;
                circle(cv, x + dx, y, r, Solid{c}, bright * fadeOut);
                if (h < 0.012f) circle(cv, x + dx, y, r * 2.6f, Solid{c}, 0.18f * fadeOut);
            }
        }
}

} // namespace

Image paintSky(int mood)
{
    static const int heights[5] = {305, 307, 303, 311, 291};
    Image im;
    im.d = density();
    im.w = 20 * im.d;
    im.h = heights[mood - 1] * im.d;
    im.c.resize(size_t(im.w) * im.h);
    im.a.assign(im.c.size(), 1.f);
    for (int y = 0; y < im.h; ++y) {
        RGB c = skyColor(mood, (y + 0.5f) / im.h);
        for (int x = 0; x < im.w; ++x) im.c[size_t(y) * im.w + x] = c;
    }
    return im;
}

Image paintMeadow(int v)
{
    static const int heights[5] = {174, 172, 174, 168, 188};
    static const std::vector<Stop> s[5] = {
        {{0, rgb8(184, 210, 160)}, {0.22f, rgb8(134, 188, 92)}, {0.6f, rgb8(88, 158, 58)}, {1, rgb8(50, 124, 38)}},
        {{0, rgb8(204, 212, 158)}, {0.22f, rgb8(166, 192, 84)}, {0.6f, rgb8(120, 160, 50)}, {1, rgb8(76, 128, 32)}},
        {{0, rgb8(168, 206, 178)}, {0.22f, rgb8(104, 176, 116)}, {0.6f, rgb8(60, 142, 80)}, {1, rgb8(30, 108, 58)}},
        {{0, rgb8(196, 208, 168)}, {0.22f, rgb8(160, 184, 96)}, {0.6f, rgb8(124, 150, 60)}, {1, rgb8(86, 118, 40)}},
        {{0, rgb8(176, 218, 164)}, {0.22f, rgb8(108, 196, 92)}, {0.6f, rgb8(66, 164, 62)}, {1, rgb8(36, 132, 48)}},
    };
    Image im;
    im.d = density();
    im.w = 20 * im.d;
    im.h = heights[v - 1] * im.d;
    im.c.resize(size_t(im.w) * im.h);
    im.a.assign(im.c.size(), 1.f);
    for (int y = 0; y < im.h; ++y) {
        float t = (y + 0.5f) / im.h;
        RGB c = gradient(s[v - 1], t);
        // Soft bands of light and shade that widen towards the viewer, like
        // the swell of a meadow.
        float wave = std::sin(2 * kPi * (6.5f * std::sqrt(t) + 0.15f * v));
        c = tone(c, wave > 0 ? 0.07f * wave * t : 0.1f * wave * t);
        if (hourLights()) c = lit(c);
        for (int x = 0; x < im.w; ++x) im.c[size_t(y) * im.w + x] = c;
    }
    return im;
}

// ---------------------------------------------------------------- clouds
namespace {
struct CloudLook {
    RGB high, light, mid, shadow;
};
CloudLook cloudLook(int mood)
{
    switch (hour()) {
    case Hour::Dawn: return {rgb8(255, 232, 206), rgb8(248, 206, 192), rgb8(200, 166, 184), rgb8(122, 114, 156)};
    case Hour::Dusk: return {rgb8(255, 204, 148), rgb8(242, 160, 128), rgb8(168, 108, 132), rgb8(84, 66, 112)};
    case Hour::Night: return {rgb8(150, 160, 188), rgb8(104, 114, 146), rgb8(62, 72, 104), rgb8(30, 36, 62)};
    default: break;
    }
    switch (mood) {
    case 2: return {rgb8(255, 252, 240), rgb8(248, 244, 234), rgb8(224, 224, 232), rgb8(180, 186, 210)};
    case 3: return {rgb8(255, 244, 232), rgb8(250, 226, 216), rgb8(214, 190, 206), rgb8(150, 136, 178)};
    case 4: return {rgb8(252, 252, 248), rgb8(240, 242, 242), rgb8(222, 226, 232), rgb8(190, 198, 214)};
    default: return {rgb8(255, 255, 255), rgb8(244, 247, 252), rgb8(216, 226, 242), rgb8(168, 186, 216)};
    }
}

struct Puff {
    float x, y, r;
};

constexpr int kBandW = 738;

// Samples of the box painted over what is there, each with a colour and an
// opacity of its own: paint(x, y, colour) gives the opacity (0 leaves the
// sample as it is).
template <class Paint>
void blendOver(Canvas& cv, Box b, Paint paint)
{
    if (stopRequested()) throw PaintingStopped{};
    const int S = cv.rate();
    const int i0 = std::max(0, static_cast<int>(std::floor(b.x0 * S)));
    const int j0 = std::max(0, static_cast<int>(std::floor(b.y0 * S)));
    const int i1 = std::min(cv.sw() - 1, static_cast<int>(std::ceil(b.x1 * S)));
    const int j1 = std::min(cv.sh() - 1, static_cast<int>(std::ceil(b.y1 * S)));
    const float inv = 1.f / S;
    for (int j = j0; j <= j1; ++j)
        for (int i = i0; i <= i1; ++i) {
            RGB c;
            const float op = paint((i + 0.5f) * inv, (j + 0.5f) * inv, c);
            if (op <= 0) continue;
            const size_t k = static_cast<size_t>(j) * cv.sw() + i;
            cv.c[k] = cv.a[k] <= 0 ? c : mix(cv.c[k], c, op);
            cv.a[k] += (1 - cv.a[k]) * op;
        }
}

// The smooth minimum of two distances: shapes joined with a rounded fillet
// of about k where they meet, rather than a crease.
float smin(float a, float b, float k)
{
    const float h = clamp01(0.5f + 0.5f * (b - a) / k);
    return lerp(b, a, h) - k * h * (1 - h);
}

// A cumulus: a dome of puffs over a flat base, painted as one soft, rounded
// body. Each puff is a sphere; where they overlap the surface follows the
// one nearest the viewer, blended over a width of a fraction of the cloud,
// so the lobes show as rounded swellings with soft hollows between them and
// no edge inside. The light comes from the sun's side (Light, upper left):
// lit lobes towards it, shaded undersides and hollows away from it. The
// outline is soft and slightly ragged, as a cloud's edge is. At density 1
// the resource files keep the puffs drawn one over another (the classic
// landscapes stay as they are).
void cumulus(Canvas& cv, Rng& rng, float cx, float base, float w, float h, const CloudLook& L, RGB sky)
{
    std::vector<Puff> puffs;
    int n = std::max(3, int(w / (h * 0.55f)));
    for (int i = 0; i < n; ++i) {
        float u = (i + 0.5f) / n * 2 - 1; // -1..1
        float dome = std::sqrt(std::max(0.f, 1 - u * u * 0.9f));
        float r = h * (0.28f + 0.22f * dome) * rng.range(0.85f, 1.15f);
        puffs.push_back({cx + u * w * 0.5f, base - r * 0.55f - dome * h * 0.18f, r});
    }
    // Crown of smaller puffs on top, weighted to the middle.
    int m = std::max(2, n / 2 + 1);
    for (int i = 0; i < m; ++i) {
        float u = rng.range(-0.6f, 0.6f);
        float r = h * rng.range(0.26f, 0.38f) * (1 - std::fabs(u) * 0.4f);
        puffs.push_back({cx + u * w * 0.5f, base - h + r * 1.05f + rng.range(0.f, h * 0.12f), r});
    }
    if (density() == 1) {
        // The resource files' clouds, as they were first painted: puffs
        // drawn one over another, each shaded on its own.
        // Bottom-up drawing: the upper puffs overlap the lower ones.
        std::sort(puffs.begin(), puffs.end(),
                  [](const Puff& a, const Puff& b) { return a.y + a.r * 0.3f > b.y + b.r * 0.3f; });
        float top = base - h;
        float gx = cx, gy = base - h * 0.45f;
        for (auto& p : puffs) {
            for (int dx : {-kBandW, 0, kBandW}) {
                float px = p.x + dx;
                if (px + p.r < 0 || px - p.r > kBandW) continue;
                fill(
                    cv, {px - p.r, p.y - p.r, px + p.r, p.y + p.r},
                    [=](float x, float y) {
                        float u = (x - px) / p.r, v = (y - p.y) / p.r;
                        // A slightly flattened underside near the base.
                        return u * u + v * v <= 1.f && y <= base + 0.6f;
                    },
                    [=](float x, float y) {
                        float u = (x - px) / p.r, v = (y - p.y) / p.r;
                        float lit = sphereLight(u, v);
                        float gu = (x - gx - float(dx)) / (w * 0.55f), gv = (y - gy) / (h * 0.62f);
                        float glob = sphereLight(std::clamp(gu, -1.f, 1.f), std::clamp(gv, -1.f, 1.f));
                        float high = clamp01((base - y) / (base - top));
                        float f = 0.16f * lit + 0.5f * glob + 0.45f * high - 0.06f;
                        RGB c = f > 0.75f   ? mix(L.light, L.high, (f - 0.75f) * 4)
                                : f > 0.45f ? mix(L.mid, L.light, (f - 0.45f) / 0.3f)
                                            : mix(L.shadow, L.mid, clamp01(f / 0.45f));
                        return mix(c, sky, 0.12f * (1 - high));
                    });
            }
        }
        return;
    }
    const float top = base - h;
    Box box{cx, base, cx, base + 1};
    for (const Puff& p : puffs) {
        box.x0 = std::min(box.x0, p.x - p.r - 2);
        box.x1 = std::max(box.x1, p.x + p.r + 2);
        box.y0 = std::min(box.y0, p.y - p.r - 2);
    }
    // The upper puffs stand nearer the viewer than the ones they rise from.
    auto lift = [&](const Puff& p) { return 0.45f * (base - p.y); };
    const float fillet = 0.12f * h, blend = 0.08f * h, wide = 0.3f * h;
    const float soft = std::clamp(0.05f * h, 0.6f, 1.6f), rag = 0.05f * h;
    const uint32_t seed = static_cast<uint32_t>(cx * 131.f + base * 7.f);
    for (int dx : {-kBandW, 0, kBandW}) {
        if (box.x1 + dx < 0 || box.x0 + dx > kBandW) continue;
        blendOver(cv, {box.x0 + dx, box.y0, box.x1 + dx, box.y1}, [&](float x, float y, RGB& out) {
            const float lx = x - float(dx);
            // Distance from the body's outline (negative inside), its base cut
            // flat with a rounded edge.
            float d = 1e9f;
            for (const Puff& p : puffs) d = smin(d, std::hypot(lx - p.x, y - p.y) - p.r, fillet);
            d = -smin(-d, base - y, 0.35f * fillet);
            d += (fbm(lx * 0.18f, y * 0.18f, seed, 3) - 0.5f) * 2 * rag;
            const float cover = smooth(soft, -soft, d);
            if (cover <= 0) return 0.f;
            // The surface: the puffs' spheres, the nearest the viewer
            // weighted most.
            float best = -1e9f;
            for (const Puff& p : puffs) {
                const float q = std::hypot(lx - p.x, y - p.y) / p.r;
                best = std::max(best, lift(p) + p.r * (q < 1 ? std::sqrt(1 - q * q) : 1 - q));
            }
            float nx = 0, ny = 0, nz = 0, wsum = 0, wideSum = 0;
            for (const Puff& p : puffs) {
                const float ux = (lx - p.x) / p.r, uy = (y - p.y) / p.r, q = std::hypot(ux, uy);
                const float z = lift(p) + p.r * (q < 1 ? std::sqrt(1 - q * q) : 1 - q);
                const float wt = std::exp((z - best) / blend);
                const float s = q > 1 ? 1 / q : 1.f;
                nx += wt * ux * s;
                ny += wt * uy * s;
                nz += wt * (q < 1 ? std::sqrt(1 - q * q) : 0.f);
                wsum += wt;
                wideSum += std::exp((z - best) / wide);
            }
            nx /= wsum, ny /= wsum, nz /= wsum;
            const float len = std::max(1e-4f, std::sqrt(nx * nx + ny * ny + nz * nz));
            const float lambert = (nx * Light::x + ny * Light::y + nz * Light::z) / len;
            // Where lobes meet, several spheres stand about as near: a hollow,
            // shaded as less of the sky's light reaches into it.
            const float hollow = clamp01(std::log(wideSum) / 0.9f);
            const float high = clamp01((base - y) / (base - top));
            const float texture = fbm(lx * 0.35f, y * 0.35f, seed + 17u, 2) - 0.5f;
            float f = 0.66f * clamp01(lambert * 0.5f + 0.5f) + 0.34f * high - 0.16f * hollow + 0.08f * texture - 0.1f;
            // Near the base the cloud is in its own shadow.
            f -= 0.2f * smooth(0.4f * h, 0.f, base - y);
            const RGB c = f > 0.75f   ? mix(L.light, L.high, clamp01((f - 0.75f) * 4))
                          : f > 0.45f ? mix(L.mid, L.light, (f - 0.45f) / 0.3f)
                                      : mix(L.shadow, L.mid, clamp01(f / 0.45f));
            out = mix(c, sky, 0.12f * (1 - high));
            return cover;
        });
    }
}

// A thin wisp: a few long, faint streaks that fade out towards their ends
// and edges (at density 1, as the resource files hold them, faint
// ellipses).
void wisp(Canvas& cv, Rng& rng, float cx, float cy, float len, const CloudLook& L)
{
    int n = rng.i(2, 4);
    for (int i = 0; i < n; ++i) {
        float x = cx + rng.range(-len * 0.3f, len * 0.3f);
        float y = cy + rng.range(-2.5f, 2.5f);
        float rx = len * rng.range(0.25f, 0.5f), ry = rng.range(1.2f, 2.6f);
        float ang = rng.range(-0.06f, 0.06f);
        float op = rng.range(0.35f, 0.6f);
        if (density() == 1) {
            // The resource files' wisps: faint ellipses.
            for (int dx : {-kBandW, 0, kBandW}) {
                if (x + dx + rx < 0 || x + dx - rx > kBandW) continue;
                rellipse(cv, x + dx, y, rx, ry, ang, Solid{mix(L.light, L.mid, 0.3f)}, op);
            }
            continue;
        }
        const float ca = std::cos(ang), sa = std::sin(ang), R = std::max(rx, ry);
        const RGB colour = mix(L.light, L.mid, 0.3f);
        for (int dx : {-kBandW, 0, kBandW}) {
            if (x + dx + rx < 0 || x + dx - rx > kBandW) continue;
            const float ex = x + dx;
            blendOver(cv, {ex - R, y - R, ex + R, y + R}, [&](float px, float py, RGB& out) {
                const float u = ((px - ex) * ca + (py - y) * sa) / rx, v = (-(px - ex) * sa + (py - y) * ca) / ry;
                const float e = u * u + v * v;
                if (e >= 1) return 0.f;
                out = colour;
                return op * smooth(1.f, 0.25f, e);
            });
        }
    }
}
} // namespace

Image paintClouds(int id)
{
    int mood = (id - 121) / 2 + 1;
    int kind = (id - 121) % 2;
    int h = (id == 123 || id == 124) ? 118 : 119;
    Canvas cv(kBandW, h, 2);
    // The sky and its clouds have colours of their own at every hour.
    GlowScope glow;
    fill(
        cv, {0, 0, float(kBandW), float(h)}, [](float, float) { return true; },
        [=](float, float y) { return skyColor(mood, y / 260.f); });
    CloudLook L = cloudLook(mood);
    // Stars between the clouds: they drift with them, which pass in front.
    if (hour() == Hour::Night) stars(cv, kBandW, float(h), 260, uint32_t(id) * 31u, kBandW);
    Rng rng(uint64_t(id) * 7919u);
    if (kind == 0) {
        // Big fair-weather cumulus, a few small ones between them, and wisps
        // high up.
        for (int i = 0; i < 6; ++i) wisp(cv, rng, rng.range(0, kBandW), rng.range(8, 30), rng.range(40, 90), L);
        float x = rng.range(0, 100);
        while (x < kBandW + 0) {
            float w = rng.range(90, 170), hh = rng.range(38, 56);
            float base = rng.range(78, 104);
            cumulus(cv, rng, x + w * 0.5f, base, w, hh, L, skyColor(mood, base / 260.f));
            float gap = rng.range(40, 110);
            if (gap > 70) {
                float sw = rng.range(28, 50);
                float sb = rng.range(44, 74);
                cumulus(cv, rng, x + w + gap * 0.5f, sb, sw, sw * 0.45f, L, skyColor(mood, sb / 260.f));
            }
            x += w + gap;
            if (x > kBandW - 60) break;
        }
    } else {
        // Scattered small clouds and long wisps: a breezy sky.
        for (int i = 0; i < 9; ++i) wisp(cv, rng, rng.range(0, kBandW), rng.range(10, 70), rng.range(50, 130), L);
        float x = rng.range(0, 40);
        while (x < kBandW - 30) {
            float w = rng.range(36, 90), hh = w * rng.range(0.36f, 0.5f);
            float base = rng.range(36 + hh, 108);
            cumulus(cv, rng, x + w * 0.5f, base, w, hh, L, skyColor(mood, base / 260.f));
            x += w + rng.range(30, 90);
        }
    }
    return resolve(cv);
}

} // namespace art

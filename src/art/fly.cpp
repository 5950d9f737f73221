// Birds, butterflies, the aeroplanes with their banners, the airship and the
// hot-air balloons.
#include "art/art.h"

namespace art {

namespace {
// Chaikin smoothing of a closed outline.
std::vector<Pt> smoothPoly(std::vector<Pt> p, int rounds = 2)
{
    for (int r = 0; r < rounds; ++r) {
        std::vector<Pt> q;
        for (size_t i = 0; i < p.size(); ++i) {
            Pt a = p[i], b = p[(i + 1) % p.size()];
            q.push_back({0.75f * a.x + 0.25f * b.x, 0.75f * a.y + 0.25f * b.y});
            q.push_back({0.25f * a.x + 0.75f * b.x, 0.25f * a.y + 0.75f * b.y});
        }
        p = q;
    }
    return p;
}

// ---------------------------------------------------------------- birds
struct Plumage {
    RGB back, backLight, belly, wingTop, wingUnder, tip, head, beak, eye, cheek;
    float size;
    bool fork;
    RGB bar; // a bar across the wing (alpha via barOn)
    bool barOn;
    RGB tail;
    RGB face = {}; // a mask round the beak (faceOn)
    bool faceOn = false;
};

Plumage plumage(int v)
{
    switch (v) {
    case 1: // swallow
        return {rgb8(34, 48, 104),
                rgb8(70, 96, 170),
                rgb8(246, 240, 226),
                rgb8(36, 46, 96),
                rgb8(190, 190, 200),
                rgb8(28, 32, 64),
                rgb8(40, 56, 120),
                rgb8(40, 40, 48),
                rgb8(24, 24, 32),
                rgb8(200, 70, 50),
                0.9f,
                true,
                {},
                false,
                rgb8(30, 40, 90)};
    case 2: // gull
        return {rgb8(196, 204, 216),
                rgb8(250, 252, 255),
                rgb8(252, 252, 250),
                rgb8(172, 182, 198),
                rgb8(236, 240, 246),
                rgb8(36, 36, 44),
                rgb8(252, 252, 252),
                rgb8(246, 196, 40),
                rgb8(30, 30, 36),
                rgb8(250, 250, 250),
                1.12f,
                false,
                {},
                false,
                rgb8(244, 246, 250)};
    case 3: // crow
        return {rgb8(40, 42, 56),
                rgb8(86, 96, 128),
                rgb8(50, 52, 66),
                rgb8(38, 40, 54),
                rgb8(64, 66, 80),
                rgb8(30, 30, 42),
                rgb8(44, 46, 60),
                rgb8(70, 70, 80),
                rgb8(200, 190, 160),
                rgb8(44, 46, 60),
                1.02f,
                false,
                {},
                false,
                rgb8(36, 38, 52)};
    case 4: // jay
        return {rgb8(190, 140, 124),
                rgb8(230, 190, 170),
                rgb8(226, 190, 170),
                rgb8(60, 58, 70),
                rgb8(214, 200, 196),
                rgb8(36, 36, 46),
                rgb8(210, 176, 160),
                rgb8(60, 60, 70),
                rgb8(40, 40, 60),
                rgb8(240, 236, 230),
                1.0f,
                false,
                rgb8(60, 130, 230),
                true,
                rgb8(44, 44, 56)};
    default: // goldfinch
        return {rgb8(196, 160, 116),
                rgb8(236, 208, 160),
                rgb8(246, 234, 212),
                rgb8(44, 44, 54),
                rgb8(230, 220, 200),
                rgb8(240, 240, 236),
                rgb8(250, 250, 246),
                rgb8(236, 216, 190),
                rgb8(30, 30, 36),
                rgb8(250, 250, 248),
                0.85f,
                false,
                rgb8(252, 214, 40),
                true,
                rgb8(44, 44, 54),
                rgb8(226, 40, 40),
                true};
    }
}

// One frame of a bird flying to the right. phase 0..1 is the wing beat:
// 0 wings up, 0.5 wings down.
void bird(Canvas& cv, const Plumage& P, float phase)
{
    const float s = P.size * 1.15f;
    float bob = 2.f * std::sin(2 * kPi * phase);
    float cx = 36, cy = 35 + bob;
    float theta = (20 + 55 * std::cos(2 * kPi * phase)) * kPi / 180;
    const float kx = -0.32f, ky = 0.42f;
    Pt shoulder{cx + 3 * s, cy - 3 * s};
    float L = std::min(28.f, 28 * P.size);
    auto wing = [&](bool near) {
        float zs = near ? 1.f : -1.f;
        float dy = -std::sin(theta), dz = zs * std::cos(theta);
        // The span shortens a little on the up-stroke (the wing is folded).
        float span = L * (0.86f + 0.14f * std::cos(2 * kPi * (phase - 0.25f)));
        auto P3 = [&](float u, float v) {
            float chord = lerp(12 * s, 5 * s, u * u);
            float X = shoulder.x + 6 * s - 9 * s * u * u - chord * v;
            float Y = shoulder.y + u * span * dy;
            float Z = u * span * dz;
            return Pt{X + kx * Z, Y + ky * Z};
        };
        std::vector<Pt> pts;
        for (int i = 0; i <= 10; ++i) pts.push_back(P3(i / 10.f, 0));
        pts.push_back(P3(1.03f, 0.5f));
        for (int i = 10; i >= 0; --i) {
            float u = i / 10.f;
            // Notched trailing edge: the primary feathers.
            float notch = (u > 0.55f && (i & 1)) ? 0.82f : 1.f;
            pts.push_back(P3(u, notch));
        }
        // Which face the viewer sees: the underside of a raised near wing,
        // the upper side of the far wing.
        bool under = near ? (std::sin(theta) > 0.15f) : false;
        RGB base = under ? P.wingUnder : P.wingTop;
        float lightK = near ? (under ? 0.05f : 0.15f) : -0.15f;
        Pt root = P3(0, 0), tip = P3(1, 0);
        poly(cv, pts, [=](float x, float y) {
            float dx = tip.x - root.x, dy2 = tip.y - root.y;
            float L2 = dx * dx + dy2 * dy2 + 1e-3f;
            float u = clamp01(((x - root.x) * dx + (y - root.y) * dy2) / L2);
            RGB c = base;
            if (P.barOn && u > 0.25f && u < 0.45f) c = P.bar;
            if (u > 0.68f) c = mix(c, P.tip, 0.9f);
            // Leading edge lighter.
            float lead = std::fabs((x - root.x) * dy2 - (y - root.y) * dx) / std::sqrt(L2);
            if (lead < 2.f) c = tone(c, 0.18f);
            return tone(c, lightK);
        });
    };
    wing(false);
    // Tail.
    if (P.fork) {
        poly(cv,
             {{cx - 10 * s, cy - 1},
              {cx - 28 * s, cy - 6},
              {cx - 19 * s, cy + 1},
              {cx - 29 * s, cy + 6},
              {cx - 10 * s, cy + 3}},
             Solid{P.tail});
    } else {
        poly(cv,
             smoothPoly({{cx - 10 * s, cy - 2.5f * s},
                         {cx - 24 * s, cy - 4 * s},
                         {cx - 25 * s, cy + 4 * s},
                         {cx - 10 * s, cy + 3 * s}},
                        1),
             [&](float x, float) { return x < cx - 21 * s ? tone(P.tail, -0.2f) : P.tail; });
    }
    // Body: back colour above, belly below, lit from above.
    rellipse(cv, cx, cy, 15 * s, 6.5f * s, -0.08f, [&](float x, float y) {
        float v = (y - cy) / (6.5f * s);
        float u = (x - cx) / (15 * s);
        RGB c = v < 0.05f + 0.2f * u ? mix(P.backLight, P.back, clamp01(v * 2 + 0.9f)) : P.belly;
        if (v > 0.45f) c = tone(c, -0.15f);
        return c;
    });
    // Head, beak, eye.
    float hx = cx + 15 * s, hy = cy - 3 * s, hr = 5.6f * s;
    poly(cv, {{hx + hr * 0.7f, hy - 1.2f * s}, {hx + hr + 6 * s, hy + 0.8f * s}, {hx + hr * 0.7f, hy + 2.2f * s}},
         Solid{P.beak});
    circle(cv, hx, hy, hr, [&](float x, float y) {
        float v = (y - hy) / hr;
        float u = (x - hx) / hr;
        if (P.faceOn) {
            if (u > 0.25f) return P.face;
            if (v < -0.45f) return P.wingTop; // cap
        }
        if (v > 0.35f) return P.cheek;
        return sphereLight((x - hx) / hr, v) > 0.75f ? tone(P.head, 0.2f) : P.head;
    });
    circle(cv, hx + 2.2f * s, hy - 1.2f * s, 1.25f * s, Solid{P.eye});
    circle(cv, hx + 2.5f * s, hy - 1.6f * s, 0.45f * s, Solid{rgb8(250, 250, 250)});
    wing(true);
}

// ---------------------------------------------------------------- butterfly
struct Wings {
    RGB base, root, margin, spot, eye1, eye2;
    bool eyes;
};

void butterfly(Canvas& cv, const Wings& W, float phase)
{
    const float ang = 25 * kPi / 180;
    Pt C{38, 40};
    Pt a{std::sin(ang), -std::cos(ang)}; // towards the head
    Pt p{std::cos(ang), std::sin(ang)};  // to the right wing
    float open = 0.18f + 0.82f * (0.5f + 0.5f * std::cos(2 * kPi * phase));
    auto toScreen = [&](float s, float t) {
        return Pt{C.x + t * a.x + s * open * p.x, C.y + t * a.y + s * open * p.y};
    };
    std::vector<Pt> fore{{0, 5}, {10, 16}, {24, 27}, {33, 26}, {35, 18}, {30, 6}, {18, -1}, {4, -2}};
    std::vector<Pt> hind{{0, 0}, {12, -2}, {24, -8}, {26, -18}, {18, -28}, {8, -27}, {2, -14}};
    fore = smoothPoly(fore);
    hind = smoothPoly(hind);
    auto shrink = [](std::vector<Pt> q, Pt c, float k) {
        for (auto& v : q) v = {c.x + (v.x - c.x) * k, c.y + (v.y - c.y) * k};
        return q;
    };
    std::vector<Pt> foreIn = shrink(fore, {8, 6}, 0.74f), hindIn = shrink(hind, {6, -8}, 0.72f);
    float shade = 0.25f * (1 - open);
    for (int side : {-1, 1}) {
        for (int w = 1; w >= 0; --w) {
            const std::vector<Pt>& shape = w == 0 ? fore : hind;
            const std::vector<Pt>& inner = w == 0 ? foreIn : hindIn;
            std::vector<Pt> scr;
            for (auto& v : shape) scr.push_back(toScreen(side * v.x, v.y));
            poly(cv, scr, [&, side, w](float x, float y) {
                float dx = x - C.x, dy = y - C.y;
                float t = dx * a.x + dy * a.y;
                float s = (dx * p.x + dy * p.y) / open * side;
                RGB c = W.base;
                if (!insidePoly(inner, s, t)) {
                    c = W.margin;
                    // Light spots along the margin.
                    if (std::fmod(std::atan2(t - (w ? -8.f : 6.f), s) * 7 + 20, 2.f) < 0.6f &&
                        hash2(int(s), int(t), 3) > 0.2f)
                        c = W.spot;
                } else if (std::hypot(s, t - (w ? -6.f : 4.f)) < 7) {
                    c = mix(W.root, W.base, std::hypot(s, t) / 9);
                }
                if (W.eyes) {
                    Pt e = w == 0 ? Pt{26, 19} : Pt{16, -19};
                    float d = std::hypot(s - e.x, t - e.y);
                    float r = w == 0 ? 5.f : 4.f;
                    if (d < r) c = d < r * 0.45f ? W.eye1 : (d < r * 0.75f ? W.eye2 : W.margin);
                }
                return tone(c, -shade - (side > 0 ? 0.12f : 0.f));
            });
        }
        if (side == -1) {
            // Body between the far and the near wing pair.
            RGB body = rgb8(70, 56, 50);
            Pt tail = toScreen(0, -17), head = toScreen(0, 10);
            capsule(cv, tail.x, tail.y, head.x, head.y, 1.6f, 2.6f,
                    [&](float x, float) { return x < C.x ? tone(body, 0.25f) : body; });
            circle(cv, head.x + a.x * 2.5f, head.y + a.y * 2.5f, 2.4f, Solid{tone(body, 0.1f)});
            for (int k : {-1, 1}) {
                Pt h{head.x + a.x * 3, head.y + a.y * 3};
                Pt e{h.x + a.x * 12 + p.x * 5 * k, h.y + a.y * 12 + p.y * 5 * k};
                line(cv, h.x, h.y, e.x, e.y, 0.7f, Solid{body});
                circle(cv, e.x, e.y, 1.2f, Solid{body});
            }
        }
    }
}

// ---------------------------------------------------------------- banner
// A banner whose edges wave; the lettering follows the cloth.
void banner(Canvas& cv, float x0, float x1, float top, float h, float phase, const std::string& word, RGB cloth,
            RGB letters, bool poleLeft)
{
    auto wave = [=](float x) {
        float u = (x - x0) / (x1 - x0);
        float free = poleLeft ? u : 1 - u; // the far end flaps most
        return (1.2f + 2.8f * free) * std::sin(2 * kPi * (u * 2.2f + phase));
    };
    float textPx = h * 0.95f;
    float tw = textWidth(word, textPx);
    TextMask m = textMask(word, (x0 + x1) / 2 - tw / 2, top + h * 0.78f, textPx, cv.rate());
    fill(
        cv, {x0, top - 6, x1, top + h + 6},
        [=](float x, float y) {
            float w = wave(x);
            return y >= top + w && y < top + h + w;
        },
        [&](float x, float y) {
            float w = wave(x);
            float slope = wave(x + 1) - wave(x - 1);
            RGB c = tone(cloth, clamp01(-slope * 0.35f) * 0.3f - clamp01(slope * 0.35f) * 0.4f);
            if (m.at(x, y - w)) c = tone(letters, -clamp01(slope * 0.35f) * 0.3f);
            float v = (y - top - w) / h;
            if (v < 0.07f || v > 0.93f) c = tone(letters, -0.1f); // hem
            return c;
        });
    float px = poleLeft ? x0 : x1;
    float w = wave(px);
    line(cv, px, top + w - 3, px, top + h + w + 3, 1.6f, Solid{rgb8(120, 90, 60)});
}

void propellerBlur(Canvas& cv, float x, float y, float r, int frame)
{
    RGB blade = rgb8(70, 66, 72);
    if (frame == 0) {
        rellipse(cv, x, y, 1.6f, r, 0.1f, Solid{blade});
    } else {
        rellipse(cv, x, y, 1.3f, r * 0.45f, -0.2f, Solid{blade});
        ellipse(cv, x, y, 1.8f, r, Solid{rgb8(220, 224, 232)}, 0.35f);
    }
    circle(cv, x, y, 2.2f, Solid{rgb8(220, 220, 226)});
}

void wheel(Canvas& cv, float x, float y, float r)
{
    circle(cv, x, y, r, Solid{rgb8(50, 50, 58)});
    circle(cv, x - r * 0.2f, y - r * 0.2f, r * 0.45f, Solid{rgb8(200, 200, 210)});
}
} // namespace

Image paintBird(int v)
{
    Plumage P = plumage(v);
    std::vector<Image> frames;
    for (int k = 0; k < 6; ++k) {
        Canvas cv(80, 65, 4);
        bird(cv, P, k / 6.f);
        rect(cv, 79, 0, 80, 65, Solid{}, 1, Mode::Erase); // the unused column
        Image im = resolve(cv);
        outline(im, 0.35f);
        frames.push_back(im);
    }
    return stack(std::move(frames));
}

Image paintButterfly(int v)
{
    Wings W =
        v == 1 ? Wings{rgb8(236, 110, 40),
                       rgb8(180, 60, 30),
                       rgb8(60, 40, 44),
                       rgb8(250, 226, 150),
                       rgb8(70, 110, 220),
                       rgb8(250, 220, 90),
                       true}
               : Wings{rgb8(96, 150, 240), rgb8(180, 214, 255), rgb8(36, 44, 90), rgb8(246, 246, 250), {}, {}, false};
    std::vector<Image> frames;
    for (int k = 0; k < 6; ++k) {
        Canvas cv(77, 77, 4);
        butterfly(cv, W, k / 6.f);
        rect(cv, 76, 0, 77, 77, Solid{}, 1, Mode::Erase);
        Image im = resolve(cv);
        outline(im, 0.3f);
        frames.push_back(im);
    }
    return stack(std::move(frames));
}

// An aeroplane towing the banner, in two frames (the propeller and the
// banner's wave in two phases): the rope and the banner first, then the
// aeroplane that plane paints over them.
template <class Plane>
Image towingPlane(int width, float rope[4], float bannerX0, float bannerX1, float bannerY0, float bannerY1, RGB letters,
                  RGB cloth, bool towedRight, Plane plane)
{
    std::vector<Image> frames;
    for (int k = 0; k < 2; ++k) {
        Canvas cv(width, 100, 3);
        line(cv, rope[0], rope[1], rope[2], rope[3], towedRight ? 0.8f : 0.9f, Solid{rgb8(90, 80, 70)});
        banner(cv, bannerX0, bannerX1, bannerY0, bannerY1, k * 0.5f, "Sylvadra", letters, cloth, towedRight);
        plane(cv, k);
        frames.push_back(resolve(cv));
    }
    return stack(std::move(frames));
}

// A fuselage in three tones from top to bottom (top to top + height), with a
// stripe where stripe(x, y) holds.
template <class Stripe>
void fuselage(Canvas& cv, std::vector<Pt> outline, float top, float height, RGB light, RGB mid, RGB dark, Stripe stripe,
              RGB stripeColour)
{
    poly(cv, smoothPoly(std::move(outline), 2), [&](float x, float y) {
        float v = (y - top) / height;
        RGB c = v < 0.25f ? light : (v < 0.7f ? mid : dark);
        if (stripe(x, y)) c = stripeColour;
        return c;
    });
}

Image paintSmallPlane()
{
    float rope[4] = {96, 50, 136, 47};
    return towingPlane(
        330, rope, 136, 326, 30, 34, rgb8(250, 246, 232), rgb8(200, 36, 40), true, [](Canvas& cv, int k) {
            // The aeroplane, nose to the left.
            RGB red = rgb8(220, 50, 46), redL = rgb8(250, 120, 100), redD = rgb8(150, 30, 40),
                white = rgb8(246, 246, 246);
            // Tail fin and stabiliser.
            poly(cv, {{78, 46}, {88, 28}, {98, 28}, {98, 48}}, [&](float x, float) { return x < 84 ? redL : red; });
            rellipse(cv, 90, 47, 10, 2, -0.05f, Solid{redD});
            fuselage(
                cv, {{14, 48}, {20, 40}, {50, 38}, {98, 44}, {98, 49}, {50, 58}, {20, 58}, {14, 54}}, 38, 20, redL, red,
                redD, [](float x, float y) { return y > 47.5f && y < 50.5f && x > 24; }, white);
            // Cabin windows.
            poly(cv, {{30, 41}, {36, 33}, {50, 33}, {52, 41}},
                 [](float x, float) { return x < 40 ? rgb8(200, 230, 250) : rgb8(120, 160, 210); });
            rect(cv, 41, 33, 43, 41, Solid{redD});
            circle(cv, 46, 38.5f, 2.2f, Solid{rgb8(240, 190, 150)}); // pilot
            // High wing seen from the side, with a strut.
            rellipse(cv, 42, 32, 24, 2.6f, 0.02f,
                     [](float, float y) { return y < 31.5f ? rgb8(250, 250, 250) : rgb8(190, 190, 200); });
            line(cv, 48, 34, 40, 54, 1.2f, Solid{rgb8(120, 120, 130)});
            // Wheels.
            line(cv, 34, 57, 30, 66, 1.4f, Solid{rgb8(80, 80, 90)});
            wheel(cv, 30, 67, 4);
            // Engine cowl and propeller.
            poly(cv, {{13, 45}, {22, 42}, {22, 56}, {13, 54}},
                 [](float, float y) { return y < 48 ? rgb8(230, 230, 236) : rgb8(170, 170, 180); });
            propellerBlur(cv, 10, 50, 15, k);
        });
}

Image paintBigPlane()
{
    float rope[4] = {262, 54, 236, 52};
    return towingPlane(400, rope, 8, 236, 32, 38, rgb8(250, 222, 60), rgb8(40, 80, 180), false, [](Canvas& cv, int k) {
        // A biplane flying to the right.
        RGB yel = rgb8(250, 204, 40), yelL = rgb8(255, 238, 140), yelD = rgb8(196, 140, 30), blue = rgb8(40, 80, 180);
        // Tail.
        poly(cv, {{262, 52}, {266, 30}, {276, 30}, {284, 50}}, [&](float x, float) { return x < 270 ? yelL : yel; });
        rect(cv, 266, 34, 274, 38, Solid{blue});
        rellipse(cv, 272, 52, 12, 2.2f, 0, Solid{yelD});
        // Lower wing (behind the body).
        rellipse(cv, 336, 64, 30, 3, 0, [&](float, float y) { return y < 63 ? yelL : yelD; });
        fuselage(
            cv, {{262, 50}, {300, 42}, {372, 42}, {384, 46}, {384, 62}, {372, 66}, {300, 62}, {262, 54}}, 42, 24, yelL,
            yel, yelD, [](float x, float y) { return y > 52 && y < 55 && x < 372; }, blue);
        // Cockpit with the pilot.
        circle(cv, 334, 40, 4, Solid{rgb8(120, 80, 60)});
        circle(cv, 335, 41.5f, 3, Solid{rgb8(240, 190, 150)});
        rect(cv, 330, 36, 339, 38.5f, Solid{rgb8(110, 74, 50)});
        poly(cv, {{340, 42}, {344, 35}, {346, 42}}, Solid{rgb8(190, 220, 240)});
        // Upper wing and struts.
        line(cv, 322, 32, 322, 62, 1.2f, Solid{rgb8(120, 90, 60)});
        line(cv, 356, 32, 356, 62, 1.2f, Solid{rgb8(120, 90, 60)});
        line(cv, 322, 32, 356, 62, 0.8f, Solid{rgb8(160, 150, 150)});
        rellipse(cv, 340, 30, 34, 3.2f, 0, [&](float, float y) { return y < 29.5f ? yelL : yel; });
        // Wheels.
        line(cv, 344, 64, 348, 76, 1.6f, Solid{rgb8(80, 80, 90)});
        line(cv, 352, 64, 348, 76, 1.6f, Solid{rgb8(80, 80, 90)});
        wheel(cv, 348, 78, 5);
        // Nose and propeller.
        poly(cv, {{380, 44}, {388, 47}, {388, 61}, {380, 64}},
             [](float, float y) { return y < 52 ? rgb8(236, 236, 240) : rgb8(170, 170, 180); });
        propellerBlur(cv, 391, 54, 18, k);
    });
}

Image paintAirship()
{
    Canvas cv(200, 100, 3);
    const float cx = 96, cy = 42, rx = 86, ry = 27;
    // Fins at the tail (right).
    RGB fin = rgb8(200, 60, 60), finD = rgb8(140, 36, 44);
    poly(cv, {{160, 30}, {186, 10}, {194, 12}, {190, 38}},
         [&](float x, float) { return x < 176 ? tone(fin, 0.2f) : fin; });
    poly(cv, {{160, 54}, {186, 74}, {194, 72}, {190, 46}}, Solid{finD});
    // Hull: a lit cylinder with rounded ends.
    fill(
        cv, {cx - rx, cy - ry, cx + rx, cy + ry},
        [=](float x, float y) {
            float u = (x - cx) / rx, v = (y - cy) / ry;
            // A blunter nose on the left, a finer tail on the right.
            float k = u < 0 ? 1.f : 1.f + 0.5f * u * u;
            return u * u * k + v * v <= 1;
        },
        [=](float x, float y) {
            float u = (x - cx) / rx, v = (y - cy) / ry;
            float l = sphereLight(u * 0.8f, v);
            RGB c = ramp({rgb8(120, 130, 160), rgb8(170, 180, 204), rgb8(214, 220, 234), rgb8(244, 246, 250),
                          rgb8(255, 255, 255)},
                         l * 1.1f);
            if (std::fmod(x + 200, 16.f) < 0.8f) c = tone(c, -0.1f); // panels
            return c;
        });
    // Lettering along the hull.
    float tw = textWidth("Sylvadra", 30);
    text(cv, "Sylvadra", cx - tw / 2 - 4, cy + 10, 30,
         [](float, float y) { return y < 38 ? rgb8(230, 50, 50) : rgb8(180, 30, 40); });
    // Gondola with windows, and its engine.
    poly(cv, smoothPoly({{76, 67}, {118, 67}, {114, 78}, {80, 78}}, 1),
         [](float, float y) { return y < 71 ? rgb8(236, 230, 210) : rgb8(180, 170, 150); });
    for (float x = 84; x < 112; x += 7) rect(cv, x, 70, x + 4, 74, Solid{rgb8(80, 110, 160)});
    line(cv, 84, 67, 88, 60, 1, Solid{rgb8(130, 130, 140)});
    line(cv, 110, 67, 106, 60, 1, Solid{rgb8(130, 130, 140)});
    rellipse(cv, 124, 74, 5, 2.5f, 0, Solid{rgb8(150, 150, 160)});
    rellipse(cv, 130, 74, 1.4f, 6, 0, Solid{rgb8(90, 90, 100)});
    return resolve(cv);
}

Image paintBalloon(int v)
{
    Canvas cv(150, 200, 3);
    const float cx = 75, cy = 66, r = 60;
    std::vector<RGB> stripes =
        v == 1 ? std::vector<RGB>{rgb8(226, 40, 40), rgb8(250, 240, 220), rgb8(226, 40, 40), rgb8(250, 200, 50)}
               : std::vector<RGB>{rgb8(252, 208, 40), rgb8(250, 130, 30), rgb8(252, 208, 40), rgb8(60, 120, 220)};
    // Envelope: a sphere on top of a cone running down to the mouth.
    const float mouthY = 150, mouthR = 11;
    auto halfWidth = [=](float y) {
        if (y <= cy) return std::sqrt(std::max(0.f, r * r - (y - cy) * (y - cy)));
        float t = (y - cy) / (mouthY - cy);
        return lerp(r, mouthR, std::pow(t, 0.8f)) * (1 - 0.15f * std::sin(kPi * t));
    };
    fill(
        cv, {cx - r, cy - r, cx + r, mouthY}, [=](float x, float y) { return std::fabs(x - cx) <= halfWidth(y); },
        [=](float x, float y) {
            float hw = halfWidth(y);
            float u = (x - cx) / std::max(1.f, hw);
            float vv = (y - cy) / r;
            float l = sphereLight(u * 0.95f, std::clamp(vv, -1.f, 0.6f));
            // Gores: stripes running from top to mouth.
            float g = std::asin(std::clamp(u, -1.f, 1.f)) / kPi * 12 + 6;
            int gi = int(std::floor(g));
            RGB c = stripes[size_t(((gi % 4) + 4) % 4)];
            if (vv > 0.55f && vv < 0.72f) c = v == 1 ? rgb8(250, 240, 220) : rgb8(60, 120, 220); // band
            float seam = g - gi;
            if (seam < 0.08f) l -= 0.25f;
            return ramp({tone(c, -0.6f), tone(c, -0.3f), c, tone(c, 0.35f)}, l * 1.05f);
        });
    // Ropes to the basket.
    RGB rope = rgb8(120, 100, 80);
    for (float dx : {-10.f, -4.f, 4.f, 10.f}) line(cv, cx + dx, mouthY - 1, cx + dx * 1.1f, 176, 0.8f, Solid{rope});
    // Burner.
    rect(cv, cx - 5, 166, cx + 5, 172,
         [](float x, float) { return x < 72 ? rgb8(210, 210, 220) : rgb8(130, 130, 140); });
    // Basket: woven, lit from the left.
    rect(cv, cx - 12, 176, cx + 12, 196, [=](float x, float y) {
        float f = (x - (cx - 12)) / 24;
        bool weave = (int(std::floor(x / 2)) + int(std::floor(y / 2))) & 1;
        RGB c = mix(rgb8(214, 164, 96), rgb8(130, 86, 50), f);
        return weave ? tone(c, -0.15f) : c;
    });
    rect(cv, cx - 13, 175, cx + 13, 178.5f, Solid{rgb8(110, 72, 44)});
    return resolve(cv);
}

} // namespace art

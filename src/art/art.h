// The painters of Sylvadra's picture resources. Every picture is painted in
// floating-point RGB on a supersampled canvas from continuous shapes, at any
// whole density (pixels per classic pixel): the drawing coordinates are
// always classic pixels, and only the canvas knows how finely it samples.
// tools/artgen reduces the pictures at density 1 to the small palettes of the
// resource files; the program paints them at higher densities in full colour
// (sharp_pictures.h). Everything here is deterministic: the same build gives
// the same pictures.
#pragma once

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace art {

constexpr float kPi = 3.14159265358979f;

// ---------------------------------------------------------------- colours
struct RGB {
    float r = 0, g = 0, b = 0;
};
inline RGB operator+(RGB a, RGB b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
inline RGB operator-(RGB a, RGB b) { return {a.r - b.r, a.g - b.g, a.b - b.b}; }
inline RGB operator*(RGB a, float k) { return {a.r * k, a.g * k, a.b * k}; }
inline RGB operator*(RGB a, RGB b) { return {a.r * b.r, a.g * b.g, a.b * b.b}; }

// A colour from 0xRRGGBB, components 0..1.
inline RGB hex(uint32_t v) { return {((v >> 16) & 255) / 255.f, ((v >> 8) & 255) / 255.f, (v & 255) / 255.f}; }
inline RGB rgb8(int r, int g, int b) { return {r / 255.f, g / 255.f, b / 255.f}; }
inline float clamp01(float v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }
inline float smooth(float e0, float e1, float x)
{
    float t = clamp01((x - e0) / (e1 - e0));
    return t * t * (3 - 2 * t);
}
inline RGB mix(RGB a, RGB b, float t) { return a + (b - a) * t; }
inline float lerp(float a, float b, float t) { return a + (b - a) * t; }
// Lighter (k > 0, towards white) or darker (k < 0, towards a deep shade of
// the same hue, never black).
RGB tone(RGB c, float k);
// A ramp of colours at evenly spaced stops, t in 0..1.
RGB ramp(const std::vector<RGB>& stops, float t);

// ---------------------------------------------------------------- random
// splitmix64: small, fast and the same everywhere.
class Rng {
public:
    explicit Rng(uint64_t seed) : s_(seed * 0x9E3779B97F4A7C15ull + 0x632BE59BD9B4E019ull) {}
    uint64_t next()
    {
        uint64_t z = (s_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    float f() { return static_cast<float>(next() >> 40) / 16777216.f; } // [0,1)
    float range(float a, float b) { return a + (b - a) * f(); }
    int i(int lo, int hi) { return lo + static_cast<int>(next() % static_cast<uint64_t>(hi - lo + 1)); }
    bool chance(float p) { return f() < p; }

private:
    uint64_t s_;
};

// Hash noise: a value in [0,1) for an integer lattice point.
float hash2(int x, int y, uint32_t seed);

// ---------------------------------------------------------------- density
// The density that the pictures of this thread are painted at: pixels per
// classic pixel (1 = the resource files' size). Set for a painting with a
// DensityScope; every Canvas and every grain() call reads it.
int density();
class DensityScope {
public:
    explicit DensityScope(int d);
    ~DensityScope();
    DensityScope(const DensityScope&) = delete;
    DensityScope& operator=(const DensityScope&) = delete;

private:
    int saved_;
};
// The hour that the pictures of this thread are painted at: by day (the
// pictures as they have always been), at dawn, at dusk or by night. The
// colours of every shape are those of the hour's light (lit()); what shines
// by itself (lit windows, the moon, the stars, the sky and its clouds, which
// have colours of their own for each hour) is painted inside a GlowScope.
enum class Hour { Day = 0, Dawn = 1, Dusk = 2, Night = 3 };
constexpr int kHours = 4;
Hour hour();
class HourScope {
public:
    explicit HourScope(Hour h);
    ~HourScope();
    HourScope(const HourScope&) = delete;
    HourScope& operator=(const HourScope&) = delete;

private:
    Hour saved_;
};
class GlowScope {
public:
    GlowScope();
    ~GlowScope();
    GlowScope(const GlowScope&) = delete;
    GlowScope& operator=(const GlowScope&) = delete;

private:
    bool saved_;
};
// Whether fill() paints in the hour's light (not by day, not in a GlowScope).
bool hourLights();
// A colour as the hour's light shows it: the warm, low light of dawn and
// dusk, the cold, dim light of the moon. By day the colour itself.
RGB lit(RGB c);

// Grain: hash noise on cells of one pixel at the density painted, for a
// texture whose cells are (u, v) in units of classic pixels (u = x / 2 for
// cells two classic pixels wide). A finer density gives a finer grain, never
// blocks of equal pixels; at density 1 it is hash2(floor(u), floor(v)).
inline float grain(float u, float v, uint32_t seed)
{
    const int d = density();
    return hash2(static_cast<int>(std::floor(u * d)), static_cast<int>(std::floor(v * d)), seed);
}
// Smooth value noise in [0,1), period "period" (0: not periodic) in x.
float vnoise(float x, float y, uint32_t seed, int period = 0);
// Fractal sum of value noise, [0,1).
float fbm(float x, float y, uint32_t seed, int octaves = 3, int period = 0);

// ---------------------------------------------------------------- canvas
// A picture being painted, classic size cw x ch, at the thread's density d:
// w x h = (cw * d) x (ch * d) pixels, each of ss x ss samples. A sample holds a
// colour and a coverage (alpha). Coordinates in the drawing calls are in
// classic pixels (floats); there are rate() = ss * d samples per classic
// pixel, and sample (i, j) lies at ((i + 0.5) / rate(), (j + 0.5) / rate()).
// The samples per pixel asked for are kept at density 1; finer densities
// take fewer per pixel (at least 2), since their pixels are smaller; from
// density 6 on one a pixel (more samples a classic pixel than at density 4,
// at a quarter of the memory that two would take: a 738 x 119 picture at
// density 8 would need 360 MB).
struct Canvas {
    int w = 0, h = 0, ss = 1, d = 1;
    std::vector<RGB> c;
    std::vector<float> a;

    Canvas() = default;
    Canvas(int cw, int ch, int ss_)
        : w(cw * density()), h(ch * density()), ss(samplesAt(ss_, density())), d(density()), c(size_t(w * ss) * h * ss),
          a(size_t(w * ss) * h * ss, 0.f)
    {}
    int sw() const { return w * ss; }
    int sh() const { return h * ss; }
    int rate() const { return ss * d; }
    static int samplesAt(int ss, int d)
    {
        return d <= 1 ? ss : d >= 6 ? 1 : std::min(ss, std::max(2, (ss + d - 1) / d));
    }
};

// How a fill combines with what is there.
enum class Mode { Over, Atop, Erase };

struct Box {
    float x0, y0, x1, y1;
};

// Painting on a thread of its own stops between two shapes once its flag is
// set (when the program ends): each shape asks first, and PaintingStopped
// leaves the painter.
struct PaintingStopped {};
void setStopFlag(const std::atomic<bool>* flag); // for the calling thread; null: never stopped
bool stopRequested();

// Fills every sample inside "inside(x, y)" within the box with "paint(x, y)"
// at the given opacity. Both callables take pixel coordinates.
template <class In, class Paint>
void fill(Canvas& cv, Box b, In inside, Paint paint, float opacity = 1.f, Mode mode = Mode::Over)
{
    if (stopRequested()) throw PaintingStopped{};
    const int S = cv.rate();
    int i0 = std::max(0, static_cast<int>(std::floor(b.x0 * S)));
    int j0 = std::max(0, static_cast<int>(std::floor(b.y0 * S)));
    int i1 = std::min(cv.sw() - 1, static_cast<int>(std::ceil(b.x1 * S)));
    int j1 = std::min(cv.sh() - 1, static_cast<int>(std::ceil(b.y1 * S)));
    const float inv = 1.f / S;
    const bool lights = hourLights();
    for (int j = j0; j <= j1; ++j) {
        float y = (j + 0.5f) * inv;
        for (int i = i0; i <= i1; ++i) {
            float x = (i + 0.5f) * inv;
            if (!inside(x, y)) continue;
            size_t k = static_cast<size_t>(j) * cv.sw() + i;
            float& al = cv.a[k];
            if (mode == Mode::Erase) {
                al = al * (1 - opacity);
                continue;
            }
            if (mode == Mode::Atop && al <= 0) continue;
            RGB p = paint(x, y);
            if (lights) p = lit(p);
            if (al <= 0) {
                cv.c[k] = p;
            } else {
                cv.c[k] = mix(cv.c[k], p, opacity);
            }
            if (mode == Mode::Over) al = al + (1 - al) * opacity;
        }
    }
}

// Paint helpers.
struct Solid {
    RGB c;
    RGB operator()(float, float) const { return c; }
};

// Shapes: each returns nothing and fills with the given paint.
template <class Paint>
void ellipse(Canvas& cv, float cx, float cy, float rx, float ry, Paint p, float op = 1, Mode m = Mode::Over)
{
    fill(
        cv, {cx - rx, cy - ry, cx + rx, cy + ry},
        [=](float x, float y) {
            float u = (x - cx) / rx, v = (y - cy) / ry;
            return u * u + v * v <= 1.f;
        },
        p, op, m);
}
template <class Paint>
void circle(Canvas& cv, float cx, float cy, float r, Paint p, float op = 1, Mode m = Mode::Over)
{
    ellipse(cv, cx, cy, r, r, p, op, m);
}
// An ellipse turned by "ang" radians.
template <class Paint>
void rellipse(Canvas& cv, float cx, float cy, float rx, float ry, float ang, Paint p, float op = 1, Mode m = Mode::Over)
{
    float c = std::cos(ang), s = std::sin(ang);
    float R = std::max(rx, ry);
    fill(
        cv, {cx - R, cy - R, cx + R, cy + R},
        [=](float x, float y) {
            float dx = x - cx, dy = y - cy;
            float u = (dx * c + dy * s) / rx, v = (-dx * s + dy * c) / ry;
            return u * u + v * v <= 1.f;
        },
        p, op, m);
}
template <class Paint>
void rect(Canvas& cv, float x0, float y0, float x1, float y1, Paint p, float op = 1, Mode m = Mode::Over)
{
    fill(
        cv, {x0, y0, x1, y1}, [=](float x, float y) { return x >= x0 && x < x1 && y >= y0 && y < y1; }, p, op, m);
}

struct Pt {
    float x, y;
};
bool insidePoly(const std::vector<Pt>& pts, float x, float y);
Box bounds(const std::vector<Pt>& pts);

template <class Paint>
void poly(Canvas& cv, const std::vector<Pt>& pts, Paint p, float op = 1, Mode m = Mode::Over)
{
    fill(
        cv, bounds(pts), [&](float x, float y) { return insidePoly(pts, x, y); }, p, op, m);
}

// A segment with round ends whose radius runs from r0 to r1.
float capsuleDist(float x, float y, float x0, float y0, float x1, float y1, float r0, float r1);
template <class Paint>
void capsule(Canvas& cv, float x0, float y0, float x1, float y1, float r0, float r1, Paint p, float op = 1,
             Mode m = Mode::Over)
{
    float R = std::max(r0, r1);
    fill(
        cv, {std::min(x0, x1) - R, std::min(y0, y1) - R, std::max(x0, x1) + R, std::max(y0, y1) + R},
        [=](float x, float y) { return capsuleDist(x, y, x0, y0, x1, y1, r0, r1) <= 0; }, p, op, m);
}
template <class Paint>
void line(Canvas& cv, float x0, float y0, float x1, float y1, float width, Paint p, float op = 1, Mode m = Mode::Over)
{
    capsule(cv, x0, y0, x1, y1, width * 0.5f, width * 0.5f, p, op, m);
}

// Points along a quadratic Bezier curve.
std::vector<Pt> bezier(Pt a, Pt c, Pt b, int n);

// Light from the upper left: a unit vector in picture space (z towards the
// viewer).
struct Light {
    static constexpr float x = -0.55f, y = -0.62f, z = 0.56f;
};
// Lambert light on a sphere: (x, y) relative to the centre in radii.
float sphereLight(float u, float v);

// ---------------------------------------------------------------- images
// The finished picture: colour per pixel (unpremultiplied) and coverage, at
// density d (w and h are the classic size times d).
struct Image {
    int w = 0, h = 0, d = 1;
    std::vector<RGB> c;
    std::vector<float> a;
    RGB at(int x, int y) const { return c[size_t(y) * w + x]; }
};
// Averages the samples of each pixel.
Image resolve(const Canvas& cv);
// Frames of equal width stacked vertically, the first on top (given with
// std::move, each frame's memory goes as it is taken in).
Image stack(std::vector<Image> frames);

// ---------------------------------------------------------------- text
// Text in the project's own font (resources/font-1.otf), drawn as coverage.
// The font's bytes are given once, before any painting (they are copied).
bool useFont(const uint8_t* data, size_t size);
// Width of a text at a pixel height.
float textWidth(const std::string& s, float px);
// Draws text with its baseline at y; paint gives the colour.
template <class Paint>
void text(Canvas& cv, const std::string& s, float x, float y, float px, Paint p, float op = 1);
// Samples the coverage of text at (x, y): implemented with a cached bitmap.
struct TextMask {
    int w = 0, h = 0, ss = 1;
    float x0 = 0, y0 = 0;
    std::vector<uint8_t> cov;
    bool at(float x, float y) const
    {
        int i = static_cast<int>(std::floor((x - x0) * ss)), j = static_cast<int>(std::floor((y - y0) * ss));
        if (i < 0 || j < 0 || i >= w || j >= h) return false;
        return cov[size_t(j) * w + i] >= 128;
    }
};
TextMask textMask(const std::string& s, float x, float baseline, float px, int ss);
template <class Paint>
void text(Canvas& cv, const std::string& s, float x, float y, float px, Paint p, float op)
{
    TextMask m = textMask(s, x, y, px, cv.rate());
    fill(
        cv, {m.x0, m.y0, m.x0 + float(m.w) / m.ss, m.y0 + float(m.h) / m.ss},
        [&](float xx, float yy) { return m.at(xx, yy); }, p, op);
}

// ---------------------------------------------------------------- painters
// Painters. Each returns the finished full-size image of one resource.
// The colour of sky "mood" (1..5) at t, 0 at the top, 1 at the horizon.
RGB skyColor(int mood, float t);
Image paintSky(int mood);          // 1..5
Image paintMeadow(int variant);    // 1..5
Image paintClouds(int id);         // 121..128
Image paintHill(int variant);      // 1..5
Image paintForest();               // 200 x 250
Image paintFirs();                 // 100 x 500
Image paintBroadleaves();          // 100 x 500
Image paintCity();                 // 245 x 500
Image paintCastles();              // 245 x 500
Image paintRedHouse();             // 153 x 115
Image paintLogHouse();             // 153 x 115
Image paintFence();                // 400 x 28
Image paintBird(int variant);      // 80 x 390
Image paintButterfly(int variant); // 77 x 462
Image paintSmallPlane();           // 330 x 200
Image paintBigPlane();             // 400 x 200
Image paintAirship();              // 200 x 100
Image paintBalloon(int variant);   // 150 x 200
Image paintFlower(int n);          // 0..79
Image paintGrass(int n);           // 0..19
Image paintAppIcon();

// Post-processing of sprites.
// Darkens the opaque pixels along the silhouette by "k" (an outline drawn in
// the sprite's own darker colours), one classic pixel (d pixels) wide.
void outline(Image& im, float k, float threshold = 0.5f);

// A picture in full colour: 0xRRGGBB per pixel, top row first, and for a
// sprite its coverage 0..255 (straight alpha; where it is 0 the colour is
// that of the nearest covered pixel, never black).
struct FullColour {
    int w = 0, h = 0, d = 1;
    std::vector<uint32_t> rgb;
    std::vector<uint8_t> alpha; // sprites only
};
// rows: the threshold depends on the row only, so that a row of one colour
// stays one colour (the sky drifts in a strip whose plain rows cost nothing).
FullColour fullColour(Image im, bool sprite, bool rows = false);

// ---------------------------------------------------------------- catalogue
// The picture resources that are painted, in the order of the resource
// files' contact sheet.
enum class Kind { Bitmap, Icon };
// How a picture's colours are kept in the resource file: a gradient dithered
// from row to row, a picture of its own 16 colours, or a sprite with a
// 1-bit mask (transparent where the coverage is below one half).
enum class Style { Rows, Flat, Sprite };
struct Resource {
    Kind kind;
    int id;
    int maskId; // the 1-bit mask bitmap of a sprite bitmap; 0: none
    int w, h;   // the classic size, all frames
    int frames; // frames of equal height stacked vertically
    Style style;
    Image (*paint)(int arg);
    int arg;
};
const std::vector<Resource>& catalogue();
// The resource of that kind and number, or nullptr (masks are not painted).
const Resource* lookup(Kind kind, int id);
// Paints a resource at a density (1..8) and an hour.
Image paint(const Resource& r, int density, Hour h = Hour::Day);

// Bumped whenever a painter changes what it paints.
constexpr uint32_t kPainterVersion = 3;

} // namespace art

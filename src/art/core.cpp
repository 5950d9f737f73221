// Colours, noise, the density, geometry and resolving the samples.
#include "art/art.h"

namespace art {

namespace {
thread_local const std::atomic<bool>* t_stopFlag = nullptr;
} // namespace

void setStopFlag(const std::atomic<bool>* flag) { t_stopFlag = flag; }
bool stopRequested() { return t_stopFlag && t_stopFlag->load(std::memory_order_relaxed); }

RGB tone(RGB c, float k)
{
    if (k >= 0) return mix(c, RGB{1, 1, 0.97f}, k);
    // Darker: towards a deeper, slightly bluer shade of the same colour.
    RGB deep = c * RGB{0.30f, 0.32f, 0.42f} + RGB{0.02f, 0.02f, 0.05f};
    return mix(c, deep, -k);
}

RGB ramp(const std::vector<RGB>& stops, float t)
{
    if (stops.size() == 1) return stops[0];
    t = clamp01(t) * (stops.size() - 1);
    size_t i = std::min(stops.size() - 2, static_cast<size_t>(t));
    return mix(stops[i], stops[i + 1], t - i);
}

float hash2(int x, int y, uint32_t seed)
{
    uint32_t h = static_cast<uint32_t>(x) * 0x8DA6B343u ^ static_cast<uint32_t>(y) * 0xD8163841u ^ seed * 0xCB1AB31Fu;
    h ^= h >> 13;
    h *= 0x5BD1E995u;
    h ^= h >> 15;
    h *= 0x27D4EB2Du;
    h ^= h >> 16;
    return static_cast<float>(h >> 8) / 16777216.f;
}

namespace {
thread_local int t_density = 1;
}

int density() { return t_density; }
DensityScope::DensityScope(int d) : saved_(t_density) { t_density = std::max(1, d); }
DensityScope::~DensityScope() { t_density = saved_; }

namespace {
thread_local Hour t_hour = Hour::Day;
thread_local bool t_glow = false;
} // namespace

Hour hour() { return t_hour; }
HourScope::HourScope(Hour h) : saved_(t_hour) { t_hour = h; }
HourScope::~HourScope() { t_hour = saved_; }
GlowScope::GlowScope() : saved_(t_glow) { t_glow = true; }
GlowScope::~GlowScope() { t_glow = saved_; }
bool hourLights() { return t_hour != Hour::Day && !t_glow; }

RGB lit(RGB c)
{
    switch (t_hour) {
    case Hour::Dawn: {
        // Low rose-gold light, the shadows still blue.
        const float l = 0.3f * c.r + 0.59f * c.g + 0.11f * c.b;
        RGB warm = c * RGB{1.0f, 0.9f, 0.86f} * 0.9f + RGB{0.05f, 0.025f, 0.04f};
        return mix(warm, RGB{0.30f, 0.28f, 0.42f} * l, 0.12f);
    }
    case Hour::Dusk: {
        // The last orange light, deepening towards violet.
        const float l = 0.3f * c.r + 0.59f * c.g + 0.11f * c.b;
        RGB warm = c * RGB{1.04f, 0.84f, 0.68f} * 0.84f + RGB{0.05f, 0.02f, 0.03f};
        return mix(warm, RGB{0.34f, 0.22f, 0.40f} * l, 0.15f);
    }
    case Hour::Night: {
        // Moonlight: little colour, blue, dim.
        const float l = 0.3f * c.r + 0.59f * c.g + 0.11f * c.b;
        RGB moon = RGB{0.50f, 0.62f, 0.95f} * l;
        return (mix(moon, c, 0.28f)) * 0.36f + RGB{0.012f, 0.016f, 0.035f};
    }
    default: return c;
    }
}

float vnoise(float x, float y, uint32_t seed, int period)
{
    int xi = static_cast<int>(std::floor(x)), yi = static_cast<int>(std::floor(y));
    float fx = x - xi, fy = y - yi;
    fx = fx * fx * (3 - 2 * fx);
    fy = fy * fy * (3 - 2 * fy);
    auto wrap = [period](int v) { return period > 0 ? ((v % period) + period) % period : v; };
    float a = hash2(wrap(xi), yi, seed), b = hash2(wrap(xi + 1), yi, seed);
    float c = hash2(wrap(xi), yi + 1, seed), d = hash2(wrap(xi + 1), yi + 1, seed);
    return lerp(lerp(a, b, fx), lerp(c, d, fx), fy);
}

float fbm(float x, float y, uint32_t seed, int octaves, int period)
{
    float sum = 0, amp = 0.5f, norm = 0;
    for (int o = 0; o < octaves; ++o) {
        sum += amp * vnoise(x, y, seed + o * 101u, period);
        norm += amp;
        x *= 2;
        y *= 2;
        period *= 2;
        amp *= 0.5f;
    }
    return sum / norm;
}

bool insidePoly(const std::vector<Pt>& pts, float x, float y)
{
    bool in = false;
    size_t n = pts.size();
    for (size_t i = 0, j = n - 1; i < n; j = i++) {
        const Pt& a = pts[i];
        const Pt& b = pts[j];
        if ((a.y > y) != (b.y > y) && x < (b.x - a.x) * (y - a.y) / (b.y - a.y) + a.x) in = !in;
    }
    return in;
}

Box bounds(const std::vector<Pt>& pts)
{
    Box b{1e9f, 1e9f, -1e9f, -1e9f};
    for (auto& p : pts) {
        b.x0 = std::min(b.x0, p.x);
        b.y0 = std::min(b.y0, p.y);
        b.x1 = std::max(b.x1, p.x);
        b.y1 = std::max(b.y1, p.y);
    }
    return b;
}

float capsuleDist(float x, float y, float x0, float y0, float x1, float y1, float r0, float r1)
{
    float dx = x1 - x0, dy = y1 - y0;
    float L2 = dx * dx + dy * dy;
    float t = L2 > 0 ? clamp01(((x - x0) * dx + (y - y0) * dy) / L2) : 0;
    float px = x0 + dx * t - x, py = y0 + dy * t - y;
    return std::sqrt(px * px + py * py) - lerp(r0, r1, t);
}

std::vector<Pt> bezier(Pt a, Pt c, Pt b, int n)
{
    std::vector<Pt> out;
    for (int i = 0; i <= n; ++i) {
        float t = float(i) / n, u = 1 - t;
        out.push_back({u * u * a.x + 2 * u * t * c.x + t * t * b.x, u * u * a.y + 2 * u * t * c.y + t * t * b.y});
    }
    return out;
}

float sphereLight(float u, float v)
{
    float d = u * u + v * v;
    float z = d < 1 ? std::sqrt(1 - d) : 0;
    return std::max(0.f, u * Light::x + v * Light::y + z * Light::z);
}

Image resolve(const Canvas& cv)
{
    Image im;
    im.w = cv.w;
    im.h = cv.h;
    im.d = cv.d;
    im.c.resize(size_t(cv.w) * cv.h);
    im.a.resize(size_t(cv.w) * cv.h);
    const int S = cv.ss;
    for (int y = 0; y < cv.h; ++y)
        for (int x = 0; x < cv.w; ++x) {
            RGB sum{};
            float as = 0;
            for (int j = 0; j < S; ++j)
                for (int i = 0; i < S; ++i) {
                    size_t k = size_t(y * S + j) * cv.sw() + x * S + i;
                    float al = cv.a[k];
                    sum = sum + cv.c[k] * al;
                    as += al;
                }
            size_t o = size_t(y) * cv.w + x;
            im.a[o] = as / (S * S);
            im.c[o] = as > 0 ? sum * (1.f / as) : RGB{};
        }
    return im;
}

Image stack(std::vector<Image> frames)
{
    Image im;
    im.w = frames.front().w;
    im.d = frames.front().d;
    size_t n = 0;
    for (auto& f : frames) n += f.c.size();
    im.c.reserve(n);
    im.a.reserve(n);
    // Each frame is let go once it is in: the frames and the whole are not
    // held twice over.
    for (auto& f : frames) {
        im.h += f.h;
        im.c.insert(im.c.end(), f.c.begin(), f.c.end());
        im.a.insert(im.a.end(), f.a.begin(), f.a.end());
        std::vector<RGB>().swap(f.c);
        std::vector<float>().swap(f.a);
    }
    return im;
}

void outline(Image& im, float k, float threshold)
{
    std::vector<RGB> out = im.c;
    for (int y = 0; y < im.h; ++y)
        for (int x = 0; x < im.w; ++x) {
            size_t o = size_t(y) * im.w + x;
            if (im.a[o] < threshold) continue;
            // A pixel within one classic pixel of the outside, across or
            // along.
            bool edge = false;
            const int dirs[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
            for (auto& dd : dirs)
                for (int k = 1; k <= im.d && !edge; ++k) {
                    int xx = x + dd[0] * k, yy = y + dd[1] * k;
                    if (xx < 0 || yy < 0 || xx >= im.w || yy >= im.h || im.a[size_t(yy) * im.w + xx] < threshold)
                        edge = true;
                }
            if (edge) out[o] = tone(im.c[o], -k);
        }
    im.c = out;
}

} // namespace art

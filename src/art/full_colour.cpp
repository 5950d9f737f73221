// Full colour: the painted floats to 8 bits a component, with an ordered
// dither of one step so that gradients show no bands.
#include "art/art.h"

namespace art {

namespace {
// Where nothing covers a pixel, the colour of the nearest covered pixel
// (spread one pixel a step), so that a filter that reads a transparent
// neighbour mixes in the sprite's own colour and never black.
void spreadColour(Image& im)
{
    const size_t n = im.c.size();
    std::vector<uint8_t> known(n, 0);
    // Indices in 32 bits: the fronts of a large picture at density 8 hold
    // millions of them.
    std::vector<uint32_t> front, next;
    for (size_t i = 0; i < n; ++i)
        if (im.a[i] > 0) {
            known[i] = 1;
            front.push_back(static_cast<uint32_t>(i));
        }
    if (front.empty()) return;
    while (!front.empty()) {
        next.clear();
        for (const uint32_t i : front) {
            const int x = static_cast<int>(i % im.w), y = static_cast<int>(i / im.w);
            const int nb[4][2] = {{x - 1, y}, {x + 1, y}, {x, y - 1}, {x, y + 1}};
            for (auto& q : nb) {
                if (q[0] < 0 || q[1] < 0 || q[0] >= im.w || q[1] >= im.h) continue;
                const size_t k = static_cast<size_t>(q[1]) * im.w + q[0];
                if (known[k]) continue;
                known[k] = 1;
                im.c[k] = im.c[i];
                next.push_back(static_cast<uint32_t>(k));
            }
        }
        front.swap(next);
    }
}

// An 8 x 8 Bayer matrix: thresholds 0..63.
constexpr uint8_t kBayer8[8][8] = {
    {0, 32, 8, 40, 2, 34, 10, 42},    {48, 16, 56, 24, 50, 18, 58, 26}, {12, 44, 4, 36, 14, 46, 6, 38},
    {60, 28, 52, 20, 62, 30, 54, 22}, {3, 35, 11, 43, 1, 33, 9, 41},    {51, 19, 59, 27, 49, 17, 57, 25},
    {15, 47, 7, 39, 13, 45, 5, 37},   {63, 31, 55, 23, 61, 29, 53, 21},
};

// Full colour: each component to 8 bits with an ordered dither of one step,
// so that a gradient has no bands; the coverage of a sprite as alpha.
} // namespace

FullColour fullColour(Image im, bool sprite, bool rows)
{
    FullColour p;
    p.w = im.w;
    p.h = im.h;
    p.d = im.d;
    if (sprite) spreadColour(im);
    p.rgb.resize(im.c.size());
    if (sprite) p.alpha.resize(im.c.size());
    for (int y = 0; y < im.h; ++y)
        for (int x = 0; x < im.w; ++x) {
            const size_t i = static_cast<size_t>(y) * im.w + x;
            const float t = (kBayer8[y & 7][rows ? 0 : x & 7] + 0.5f) / 64.f;
            auto q = [t](float v) {
                return static_cast<uint32_t>(std::clamp(std::floor(clamp01(v) * 255.f + t), 0.f, 255.f));
            };
            const RGB c = im.c[i];
            p.rgb[i] = q(c.r) << 16 | q(c.g) << 8 | q(c.b);
            if (sprite) p.alpha[i] = static_cast<uint8_t>(std::lround(clamp01(im.a[i]) * 255.f));
        }
    return p;
}

} // namespace art

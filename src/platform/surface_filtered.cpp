// Filtered drawing: a picture resampled over any rectangle with weighted
// taps along each axis, mixed over the surface with its coverage and
// dithered, for the sharp pictures and the stretched canvas.
#include "platform/surface.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace syl {

namespace {
// The source pixels and weights that make each destination pixel along one
// axis: destination pixels [i0, i1) of the span [D, D + L) take the source
// span [S, S + SL), read only within [lo, hi]. Weights are in 256ths and add
// up to 256.
struct Taps {
    std::vector<int> first; // index into idx and w, one more than pixels
    std::vector<int> idx;
    std::vector<uint32_t> w;
    int most = 0; // the most taps of one pixel
};
Taps makeTaps(long long i0, long long i1, double D, double L, double S, double SL, bool flip, int lo, int hi)
{
    Taps t;
    t.first.reserve(static_cast<size_t>(i1 - i0) + 1);
    const double r = std::max(1.0, SL / L);
    std::vector<double> wf;
    for (long long i = i0; i < i1; ++i) {
        t.first.push_back(static_cast<int>(t.idx.size()));
        double f = (i + 0.5 - D) / L;
        if (flip) f = 1.0 - f;
        const double u = S + f * SL - 0.5;
        const long long j0 = static_cast<long long>(std::floor(u - r)) + 1,
                        j1 = static_cast<long long>(std::ceil(u + r)) - 1;
        const size_t start = t.idx.size();
        wf.clear();
        double sum = 0;
        for (long long j = j0; j <= j1; ++j) {
            const double wt = 1.0 - std::fabs(static_cast<double>(j) - u) / r;
            if (wt <= 0) continue;
            const int c = static_cast<int>(std::clamp<long long>(j, lo, hi));
            if (t.idx.size() > start && t.idx.back() == c) {
                wf.back() += wt; // a tap clamped onto the one before
            } else {
                t.idx.push_back(c);
                wf.push_back(wt);
            }
            sum += wt;
        }
        if (wf.empty()) { // a span thinner than a pixel: the nearest
            t.idx.push_back(static_cast<int>(std::clamp<long long>(std::llround(u), lo, hi)));
            wf.push_back(1.0);
            sum = 1.0;
        }
        // Whole 256ths, the rounding left over given to the heaviest tap.
        uint32_t total = 0;
        size_t heaviest = 0;
        for (size_t k = 0; k < wf.size(); ++k) {
            const uint32_t w = static_cast<uint32_t>(std::lround(wf[k] / sum * 256.0));
            t.w.push_back(w);
            total += w;
            if (wf[k] > wf[heaviest]) heaviest = k;
        }
        t.w[start + heaviest] += 256 - total;
        t.most = std::max(t.most, static_cast<int>(wf.size()));
    }
    t.first.push_back(static_cast<int>(t.idx.size()));
    return t;
}

// Pixels as 0xAARRGGBB with the colour multiplied by the coverage; two
// channels at a time in the 16-bit lanes of a 32-bit word.
constexpr uint32_t kLanes = 0x00FF00FF;
inline uint32_t premultiply(Color c, uint32_t a)
{
    uint32_t rb = (c & kLanes) * a + 0x00800080, g = (c & 0xFF00) * a + 0x8000;
    rb = ((rb + ((rb >> 8) & kLanes)) >> 8) & kLanes;
    g = ((g + ((g >> 8) & 0xFF00)) >> 8) & 0xFF00;
    return (a << 24) | rb | g;
}
// The weighted sum of pixels (weights add up to 256).
struct Sum {
    uint32_t rb = 0, ag = 0;
    void add(uint32_t p, uint32_t w)
    {
        rb += (p & kLanes) * w;
        ag += ((p >> 8) & kLanes) * w;
    }
    // Rounded to whole steps at a threshold in 256ths (128: to the nearest).
    uint32_t get(uint32_t t = 128) const
    {
        const uint32_t add = t * 0x00010001u;
        return (((rb + add) >> 8) & kLanes) | ((ag + add) & ~kLanes);
    }
};
// Thresholds of an 8 x 8 ordered dither in 256ths: what lies between two
// steps of a channel is shown as a fine even pattern of both, so that smooth
// gradients show neither bands nor rows repeating each other.
constexpr uint8_t kBayer[8][8] = {{0, 32, 8, 40, 2, 34, 10, 42},  {48, 16, 56, 24, 50, 18, 58, 26},
                                  {12, 44, 4, 36, 14, 46, 6, 38}, {60, 28, 52, 20, 62, 30, 54, 22},
                                  {3, 35, 11, 43, 1, 33, 9, 41},  {51, 19, 59, 27, 49, 17, 57, 25},
                                  {15, 47, 7, 39, 13, 45, 5, 37}, {63, 31, 55, 23, 61, 29, 53, 21}};
// The common row of an opaque picture copied: two source rows mixed
// (weights w0 and 256 - w0) and dithered, with the thresholds add8 of the
// row's 8-pixel pattern already in both lanes. Four pixels at a time where
// the processor has SSE2 (every x86-64), pixel by pixel as the general case
// computes them.
void mixRowsOpaque(Color* __restrict d, const uint32_t* r0, const uint32_t* r1, size_t n, uint32_t w0,
                   const uint32_t (&add8)[8])
{
    size_t i = 0;
#if defined(__SSE2__)
    const __m128i lanes = _mm_set1_epi32(static_cast<int>(kLanes));
    const __m128i highs = _mm_set1_epi32(static_cast<int>(0xFF00FF00u));
    const __m128i rgb = _mm_set1_epi32(0x00FFFFFF);
    const __m128i a = _mm_set1_epi16(static_cast<short>(w0)), b = _mm_set1_epi16(static_cast<short>(256 - w0));
    const __m128i t0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(add8));
    const __m128i t1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(add8 + 4));
    for (; i + 8 <= n; i += 4) {
        const __m128i t = (i & 4) ? t1 : t0;
        const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r0 + i));
        const __m128i q = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r1 + i));
        // Each channel in a 16-bit lane: at most 255 * 256 + 254, no carry.
        __m128i rb =
            _mm_add_epi16(_mm_mullo_epi16(_mm_and_si128(p, lanes), a), _mm_mullo_epi16(_mm_and_si128(q, lanes), b));
        __m128i ag = _mm_add_epi16(_mm_mullo_epi16(_mm_and_si128(_mm_srli_epi32(p, 8), lanes), a),
                                   _mm_mullo_epi16(_mm_and_si128(_mm_srli_epi32(q, 8), lanes), b));
        rb = _mm_srli_epi16(_mm_add_epi16(rb, t), 8);
        ag = _mm_and_si128(_mm_add_epi16(ag, t), highs);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), _mm_and_si128(_mm_or_si128(rb, ag), rgb));
    }
#endif
    for (; i < n; ++i) {
        Sum sum;
        sum.add(r0[i], w0);
        sum.add(r1[i], 256 - w0);
        const uint32_t add = add8[i & 7];
        d[i] = ((((sum.rb + add) >> 8) & kLanes) | ((sum.ag + add) & ~kLanes)) & 0xFFFFFF;
    }
}

// A row of pixels premultiplied by its coverage (opaque where it has none).
void premultiplyRow(uint32_t* __restrict out, const Color* s, const uint8_t* a, size_t n)
{
    size_t c = 0;
    if (!a) {
        for (; c < n; ++c) out[c] = s[c] | 0xFF000000u;
        return;
    }
#if defined(__SSE2__)
    const __m128i lanes = _mm_set1_epi32(static_cast<int>(kLanes)), low = _mm_set1_epi32(0xFF);
    const __m128i half = _mm_set1_epi32(0x00800080), zero = _mm_setzero_si128();
    for (; c + 4 <= n; c += 4) {
        uint32_t four;
        std::memcpy(&four, a + c, 4);
        const __m128i cov =
            _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(four)), zero), zero);
        const __m128i both = _mm_or_si128(cov, _mm_slli_epi32(cov, 16));
        const __m128i px = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + c));
        __m128i rb = _mm_add_epi16(_mm_mullo_epi16(_mm_and_si128(px, lanes), both), half);
        __m128i g = _mm_add_epi16(_mm_mullo_epi16(_mm_and_si128(_mm_srli_epi32(px, 8), low), both), half);
        rb = _mm_srli_epi16(_mm_add_epi16(rb, _mm_srli_epi16(rb, 8)), 8);
        g = _mm_srli_epi16(_mm_add_epi16(g, _mm_srli_epi16(g, 8)), 8);
        const __m128i out4 = _mm_or_si128(
            _mm_or_si128(_mm_and_si128(rb, lanes), _mm_slli_epi32(_mm_and_si128(g, low), 8)), _mm_slli_epi32(cov, 24));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + c), out4);
    }
#endif
    for (; c < n; ++c) out[c] = premultiply(s[c], a[c]);
}

#if defined(__SSE2__)
// Two source rows mixed and dithered as in mixRowsOpaque, four pixels with
// their coverage in the top byte.
inline __m128i mix4(const uint32_t* r0, const uint32_t* r1, size_t i, __m128i a, __m128i b, __m128i t)
{
    const __m128i lanes = _mm_set1_epi32(static_cast<int>(kLanes));
    const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r0 + i));
    const __m128i q = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r1 + i));
    __m128i rb =
        _mm_add_epi16(_mm_mullo_epi16(_mm_and_si128(p, lanes), a), _mm_mullo_epi16(_mm_and_si128(q, lanes), b));
    __m128i ag = _mm_add_epi16(_mm_mullo_epi16(_mm_and_si128(_mm_srli_epi32(p, 8), lanes), a),
                               _mm_mullo_epi16(_mm_and_si128(_mm_srli_epi32(q, 8), lanes), b));
    rb = _mm_srli_epi16(_mm_add_epi16(rb, t), 8);
    ag = _mm_and_si128(_mm_add_epi16(ag, t), _mm_set1_epi32(static_cast<int>(0xFF00FF00u)));
    return _mm_or_si128(rb, ag);
}
#endif

// As mixRowsOpaque for a picture with coverage, drawn over what is there:
// the colour (premultiplied) plus the destination times the coverage left.
// Every channel of that sum stays within 255.
void mixRowsOver(Color* __restrict d, const uint32_t* r0, const uint32_t* r1, size_t n, uint32_t w0,
                 const uint32_t (&add8)[8])
{
    size_t i = 0;
#if defined(__SSE2__)
    const __m128i lanes = _mm_set1_epi32(static_cast<int>(kLanes));
    const __m128i rgb = _mm_set1_epi32(0x00FFFFFF), full = _mm_set1_epi32(0x00FF00FF);
    const __m128i half = _mm_set1_epi32(0x00800080);
    const __m128i a = _mm_set1_epi16(static_cast<short>(w0)), b = _mm_set1_epi16(static_cast<short>(256 - w0));
    const __m128i t0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(add8));
    const __m128i t1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(add8 + 4));
    for (; i + 8 <= n; i += 4) {
        const __m128i p = mix4(r0, r1, i, a, b, (i & 4) ? t1 : t0);
        // 255 - coverage in both 16-bit lanes of each pixel.
        const __m128i cov = _mm_srli_epi32(p, 24);
        const __m128i left = _mm_sub_epi16(full, _mm_or_si128(cov, _mm_slli_epi32(cov, 16)));
        const __m128i dst = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
        __m128i krb = _mm_add_epi16(_mm_mullo_epi16(_mm_and_si128(dst, lanes), left), half);
        __m128i kg = _mm_add_epi16(_mm_mullo_epi16(_mm_and_si128(_mm_srli_epi32(dst, 8), lanes), left), half);
        krb = _mm_srli_epi16(_mm_add_epi16(krb, _mm_srli_epi16(krb, 8)), 8);
        kg = _mm_srli_epi16(_mm_add_epi16(kg, _mm_srli_epi16(kg, 8)), 8);
        const __m128i keep = _mm_and_si128(_mm_or_si128(krb, _mm_slli_epi32(kg, 8)), rgb);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), _mm_add_epi32(_mm_and_si128(p, rgb), keep));
    }
#endif
    for (; i < n; ++i) {
        Sum sum;
        sum.add(r0[i], w0);
        sum.add(r1[i], 256 - w0);
        const uint32_t p = sum.get(add8[i & 7] & 0xFFFF), cov = p >> 24;
        if (cov == 0) continue;
        const uint32_t keep = premultiply(d[i], 255 - cov) & 0xFFFFFF;
        d[i] = (p & 0xFFFFFF) + keep;
    }
}

// A row of a picture with coverage put over what is there pixel for pixel
// (the flying objects): the colour times the coverage plus the destination
// times the coverage left, as the general case computes it; what has no
// coverage is left as it is.
void blendRow(Color* __restrict d, const Color* s, const uint8_t* a, size_t n)
{
    size_t i = 0;
#if defined(__SSE2__)
    const __m128i lanes = _mm_set1_epi32(static_cast<int>(kLanes)), low = _mm_set1_epi32(0xFF);
    const __m128i half = _mm_set1_epi32(0x00800080), zero = _mm_setzero_si128(), full = _mm_set1_epi32(0x00FF00FF);
    // x * c / 255 rounded, in the 16-bit lanes, for colours and coverage as
    // premultiply takes them.
    auto times = [&](__m128i px, __m128i c) {
        __m128i rb = _mm_add_epi16(_mm_mullo_epi16(_mm_and_si128(px, lanes), c), half);
        __m128i g = _mm_add_epi16(_mm_mullo_epi16(_mm_and_si128(_mm_srli_epi32(px, 8), low), c), half);
        rb = _mm_srli_epi16(_mm_add_epi16(rb, _mm_srli_epi16(rb, 8)), 8);
        g = _mm_srli_epi16(_mm_add_epi16(g, _mm_srli_epi16(g, 8)), 8);
        return _mm_or_si128(_mm_and_si128(rb, lanes), _mm_slli_epi32(_mm_and_si128(g, low), 8));
    };
    for (; i + 4 <= n; i += 4) {
        uint32_t four;
        std::memcpy(&four, a + i, 4);
        if (four == 0) continue;
        const __m128i cov =
            _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(four)), zero), zero);
        const __m128i both = _mm_or_si128(cov, _mm_slli_epi32(cov, 16));
        const __m128i dst = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
        const __m128i out = _mm_add_epi32(times(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i)), both),
                                          times(dst, _mm_sub_epi16(full, both)));
        const __m128i none = _mm_cmpeq_epi32(cov, zero);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i),
                         _mm_or_si128(_mm_and_si128(none, dst), _mm_andnot_si128(none, out)));
    }
#endif
    for (; i < n; ++i) {
        if (a[i] == 0) continue;
        const uint32_t c = premultiply(s[i], a[i]) & 0xFFFFFF, keep = premultiply(d[i], 255u - a[i]) & 0xFFFFFF;
        d[i] = c + keep;
    }
}

} // namespace

void DrawFiltered(Surface& dst, double x, double y, double w, double h, const ImageView& src, double sx, double sy,
                  double sw, double sh, RasterOp op)
{
    if (w == 0 || h == 0 || sw == 0 || sh == 0 || !src.pixels || src.width <= 0 || src.height <= 0) return;
    bool flipX = false, flipY = false;
    if (w < 0) {
        x += w;
        w = -w;
        flipX = !flipX;
    }
    if (h < 0) {
        y += h;
        h = -h;
        flipY = !flipY;
    }
    if (sw < 0) {
        sx += sw;
        sw = -sw;
        flipX = !flipX;
    }
    if (sh < 0) {
        sy += sh;
        sh = -sh;
        flipY = !flipY;
    }
    if (sx >= src.width || sy >= src.height || sx + sw <= 0 || sy + sh <= 0) return;
    // The source pixels the rectangle may read.
    const int lx = static_cast<int>(std::clamp(std::floor(sx), 0.0, double(src.width - 1)));
    const int hx = static_cast<int>(std::clamp(std::ceil(sx + sw) - 1, 0.0, double(src.width - 1)));
    const int ly = static_cast<int>(std::clamp(std::floor(sy), 0.0, double(src.height - 1)));
    const int hy = static_cast<int>(std::clamp(std::ceil(sy + sh) - 1, 0.0, double(src.height - 1)));
    // Destination pixels whose centres lie in the rectangle and on the surface.
    auto first = [](double a) { return static_cast<long long>(std::ceil(a - 0.5)); };
    const long long i0 = std::max<long long>(first(x), dst.clipLeft()),
                    i1 = std::min<long long>(first(x + w), dst.clipRight());
    const long long j0 = std::max<long long>(first(y), dst.clipTop()),
                    j1 = std::min<long long>(first(y + h), dst.clipBottom());
    if (i0 >= i1 || j0 >= j1) return;
    // Pixel for pixel: nothing to resample.
    if (!flipX && !flipY && w == sw && h == sh && x == std::floor(x) && y == std::floor(y) && sx == std::floor(sx) &&
        sy == std::floor(sy)) {
        const long long ox = static_cast<long long>(sx - x), oy = static_cast<long long>(sy - y);
        if (i0 + ox >= lx && i1 - 1 + ox <= hx && j0 + oy >= ly && j1 - 1 + oy <= hy) {
            const size_t n = static_cast<size_t>(i1 - i0);
            for (long long j = j0; j < j1; ++j) {
                const size_t row = static_cast<size_t>(j + oy) * src.stride + static_cast<size_t>(i0 + ox);
                const Color* s = src.pixels + row;
                Color* d = dst.row(static_cast<int>(j)) + i0;
                if (!src.alpha) {
                    if (op == RasterOp::Copy) std::memmove(d, s, n * sizeof(Color));
                    else
                        for (size_t i = 0; i < n; ++i) d[i] = applyOp(d[i], s[i], op);
                    continue;
                }
                const uint8_t* a = src.alpha + row;
                if (op == RasterOp::Copy) {
                    blendRow(d, s, a, n);
                    continue;
                }
                for (size_t i = 0; i < n; ++i) {
                    if (a[i] == 0) continue;
                    Color c = premultiply(s[i], a[i]) & 0xFFFFFF;
                    const uint32_t keep = premultiply(d[i], 255u - a[i]) & 0xFFFFFF;
                    c = (((c & kLanes) + (keep & kLanes)) & 0x01FF01FF) | (((c & 0xFF00) + (keep & 0xFF00)) & 0x1FF00);
                    d[i] = applyOp(d[i], c, op);
                }
            }
            return;
        }
    }
    const Taps cx = makeTaps(i0, i1, x, w, sx, sw, flipX, lx, hx);
    const Taps cy = makeTaps(j0, j1, y, h, sy, sh, flipY, ly, hy);
    int c0 = hx, c1 = lx;
    for (int c : cx.idx) c0 = std::min(c0, c), c1 = std::max(c1, c);
    const size_t n = static_cast<size_t>(i1 - i0);

    // Source rows resampled across, each once: a few kept at a time, as
    // consecutive destination rows read overlapping source rows.
    const size_t slots = static_cast<size_t>(cy.most) + 1;
    std::vector<uint32_t> across(slots * n), pre(static_cast<size_t>(c1 - c0 + 1));
    std::vector<int> held(slots, -1);
    // Enlarging (two taps at most a pixel, the common case): the taps of each
    // column in plain arrays.
    const bool twoX = cx.most <= 2;
    std::vector<uint32_t> tx0, tx1, tw0;
    if (twoX) {
        tx0.resize(n), tx1.resize(n), tw0.resize(n);
        for (size_t i = 0; i < n; ++i) {
            const int q = cx.first[i], m = cx.first[i + 1] - q;
            tx0[i] = static_cast<uint32_t>(cx.idx[static_cast<size_t>(q)] - c0);
            tx1[i] = m > 1 ? static_cast<uint32_t>(cx.idx[static_cast<size_t>(q) + 1] - c0) : tx0[i];
            tw0[i] = cx.w[static_cast<size_t>(q)];
        }
    }
    auto rowAcross = [&](int sy_) -> const uint32_t* {
        for (size_t k = 0; k < slots; ++k)
            if (held[k] == sy_) return &across[k * n];
        // The slot whose row lies farthest from this one is no longer needed.
        size_t k = 0;
        for (size_t q = 1; q < slots; ++q)
            if (held[q] < 0 || (held[k] >= 0 && std::abs(held[q] - sy_) > std::abs(held[k] - sy_))) k = q;
        held[k] = sy_;
        const size_t row = static_cast<size_t>(sy_) * src.stride;
        const Color* s = src.pixels + row + c0;
        const uint8_t* a = src.alpha ? src.alpha + row + c0 : nullptr;
        uint32_t* out = &across[k * n];
        // An opaque row is read where it is (its coverage set as the taps
        // are gathered); a row with coverage is premultiplied first.
        const uint32_t* p = s;
        if (a || !twoX) {
            premultiplyRow(pre.data(), s, a, pre.size());
            p = pre.data();
        }
        if (twoX) {
            size_t i = 0;
#if defined(__SSE2__)
            // Four at a time: the two taps of each gathered, then mixed in
            // the lanes as Sum does.
            const __m128i lanes = _mm_set1_epi32(static_cast<int>(kLanes)), one = _mm_set1_epi32(256);
            const __m128i round = _mm_set1_epi32(0x00800080);
            const __m128i opaque = _mm_set1_epi32(a ? 0 : static_cast<int>(0xFF000000u));
            for (; i + 4 <= n; i += 4) {
                __m128i u = _mm_set_epi32(static_cast<int>(p[tx0[i + 3]]), static_cast<int>(p[tx0[i + 2]]),
                                          static_cast<int>(p[tx0[i + 1]]), static_cast<int>(p[tx0[i]]));
                __m128i v = _mm_set_epi32(static_cast<int>(p[tx1[i + 3]]), static_cast<int>(p[tx1[i + 2]]),
                                          static_cast<int>(p[tx1[i + 1]]), static_cast<int>(p[tx1[i]]));
                u = _mm_or_si128(u, opaque);
                v = _mm_or_si128(v, opaque);
                // The weight of each pixel in both 16-bit lanes.
                const __m128i w = _mm_loadu_si128(reinterpret_cast<const __m128i*>(tw0.data() + i));
                const __m128i wa = _mm_or_si128(w, _mm_slli_epi32(w, 16));
                const __m128i wb0 = _mm_sub_epi32(one, w);
                const __m128i wb = _mm_or_si128(wb0, _mm_slli_epi32(wb0, 16));
                __m128i rb = _mm_add_epi16(_mm_mullo_epi16(_mm_and_si128(u, lanes), wa),
                                           _mm_mullo_epi16(_mm_and_si128(v, lanes), wb));
                __m128i ag = _mm_add_epi16(_mm_mullo_epi16(_mm_and_si128(_mm_srli_epi32(u, 8), lanes), wa),
                                           _mm_mullo_epi16(_mm_and_si128(_mm_srli_epi32(v, 8), lanes), wb));
                rb = _mm_srli_epi16(_mm_add_epi16(rb, round), 8);
                ag = _mm_and_si128(_mm_add_epi16(ag, round), _mm_set1_epi32(static_cast<int>(0xFF00FF00u)));
                _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_or_si128(rb, ag));
            }
#endif
            const uint32_t set = a ? 0 : 0xFF000000u;
            for (; i < n; ++i) {
                Sum sum;
                sum.add(p[tx0[i]] | set, tw0[i]);
                sum.add(p[tx1[i]] | set, 256 - tw0[i]);
                out[i] = sum.get();
            }
            return out;
        }
        for (size_t i = 0; i < n; ++i) {
            Sum sum;
            for (int q = cx.first[i]; q < cx.first[i + 1]; ++q)
                sum.add(pre[static_cast<size_t>(cx.idx[static_cast<size_t>(q)] - c0)], cx.w[static_cast<size_t>(q)]);
            out[i] = sum.get();
        }
        return out;
    };
    std::vector<const uint32_t*> rows(slots);
    for (long long j = j0; j < j1; ++j) {
        const size_t ry = static_cast<size_t>(j - j0);
        const int q0 = cy.first[ry], q1 = cy.first[ry + 1];
        for (int q = q0; q < q1; ++q) rows[static_cast<size_t>(q - q0)] = rowAcross(cy.idx[static_cast<size_t>(q)]);
        Color* d = dst.row(static_cast<int>(j)) + i0;
        const uint8_t* bayer = kBayer[j & 7];
        const uint32_t w0 = cy.w[static_cast<size_t>(q0)];
        const uint32_t* r0 = rows[0];
        const uint32_t* r1 = q1 - q0 > 1 ? rows[1] : rows[0];
        if (op == RasterOp::Copy && q1 - q0 <= 2) {
            uint32_t add8[8];
            for (int k = 0; k < 8; ++k) add8[k] = (bayer[dst.rowDither ? 0 : (i0 + k) & 7] * 4u + 2u) * 0x00010001u;
            if (src.alpha) mixRowsOver(d, r0, r1, n, w0, add8);
            else mixRowsOpaque(d, r0, r1, n, w0, add8);
            continue;
        }
        for (size_t i = 0; i < n; ++i) {
            Sum sum;
            if (q1 - q0 <= 2) {
                sum.add(r0[i], w0);
                sum.add(r1[i], 256 - w0);
            } else {
                for (int q = q0; q < q1; ++q)
                    sum.add(rows[static_cast<size_t>(q - q0)][i], cy.w[static_cast<size_t>(q)]);
            }
            const uint32_t t = bayer[dst.rowDither ? 0 : (i0 + static_cast<long long>(i)) & 7] * 4u + 2u;
            const uint32_t p = sum.get(t), a = p >> 24;
            Color c = p & 0xFFFFFF;
            if (src.alpha) {
                if (a == 0) continue;
                // Over what is there: the rest of the coverage from below.
                const uint32_t keep = premultiply(d[i], 255 - a) & 0xFFFFFF;
                c = (((c & kLanes) + (keep & kLanes)) & 0x01FF01FF) | (((c & 0xFF00) + (keep & 0xFF00)) & 0x1FF00);
                // A sum of 255 at most in each channel: no carry to mask.
            }
            d[i] = applyOp(d[i], c, op);
        }
    }
}

} // namespace syl

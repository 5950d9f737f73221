// The reduction of a painted picture to a small palette, with ordered
// dithering, as the resource files keep it.
#include <array>
#include <map>

#include "artgen.h"

namespace art {

// ---------------------------------------------------------------- palette
namespace {
struct C3 {
    float v[3];
};
constexpr float kW[3] = {2.f, 4.f, 3.f};
float dist2(const C3& a, const C3& b)
{
    float s = 0;
    for (int i = 0; i < 3; ++i) {
        float d = a.v[i] - b.v[i];
        s += kW[i] * d * d;
    }
    return s;
}

std::vector<C3> medianCut(std::vector<C3> px, int k)
{
    struct BoxR {
        size_t b, e;
    };
    std::vector<BoxR> boxes{{0, px.size()}};
    auto axisOf = [&](const BoxR& bx, float& range) {
        float lo[3] = {1e9f, 1e9f, 1e9f}, hi[3] = {-1e9f, -1e9f, -1e9f};
        for (size_t i = bx.b; i < bx.e; ++i)
            for (int c = 0; c < 3; ++c) {
                lo[c] = std::min(lo[c], px[i].v[c]);
                hi[c] = std::max(hi[c], px[i].v[c]);
            }
        int ax = 0;
        range = -1;
        for (int c = 0; c < 3; ++c) {
            float r = (hi[c] - lo[c]) * std::sqrt(kW[c]);
            if (r > range) {
                range = r;
                ax = c;
            }
        }
        return ax;
    };
    while (static_cast<int>(boxes.size()) < k) {
        int best = -1;
        float bestScore = 0;
        for (size_t i = 0; i < boxes.size(); ++i) {
            if (boxes[i].e - boxes[i].b < 2) continue;
            float r;
            axisOf(boxes[i], r);
            float score = r * r * std::sqrt(float(boxes[i].e - boxes[i].b));
            if (score > bestScore) {
                bestScore = score;
                best = static_cast<int>(i);
            }
        }
        if (best < 0) break;
        BoxR bx = boxes[best];
        float r;
        int ax = axisOf(bx, r);
        std::sort(px.begin() + bx.b, px.begin() + bx.e, [ax](const C3& p, const C3& q) {
            if (p.v[ax] != q.v[ax]) return p.v[ax] < q.v[ax];
            if (p.v[0] != q.v[0]) return p.v[0] < q.v[0];
            if (p.v[1] != q.v[1]) return p.v[1] < q.v[1];
            return p.v[2] < q.v[2];
        });
        size_t mid = (bx.b + bx.e) / 2;
        boxes[best] = {bx.b, mid};
        boxes.push_back({mid, bx.e});
    }
    std::vector<C3> pal;
    for (auto& bx : boxes) {
        C3 s{{0, 0, 0}};
        for (size_t i = bx.b; i < bx.e; ++i)
            for (int c = 0; c < 3; ++c) s.v[c] += px[i].v[c];
        for (int c = 0; c < 3; ++c) s.v[c] /= float(bx.e - bx.b);
        pal.push_back(s);
    }
    // k-means refinement.
    for (int it = 0; it < 6; ++it) {
        std::vector<C3> sum(pal.size(), C3{{0, 0, 0}});
        std::vector<int> cnt(pal.size(), 0);
        for (auto& p : px) {
            size_t bi = 0;
            float bd = 1e30f;
            for (size_t j = 0; j < pal.size(); ++j) {
                float d = dist2(p, pal[j]);
                if (d < bd) {
                    bd = d;
                    bi = j;
                }
            }
            for (int c = 0; c < 3; ++c) sum[bi].v[c] += p.v[c];
            cnt[bi]++;
        }
        for (size_t j = 0; j < pal.size(); ++j)
            if (cnt[j])
                for (int c = 0; c < 3; ++c) pal[j].v[c] = sum[j].v[c] / cnt[j];
    }
    return pal;
}

const float kBayer4[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
const float kRows8[8] = {0, 4, 2, 6, 1, 5, 3, 7};
} // namespace

Indexed quantize(const Image& im, const QuantOptions& o)
{
    Indexed out;
    out.w = im.w;
    out.h = im.h;
    out.masked = o.masked;
    out.idx.assign(size_t(im.w) * im.h, 0);
    out.opaque.assign(size_t(im.w) * im.h, 1);
    std::vector<C3> px;
    std::vector<C3> col(size_t(im.w) * im.h);
    for (size_t i = 0; i < col.size(); ++i) {
        RGB c = im.c[i];
        col[i] = C3{{clamp01(c.r) * 255.f, clamp01(c.g) * 255.f, clamp01(c.b) * 255.f}};
        if (o.masked) {
            out.opaque[i] = im.a[i] >= o.threshold ? 1 : 0;
            if (!out.opaque[i]) continue;
            // Never pure black where the sprite is opaque.
            C3& q = col[i];
            if (q.v[0] < 16 && q.v[1] < 16 && q.v[2] < 24)
                q = C3{{std::max(q.v[0], 16.f), std::max(q.v[1], 16.f), std::max(q.v[2], 24.f)}};
        }
        px.push_back(col[i]);
    }
    int k = o.colours - (o.masked ? 1 : 0);
    // Few distinct colours: take them as they are.
    std::map<std::array<int, 3>, int> uniq;
    for (auto& p : px) uniq[{int(std::lround(p.v[0])), int(std::lround(p.v[1])), int(std::lround(p.v[2]))}]++;
    std::vector<C3> pal;
    if (o.dither == Dither::Rows && !o.masked && static_cast<int>(uniq.size()) > k) {
        // A gradient from row to row: palette entries spaced evenly along
        // the path of its colours, so every step between neighbours is as
        // small as it can be.
        std::vector<C3> rowsC;
        for (int y = 0; y < im.h; ++y) rowsC.push_back(col[size_t(y) * im.w]);
        std::vector<float> acc{0};
        for (size_t i = 1; i < rowsC.size(); ++i) acc.push_back(acc.back() + std::sqrt(dist2(rowsC[i], rowsC[i - 1])));
        float total = acc.back();
        size_t j = 0;
        for (int n = 0; n < k; ++n) {
            float target = total * n / (k - 1);
            while (j + 1 < acc.size() && acc[j + 1] < target) ++j;
            if (j + 1 >= acc.size()) {
                pal.push_back(rowsC.back());
                continue;
            }
            float span = acc[j + 1] - acc[j];
            float t = span > 0 ? clamp01((target - acc[j]) / span) : 0;
            C3 c;
            for (int q = 0; q < 3; ++q) c.v[q] = lerp(rowsC[j].v[q], rowsC[j + 1].v[q], t);
            pal.push_back(c);
        }
    } else if (static_cast<int>(uniq.size()) <= k) {
        for (auto& [key, n] : uniq) pal.push_back(C3{{float(key[0]), float(key[1]), float(key[2])}});
    } else if (!px.empty()) {
        pal = medianCut(px, k);
    }
    // Palette entries as bytes.
    if (o.masked) out.pal.push_back(0);
    std::vector<C3> palF;
    if (o.masked) palF.push_back(C3{{0, 0, 0}});
    for (auto& p : pal) {
        int r = int(std::lround(p.v[0])), g = int(std::lround(p.v[1])), b = int(std::lround(p.v[2]));
        r = std::clamp(r, 0, 255);
        g = std::clamp(g, 0, 255);
        b = std::clamp(b, 0, 255);
        if (o.masked && r < 16 && g < 16 && b < 24) {
            r = std::max(r, 16);
            g = std::max(g, 16);
            b = std::max(b, 24);
        }
        out.pal.push_back(uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(b));
        palF.push_back(C3{{float(r), float(g), float(b)}});
    }
    while (static_cast<int>(out.pal.size()) < o.colours) {
        out.pal.push_back(0);
        palF.push_back(C3{{0, 0, 0}});
    }
    int first = o.masked ? 1 : 0;
    int used = first + static_cast<int>(pal.size());
    const float maxSpan2 = 120.f * 120.f * 9.f; // weighted; no dither between far colours
    for (int y = 0; y < im.h; ++y)
        for (int x = 0; x < im.w; ++x) {
            size_t i = size_t(y) * im.w + x;
            if (!out.opaque[i]) {
                out.idx[i] = 0;
                continue;
            }
            const C3& p = col[i];
            int a = first;
            float bd = 1e30f;
            for (int j = first; j < used; ++j) {
                float d = dist2(p, palF[j]);
                if (d < bd) {
                    bd = d;
                    a = j;
                }
            }
            int pick = a;
            if (o.dither != Dither::None && bd > 0.5f) {
                // The best mix of the nearest colour with one other: the
                // error of the mix plus a penalty for mixing far colours,
                // which would show as noise. Mixing must beat the nearest
                // colour alone.
                int b = -1;
                float bt = 0, bcost = bd;
                for (int j = first; j < used; ++j) {
                    if (j == a) continue;
                    float L2 = dist2(palF[j], palF[a]);
                    if (L2 <= 0 || L2 > maxSpan2) continue;
                    float dot = 0;
                    for (int c = 0; c < 3; ++c) dot += kW[c] * (p.v[c] - palF[a].v[c]) * (palF[j].v[c] - palF[a].v[c]);
                    float t = dot / L2;
                    if (t <= 0) continue;
                    t = std::min(t, 1.f);
                    C3 q;
                    for (int c = 0; c < 3; ++c) q.v[c] = palF[a].v[c] + t * (palF[j].v[c] - palF[a].v[c]);
                    float cost = dist2(p, q) + 0.12f * L2 * t * (1 - t);
                    if (cost < bcost) {
                        bcost = cost;
                        b = j;
                        bt = t;
                    }
                }
                if (b >= 0) {
                    float th =
                        o.dither == Dither::Rows ? (kRows8[y & 7] + 0.5f) / 8.f : (kBayer4[y & 3][x & 3] + 0.5f) / 16.f;
                    if (bt * o.strength > th) pick = b;
                }
            }
            out.idx[i] = static_cast<uint8_t>(pick);
        }
    return out;
}

} // namespace art

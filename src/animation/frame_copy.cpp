// Bringing a backend's copy of the form up to date: the clouds it shows
// moved over in place (one pass over its own pixels, instead of reading the
// form as well), then the rest copied from the form.
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "scene/frame_copy.h"

namespace syl {

using Rect = FrameCopy::Rect;

void FrameCopy::addRect(std::vector<Rect>& list, const Rect& r)
{
    if (r.empty()) return;
    for (Rect& o : list) {
        if (o.x0 <= r.x0 && o.y0 <= r.y0 && o.x1 >= r.x1 && o.y1 >= r.y1) return;
        // The same columns in touching rows (the column a move of the
        // clouds uncovers, block under block), or the same rows side by
        // side: one rectangle holds both and nothing more.
        if (o.x0 == r.x0 && o.x1 == r.x1 && o.y1 >= r.y0 && r.y1 >= o.y0) {
            o.y0 = std::min(o.y0, r.y0);
            o.y1 = std::max(o.y1, r.y1);
            return;
        }
        if (o.y0 == r.y0 && o.y1 == r.y1 && o.x1 >= r.x0 && r.x1 >= o.x0) {
            o.x0 = std::min(o.x0, r.x0);
            o.x1 = std::max(o.x1, r.x1);
            return;
        }
    }
    // Enough for the cloud runs of a few ticks at 3840 x 2160, each with
    // the column its move uncovered.
    if (list.size() < 256) {
        list.push_back(r);
        return;
    }
    auto area = [](const Rect& a) { return int64_t(a.x1 - a.x0) * int64_t(a.y1 - a.y0); };
    auto unite = [](const Rect& a, const Rect& b) {
        return Rect{std::min(a.x0, b.x0), std::min(a.y0, b.y0), std::max(a.x1, b.x1), std::max(a.y1, b.y1)};
    };
    size_t best = 0;
    int64_t bestGrowth = INT64_MAX;
    for (size_t k = 0; k < list.size(); ++k) {
        const int64_t growth = area(unite(list[k], r)) - area(list[k]);
        if (growth < bestGrowth) {
            bestGrowth = growth;
            best = k;
        }
    }
    list[best] = unite(list[best], r);
}

// The unused top byte is set, as opaque: a compositor may copy it into the
// screen's picture as it is (Weston's software renderer does), where a
// screenshot would take it for transparency. Four pixels at a time where
// the processor has SSE2 (every x86-64).
void FrameCopy::copyOpaque(uint32_t* __restrict dst, const Color* __restrict src, int n)
{
    int x = 0;
#if defined(__SSE2__)
    const __m128i opaque = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    for (; x + 4 <= n; x += 4)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + x),
                         _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src + x)), opaque));
#endif
    for (; x < n; ++x) dst[x] = static_cast<uint32_t>(src[x]) | 0xFF000000u;
}

void FrameCopy::note(const FrmMain& m, bool all)
{
    if (all || m.changedAll) {
        all_ = true;
        rects_.clear();
        moved_.clear();
        return;
    }
    if (all_) return;
    if (m.scrolled.empty()) {
        for (const Rect& r : m.changed) addRect(rects_, r);
        return;
    }
    for (const Rect& r : m.redrawn) addRect(rects_, r);
    for (const FrmMain::Scroll& s : m.scrolled) addRect(moved_, s.rect);
}

void FrameCopy::bring(const FrmMain& m, uint32_t* pixels, int w, int h, int stride)
{
    const Surface& f = m.form;
    if (f.width() != w || f.height() != h) return;
    std::vector<Rect> copy;
    auto clip = [&](Rect r) {
        r.x0 = std::max(r.x0, 0);
        r.y0 = std::max(r.y0, 0);
        r.x1 = std::min(r.x1, w);
        r.y1 = std::min(r.y1, h);
        return r;
    };
    if (all_) {
        copy.push_back({0, 0, w, h});
    } else {
        std::vector<FrmMain::Scroll> moves;
        std::vector<Rect> uncovered;
        if (!moved_.empty() && m.cloudMovesSince(cloudsAt_, moves, uncovered)) {
            for (const FrmMain::Scroll& s : moves) {
                const Rect r = clip(s.rect);
                if (r.x0 - s.dx < 0 || r.x1 - s.dx > w) {
                    copy.push_back(r); // not from inside the copy: never so for the band
                    continue;
                }
                for (int y = r.y0; y < r.y1; ++y) {
                    uint32_t* row = pixels + static_cast<size_t>(y) * static_cast<size_t>(stride);
                    std::memmove(row + r.x0, row + r.x0 - s.dx, static_cast<size_t>(r.x1 - r.x0) * sizeof(uint32_t));
                }
            }
            // What changed otherwise, where it was and where the moves took it.
            const int shift = moves.empty() ? 0 : moves.front().dx;
            for (const Rect& r : rects_) {
                copy.push_back(r);
                if (shift != 0) copy.push_back({r.x0 + shift, r.y0, r.x1 + shift, r.y1});
            }
            copy.insert(copy.end(), uncovered.begin(), uncovered.end());
        } else {
            copy = rects_;
            copy.insert(copy.end(), moved_.begin(), moved_.end());
        }
    }
    std::vector<Rect> joined;
    for (const Rect& r : copy) addRect(joined, clip(r));
    for (const Rect& r : joined)
        for (int y = r.y0; y < r.y1; ++y)
            copyOpaque(pixels + static_cast<size_t>(y) * static_cast<size_t>(stride) + r.x0, f.row(y) + r.x0,
                       r.x1 - r.x0);
    rects_.clear();
    moved_.clear();
    all_ = false;
    cloudsAt_ = m.cloudsShownAt();
}

} // namespace syl

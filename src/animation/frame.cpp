// Composing a frame. The whole composition copies the landscape into the
// frame buffer, draws the cloud strip, the growing flowers, the flying
// object and the text over it, and copies the frame to the form. The
// incremental composition records the same drawings and composes only the
// rectangles that differ from the last frame, directly on the form: where a
// drawing of the last frame is not repeated in this one, where a drawing of
// this frame is new, where the landscape changed, and the cloud band when
// the clouds moved (by a small step, the clouds already on the form are moved
// over instead). Each pixel of a rectangle is composed from the landscape
// up through every drawing that touches it, so it ends exactly as in the
// whole composition. A drawing repeated in the same order over an unchanged
// landscape leaves its pixels as they were.
#include <algorithm>
#include <cstdlib>

#include "platform/font.h"
#include "scene/frmmain.h"
#include "settings/config.h"

namespace syl {

namespace {
FrmMain::Rect clipTo(FrmMain::Rect r, int w, int h)
{
    r.x0 = std::max(r.x0, 0);
    r.y0 = std::max(r.y0, 0);
    r.x1 = std::min(r.x1, w);
    r.y1 = std::min(r.y1, h);
    return r;
}
bool overlaps(const FrmMain::Rect& a, const FrmMain::Rect& b)
{
    return a.x0 < b.x1 && b.x0 < a.x1 && a.y0 < b.y1 && b.y0 < a.y1;
}
FrmMain::Rect rectOf(long long x, long long y, long long w, long long h)
{
    auto c = [](long long v) { return static_cast<int>(std::clamp(v, -(1LL << 30), 1LL << 30)); };
    return {c(x), c(y), c(x + w), c(y + h)};
}
long long areaOf(const FrmMain::Rect& r) { return static_cast<long long>(r.x1 - r.x0) * (r.y1 - r.y0); }
// Joins rectangles that overlap where their bounding box costs no more than
// the two apart (the old and new place of a moving object, a drawing inside
// the cloud band), so that no pixel is composed twice without need.
void mergeRects(std::vector<FrmMain::Rect>& rects)
{
    std::erase_if(rects, [](const FrmMain::Rect& r) { return r.empty(); });
    for (bool merged = true; merged;) {
        merged = false;
        for (size_t i = 0; i < rects.size(); ++i)
            for (size_t j = i + 1; j < rects.size(); ++j) {
                const FrmMain::Rect a = rects[i], b = rects[j];
                if (!overlaps(a, b)) continue;
                const FrmMain::Rect u{std::min(a.x0, b.x0), std::min(a.y0, b.y0), std::max(a.x1, b.x1),
                                      std::max(a.y1, b.y1)};
                if (areaOf(u) > areaOf(a) + areaOf(b)) continue;
                rects[i] = u;
                rects.erase(rects.begin() + static_cast<std::ptrdiff_t>(j));
                merged = true;
                --j;
            }
    }
}
int clampPx(double v) { return static_cast<int>(std::clamp(roundHalfEven(v), -1.0e9, 1.0e9)); }
} // namespace

// A picture painted whole at (x, y) in w x h: where it lands, and what it is.
FrmMain::FrameOp FrmMain::iconOp(int id, double x, double y, double w, double h)
{
    const Picture& icon = picture(id, ResourceKind::Icon);
    const ImageView v = viewOf(icon);
    FrameOp op;
    op.key.kind = 1;
    op.key.source = &icon;
    op.key.x = clampPx(x);
    op.key.y = clampPx(y);
    op.key.w = clampPx(w);
    op.key.h = clampPx(h);
    op.rect = rectOf(op.key.x, op.key.y, op.key.w, op.key.h);
    op.draw = [=](Surface& s) { PaintPicture(s, v, x, y, w, h); };
    return op;
}

void FrmMain::invalidateFrame()
{
    frameInvalid_ = true;
    frameOps_.clear();
    lastOps_.clear();
    backgroundOps_.clear();
    backgroundChanged_.clear();
}

void FrmMain::bufferBlit(int x, int y, int w, int h, const ImageView& src, int sx, int sy, RasterOp op, bool strip)
{
    if (!incremental) {
        BitBlt(picBuffer, x, y, w, h, src, sx, sy, op);
        return;
    }
    frameOps_.push_back({rectOf(x, y, w, h), strip, [=](Surface& s) { BitBlt(s, x, y, w, h, src, sx, sy, op); }, {}});
}

void FrmMain::bufferBlend(int x, int y, int w, int h, const ImageView& src, int sx, int sy)
{
    // Pixel for pixel: the filtered drawing blends by the coverage and
    // resamples nothing.
    if (!incremental) {
        DrawFiltered(picBuffer, x, y, w, h, src, sx, sy, w, h);
        return;
    }
    frameOps_.push_back(
        {rectOf(x, y, w, h), false, [=](Surface& s) { DrawFiltered(s, x, y, w, h, src, sx, sy, w, h); }, {}});
}

void FrmMain::bufferIcon(int id, double x, double y, double w, double h)
{
    toScreenScale(x, y, w, h);
    if (!incremental) {
        PaintPicture(picBuffer, viewOf(picture(id, ResourceKind::Icon)), x, y, w, h);
        return;
    }
    frameOps_.push_back(iconOp(id, x, y, w, h));
}

void FrmMain::bufferPrint(const std::string& text)
{
    if (!incremental) {
        Print(picBuffer, text);
        return;
    }
    const Font& f = picBuffer.font ? *picBuffer.font : Font::scene();
    const double x = picBuffer.currentX, y = picBuffer.currentY;
    const Color c = picBuffer.foreColor;
    int l = 0, t = 0, r = 0, b = 0;
    f.inkBox(x, y, text, l, t, r, b);
    frameOps_.push_back({Rect{l, t, r, b}, false, [&f, x, y, c, text](Surface& s) { f.draw(s, x, y, text, c); },
                         OpKey{2, &f, 0, 0, 0, 0, x, y, c, text}});
    picBuffer.currentX += f.measure(text);
}

void FrmMain::backgroundIcon(int id, double x, double y, double w, double h)
{
    // Kept for another phase of the day (about a day of plantings).
    if (settings().DayNight) {
        if (planted_.size() >= kPlantedKept) planted_.erase(planted_.begin(), planted_.begin() + kPlantedKept / 2);
        planted_.push_back({id, x, y, w, h});
    }
    toScreenScale(x, y, w, h);
    if (!incremental) {
        PaintPicture(picBG, viewOf(picture(id, ResourceKind::Icon)), x, y, w, h);
        return;
    }
    // The landscape is read only at the start of a tick, so what a tick
    // plants is painted after its frame has been composed.
    backgroundOps_.push_back(iconOp(id, x, y, w, h));
}

void FrmMain::findStripClouds()
{
    const Surface& s = picHimmel;
    const int W = s.width(), H = s.height(), B = kStripBlock;
    stripClouds_.assign(static_cast<size_t>((H + B - 1) / B), {});
    if (W <= 0) return;
    // A row's sky colour: what at least two of three places along it show.
    std::vector<Color> sky(static_cast<size_t>(H));
    for (int y = 0; y < H; ++y) {
        const Color a = s.pixel(0, y), b = s.pixel(W / 3, y), c = s.pixel(2 * W / 3, y);
        sky[static_cast<size_t>(y)] = (b == c) ? b : a;
    }
    for (int by = 0; by * B < H; ++by) {
        auto& runs = stripClouds_[static_cast<size_t>(by)];
        const int y0 = by * B, y1 = std::min(H, y0 + B);
        for (int bx = 0; bx * B < W; ++bx) {
            const int x0 = bx * B, x1 = std::min(W, x0 + B);
            bool plain = true;
            for (int y = y0; y < y1 && plain; ++y) {
                const Color* row = s.row(y);
                const Color k = sky[static_cast<size_t>(y)];
                for (int x = x0; x < x1; ++x) plain &= row[x] == k;
            }
            if (plain) continue;
            if (!runs.empty() && runs.back().second == x0) runs.back().second = x1;
            else runs.emplace_back(x0, x1);
        }
    }
}

// The parts of the cloud band that change when the strip moves from
// oldOffset to cloudOffset: every cloud run where either copy of the strip
// shows it, before and after. Plain sky shows the same colour in both.
void FrmMain::addCloudDamage(std::vector<Rect>& dirty, int oldOffset, int newOffset) const
{
    const int SW = ScaleWidth(), B = kStripBlock;
    std::vector<std::pair<int, int>> spans;
    std::vector<Rect> open, next;
    for (size_t by = 0; by < stripClouds_.size(); ++by) {
        spans.clear();
        for (const auto& [u0, u1] : stripClouds_[by])
            for (int o : {oldOffset, newOffset})
                for (int shift : {0, -(bandWidth - 2)}) {
                    const int x0 = std::max(0, o + shift + u0), x1 = std::min(SW, o + shift + u1);
                    if (x0 < x1) spans.emplace_back(x0, x1);
                }
        std::sort(spans.begin(), spans.end());
        const int y0 = bandTop + static_cast<int>(by) * B;
        const int y1 = bandTop + std::min<int>(bandHeight, (static_cast<int>(by) + 1) * B);
        next.clear();
        for (size_t i = 0; i < spans.size();) {
            int x0 = spans[i].first, x1 = spans[i].second;
            for (++i; i < spans.size() && spans[i].first <= x1; ++i) x1 = std::max(x1, spans[i].second);
            // Continues a rectangle of the blocks above when it spans the same columns.
            auto same = std::find_if(open.begin(), open.end(), [&](const Rect& r) { return r.x0 == x0 && r.x1 == x1; });
            if (same != open.end()) {
                Rect r = *same;
                r.y1 = y1;
                next.push_back(r);
                open.erase(same);
            } else {
                next.push_back({x0, y0, x1, y1});
            }
        }
        dirty.insert(dirty.end(), open.begin(), open.end());
        open.swap(next);
    }
    dirty.insert(dirty.end(), open.begin(), open.end());
}

// A small move of a band that both copies of the strip cover before and
// after shows every strip pixel shift places across: the cloud rectangles
// already on the form are moved over, and composed anew are only what each
// move uncovers at its trailing edge and every drawing over them, where
// the last frame drew it (moved along with the clouds) and where this one
// draws it.
void FrmMain::addScrollDamage(std::vector<Rect>& dirty, const std::vector<Rect>& moved, int shift) const
{
    const int SW = ScaleWidth(), SH = ScaleHeight();
    auto touches = [&](const Rect& r) {
        return std::any_of(moved.begin(), moved.end(), [&](const Rect& m) { return overlaps(m, r); });
    };
    for (const Rect& m : moved) {
        if (shift > 0) dirty.push_back({m.x0, m.y0, std::min(m.x1, m.x0 + shift), m.y1});
        else dirty.push_back({std::max(m.x0, m.x1 + shift), m.y0, m.x1, m.y1});
    }
    for (const FrameOp& op : lastOps_)
        if (!op.strip && touches(op.rect))
            dirty.push_back(clipTo({op.rect.x0 + shift, op.rect.y0, op.rect.x1 + shift, op.rect.y1}, SW, SH));
    for (const FrameOp& op : frameOps_)
        if (!op.strip && touches(op.rect)) dirty.push_back(clipTo(op.rect, SW, SH));
}

bool FrmMain::cloudMovesSince(int fromOffset, std::vector<Scroll>& moves, std::vector<Rect>& uncovered) const
{
    moves.clear();
    uncovered.clear();
    const int SW = ScaleWidth(), to = lastStripOffset_, shift = to - fromOffset;
    auto covers = [&](int o) { return o >= 0 && o <= bandWidth - 2 && bandWidth >= SW; };
    if (!incremental || frameInvalid_ || !covers(fromOffset) || !covers(to) || std::abs(shift) > kMaxScroll)
        return false;
    if (shift == 0) return true;
    std::vector<Rect> rects;
    addCloudDamage(rects, fromOffset, to);
    for (const Rect& r : rects) {
        if (shift > 0) uncovered.push_back({r.x0, r.y0, std::min(r.x1, r.x0 + shift), r.y1});
        else uncovered.push_back({std::max(r.x0, r.x1 + shift), r.y0, r.x1, r.y1});
        if (r.x1 - r.x0 > std::abs(shift))
            moves.push_back({{std::max(r.x0, r.x0 + shift), r.y0, std::min(r.x1, r.x1 + shift), r.y1}, shift});
    }
    return true;
}

void FrmMain::showFrame()
{
    const int SW = ScaleWidth(), SH = ScaleHeight();
    scrolled.clear();
    if (!incremental) {
        BitBlt(form, 0, 0, SW, SH, picBuffer.view(), 0, 0, RasterOp::Copy);
        changed.clear();
        changedAll = true;
        return;
    }
    std::vector<Rect> dirty, moved;
    const Rect band = clipTo(rectOf(0, bandTop, SW, bandHeight), SW, SH);
    const bool stripMoved = frameInvalid_ || cloudOffset != lastStripOffset_;
    // The two copies of the cloud strip are opaque and together cover the
    // whole band unless the main copy has moved almost a strip's width.
    const bool stripCoversBand = cloudOffset <= bandWidth - 2 && bandWidth >= SW;
    const bool coveredBefore = lastStripOffset_ <= bandWidth - 2 && lastStripOffset_ >= 0;
    const int shift = cloudOffset - lastStripOffset_;
    const bool scrolls = stripCoversBand && coveredBefore && std::abs(shift) <= kMaxScroll;
    if (frameInvalid_) {
        dirty.push_back({0, 0, SW, SH});
        findStripClouds();
    } else {
        if (stripMoved && !band.empty()) {
            if (stripCoversBand && coveredBefore)
                addCloudDamage(scrolls ? moved : dirty, lastStripOffset_, cloudOffset);
            else dirty.push_back(band);
        }
        if (!moved.empty()) addScrollDamage(dirty, moved, shift);
        // Drawings repeated from the last frame, matched in their order.
        std::vector<char> lastKept(lastOps_.size(), 0);
        size_t from = 0;
        for (const FrameOp& op : frameOps_) {
            if (op.strip) continue;
            bool kept = false;
            if (op.key.kind != 0)
                for (size_t k = from; k < lastOps_.size(); ++k)
                    if (!lastOps_[k].strip && lastOps_[k].key == op.key) {
                        lastKept[k] = 1;
                        from = k + 1;
                        kept = true;
                        break;
                    }
            if (!kept) dirty.push_back(clipTo(op.rect, SW, SH));
        }
        for (size_t k = 0; k < lastOps_.size(); ++k)
            if (!lastOps_[k].strip && !lastKept[k]) dirty.push_back(clipTo(lastOps_[k].rect, SW, SH));
        for (const Rect& r : backgroundChanged_) dirty.push_back(clipTo(r, SW, SH));
    }
    mergeRects(dirty);
    // The clouds move first, then every dirty rectangle is composed over
    // them.
    for (const Rect& r : moved) {
        const int w = r.x1 - r.x0 - std::abs(shift);
        if (w <= 0) continue;
        const int from = shift > 0 ? r.x0 : r.x0 - shift;
        BitBlt(form, from + shift, r.y0, w, r.y1 - r.y0, form.view(), from, r.y0, RasterOp::Copy);
        scrolled.push_back({{from + shift, r.y0, from + shift + w, r.y1}, shift});
    }
    changed.clear();
    redrawn.clear();
    for (const Rect& r : dirty) {
        if (r.empty()) continue;
        form.setClip(r.x0, r.y0, r.x1, r.y1);
        auto landscape = [&](int y0, int y1) {
            if (y1 > y0) BitBlt(form, r.x0, y0, r.x1 - r.x0, y1 - y0, picBG.view(), r.x0, y0, RasterOp::Copy);
        };
        if (stripCoversBand && !band.empty()) {
            landscape(r.y0, std::min(r.y1, band.y0));
            landscape(std::max(r.y0, band.y1), r.y1);
        } else {
            landscape(r.y0, r.y1);
        }
        for (const FrameOp& op : frameOps_)
            if (overlaps(op.rect, r)) op.draw(form);
        redrawn.push_back(r);
    }
    form.resetClip();
    // What a backend shows: the cloud rectangles, each with the column its
    // move uncovered, and the composed rectangles that lie not wholly inside
    // one of them.
    changed = moved;
    for (const Rect& r : redrawn)
        if (std::none_of(moved.begin(), moved.end(),
                         [&](const Rect& m) { return m.x0 <= r.x0 && m.y0 <= r.y0 && m.x1 >= r.x1 && m.y1 >= r.y1; }))
            changed.push_back(r);
    changedAll = frameInvalid_;
    frameInvalid_ = false;
    lastStripOffset_ = cloudOffset;
    // What this tick planted goes into the landscape now, and its place is
    // composed with the next frame.
    backgroundChanged_.clear();
    for (const FrameOp& op : backgroundOps_) {
        op.draw(picBG);
        backgroundChanged_.push_back(op.rect);
    }
    backgroundOps_.clear();
    lastOps_.swap(frameOps_);
    frameOps_.clear();
}

} // namespace syl

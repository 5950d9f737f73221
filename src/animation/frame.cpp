// Composing a frame. The whole composition copies the landscape into the
// frame buffer, draws the cloud strip, the growing flowers, the flying
// object and the text over it, and copies the frame to the form. The
// incremental composition records the same drawings and composes only the
// rectangles that differ from the last frame, directly on the form: where
// the last frame's drawings were, where this frame's are, where the
// landscape changed, and the cloud band when the clouds moved. Each pixel of
// a rectangle is composed from the landscape up through every drawing that
// touches it, so it ends exactly as in the whole composition.
#include <algorithm>

#include "platform/font.h"
#include "scene/frmmain.h"

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
} // namespace

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
    frameOps_.push_back({rectOf(x, y, w, h), strip, [=](Surface& s) { BitBlt(s, x, y, w, h, src, sx, sy, op); }});
}

void FrmMain::bufferIcon(int id, double x, double y, double w, double h)
{
    const Picture& icon = picture(id, ResourceKind::Icon);
    if (!incremental) {
        PaintPicture(picBuffer, viewOf(icon), x, y, w, h);
        return;
    }
    const ImageView v = viewOf(icon);
    long long rx = static_cast<long long>(roundHalfEven(x)), ry = static_cast<long long>(roundHalfEven(y));
    long long rw = static_cast<long long>(roundHalfEven(w)), rh = static_cast<long long>(roundHalfEven(h));
    frameOps_.push_back({rectOf(rx, ry, rw, rh), false, [=](Surface& s) { PaintPicture(s, v, x, y, w, h); }});
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
    frameOps_.push_back({Rect{l, t, r, b}, false, [&f, x, y, c, text](Surface& s) { f.draw(s, x, y, text, c); }});
    picBuffer.currentX += f.measure(text);
}

void FrmMain::backgroundIcon(int id, double x, double y, double w, double h)
{
    const Picture& icon = picture(id, ResourceKind::Icon);
    if (!incremental) {
        PaintPicture(picBG, viewOf(icon), x, y, w, h);
        return;
    }
    // The landscape is read only at the start of a tick, so what a tick
    // plants is painted after its frame has been composed.
    const ImageView v = viewOf(icon);
    long long rx = static_cast<long long>(roundHalfEven(x)), ry = static_cast<long long>(roundHalfEven(y));
    long long rw = static_cast<long long>(roundHalfEven(w)), rh = static_cast<long long>(roundHalfEven(h));
    backgroundOps_.push_back({rectOf(rx, ry, rw, rh), false, [=](Surface& s) { PaintPicture(s, v, x, y, w, h); }});
}

void FrmMain::showFrame()
{
    const int SW = ScaleWidth(), SH = ScaleHeight();
    if (!incremental) {
        BitBlt(form, 0, 0, SW, SH, picBuffer.view(), 0, 0, RasterOp::Copy);
        changed.clear();
        changedAll = true;
        return;
    }
    std::vector<Rect> dirty;
    const Rect band = clipTo(rectOf(0, bandTop, SW, bandHeight), SW, SH);
    const bool stripMoved = frameInvalid_ || cloudOffset != lastStripOffset_;
    if (frameInvalid_) {
        dirty.push_back({0, 0, SW, SH});
    } else {
        if (stripMoved && !band.empty()) dirty.push_back(band);
        for (const auto* ops : {&lastOps_, &frameOps_})
            for (const FrameOp& op : *ops)
                if (!op.strip) dirty.push_back(clipTo(op.rect, SW, SH));
        for (const Rect& r : backgroundChanged_) dirty.push_back(clipTo(r, SW, SH));
    }
    // The two copies of the cloud strip are opaque and together cover the
    // whole band unless the main copy has moved almost a strip's width.
    const bool stripCoversBand = cloudOffset <= bandWidth - 2 && bandWidth >= SW;
    changed.clear();
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
        changed.push_back(r);
    }
    form.resetClip();
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

#include "platform/surface.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/font.h"

namespace syl {

namespace {

// One row of a blit between two different images (rows of one image go
// through memmove or blitRowSame).
template <RasterOp Op>
void blitRow(Color* __restrict d, const Color* __restrict s, int n)
{
    if constexpr (Op == RasterOp::Copy) {
        std::memcpy(d, s, static_cast<size_t>(n) * sizeof(Color));
    } else {
        // Eight pixels at a time in a block of fixed length, which the
        // compiler turns into vector instructions at any optimisation level
        // that vectorises at all; then the rest one by one.
        auto op = [](Color& a, Color b) {
            if constexpr (Op == RasterOp::And) a &= b;
            else a |= b;
        };
        int i = 0;
        for (; i + 8 <= n; i += 8)
            for (int k = 0; k < 8; ++k) op(d[i + k], s[i + k]);
        for (; i < n; ++i) op(d[i], s[i]);
    }
}
void blitRowSame(Color* d, const Color* s, int n, RasterOp op)
{
    for (int i = 0; i < n; ++i) d[i] = applyOp(d[i], s[i], op);
}

int roundPx(double v) { return static_cast<int>(std::clamp(roundHalfEven(v), -1.0e9, 1.0e9)); }

} // namespace

ImageView viewOf(const Picture& p)
{
    return {p.pixels.data(), p.width, p.height, p.width, p.alpha.empty() ? nullptr : p.alpha.data(), p.density};
}

Surface::Surface(int width, int height, Color back) : backColor(back) { resize(width, height); }

void Surface::useMemory(Color* memory) { store_.useMemory(memory); }
void Surface::adoptMemory(Color* memory, int w, int h) { store_.adoptMemory(memory, w, h); }
void Surface::ownMemory() { store_.ownMemory(); }
void Surface::resize(int w, int h) { store_.resize(w, h, backColor); }
void Surface::reserve(size_t n) { store_.reserve(n, backColor); }
void Surface::resizeForOverwrite(int w, int h) { store_.resizeForOverwrite(w, h, backColor); }

Picture Surface::image() const
{
    Picture p;
    p.kind = PictureKind::Bitmap;
    p.width = width();
    p.height = height();
    p.pixels.assign(pixels().begin(), pixels().end());
    return p;
}

void Surface::setPicture(const Picture& p, bool autoSize)
{
    if (autoSize) {
        resizeForOverwrite(p.width, p.height);
        if (p.alpha.empty() && p.pixels.size() == count()) {
            std::copy(p.pixels.begin(), p.pixels.end(), data());
            return;
        }
    }
    clearPicture();
    PaintPicture(*this, viewOf(p), 0, 0);
}

void Surface::setPicture(const ImageView& v, bool autoSize)
{
    if (autoSize) resize(v.width, v.height);
    if (!v.alpha && v.width == width() && v.height == height() && v.pixels != data()) {
        for (int y = 0; y < height(); ++y)
            std::memcpy(row(y), v.pixels + static_cast<size_t>(y) * v.stride,
                        static_cast<size_t>(width()) * sizeof(Color));
        return;
    }
    if (v.pixels == data()) return; // its own image
    clearPicture();
    PaintPicture(*this, v, 0, 0);
}

void Surface::clearPicture() { std::fill(data(), data() + count(), backColor); }

void Surface::setPixel(int x, int y, Color c)
{
    if (x >= 0 && y >= 0 && x < width() && y < height()) data()[static_cast<size_t>(y) * width() + x] = c;
}

void BitBlt(Surface& dst, int x, int y, int w, int h, const ImageView& src, int sx, int sy, RasterOp op)
{
    if (w <= 0 || h <= 0) return;
    if (dst.density() != 1 || src.density != 1) {
        const int d = dst.density(), e = src.density;
        if (d != e) {
            DrawFiltered(dst, double(x) * d, double(y) * d, double(w) * d, double(h) * d, src, double(sx) * e,
                         double(sy) * e, double(w) * e, double(h) * e, op);
            return;
        }
        auto px = [d](int v) {
            return static_cast<int>(std::clamp(static_cast<long long>(v) * d, -(1LL << 30), 1LL << 30));
        };
        x = px(x), y = px(y), w = px(w), h = px(h), sx = px(sx), sy = px(sy);
    }
    // Clip against both rectangles at once.
    long long i0 = std::max({0LL, static_cast<long long>(dst.clipLeft()) - x, -static_cast<long long>(sx)});
    long long i1 = std::min({static_cast<long long>(w), static_cast<long long>(dst.clipRight()) - x,
                             static_cast<long long>(src.width) - sx});
    long long j0 = std::max({0LL, static_cast<long long>(dst.clipTop()) - y, -static_cast<long long>(sy)});
    long long j1 = std::min({static_cast<long long>(h), static_cast<long long>(dst.clipBottom()) - y,
                             static_cast<long long>(src.height) - sy});
    if (i0 >= i1 || j0 >= j1) return;
    int n = static_cast<int>(i1 - i0);
    const bool overlapUp = src.pixels == dst.pixels().data() && sy + j0 < y + j0;
    for (long long k = 0; k < j1 - j0; ++k) {
        long long j = overlapUp ? (j1 - 1 - k) : (j0 + k);
        Color* d = dst.row(static_cast<int>(y + j)) + (x + i0);
        const Color* s = src.pixels + static_cast<size_t>(sy + j) * src.stride + (sx + i0);
        if (src.pixels == dst.pixels().data()) {
            if (op == RasterOp::Copy) std::memmove(d, s, static_cast<size_t>(n) * sizeof(Color));
            else blitRowSame(d, s, n, op);
            continue;
        }
        switch (op) {
        case RasterOp::Copy: blitRow<RasterOp::Copy>(d, s, n); break;
        case RasterOp::And: blitRow<RasterOp::And>(d, s, n); break;
        case RasterOp::Paint: blitRow<RasterOp::Paint>(d, s, n); break;
        }
    }
}

void StretchBlt(Surface& dst, int x, int y, int w, int h, const ImageView& src, int sx, int sy, int sw, int sh,
                RasterOp op)
{
    if (w == 0 || h == 0 || sw == 0 || sh == 0) return;
    if (dst.smooth || dst.density() != 1 || src.density != 1) {
        const double d = dst.density(), e = src.density;
        DrawFiltered(dst, x * d, y * d, w * d, h * d, src, sx * e, sy * e, sw * e, sh * e, op);
        return;
    }
    bool flipX = false, flipY = false;
    long long X = x, Y = y, W = w, H = h, SX = sx, SY = sy, SW = sw, SH = sh;
    if (W < 0) {
        X += W;
        W = -W;
        flipX = !flipX;
    }
    if (H < 0) {
        Y += H;
        H = -H;
        flipY = !flipY;
    }
    if (SW < 0) {
        SX += SW;
        SW = -SW;
        flipX = !flipX;
    }
    if (SH < 0) {
        SY += SH;
        SH = -SH;
        flipY = !flipY;
    }
    if (!flipX && !flipY && W == SW && H == SH && !src.alpha) {
        BitBlt(dst, static_cast<int>(X), static_cast<int>(Y), static_cast<int>(W), static_cast<int>(H), src,
               static_cast<int>(SX), static_cast<int>(SY), op);
        return;
    }
    // Destination columns and rows that lie on the surface.
    long long i0 = std::max<long long>(0LL, dst.clipLeft() - X), i1 = std::min<long long>(W, dst.clipRight() - X);
    long long j0 = std::max<long long>(0LL, dst.clipTop() - Y), j1 = std::min<long long>(H, dst.clipBottom() - Y);
    if (i0 >= i1 || j0 >= j1) return;
    // Nearest source pixel of each destination column: the one under its centre.
    std::vector<int> col(static_cast<size_t>(i1 - i0));
    for (long long i = i0; i < i1; ++i) {
        long long u = ((2 * i + 1) * SW) / (2 * W);
        long long s = flipX ? SX + SW - 1 - u : SX + u;
        col[static_cast<size_t>(i - i0)] = (s >= 0 && s < src.width) ? static_cast<int>(s) : -1;
    }
    // Columns whose source lies inside the picture form one run [c0, c1)
    // (the map is monotonic), so the inner loops need no bounds test.
    long long c0 = 0, c1 = static_cast<long long>(col.size());
    while (c0 < c1 && col[static_cast<size_t>(c0)] < 0) ++c0;
    while (c1 > c0 && col[static_cast<size_t>(c1 - 1)] < 0) --c1;
    if (c0 >= c1) return;
    const bool plainCopy = !src.alpha && op == RasterOp::Copy;
    long long lastT = -1;
    Color* lastRow = nullptr;
    for (long long j = j0; j < j1; ++j) {
        long long v = ((2 * j + 1) * SH) / (2 * H);
        long long t = flipY ? SY + SH - 1 - v : SY + v;
        if (t < 0 || t >= src.height) continue;
        const Color* s = src.pixels + static_cast<size_t>(t) * src.stride;
        const uint8_t* a = src.alpha ? src.alpha + static_cast<size_t>(t) * src.stride : nullptr;
        Color* d = dst.row(static_cast<int>(Y + j)) + X;
        if (plainCopy) {
            Color* out = d + i0 + c0;
            if (t == lastT && lastRow) {
                // An enlarged picture repeats its rows: copy the row just made.
                std::memcpy(out, lastRow, static_cast<size_t>(c1 - c0) * sizeof(Color));
            } else {
                const int* cm = col.data() + c0;
                for (long long k = 0; k < c1 - c0; ++k) out[k] = s[cm[k]];
                lastT = t;
                lastRow = out;
            }
            continue;
        }
        for (long long i = i0; i < i1; ++i) {
            int c = col[static_cast<size_t>(i - i0)];
            if (c < 0) continue;
            if (a) {
                unsigned al = a[c];
                if (al == 0) continue;
                if (al < 255) {
                    Color dc = d[i], sc = s[c];
                    auto mix = [al](int dv, int sv) { return dv + ((sv - dv) * static_cast<int>(al) + 127) / 255; };
                    d[i] = RGB(mix(redOf(dc), redOf(sc)), mix(greenOf(dc), greenOf(sc)), mix(blueOf(dc), blueOf(sc)));
                    continue;
                }
                d[i] = s[c];
                continue;
            }
            d[i] = applyOp(d[i], s[c], op);
        }
    }
}

// The natural size of a picture is in units of its density.
void PaintPicture(Surface& dst, const ImageView& pic, double x1, double y1, RasterOp op)
{
    const int w = pic.width / pic.density, h = pic.height / pic.density;
    PaintPicture(dst, pic, x1, y1, w, h, 0, 0, w, h, op);
}

void PaintPicture(Surface& dst, const ImageView& pic, double x1, double y1, double w1, double h1, RasterOp op)
{
    PaintPicture(dst, pic, x1, y1, w1, h1, 0, 0, pic.width / pic.density, pic.height / pic.density, op);
}

void PaintPicture(Surface& dst, const ImageView& pic, double x1, double y1, double w1, double h1, double x2, double y2,
                  double w2, double h2, RasterOp op)
{
    if (dst.smooth || dst.density() != 1 || pic.density != 1) {
        // The destination in whole pixels as drawn by the nearest pixel; the
        // source may start and end inside a pixel.
        const double d = dst.density(), e = pic.density;
        DrawFiltered(dst, roundPx(x1 * d), roundPx(y1 * d), roundPx(w1 * d), roundPx(h1 * d), pic, x2 * e, y2 * e,
                     w2 * e, h2 * e, op);
        return;
    }
    StretchBlt(dst, roundPx(x1), roundPx(y1), roundPx(w1), roundPx(h1), pic, roundPx(x2), roundPx(y2), roundPx(w2),
               roundPx(h2), op);
}

namespace {
void fillRect(Surface& dst, long long x0, long long y0, long long x1, long long y1, Color c)
{
    const long long d = dst.density();
    x0 *= d, y0 *= d, x1 *= d, y1 *= d;
    x0 = std::max<long long>(x0, dst.clipLeft());
    y0 = std::max<long long>(y0, dst.clipTop());
    x1 = std::min<long long>(x1, dst.clipRight());
    y1 = std::min<long long>(y1, dst.clipBottom());
    for (long long y = y0; y < y1; ++y)
        std::fill(dst.row(static_cast<int>(y)) + x0, dst.row(static_cast<int>(y)) + x1, c);
}

// A pen of width w covers the square [p - w/2, p - w/2 + w) around each point.
void stamp(Surface& dst, long long px, long long py, int w, Color c)
{
    long long o = w / 2;
    fillRect(dst, px - o, py - o, px - o + w, py - o + w, c);
}

void penLine(Surface& dst, long long x1, long long y1, long long x2, long long y2, int w, bool lastPoint, Color c)
{
    if (y1 == y2 && w >= 1) {
        // Horizontal lines are the common case: one rectangle.
        long long a = std::min(x1, x2), b = std::max(x1, x2);
        if (!lastPoint) {
            if (x2 >= x1) b = x2 - 1;
            else a = x2 + 1;
            if (a > b) return;
        }
        long long o = w / 2;
        fillRect(dst, a - (w > 1 ? o : 0), y1 - o, b + 1 + (w > 1 ? w - o - 1 : 0), y1 - o + w, c);
        return;
    }
    long long dx = std::llabs(x2 - x1), dy = -std::llabs(y2 - y1);
    long long sx = x1 < x2 ? 1 : -1, sy = y1 < y2 ? 1 : -1, err = dx + dy;
    // Lines far outside the surface are walked only as far as needed.
    long long limit = dx - dy + 1;
    for (long long n = 0; n < limit; ++n) {
        bool last = (x1 == x2 && y1 == y2);
        if (!last || lastPoint) stamp(dst, x1, y1, w, c);
        if (last) break;
        long long e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x1 += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y1 += sy;
        }
    }
}
} // namespace

void Line(Surface& dst, int x1, int y1, int x2, int y2, Color color, bool box)
{
    int w = std::max(dst.drawWidth, 1);
    if (box) {
        penLine(dst, x1, y1, x2, y1, w, true, color);
        penLine(dst, x2, y1, x2, y2, w, true, color);
        penLine(dst, x2, y2, x1, y2, w, true, color);
        penLine(dst, x1, y2, x1, y1, w, true, color);
        return;
    }
    // A thin line leaves out its end point; a wide pen covers it.
    penLine(dst, x1, y1, x2, y2, w, w > 1, color);
}

void Ellipse(Surface& dst, int left, int top, int right, int bottom)
{
    if (right < left) std::swap(left, right);
    if (bottom < top) std::swap(top, bottom);
    if (right - left < 1 || bottom - top < 1) return;
    double cx = (left + right) / 2.0, cy = (top + bottom) / 2.0;
    double rx = (right - left) / 2.0, ry = (bottom - top) / 2.0;
    auto inside = [&](long long px, long long py) {
        double u = (px + 0.5 - cx) / rx, v = (py + 0.5 - cy) / ry;
        return u * u + v * v <= 1.0;
    };
    int y0 = std::max(top, dst.clipTop()), y1 = std::min(bottom, dst.clipBottom());
    int x0 = std::max(left, dst.clipLeft()), x1 = std::min(right, dst.clipRight());
    if (dst.smooth) {
        // Each pixel by how much of it the shape covers: the distance of its
        // centre from the edge, in pixels, gives the coverage of the disc and
        // of the pen's ring just inside the edge.
        for (int y = y0; y < y1; ++y) {
            Color* r = dst.row(y);
            for (int x = x0; x < x1; ++x) {
                const double dx = x + 0.5 - cx, dy = y + 0.5 - cy, u = dx / rx, v = dy / ry;
                const double gx = dx / (rx * rx), gy = dy / (ry * ry), g = 2 * std::sqrt(gx * gx + gy * gy);
                const double dist = g > 0 ? (u * u + v * v - 1) / g : -std::min(rx, ry);
                const double disc = std::clamp(0.5 - dist, 0.0, 1.0);
                if (disc <= 0) continue;
                const double inner = std::clamp(-0.5 - dist, 0.0, 1.0), pen = disc - inner, keep = 1 - disc;
                auto ch = [&](int (*of)(Color)) {
                    return static_cast<int>(
                        std::lround(of(dst.fillColor) * inner + of(dst.foreColor) * pen + of(r[x]) * keep));
                };
                r[x] = RGB(ch(redOf), ch(greenOf), ch(blueOf));
            }
        }
        return;
    }
    for (int y = y0; y < y1; ++y) {
        Color* r = dst.row(y);
        for (int x = x0; x < x1; ++x) {
            if (!inside(x, y)) continue;
            bool edge = !inside(x - 1, y) || !inside(x + 1, y) || !inside(x, y - 1) || !inside(x, y + 1);
            r[x] = edge ? dst.foreColor : dst.fillColor;
        }
    }
}

void Print(Surface& dst, const std::string& text)
{
    const Font& f = dst.font ? *dst.font : Font::scene();
    dst.currentX += f.draw(dst, dst.currentX, dst.currentY, text, dst.foreColor);
}

int TextHeight(const Surface& s, const std::string&)
{
    const Font& f = s.font ? *s.font : Font::scene();
    return f.lineHeight();
}

} // namespace syl

#include "platform/font.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "art/truetype.h"
#include "platform/resources.h"
#include "platform/surface.h"

namespace syl {

struct Font::Impl {
    TrueType font;
    float scale = 1;
    bool ok = false;
};

Font::Font(const uint8_t* data, size_t size, float pixelsPerEm) : impl_(std::make_unique<Impl>())
{
    if (impl_->font.load(data, size)) {
        impl_->ok = true;
        impl_->scale = impl_->font.scaleForEm(pixelsPerEm);
        int asc = 0, desc = 0, gap = 0;
        impl_->font.verticalMetrics(asc, desc, gap);
        ascent_ = static_cast<int>(std::ceil(asc * impl_->scale));
        lineHeight_ = static_cast<int>(std::ceil((asc - desc) * impl_->scale));
    } else {
        ascent_ = static_cast<int>(pixelsPerEm);
        lineHeight_ = static_cast<int>(std::ceil(pixelsPerEm * 1.25f));
    }
}

Font::~Font() = default;

const Font& Font::scene() { return sceneAt(13.0f); }

const Font& Font::sceneAt(float pixelsPerEm)
{
    static std::map<float, std::unique_ptr<Font>> fonts;
    auto& f = fonts[pixelsPerEm];
    if (!f) {
        auto bytes = findResource(ResourceKind::Font, 1);
        f = std::make_unique<Font>(bytes.data(), bytes.size(), pixelsPerEm);
    }
    return *f;
}

const Font::Glyph& Font::glyph(uint32_t cp) const
{
    auto it = cache_.find(cp);
    if (it != cache_.end()) return it->second;
    Glyph g;
    if (impl_->ok) {
        const TrueType& font = impl_->font;
        int index = font.glyphIndex(static_cast<int>(cp));
        int adv = 0, lsb = 0;
        font.horizontalMetrics(index, adv, lsb);
        g.advance = adv * impl_->scale;
        int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
        font.bitmapBox(index, impl_->scale, 0, x0, y0, x1, y1);
        g.w = x1 - x0;
        g.h = y1 - y0;
        g.xoff = x0;
        g.yoff = y0;
        if (g.w > 0 && g.h > 0) {
            g.coverage.assign(static_cast<size_t>(g.w) * g.h, 0);
            font.bitmap(index, g.coverage.data(), g.w, g.h, g.w, impl_->scale, 0);
        } else {
            g.w = g.h = 0;
        }
    }
    return cache_.emplace(cp, std::move(g)).first->second;
}

namespace {
// Decodes UTF-8; bytes that are not valid UTF-8 are taken as Latin-1.
std::vector<uint32_t> codepoints(const std::string& s)
{
    std::vector<uint32_t> out;
    for (size_t i = 0; i < s.size();) {
        auto c = static_cast<unsigned char>(s[i]);
        int len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        bool ok = len > 0 && i + len <= s.size();
        uint32_t cp = len == 1 ? c : len == 2 ? (c & 0x1F) : len == 3 ? (c & 0x0F) : (c & 0x07);
        for (int k = 1; ok && k < len; ++k) {
            auto cc = static_cast<unsigned char>(s[i + k]);
            if ((cc >> 6) != 2) ok = false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        if (!ok) {
            out.push_back(c);
            ++i;
        } else {
            out.push_back(cp);
            i += len;
        }
    }
    return out;
}
} // namespace

void Font::inkBox(double x, double y, const std::string& text, int& left, int& top, int& right, int& bottom) const
{
    double pen = 0;
    const int baseline = static_cast<int>(std::lround(y)) + ascent_;
    left = top = 1 << 30;
    right = bottom = -(1 << 30);
    for (uint32_t cp : codepoints(text)) {
        const Glyph& g = glyph(cp);
        if (g.w > 0 && g.h > 0) {
            int gx = static_cast<int>(std::lround(x + pen)) + g.xoff;
            int gy = baseline + g.yoff;
            left = std::min(left, gx);
            top = std::min(top, gy);
            right = std::max(right, gx + g.w);
            bottom = std::max(bottom, gy + g.h);
        }
        pen += g.advance;
    }
    if (left > right) left = right = top = bottom = 0;
}

double Font::measure(const std::string& text) const
{
    double x = 0;
    for (uint32_t cp : codepoints(text)) x += glyph(cp).advance;
    return x;
}

double Font::draw(Surface& dst, double x, double y, const std::string& text, Color c) const
{
    double pen = 0;
    const int baseline = static_cast<int>(std::lround(y)) + ascent_;
    const int cr = redOf(c), cg = greenOf(c), cb = blueOf(c);
    for (uint32_t cp : codepoints(text)) {
        const Glyph& g = glyph(cp);
        int gx = static_cast<int>(std::lround(x + pen)) + g.xoff;
        int gy = baseline + g.yoff;
        for (int j = 0; j < g.h; ++j) {
            int py = gy + j;
            if (py < dst.clipTop() || py >= dst.clipBottom()) continue;
            Color* row = dst.row(py);
            const uint8_t* cov = g.coverage.data() + static_cast<size_t>(j) * g.w;
            for (int i = 0; i < g.w; ++i) {
                int px = gx + i;
                int a = cov[i];
                if (a == 0 || px < dst.clipLeft() || px >= dst.clipRight()) continue;
                Color d = row[px];
                auto mix = [a](int dv, int sv) { return dv + ((sv - dv) * a + 127) / 255; };
                row[px] = RGB(mix(redOf(d), cr), mix(greenOf(d), cg), mix(blueOf(d), cb));
            }
        }
        pen += g.advance;
    }
    return pen;
}

} // namespace syl

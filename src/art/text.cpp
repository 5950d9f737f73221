// Lettering in the project's own font. The font is given once before any
// painting and only read afterwards, so that pictures can be painted on
// several threads.
#include "art/art.h"
#include "art/truetype.h"

namespace art {

namespace {
std::vector<unsigned char> g_data;
syl::TrueType g_font;
bool g_ok = false;
} // namespace

bool useFont(const uint8_t* data, size_t size)
{
    g_ok = false;
    if (!data || size == 0) return false;
    g_data.assign(data, data + size);
    g_ok = g_font.load(g_data.data(), g_data.size());
    return g_ok;
}

float textWidth(const std::string& s, float px)
{
    if (!g_ok) return 0;
    float scale = g_font.scaleForPixelHeight(px);
    float w = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        int adv, lsb;
        const int glyph = g_font.glyphIndex((unsigned char)s[i]);
        g_font.horizontalMetrics(glyph, adv, lsb);
        w += adv * scale;
        if (i + 1 < s.size()) w += scale * g_font.kernAdvance(glyph, g_font.glyphIndex((unsigned char)s[i + 1]));
    }
    return w;
}

TextMask textMask(const std::string& s, float x, float baseline, float px, int ss)
{
    TextMask m;
    m.ss = ss;
    if (!g_ok) return m;
    float scale = g_font.scaleForPixelHeight(px * ss);
    int asc, desc, gap;
    g_font.verticalMetrics(asc, desc, gap);
    int ascent = int(std::ceil(asc * scale)) + 2;
    int descent = int(std::ceil(-desc * scale)) + 2;
    int width = int(std::ceil(textWidth(s, px) * ss)) + 4 * ss;
    m.w = width;
    m.h = ascent + descent;
    m.x0 = x - 2;
    m.y0 = baseline - float(ascent) / ss;
    m.cov.assign(size_t(m.w) * m.h, 0);
    float pen = 2.f * ss; // matches x0 = x - 2
    for (size_t i = 0; i < s.size(); ++i) {
        int cp = (unsigned char)s[i];
        int adv, lsb;
        const int glyph = g_font.glyphIndex(cp);
        g_font.horizontalMetrics(glyph, adv, lsb);
        float fx = pen - std::floor(pen);
        int x0, y0, x1, y1;
        g_font.bitmapBox(glyph, scale, fx, x0, y0, x1, y1);
        int gw = x1 - x0, gh = y1 - y0;
        if (gw > 0 && gh > 0) {
            std::vector<unsigned char> g(size_t(gw) * gh);
            g_font.bitmap(glyph, g.data(), gw, gh, gw, scale, fx);
            int ox = int(std::floor(pen)) + x0, oy = ascent + y0;
            for (int yy = 0; yy < gh; ++yy)
                for (int xx = 0; xx < gw; ++xx) {
                    int tx = ox + xx, ty = oy + yy;
                    if (tx < 0 || ty < 0 || tx >= m.w || ty >= m.h) continue;
                    unsigned char& d = m.cov[size_t(ty) * m.w + tx];
                    d = std::max(d, g[size_t(yy) * gw + xx]);
                }
        }
        pen += adv * scale;
        if (i + 1 < s.size()) pen += scale * g_font.kernAdvance(glyph, g_font.glyphIndex((unsigned char)s[i + 1]));
    }
    return m;
}

} // namespace art

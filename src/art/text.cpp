// Lettering in the project's own font, through stb_truetype. The font is
// given once before any painting and only read afterwards, so that pictures
// can be painted on several threads.
#define STB_TRUETYPE_IMPLEMENTATION
#define STBTT_STATIC
#include <stb_truetype.h>

#include "art/art.h"

namespace art {

namespace {
std::vector<unsigned char> g_data;
stbtt_fontinfo g_font;
bool g_ok = false;
} // namespace

bool useFont(const uint8_t* data, size_t size)
{
    g_ok = false;
    if (!data || size == 0) return false;
    g_data.assign(data, data + size);
    const int offset = stbtt_GetFontOffsetForIndex(g_data.data(), 0);
    g_ok = offset >= 0 && stbtt_InitFont(&g_font, g_data.data(), offset) != 0;
    return g_ok;
}

float textWidth(const std::string& s, float px)
{
    if (!g_ok) return 0;
    float scale = stbtt_ScaleForPixelHeight(&g_font, px);
    float w = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        int adv, lsb;
        stbtt_GetCodepointHMetrics(&g_font, (unsigned char)s[i], &adv, &lsb);
        w += adv * scale;
        if (i + 1 < s.size()) w += scale * stbtt_GetCodepointKernAdvance(&g_font, (unsigned char)s[i], (unsigned char)s[i + 1]);
    }
    return w;
}

TextMask textMask(const std::string& s, float x, float baseline, float px, int ss)
{
    TextMask m;
    m.ss = ss;
    if (!g_ok) return m;
    float scale = stbtt_ScaleForPixelHeight(&g_font, px * ss);
    int asc, desc, gap;
    stbtt_GetFontVMetrics(&g_font, &asc, &desc, &gap);
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
        stbtt_GetCodepointHMetrics(&g_font, cp, &adv, &lsb);
        float fx = pen - std::floor(pen);
        int x0, y0, x1, y1;
        stbtt_GetCodepointBitmapBoxSubpixel(&g_font, cp, scale, scale, fx, 0, &x0, &y0, &x1, &y1);
        int gw = x1 - x0, gh = y1 - y0;
        if (gw > 0 && gh > 0) {
            std::vector<unsigned char> g(size_t(gw) * gh);
            stbtt_MakeCodepointBitmapSubpixel(&g_font, g.data(), gw, gh, gw, scale, scale, fx, 0, cp);
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
        if (i + 1 < s.size()) pen += scale * stbtt_GetCodepointKernAdvance(&g_font, cp, (unsigned char)s[i + 1]);
    }
    return m;
}

} // namespace art

#include "art/truetype.h"

#define STB_TRUETYPE_IMPLEMENTATION
#define STBTT_STATIC
#include <stb_truetype.h>

namespace syl {

struct TrueType::Info {
    stbtt_fontinfo font{};
};

TrueType::TrueType() : info_(std::make_unique<Info>()) {}
TrueType::~TrueType() = default;

bool TrueType::load(const uint8_t* data, size_t size)
{
    ok_ = false;
    if (!data || size == 0) return false;
    const int offset = stbtt_GetFontOffsetForIndex(data, 0);
    ok_ = offset >= 0 && stbtt_InitFont(&info_->font, data, offset) != 0;
    return ok_;
}

float TrueType::scaleForPixelHeight(float pixels) const { return stbtt_ScaleForPixelHeight(&info_->font, pixels); }
float TrueType::scaleForEm(float pixelsPerEm) const
{
    return stbtt_ScaleForMappingEmToPixels(&info_->font, pixelsPerEm);
}

void TrueType::verticalMetrics(int& ascent, int& descent, int& lineGap) const
{
    stbtt_GetFontVMetrics(&info_->font, &ascent, &descent, &lineGap);
}

int TrueType::glyphIndex(int codepoint) const { return stbtt_FindGlyphIndex(&info_->font, codepoint); }

void TrueType::horizontalMetrics(int glyph, int& advance, int& leftBearing) const
{
    stbtt_GetGlyphHMetrics(&info_->font, glyph, &advance, &leftBearing);
}

int TrueType::kernAdvance(int glyph, int next) const { return stbtt_GetGlyphKernAdvance(&info_->font, glyph, next); }

void TrueType::bitmapBox(int glyph, float scale, float shiftX, int& x0, int& y0, int& x1, int& y1) const
{
    stbtt_GetGlyphBitmapBoxSubpixel(&info_->font, glyph, scale, scale, shiftX, 0, &x0, &y0, &x1, &y1);
}

void TrueType::bitmap(int glyph, uint8_t* out, int width, int height, int stride, float scale, float shiftX) const
{
    stbtt_MakeGlyphBitmapSubpixel(&info_->font, out, width, height, stride, scale, scale, shiftX, 0, glyph);
}

} // namespace syl

// A TrueType or OpenType font, read through stb_truetype: the one loader of
// fonts of the program and its tools. The font's bytes are the caller's and
// must outlive it. Once loaded it is only read, so threads may share it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace syl {

class TrueType {
public:
    TrueType();
    ~TrueType();
    TrueType(const TrueType&) = delete;
    TrueType& operator=(const TrueType&) = delete;

    // The first font of the bytes; false when they hold none.
    bool load(const uint8_t* data, size_t size);
    bool ok() const { return ok_; }

    // Scales from font units: to a height from ascent to descent, or to an
    // em of the given pixels.
    float scaleForPixelHeight(float pixels) const;
    float scaleForEm(float pixelsPerEm) const;
    // In font units.
    void verticalMetrics(int& ascent, int& descent, int& lineGap) const;
    int glyphIndex(int codepoint) const;
    void horizontalMetrics(int glyph, int& advance, int& leftBearing) const;
    int kernAdvance(int glyph, int next) const;
    // The glyph's coverage at a scale, shifted right by a fraction of a
    // pixel: its box relative to the pen, and its pixels into out.
    void bitmapBox(int glyph, float scale, float shiftX, int& x0, int& y0, int& x1, int& y1) const;
    void bitmap(int glyph, uint8_t* out, int width, int height, int stride, float scale, float shiftX) const;

private:
    struct Info;
    std::unique_ptr<Info> info_;
    bool ok_ = false;
};

} // namespace syl

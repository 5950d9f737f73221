// Text in the scene's font. Glyphs are rasterised once per font and size and
// cached, so printing the date line on every frame does not rasterise
// outlines again.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/numbers.h"

namespace syl {

class Surface;

class Font {
public:
    // A font from TrueType/OpenType bytes (kept alive by the caller) at a
    // height of pixelsPerEm.
    Font(const uint8_t* data, size_t size, float pixelsPerEm);
    ~Font();
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    // The scene's font: "Comic Sans MS" bold 9.75 point, 13 pixels at 96 dpi,
    // from the embedded stand-in (font resource 1) unless the platform
    // supplies the real one.
    static const Font& scene();
    // The scene font at another height (for high-DPI screens), cached.
    static const Font& sceneAt(float pixelsPerEm);

    // Draws UTF-8 text with its cell's top-left at (x, y), coverage blended
    // in colour c; returns the advance in pixels.
    double draw(Surface& dst, double x, double y, const std::string& text, Color c) const;
    double measure(const std::string& text) const;
    // The rectangle [left, right) x [top, bottom) that draw() would touch.
    void inkBox(double x, double y, const std::string& text, int& left, int& top, int& right, int& bottom) const;
    // The height of a line: ascent plus descent.
    int lineHeight() const { return lineHeight_; }
    int ascent() const { return ascent_; }

private:
    struct Glyph {
        int w = 0, h = 0, xoff = 0, yoff = 0;
        float advance = 0;
        std::vector<uint8_t> coverage;
    };
    const Glyph& glyph(uint32_t codepoint) const;

    struct Impl;
    std::unique_ptr<Impl> impl_;
    int ascent_ = 0;
    int lineHeight_ = 0;
    mutable std::unordered_map<uint32_t, Glyph> cache_;
};

} // namespace syl

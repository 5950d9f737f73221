// Surfaces: persistent 32-bit RGB images in pixels, the picture boxes and the
// scene form of the system, with the drawing operations the painters use.
// Every operation clips at every edge: coordinates may be negative or beyond
// the surface, and nothing reads or writes outside a buffer.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/numbers.h"
#include "platform/picture.h"
#include "platform/pixel_store.h"

namespace syl {

class Font;

// Raster operations of the system, mapped to platform codes only at the edge.
enum class RasterOp { Copy, And, Paint };

// A pixel of a raster operation: the source, or the destination AND or OR
// the source.
inline Color applyOp(Color d, Color s, RasterOp op)
{
    switch (op) {
    case RasterOp::And: return d & s;
    case RasterOp::Paint: return d | s;
    default: return s;
    }
}

// A read-only view of pixels: a picture or a surface. alpha is null for opaque
// images. Source coordinates given to the drawing operations are in units of
// density pixels; width, height and stride are in pixels.
struct ImageView {
    const Color* pixels = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0; // in pixels
    const uint8_t* alpha = nullptr;
    int density = 1;
    Color at(int x, int y) const { return pixels[static_cast<size_t>(y) * stride + x]; }
};
ImageView viewOf(const Picture& p);

class Surface {
public:
    Surface() = default;
    Surface(int width, int height, Color back = 0);
    // A copy holds its pixels in its own memory (PixelStore's copy).

    int width() const { return store_.width(); }
    int height() const { return store_.height(); }
    // Scale units: a unit is density x density pixels (1 x 1 unless a fine
    // canvas asks for more). Every drawing operation takes its coordinates,
    // sizes and pen widths in units; ScaleWidth and ScaleHeight are the size
    // in units.
    int scaleWidth() const { return width() / density_; }
    int scaleHeight() const { return height() / density_; }
    int density() const { return density_; }
    // A new unit for what is drawn next; the pixels stay as they are.
    void setDensity(int d) { density_ = d < 1 ? 1 : d; }
    // Whether pictures are drawn filtered (smoothly resampled, blended by
    // their coverage) rather than by the nearest pixel. Always so when a
    // density is not 1.
    bool smooth = false;
    // Whether filtered drawing dithers by rows only (a row of one colour
    // stays one colour) rather than in an 8 x 8 pattern.
    bool rowDither = false;

    // Setting Width or Height (in units) keeps what was drawn in the part
    // that remains; the new area takes the background colour.
    void setWidth(int w) { resize(w * density_, height()); }
    void setHeight(int h) { resize(width(), h * density_); }
    // The size in pixels.
    void resize(int w, int h);
    // A new size whose pixels are about to be drawn over completely: what
    // they hold until then is left unspecified, which spares clearing them.
    void resizeForOverwrite(int w, int h);
    // Room for an image of n pixels, written once so that taking an image
    // up to that size later neither allocates nor touches new pages.
    void reserve(size_t n);

    // The image moves into memory that the caller provides and keeps alive
    // for as long as the surface uses it: width x height pixels, rows one
    // after another (a window's shared image, which the screen then shows
    // without another copy). The current image is copied there.
    void useMemory(Color* memory);
    // The surface becomes w x h pixels in that memory, showing what it holds.
    void adoptMemory(Color* memory, int w, int h);
    // The image comes back into the surface's own memory. A change of size
    // brings it back as well.
    void ownMemory();
    bool usesOwnMemory() const { return store_.usesOwnMemory(); }

    // Image: the current image as a picture.
    Picture image() const;
    ImageView view() const { return {data(), width(), height(), width(), nullptr, density_}; }
    // Picture = p: replaces the image. With autoSize the surface takes the
    // picture's size; otherwise it is cleared to the background and p drawn at (0, 0).
    void setPicture(const Picture& p, bool autoSize);
    // The same from another surface's image, without an intermediate copy.
    void setPicture(const ImageView& v, bool autoSize);
    // Picture = none: the image becomes the plain background.
    void clearPicture();

    Color* row(int y) { return data() + static_cast<size_t>(y) * width(); }
    const Color* row(int y) const { return data() + static_cast<size_t>(y) * width(); }
    Color pixel(int x, int y) const { return data()[static_cast<size_t>(y) * width() + x]; }
    void setPixel(int x, int y, Color c);
    // All pixels, rows one after another.
    std::span<Color> pixels() { return {data(), count()}; }
    std::span<const Color> pixels() const { return {data(), count()}; }

    // Drawing operations touch only pixels inside the clip rectangle
    // [clipLeft, clipRight) x [clipTop, clipBottom), which is the whole
    // surface unless a compositor narrows it.
    void setClip(int left, int top, int right, int bottom)
    {
        clipX0_ = left;
        clipY0_ = top;
        clipX1_ = right;
        clipY1_ = bottom;
    }
    void resetClip() { setClip(0, 0, 1 << 30, 1 << 30); }
    int clipLeft() const { return clipX0_ > 0 ? clipX0_ : 0; }
    int clipTop() const { return clipY0_ > 0 ? clipY0_ : 0; }
    int clipRight() const { return clipX1_ < width() ? clipX1_ : width(); }
    int clipBottom() const { return clipY1_ < height() ? clipY1_ : height(); }

    Color backColor = 0;
    Color foreColor = 0;        // pen colour and text colour
    Color fillColor = 0xFFFFFF; // solid brush of filled shapes
    int drawWidth = 1;
    const Font* font = nullptr;
    double currentX = 0;
    double currentY = 0;

private:
    Color* data() { return store_.data(); }
    const Color* data() const { return store_.data(); }
    size_t count() const { return store_.count(); }

    PixelStore store_;
    int density_ = 1;
    int clipX0_ = 0, clipY0_ = 0, clipX1_ = 1 << 30, clipY1_ = 1 << 30;
};

// BitBlt: copies w x h pixels from (sx, sy) of src to (x, y) of dst.
void BitBlt(Surface& dst, int x, int y, int w, int h, const ImageView& src, int sx, int sy, RasterOp op);
// StretchBlt with the nearest source pixel (colour-on-colour). Negative widths
// or heights mirror, as in GDI.
void StretchBlt(Surface& dst, int x, int y, int w, int h, const ImageView& src, int sx, int sy, int sw, int sh,
                RasterOp op);

// Filtered drawing: the source rectangle (in source pixels) resampled onto the
// destination rectangle (in destination pixels) with a tent filter that
// widens as the picture shrinks, so that no detail is dropped and nothing
// turns into blocks; a picture with coverage is blended over what is there.
// A negative width mirrors. Only columns and rows whose centres lie inside
// the destination rectangle are drawn, and only from inside the source
// rectangle, so that frames of a sheet never bleed into each other.
void DrawFiltered(Surface& dst, double x, double y, double w, double h, const ImageView& src, double sx, double sy,
                  double sw, double sh, RasterOp op = RasterOp::Copy);

// PaintPicture in its argument forms: omitted sizes are the picture's natural
// size, an omitted source origin is (0, 0), an omitted operation a copy. A
// negative width1 mirrors left to right, the destination then reaching from
// x1 + width1 to x1. Icons are drawn with their transparency. Coordinates are
// single-precision pixels, rounded to whole pixels.
void PaintPicture(Surface& dst, const ImageView& pic, double x1, double y1, RasterOp op = RasterOp::Copy);
void PaintPicture(Surface& dst, const ImageView& pic, double x1, double y1, double w1, double h1,
                  RasterOp op = RasterOp::Copy);
void PaintPicture(Surface& dst, const ImageView& pic, double x1, double y1, double w1, double h1, double x2, double y2,
                  double w2, double h2, RasterOp op = RasterOp::Copy);

// Line from (x1, y1) to (x2, y2) with pen width drawWidth; box draws the
// rectangle's outline with those corners.
void Line(Surface& dst, int x1, int y1, int x2, int y2, Color color, bool box = false);
// GDI Ellipse: the bounding box [left, right) x [top, bottom), filled with
// fillColor and outlined with a 1-pixel pen in foreColor. On a smooth surface
// the edge pixels are blended by how much of them the shape covers.
void Ellipse(Surface& dst, int left, int top, int right, int bottom);

// Print: draws text at currentX, currentY in the surface's font and
// foreColor, background transparent, and moves currentX past it.
void Print(Surface& dst, const std::string& text);
// TextHeight of a text in the surface's font, in pixels.
int TextHeight(const Surface& s, const std::string& text);

} // namespace syl

// artgen: paints every picture resource of Sylvadra with the painters of
// src/platform/art at density 1, reduces each to its own small palette with
// ordered dithering and writes them in the resource formats the program
// embeds; also the about picture, the preview and the contact sheets.
// Everything here is deterministic: the same build gives the same bytes.
#pragma once

#include "art/art.h"

namespace art {

// A picture reduced to a palette: indices, palette and opacity.
struct Indexed {
    int w = 0, h = 0;
    std::vector<uint8_t> idx;
    std::vector<uint32_t> pal;   // 0xRRGGBB
    std::vector<uint8_t> opaque; // 1 where the sprite is opaque
    bool masked = false;
};

enum class Dither { Bayer, Rows, None };
struct QuantOptions {
    int colours = 16;
    bool masked = false; // index 0 is pure black and marks transparent pixels
    Dither dither = Dither::Bayer;
    float strength = 1.f;   // how far the dither mixes between palette entries
    float threshold = 0.5f; // coverage from which a pixel is opaque
};
Indexed quantize(const Image& im, const QuantOptions& o);

// ---------------------------------------------------------------- files
std::vector<uint8_t> bmpRle4(const Indexed& im);
std::vector<uint8_t> bmpMask(const Indexed& im);
std::vector<uint8_t> bmp8(const Indexed& im);
std::vector<uint8_t> ico8(const Indexed& im);
std::vector<uint8_t> bmp24(const Image& im);
// RLE4 encoding of one picture's index rows (bottom-up), exposed for tests.
std::vector<uint8_t> encodeRle4(const std::vector<uint8_t>& idx, int w, int h);
// Decoding back, for the self-check.
bool decodeRle4(const std::vector<uint8_t>& data, int w, int h, std::vector<uint8_t>& out);

// The font file for the lettering.
bool loadFont(const std::string& path);

// ---------------------------------------------------------------- catalogue
// A painted picture of the catalogue.
struct Picture {
    std::string kind; // "bitmap", "icon", "data"
    int id = 0;
    int maskId = 0;  // 0: none
    int frames = 1;  // frames stacked vertically
    Image image;     // painted, full size
    Indexed indexed; // as stored
    bool sprite = false;
};

struct Catalogue {
    std::vector<Picture> pictures;
    const Picture* find(const std::string& kind, int id) const;
};
// Decoded view of a stored picture (what the program will see).
Image storedImage(const Picture& p);

Image paintAbout(); // 356 x 330
// The preview: a landscape composed of the finished pictures.
Image paintPreview(const Catalogue& cat);

} // namespace art

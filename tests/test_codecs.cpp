// The picture codecs on small crafted files: every pixel of each bit depth,
// the RLE escapes, icon transparency, the 24-bit encoder and PNG output, and
// malformed files, which must be error 481 with a specific description.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <iterator>
#include <string>
#include <vector>

#include "platform/codecs.h"

#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wunused-function"
#endif
#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#include <stb_image.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

// The file builders below take designated initializers that leave the other
// fields at their defaults on purpose.
#if defined(__GNUC__)
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#endif

namespace {

using syl::Color;
using syl::Picture;
using syl::PictureKind;
using Bytes = std::vector<uint8_t>;

// ---------------------------------------------------------------------------
// Building files

void put16(Bytes& b, uint32_t v)
{
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}
void put32(Bytes& b, uint32_t v)
{
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void append(Bytes& b, const Bytes& more) { b.insert(b.end(), more.begin(), more.end()); }
Bytes cat(std::initializer_list<Bytes> parts)
{
    Bytes b;
    for (const auto& p : parts) append(b, p);
    return b;
}

// Test palette: one letter per index, lower case the half-bright colour.
const std::string kLetters = "KRGBYCMWkrgbycmw";
Color colourOf(char letter)
{
    switch (letter) {
    case 'K': return 0x000000;
    case 'R': return 0xFF0000;
    case 'G': return 0x00FF00;
    case 'B': return 0x0000FF;
    case 'Y': return 0xFFFF00;
    case 'C': return 0x00FFFF;
    case 'M': return 0xFF00FF;
    case 'W': return 0xFFFFFF;
    case 'k': return 0x404040;
    case 'r': return 0x800000;
    case 'g': return 0x008000;
    case 'b': return 0x000080;
    case 'y': return 0x808000;
    case 'c': return 0x008080;
    case 'm': return 0x800080;
    case 'w': return 0x808080;
    }
    ADD_FAILURE() << "no test colour " << letter;
    return 0;
}

// Palette entries blue, green, red, reserved (or without the reserved byte
// for the OS/2 core header), for the given letters.
Bytes palette(const std::string& letters, bool core = false)
{
    Bytes b;
    for (char c : letters) {
        Color v = colourOf(c);
        b.push_back(static_cast<uint8_t>(v));
        b.push_back(static_cast<uint8_t>(v >> 8));
        b.push_back(static_cast<uint8_t>(v >> 16));
        if (!core) b.push_back(0);
    }
    return b;
}

// The header of a device-independent bitmap: BITMAPINFOHEADER fields, then
// tail (later header versions' fields), zero-padded to headerSize. Size 12
// is the OS/2 core header.
struct DibHeader {
    int32_t width = 1;
    int32_t height = 1;
    uint16_t bpp = 24;
    uint32_t compression = 0;
    uint32_t sizeImage = 0;
    uint32_t colorsUsed = 0;
    uint32_t headerSize = 40;
    Bytes tail;
};

Bytes dibHeader(const DibHeader& h)
{
    Bytes b;
    put32(b, h.headerSize);
    if (h.headerSize == 12) {
        put16(b, static_cast<uint32_t>(h.width));
        put16(b, static_cast<uint32_t>(h.height));
        put16(b, 1);
        put16(b, h.bpp);
        return b;
    }
    put32(b, static_cast<uint32_t>(h.width));
    put32(b, static_cast<uint32_t>(h.height));
    put16(b, 1);
    put16(b, h.bpp);
    put32(b, h.compression);
    put32(b, h.sizeImage);
    put32(b, 2835);
    put32(b, 2835);
    put32(b, h.colorsUsed);
    put32(b, 0);
    append(b, h.tail);
    if (b.size() < h.headerSize && h.headerSize <= 4096) b.resize(h.headerSize, 0);
    return b;
}

// A .bmp file: file header, DIB header, table (masks and palette), pixel data.
struct BmpFile {
    DibHeader header;
    Bytes table;
    Bytes data;
    int64_t dataOffset = -1; // -1: right after the table
    const char* signature = "BM";
};

Bytes bmpFile(const BmpFile& f)
{
    Bytes dib = dibHeader(f.header);
    append(dib, f.table);
    Bytes b;
    b.push_back(static_cast<uint8_t>(f.signature[0]));
    b.push_back(static_cast<uint8_t>(f.signature[1]));
    put32(b, static_cast<uint32_t>(14 + dib.size() + f.data.size()));
    put32(b, 0);
    put32(b, static_cast<uint32_t>(f.dataOffset >= 0 ? f.dataOffset : static_cast<int64_t>(14 + dib.size())));
    append(b, dib);
    append(b, f.data);
    return b;
}

// An .ico file of the given images (each a DIB or PNG bytes) with their
// directory entries.
struct IcoEntry {
    uint8_t width = 32;
    uint8_t height = 32;
    uint16_t bits = 8;
    Bytes image;
    int64_t offset = -1; // -1: where the image is placed
    int64_t size = -1;   // -1: the image's size
};

Bytes icoFile(const std::vector<IcoEntry>& entries, uint16_t type = 1, uint16_t reserved = 0)
{
    Bytes b;
    put16(b, reserved);
    put16(b, type);
    put16(b, static_cast<uint32_t>(entries.size()));
    size_t at = 6 + 16 * entries.size();
    for (const auto& e : entries) {
        b.push_back(e.width);
        b.push_back(e.height);
        b.push_back(0);
        b.push_back(0);
        put16(b, 1);
        put16(b, e.bits);
        put32(b, static_cast<uint32_t>(e.size >= 0 ? e.size : static_cast<int64_t>(e.image.size())));
        put32(b, static_cast<uint32_t>(e.offset >= 0 ? e.offset : static_cast<int64_t>(at)));
        at += e.image.size();
    }
    for (const auto& e : entries) append(b, e.image);
    return b;
}

// An icon image: header with the doubled height, palette, colour rows, mask rows.
Bytes iconDib(int32_t w, int32_t h, uint16_t bpp, const Bytes& pal, const Bytes& colour, const Bytes& mask)
{
    return cat({dibHeader({.width = w, .height = 2 * h, .bpp = bpp}), pal, colour, mask});
}

// ---------------------------------------------------------------------------
// Expected pictures

// Rows top first, one palette letter per pixel.
std::vector<Color> rowsOf(std::initializer_list<const char*> rows)
{
    std::vector<Color> out;
    for (const char* r : rows)
        for (const char* c = r; *c; ++c) out.push_back(colourOf(*c));
    return out;
}

std::string describe(const Picture& p)
{
    std::string s;
    char buf[16];
    for (int y = 0; y < p.height; ++y) {
        for (int x = 0; x < p.width; ++x) {
            std::snprintf(buf, sizeof buf, "%06X ", static_cast<unsigned>(p.at(x, y)));
            s += buf;
        }
        s += "\n";
    }
    return s;
}

void expectPixels(const Picture& p, int w, int h, const std::vector<Color>& pixels)
{
    ASSERT_EQ(p.width, w);
    ASSERT_EQ(p.height, h);
    ASSERT_EQ(p.pixels.size(), static_cast<size_t>(w) * h);
    ASSERT_EQ(pixels.size(), static_cast<size_t>(w) * h) << "test table is wrong";
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            EXPECT_EQ(p.at(x, y), pixels[static_cast<size_t>(y) * w + x]) << "pixel (" << x << ", " << y << ")\n"
                                                                          << describe(p);
}

// Expects error 481 whose description starts with prefix and contains part.
void expectInvalid(const std::function<void()>& decode, const std::string& prefix, const std::string& part)
{
    try {
        decode();
        ADD_FAILURE() << "decoded without error; expected \"" << part << "\"";
    } catch (const syl::RuntimeError& e) {
        EXPECT_EQ(e.number(), syl::kErrInvalidPicture) << e.description();
        EXPECT_EQ(e.description().rfind(prefix, 0), 0u) << e.description();
        EXPECT_NE(e.description().find(part), std::string::npos) << e.description();
    }
}

// ---------------------------------------------------------------------------
// Valid bitmaps, every pixel checked

const Bytes kPal16 = palette(kLetters);

struct BmpCase {
    const char* name;
    Bytes file;
    int width;
    int height;
    std::vector<Color> pixels;
};

std::vector<BmpCase> validBitmaps()
{
    std::vector<BmpCase> cases;
    // 1 bit, 10 wide (two bytes a row), bottom-up, palette R, B.
    cases.push_back({"1 bit",
                     bmpFile({.header = {.width = 10, .height = 2, .bpp = 1},
                              .table = palette("RB"),
                              .data = {0xA0, 0xC0, 0, 0, 0x5F, 0x00, 0, 0}}),
                     10, 2, rowsOf({"RBRBBBBBRR", "BRBRRRRRBB"})});
    // 4 bits plain, high nibble first.
    cases.push_back({"4 bits",
                     bmpFile({.header = {.width = 3, .height = 2, .bpp = 4},
                              .table = kPal16,
                              .data = {0x12, 0x30, 0, 0, 0xF8, 0x70, 0, 0}}),
                     3, 2, rowsOf({"wkW", "RGB"})});
    // 8 bits with a 4-colour palette: index 9 lies beyond it and is black.
    cases.push_back({"8 bits, short palette",
                     bmpFile({.header = {.width = 3, .height = 2, .bpp = 8, .colorsUsed = 4},
                              .table = palette("KRGB"),
                              .data = {1, 2, 3, 0, 0, 3, 9, 0}}),
                     3, 2, rowsOf({"KBK", "RGB"})});
    // 8 bits where the palette count exceeds 256: 256 are read.
    {
        Bytes pal;
        for (int i = 0; i < 256; ++i) append(pal, {static_cast<uint8_t>(i), 0, static_cast<uint8_t>(255 - i), 0});
        cases.push_back({"8 bits, full palette",
                         bmpFile({.header = {.width = 2, .height = 1, .bpp = 8, .colorsUsed = 1000},
                                  .table = pal,
                                  .data = {0, 255, 0, 0}}),
                         2,
                         1,
                         {0xFF0000, 0x0000FF}});
    }
    // 24 bits bottom-up, the last row without its padding.
    cases.push_back(
        {"24 bits bottom-up",
         bmpFile({.header = {.width = 1, .height = 3, .bpp = 24}, .data = {1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9}}),
         1,
         3,
         {0x090807, 0x060504, 0x030201}});
    // 24 bits top-down (negative height).
    cases.push_back({"24 bits top-down",
                     bmpFile({.header = {.width = 2, .height = -2, .bpp = 24},
                              .data = {0, 0, 0xFF, 0, 0xFF, 0, 0, 0, 0xFF, 0, 0, 0x11, 0x22, 0x33, 0, 0}}),
                     2,
                     2,
                     {0xFF0000, 0x00FF00, 0x0000FF, 0x332211}});
    // 32 bits: the fourth byte is ignored.
    cases.push_back({"32 bits",
                     bmpFile({.header = {.width = 2, .height = 1, .bpp = 32},
                              .data = {0x10, 0x20, 0x30, 0xFF, 0x40, 0x50, 0x60, 0x00}}),
                     2,
                     1,
                     {0x302010, 0x605040}});
    // 32 bits with colour masks in a V4 header, in an unusual order.
    {
        Bytes masks;
        put32(masks, 0x0000FF00);
        put32(masks, 0x00FF0000);
        put32(masks, 0xFF000000);
        put32(masks, 0x000000FF);
        cases.push_back(
            {"32 bits with masks (V4 header)",
             bmpFile(
                 {.header = {.width = 1, .height = 1, .bpp = 32, .compression = 3, .headerSize = 108, .tail = masks},
                  .data = {0x11, 0x22, 0x33, 0x44}}),
             1,
             1,
             {0x223344}});
    }
    // 16 bits, default 5-5-5: 5 bits scale to 8 rounding to nearest.
    cases.push_back({"16 bits 5-5-5",
                     bmpFile({.header = {.width = 2, .height = 1, .bpp = 16}, .data = {0x00, 0x7C, 0x10, 0x02}}),
                     2,
                     1,
                     {0xFF0000, 0x008484}});
    // 16 bits 5-6-5, masks after a plain header.
    {
        Bytes masks;
        put32(masks, 0xF800);
        put32(masks, 0x07E0);
        put32(masks, 0x001F);
        cases.push_back({"16 bits 5-6-5",
                         bmpFile({.header = {.width = 3, .height = 1, .bpp = 16, .compression = 3},
                                  .table = masks,
                                  .data = {0xFF, 0xFF, 0xE0, 0x07, 0x1F, 0x00, 0, 0}}),
                         3,
                         1,
                         {0xFFFFFF, 0x00FF00, 0x0000FF}});
    }
    // OS/2 core header: 16-bit sizes, 3-byte palette entries.
    cases.push_back({"OS/2 core header",
                     bmpFile({.header = {.width = 2, .height = 2, .bpp = 4, .headerSize = 12},
                              .table = palette(kLetters, true),
                              .data = {0x12, 0, 0, 0, 0x34, 0, 0, 0}}),
                     2, 2, rowsOf({"BY", "RG"})});

    // RLE8: encoded and absolute runs (odd, padded), line end, a delta that
    // skips a whole row, bitmap end. Skipped pixels are black.
    cases.push_back({"RLE8",
                     bmpFile({.header = {.width = 5, .height = 3, .bpp = 8, .compression = 1, .colorsUsed = 16},
                              .table = kPal16,
                              .data = {0x02, 0x01,                         // RR
                                       0x00, 0x03, 0x02, 0x03, 0x04, 0x00, // absolute G B Y, pad
                                       0x00, 0x00,                         // line end
                                       0x00, 0x02, 0x01, 0x01,             // delta right 1, up 1
                                       0x02, 0x07,                         // WW
                                       0x00, 0x01}}),                      // bitmap end
                     5, 3, rowsOf({"KWWKK", "KKKKK", "RRGBY"})});
    // RLE4: encoded runs alternate the two nibbles; absolute runs of 3 (2
    // bytes) and 5 (3 bytes and a pad byte).
    cases.push_back({"RLE4",
                     bmpFile({.header = {.width = 7, .height = 2, .bpp = 4, .compression = 2},
                              .table = kPal16,
                              .data = {0x04, 0x12,                   // R G R G
                                       0x00, 0x03, 0x34, 0x50,       // absolute B Y C
                                       0x00, 0x00,                   // line end
                                       0x00, 0x05, 0x67, 0x89, 0xA0, // absolute M W k r g
                                       0x00,                         // pad
                                       0x01, 0xF0,                   // w
                                       0x00, 0x01}}),
                     7, 2, rowsOf({"MWkrgwK", "RGRGBYC"})});
    // RLE4 delta within a row, then an encoded run of odd length.
    cases.push_back({"RLE4 delta in row",
                     bmpFile({.header = {.width = 6, .height = 1, .bpp = 4, .compression = 2},
                              .table = kPal16,
                              .data = {0x00, 0x02, 0x02, 0x00, 0x03, 0x7C, 0x00, 0x01}}),
                     6, 1, rowsOf({"KKWyWK"})});
    // Runs past the row end are clipped, and the stream stays in step.
    cases.push_back({"RLE8 clipped runs",
                     bmpFile({.header = {.width = 3, .height = 2, .bpp = 8, .compression = 1, .colorsUsed = 16},
                              .table = kPal16,
                              .data = {0x02, 0x01,                                     // RR
                                       0x00, 0x05, 0x03, 0x04, 0x05, 0x06, 0x07, 0x00, // absolute 5, 1 fits
                                       0x00, 0x00,                                     // line end
                                       0x05, 0x02,                                     // GGG (5 asked)
                                       0x02, 0x04,                                     // nothing fits
                                       0x00, 0x01}}),
                     3, 2, rowsOf({"GGG", "RRB"})});
    cases.push_back({"RLE4 clipped runs",
                     bmpFile({.header = {.width = 3, .height = 2, .bpp = 4, .compression = 2},
                              .table = kPal16,
                              .data = {0x09, 0x12,                   // R G R (9 asked)
                                       0x00, 0x00,                   // line end
                                       0x00, 0x05, 0x34, 0x56, 0x70, // absolute 5, 3 fit
                                       0x00,                         // pad
                                       0x00, 0x01}}),
                     3, 2, rowsOf({"BYC", "RGR"})});
    // The data ends without a bitmap end; the rest is black.
    cases.push_back({"RLE8 without end",
                     bmpFile({.header = {.width = 2, .height = 2, .bpp = 8, .compression = 1, .colorsUsed = 16},
                              .table = kPal16,
                              .data = {0x02, 0x01, 0x00}}),
                     2, 2, rowsOf({"KK", "RR"})});
    // A delta beyond the last row ends the bitmap.
    cases.push_back({"RLE8 delta past the end",
                     bmpFile({.header = {.width = 2, .height = 2, .bpp = 8, .compression = 1, .colorsUsed = 16},
                              .table = kPal16,
                              .data = {0x00, 0x02, 0x00, 0x05, 0x02, 0x01, 0x00, 0x01}}),
                     2, 2, rowsOf({"KK", "KK"})});
    // Line ends past the last row are ignored.
    cases.push_back({"RLE8 line ends past the end",
                     bmpFile({.header = {.width = 1, .height = 1, .bpp = 8, .compression = 1, .colorsUsed = 16},
                              .table = kPal16,
                              .data = {0x01, 0x03, 0x00, 0x00, 0x00, 0x00, 0x01, 0x02}}),
                     1, 1, rowsOf({"B"})});
    // Top-down RLE: the first row of the stream is the top row.
    cases.push_back({"RLE8 top-down",
                     bmpFile({.header = {.width = 2, .height = -2, .bpp = 8, .compression = 1, .colorsUsed = 16},
                              .table = kPal16,
                              .data = {0x02, 0x01, 0x00, 0x00, 0x02, 0x02, 0x00, 0x01}}),
                     2, 2, rowsOf({"RR", "GG"})});
    // The stream's size from the header limits it.
    cases.push_back(
        {"RLE8 limited by its size",
         bmpFile({.header = {.width = 2, .height = 2, .bpp = 8, .compression = 1, .sizeImage = 4, .colorsUsed = 16},
                  .table = kPal16,
                  .data = {0x02, 0x01, 0x00, 0x00, 0x02, 0x02, 0x00, 0x01}}),
         2, 2, rowsOf({"KK", "RR"})});
    // The widest picture accepted.
    cases.push_back({"RLE8 16384 wide",
                     bmpFile({.header = {.width = 16384, .height = 1, .bpp = 8, .compression = 1, .colorsUsed = 16},
                              .table = kPal16,
                              .data = {0x00, 0x01}}),
                     16384, 1, std::vector<Color>(16384, 0)});
    return cases;
}

TEST(Codecs, DecodesEveryBitmapDepthPixelByPixel)
{
    for (const auto& c : validBitmaps()) {
        SCOPED_TRACE(c.name);
        Picture p = syl::decodeBmp(c.file);
        EXPECT_EQ(p.kind, PictureKind::Bitmap);
        EXPECT_TRUE(p.alpha.empty());
        expectPixels(p, c.width, c.height, c.pixels);
    }
}

TEST(Codecs, PixelDataStartsAtTheFileHeadersOffset)
{
    // A gap of junk between palette and pixels.
    Bytes data = {0xEE, 0xEE, 0xEE, 0x01, 0x02, 0x00, 0x00};
    Bytes file = bmpFile({.header = {.width = 2, .height = 1, .bpp = 8, .colorsUsed = 4},
                          .table = palette("KRGB"),
                          .data = data,
                          .dataOffset = 14 + 40 + 16 + 3});
    expectPixels(syl::decodeBmp(file), 2, 1, rowsOf({"RG"}));
}

// ---------------------------------------------------------------------------
// Malformed bitmaps

struct BadCase {
    const char* name;
    Bytes file;
    const char* message; // part of the description
};

std::vector<BadCase> malformedBitmaps()
{
    const Bytes ok24 = {0, 0, 0, 0};
    std::vector<BadCase> cases = {
        {"empty", {}, "too short"},
        {"only a file header", Bytes{'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0}, "too short"},
        {"signature", bmpFile({.data = ok24, .signature = "MB"}), "signature BM"},
        {"header size 20", bmpFile({.header = {.headerSize = 20}, .data = ok24}), "unsupported header size 20"},
        {"header size huge", bmpFile({.header = {.headerSize = 0x7FFFFFFF}, .data = ok24}), "unsupported header size"},
        {"header past the end", Bytes{'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 1, 0, 0, 0},
         "header runs past the end"},
        {"width 0", bmpFile({.header = {.width = 0}, .data = ok24}), "invalid width 0"},
        {"width negative", bmpFile({.header = {.width = -3}, .data = ok24}), "invalid width -3"},
        {"height 0", bmpFile({.header = {.height = 0}, .data = ok24}), "invalid height 0"},
        {"too wide", bmpFile({.header = {.width = 16385, .bpp = 8, .compression = 1}, .table = kPal16, .data = {0, 1}}),
         "too large (16385 x 1 pixels)"},
        {"too high top-down",
         bmpFile({.header = {.height = -16385, .bpp = 8, .compression = 1}, .table = kPal16, .data = {0, 1}}),
         "too large (1 x 16385 pixels)"},
        {"height INT32_MIN", bmpFile({.header = {.height = INT32_MIN}, .data = ok24}), "too large (1 x 2147483648"},
        {"width INT32_MAX", bmpFile({.header = {.width = INT32_MAX, .height = INT32_MAX}, .data = ok24}), "too large"},
        {"bit depth 2", bmpFile({.header = {.bpp = 2}, .data = ok24}), "unsupported bit depth 2"},
        {"bit depth 0", bmpFile({.header = {.bpp = 0}, .data = ok24}), "unsupported bit depth 0"},
        {"JPEG compression", bmpFile({.header = {.compression = 4}, .data = ok24}), "unsupported compression 4"},
        {"RLE8 at 4 bits", bmpFile({.header = {.bpp = 4, .compression = 1}, .table = kPal16, .data = {0, 1}}),
         "RLE8 needs 8 bits per pixel, not 4"},
        {"RLE4 at 24 bits", bmpFile({.header = {.bpp = 24, .compression = 2}, .data = {0, 1}}),
         "RLE4 needs 4 bits per pixel, not 24"},
        {"masks at 24 bits", bmpFile({.header = {.bpp = 24, .compression = 3}, .table = Bytes(12, 0), .data = ok24}),
         "colour masks but 24 bits"},
        {"masks past the end", bmpFile({.header = {.bpp = 32, .compression = 3}, .table = Bytes(8, 0)}),
         "colour masks run past the end"},
        {"masks in a short header", bmpFile({.header = {.bpp = 32, .compression = 6, .headerSize = 52}, .data = ok24}),
         "too short for its colour masks"},
        {"OS/2 Huffman", bmpFile({.header = {.bpp = 32, .compression = 3, .headerSize = 64}, .data = ok24}),
         "unsupported compression 3"},
        {"palette past the end", bmpFile({.header = {.bpp = 8}, .table = palette("KRGB")}),
         "palette runs past the end"},
        {"data offset past the end", bmpFile({.data = ok24, .dataOffset = 1000}), "invalid data offset 1000"},
        {"data offset inside the palette",
         bmpFile({.header = {.bpp = 1}, .table = palette("KW"), .data = ok24, .dataOffset = 14 + 40 + 4}),
         "invalid data offset 58"},
        {"data offset 0", bmpFile({.data = ok24, .dataOffset = 0}), "invalid data offset 0"},
        {"pixels truncated", bmpFile({.header = {.width = 2, .height = 2}, .data = Bytes(8 + 5, 0)}),
         "pixel data is truncated (13 of 14 bytes)"},
        {"no pixels at all", bmpFile({.header = {.width = 16384, .height = 16384}}), "pixel data is truncated"},
        {"RLE8 absolute run truncated",
         bmpFile({.header = {.width = 4, .bpp = 8, .compression = 1, .colorsUsed = 16},
                  .table = kPal16,
                  .data = {0x00, 0x04, 0x01}}),
         "ends inside an absolute run"},
        {"RLE4 absolute run truncated",
         bmpFile(
             {.header = {.width = 8, .bpp = 4, .compression = 2}, .table = kPal16, .data = {0x00, 0x07, 0x11, 0x11}}),
         "ends inside an absolute run"},
        {"RLE delta truncated",
         bmpFile({.header = {.width = 4, .height = 2, .bpp = 8, .compression = 1, .colorsUsed = 16},
                  .table = kPal16,
                  .data = {0x00, 0x02, 0x01}}),
         "ends inside a delta"},
    };
    return cases;
}

TEST(Codecs, MalformedBitmapsAreError481WithADescription)
{
    for (const auto& c : malformedBitmaps()) {
        SCOPED_TRACE(c.name);
        expectInvalid([&] { syl::decodeBmp(c.file); }, "BMP", c.message);
    }
}

TEST(Codecs, EveryTruncationOfValidBitmapsIsHandled)
{
    // Each prefix either decodes (RLE without its end) or is error 481.
    for (const auto& c : validBitmaps()) {
        SCOPED_TRACE(c.name);
        for (size_t n = 0; n < c.file.size(); ++n) {
            Bytes prefix(c.file.begin(), c.file.begin() + static_cast<std::ptrdiff_t>(n));
            try {
                Picture p = syl::decodeBmp(prefix);
                EXPECT_EQ(p.pixels.size(), static_cast<size_t>(p.width) * p.height);
            } catch (const syl::RuntimeError& e) {
                EXPECT_EQ(e.number(), syl::kErrInvalidPicture) << n << ": " << e.description();
            }
        }
    }
}

// ---------------------------------------------------------------------------
// Icons

// A 32 x 32 8-bit icon whose colour index and mask bit follow simple
// formulas of x and y (y from the top), written bottom-up as the format has it.
int iconIndex(int x, int y) { return (x * 7 + y * 3) % 16; }
bool iconTransparent(int x, int y) { return ((x ^ y) & 5) == 0; }

Bytes icon32x32x8()
{
    Bytes colour;
    Bytes mask;
    for (int row = 0; row < 32; ++row) {
        int y = 31 - row;
        for (int x = 0; x < 32; ++x) colour.push_back(static_cast<uint8_t>(iconIndex(x, y)));
        for (int byte = 0; byte < 4; ++byte) {
            uint8_t bits = 0;
            for (int k = 0; k < 8; ++k)
                if (iconTransparent(byte * 8 + k, y)) bits |= static_cast<uint8_t>(0x80 >> k);
            mask.push_back(bits);
        }
    }
    // Palette of 256 entries: the 16 test colours, then grey ramps.
    Bytes pal = kPal16;
    for (int i = 16; i < 256; ++i) append(pal, {static_cast<uint8_t>(i), static_cast<uint8_t>(i), 1, 0});
    return iconDib(32, 32, 8, pal, colour, mask);
}

// A 16 x 16 4-bit icon, all index 1 (red), opaque.
Bytes icon16x16x4() { return iconDib(16, 16, 4, kPal16, Bytes(8 * 16, 0x11), Bytes(4 * 16, 0x00)); }

void expectIcon32x32(const Picture& p)
{
    ASSERT_EQ(p.width, 32);
    ASSERT_EQ(p.height, 32);
    ASSERT_EQ(p.pixels.size(), 1024u);
    ASSERT_EQ(p.alpha.size(), 1024u);
    EXPECT_EQ(p.kind, PictureKind::Icon);
    int transparent = 0;
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            EXPECT_EQ(p.at(x, y), colourOf(kLetters[static_cast<size_t>(iconIndex(x, y))])) << x << ", " << y;
            const bool t = iconTransparent(x, y);
            transparent += t;
            EXPECT_EQ(p.alpha[static_cast<size_t>(y) * 32 + x], t ? 0 : 255) << x << ", " << y;
        }
    }
    EXPECT_EQ(transparent, 256); // the mask pattern is neither empty nor full
}

TEST(Codecs, IconWithPaletteAndMaskPixelByPixel)
{
    expectIcon32x32(syl::decodeIco(icoFile({{.image = icon32x32x8()}})));
}

TEST(Codecs, IconEntryChoice)
{
    const Bytes small = icon16x16x4();
    const Bytes big = icon32x32x8();
    // A 32 x 32 image with 4 bits: everything index 2 (green).
    const Bytes big4 = iconDib(32, 32, 4, kPal16, Bytes(16 * 32, 0x22), Bytes(4 * 32, 0));
    struct Case {
        const char* name;
        std::vector<IcoEntry> entries;
        int width;
        Color first; // pixel (0, 0); 0 for the 8-bit 32 x 32 image
    };
    const Case cases[] = {
        {"32 x 32 after another size", {{.width = 16, .height = 16, .bits = 4, .image = small}, {.image = big}}, 32, 0},
        {"no 32 x 32: the first",
         {{.width = 16, .height = 16, .bits = 4, .image = small}, {.width = 48, .height = 48, .bits = 8, .image = big}},
         16,
         colourOf('R')},
        {"the deeper 32 x 32", {{.bits = 4, .image = big4}, {.bits = 8, .image = big}}, 32, 0},
        {"the deeper 32 x 32 first", {{.bits = 8, .image = big}, {.bits = 4, .image = big4}}, 32, 0},
        {"4-bit 32 x 32 only",
         {{.width = 16, .height = 16, .image = small}, {.bits = 4, .image = big4}},
         32,
         colourOf('G')},
        {"equal depths: the first 32 x 32", {{.bits = 4, .image = big4}, {.bits = 4, .image = big}}, 32, colourOf('G')},
        {"32 wide but not 32 high",
         {{.width = 16, .height = 16, .image = small}, {.height = 64, .image = big}},
         16,
         colourOf('R')},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Picture p = syl::decodeIco(icoFile(c.entries));
        ASSERT_EQ(p.width, c.width);
        if (c.width == 32 && c.first == 0) {
            expectIcon32x32(p);
        } else {
            EXPECT_EQ(p.at(0, 0), c.first);
            EXPECT_EQ(p.alpha[0], 255);
        }
    }
}

struct IconCase {
    const char* name;
    Bytes image; // the DIB of the only entry
    int width;
    int height;
    std::vector<Color> pixels;
    std::vector<uint8_t> alpha;
};

TEST(Codecs, IconDepthsAndTransparency)
{
    Bytes header32 = dibHeader({.width = 2, .height = 4, .bpp = 32});
    // Bottom row first: BGRA.
    const Bytes rows32 = {0x10, 0x20, 0x30, 0x00, 0x40, 0x50, 0x60, 0x80,  // bottom: alpha 0, 128
                          0x70, 0x80, 0x90, 0xFF, 0x01, 0x02, 0x03, 0x00}; // top: alpha 255, 0
    const Bytes rows32NoAlpha = {0x10, 0x20, 0x30, 0, 0x40, 0x50, 0x60, 0, 0x70, 0x80, 0x90, 0, 0x01, 0x02, 0x03, 0};
    const Bytes mask2x2 = {0x40, 0, 0, 0, 0x80, 0, 0, 0}; // bottom: right transparent; top: left
    const std::vector<Color> pixels32 = {0x908070, 0x030201, 0x302010, 0x605040};

    const IconCase cases[] = {
        {"1 bit",
         iconDib(3, 2, 1, palette("RB"), {0xA0, 0, 0, 0, 0x40, 0, 0, 0}, {0x20, 0, 0, 0, 0xC0, 0, 0, 0}),
         3,
         2,
         rowsOf({"RBR", "BRB"}),
         {0, 0, 255, 255, 255, 0}},
        {"4 bits, odd width",
         iconDib(3, 2, 4, kPal16, {0x12, 0x30, 0, 0, 0x45, 0x60, 0, 0}, mask2x2),
         3,
         2,
         rowsOf({"YCM", "RGB"}),
         {0, 255, 255, 255, 0, 255}},
        {"24 bits",
         iconDib(2, 2, 24, {}, {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0}, mask2x2),
         2,
         2,
         {0x090807, 0x0C0B0A, 0x030201, 0x060504},
         {0, 255, 255, 0}},
        {"32 bits with alpha: the mask is ignored",
         cat({header32, rows32, {0xC0, 0, 0, 0, 0xC0, 0, 0, 0}}),
         2,
         2,
         pixels32,
         {255, 0, 0, 128}},
        {"32 bits with alpha, no mask", cat({header32, rows32}), 2, 2, pixels32, {255, 0, 0, 128}},
        {"32 bits without alpha: the mask", cat({header32, rows32NoAlpha, mask2x2}), 2, 2, pixels32, {0, 255, 255, 0}},
        {"32 bits without alpha or mask: opaque", cat({header32, rows32NoAlpha}), 2, 2, pixels32, {255, 255, 255, 255}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Picture p = syl::decodeIco(icoFile({{.image = c.image}}));
        EXPECT_EQ(p.kind, PictureKind::Icon);
        expectPixels(p, c.width, c.height, c.pixels);
        EXPECT_EQ(p.alpha, c.alpha);
    }
}

std::vector<BadCase> malformedIcons()
{
    const Bytes good = icon16x16x4();
    auto withHeader = [&](const DibHeader& h, const Bytes& rest) { return cat({dibHeader(h), rest}); };
    const Bytes pixels16 = cat({kPal16, Bytes(8 * 16 + 4 * 16, 0)});
    const Bytes shortDirectory = {0, 0, 1, 0, 1, 0, 32, 32, 0, 0, 1, 0, 8, 0, 0, 0, 0}; // 11 of 16 entry bytes
    Bytes png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
    return {
        {"empty", {}, "too short"},
        {"five bytes", {0, 0, 1, 0, 1}, "too short"},
        {"reserved not 0", icoFile({{.image = good}}, 1, 1), "does not start with an icon directory"},
        {"type 3", icoFile({{.image = good}}, 3), "does not start with an icon directory"},
        {"no images", icoFile({}), "contains no images"},
        {"directory past the end", shortDirectory, "directory runs past the end"},
        {"offset past the end", icoFile({{.image = good, .offset = 100000}}), "lies outside the file"},
        {"size past the end", icoFile({{.image = good, .size = 100000}}), "lies outside the file"},
        {"offset and size wrap", icoFile({{.image = good, .offset = 0xFFFFFFF0, .size = 0x20}}),
         "lies outside the file"},
        {"PNG", icoFile({{.image = png}}), "PNG-compressed"},
        {"header size 8", icoFile({{.image = withHeader({.width = 16, .height = 32, .bpp = 4, .headerSize = 8}, {})}}),
         "unsupported header size 8"},
        {"header truncated", icoFile({{.image = {40, 0}}}), "header is truncated"},
        {"negative height", icoFile({{.image = withHeader({.width = 16, .height = -32, .bpp = 4}, pixels16)}}),
         "invalid height -32"},
        {"height 1", icoFile({{.image = withHeader({.width = 16, .height = 1, .bpp = 4}, pixels16)}}),
         "invalid height 1"},
        {"RLE", icoFile({{.image = withHeader({.width = 16, .height = 32, .bpp = 4, .compression = 2}, pixels16)}}),
         "run-length encoded"},
        {"bit depth 2", icoFile({{.image = withHeader({.width = 16, .height = 32, .bpp = 2}, pixels16)}}),
         "unsupported bit depth 2"},
        {"too large", icoFile({{.image = withHeader({.width = 20000, .height = 64, .bpp = 4}, pixels16)}}),
         "too large (20000 x 32 pixels)"},
        {"palette truncated", icoFile({{.image = withHeader({.width = 16, .height = 32, .bpp = 8}, kPal16)}}),
         "palette runs past the end"},
        {"colour rows truncated",
         icoFile({{.image = withHeader({.width = 16, .height = 32, .bpp = 4}, cat({kPal16, Bytes(8 * 15, 0)}))}}),
         "pixel data is truncated (120 of 128 bytes)"},
        {"mask truncated",
         icoFile({{.image = withHeader({.width = 16, .height = 32, .bpp = 4}, cat({kPal16, Bytes(8 * 16 + 60, 0)}))}}),
         "transparency mask is truncated (60 of 62 bytes)"},
        {"no mask at 8 bits",
         icoFile({{.image = withHeader({.width = 4, .height = 8, .bpp = 8, .colorsUsed = 1},
                                       cat({{0, 0, 0, 0}, Bytes(16, 0)}))}}),
         "transparency mask is truncated (0 of"},
    };
}

TEST(Codecs, MalformedIconsAreError481WithADescription)
{
    for (const auto& c : malformedIcons()) {
        SCOPED_TRACE(c.name);
        expectInvalid([&] { syl::decodeIco(c.file); }, "ICO", c.message);
    }
}

TEST(Codecs, EveryTruncationOfAValidIconIsError481)
{
    const Bytes file =
        icoFile({{.width = 16, .height = 16, .bits = 4, .image = icon16x16x4()}, {.image = icon32x32x8()}});
    ASSERT_NO_THROW(syl::decodeIco(file));
    for (size_t n = 0; n < file.size(); ++n) {
        Bytes prefix(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(n));
        try {
            syl::decodeIco(prefix);
            ADD_FAILURE() << "prefix of " << n << " bytes decoded";
        } catch (const syl::RuntimeError& e) {
            EXPECT_EQ(e.number(), syl::kErrInvalidPicture) << n << ": " << e.description();
        }
    }
}

// ---------------------------------------------------------------------------
// Encoding

Picture testPicture(int w, int h, PictureKind kind = PictureKind::Bitmap)
{
    Picture p;
    p.kind = kind;
    p.width = w;
    p.height = h;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            p.pixels.push_back(syl::RGB((x * 37 + 5) % 256, (y * 53 + 1) % 256, (x * 11 + y * 29) % 256));
    if (kind == PictureKind::Icon)
        for (int i = 0; i < w * h; ++i) p.alpha.push_back(static_cast<uint8_t>(i * 97));
    return p;
}

uint32_t read32(const Bytes& b, size_t at)
{
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

TEST(Codecs, Bmp24RoundTripAndLayout)
{
    const int sizes[][2] = {{1, 1}, {2, 3}, {3, 2}, {4, 4}, {5, 3}, {7, 1}, {1, 9}};
    for (const auto& s : sizes) {
        const int w = s[0];
        const int h = s[1];
        SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(h));
        const Picture in = testPicture(w, h);
        const Bytes file = syl::encodeBmp24(in);
        const size_t stride = (static_cast<size_t>(w) * 3 + 3) / 4 * 4;
        ASSERT_EQ(file.size(), 54 + stride * h);
        EXPECT_EQ(file[0], 'B');
        EXPECT_EQ(file[1], 'M');
        EXPECT_EQ(read32(file, 2), file.size());
        EXPECT_EQ(read32(file, 10), 54u);
        EXPECT_EQ(read32(file, 14), 40u);
        EXPECT_EQ(read32(file, 18), static_cast<uint32_t>(w));
        EXPECT_EQ(read32(file, 22), static_cast<uint32_t>(h)); // positive: bottom-up
        EXPECT_EQ(file[28], 24);
        EXPECT_EQ(read32(file, 30), 0u);
        EXPECT_EQ(read32(file, 34), stride * h);
        // The first stored row is the bottom one, blue first; padding is 0.
        const Color bottomLeft = in.at(0, h - 1);
        EXPECT_EQ(file[54], syl::blueOf(bottomLeft));
        EXPECT_EQ(file[55], syl::greenOf(bottomLeft));
        EXPECT_EQ(file[56], syl::redOf(bottomLeft));
        for (size_t row = 0; row < static_cast<size_t>(h); ++row)
            for (size_t k = static_cast<size_t>(w) * 3; k < stride; ++k) EXPECT_EQ(file[54 + row * stride + k], 0);

        const Picture out = syl::decodeBmp(file);
        EXPECT_EQ(out.kind, PictureKind::Bitmap);
        expectPixels(out, w, h, in.pixels);
    }
}

TEST(Codecs, Bmp24WrittenInPiecesHoldsTheWholePicture)
{
    // A screen-wide picture goes out in several pieces, none much larger
    // than a few hundred kilobytes, and together they are the file.
    const int w = 1500, h = 200;
    const Picture in = testPicture(w, h);
    std::vector<size_t> sizes;
    Bytes file;
    ASSERT_TRUE(syl::writeBmp24(in.pixels.data(), w, h, [&](std::span<const uint8_t> piece) {
        sizes.push_back(piece.size());
        file.insert(file.end(), piece.begin(), piece.end());
        return true;
    }));
    EXPECT_GT(sizes.size(), 3u);
    EXPECT_EQ(sizes.front(), 54u) << "the header alone first";
    for (size_t n : sizes) EXPECT_LE(n, 256u << 10);
    ASSERT_EQ(file.size(), syl::bmp24FileSize(w, h));
    expectPixels(syl::decodeBmp(file), w, h, in.pixels);

    // A sink that fails stops the writing at once.
    int calls = 0;
    EXPECT_FALSE(syl::writeBmp24(in.pixels.data(), w, h, [&](std::span<const uint8_t>) { return ++calls < 2; }));
    EXPECT_EQ(calls, 2);
}

TEST(Codecs, Bmp24OfAnIconDropsTheAlpha)
{
    const Picture icon = testPicture(3, 3, PictureKind::Icon);
    const Picture out = syl::decodeBmp(syl::encodeBmp24(icon));
    EXPECT_EQ(out.kind, PictureKind::Bitmap);
    EXPECT_TRUE(out.alpha.empty());
    expectPixels(out, 3, 3, icon.pixels);
}

TEST(Codecs, EncodersRejectEmptyAndInconsistentPictures)
{
    Picture empty;
    Picture shortPixels = testPicture(3, 3);
    shortPixels.pixels.pop_back();
    struct Case {
        const Picture* picture;
        const char* message;
    };
    for (const Case& c : {Case{&empty, "empty picture"}, Case{&shortPixels, "fewer pixels"}}) {
        SCOPED_TRACE(c.message);
        expectInvalid([&] { syl::encodeBmp24(*c.picture); }, "", c.message);
        expectInvalid([&] { syl::encodePng(*c.picture); }, "", c.message);
    }
}

struct DecodedPng {
    int width = 0;
    int height = 0;
    int channels = 0;
    std::vector<uint8_t> data; // RGBA
};

DecodedPng decodePng(const Bytes& png)
{
    DecodedPng d;
    unsigned char* data =
        stbi_load_from_memory(png.data(), static_cast<int>(png.size()), &d.width, &d.height, &d.channels, 4);
    if (data) {
        d.data.assign(data, data + static_cast<size_t>(d.width) * d.height * 4);
        stbi_image_free(data);
    }
    return d;
}

TEST(Codecs, PngHoldsThePixelsAndIsDeterministic)
{
    struct Case {
        const char* name;
        Picture picture;
        int channels;
        uint8_t colourType; // in IHDR
    };
    const Case cases[] = {
        {"bitmap", testPicture(13, 7), 3, 2},
        {"icon", testPicture(5, 6, PictureKind::Icon), 4, 6},
        {"one pixel", testPicture(1, 1), 3, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes png = syl::encodePng(c.picture);
        ASSERT_GT(png.size(), 33u);
        const uint8_t signature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
        EXPECT_EQ(std::memcmp(png.data(), signature, 8), 0);
        EXPECT_EQ(png[25], c.colourType);
        EXPECT_EQ(syl::encodePng(c.picture), png);

        const DecodedPng d = decodePng(png);
        ASSERT_EQ(d.width, c.picture.width);
        ASSERT_EQ(d.height, c.picture.height);
        EXPECT_EQ(d.channels, c.channels);
        for (size_t i = 0; i < c.picture.pixels.size(); ++i) {
            const Color px = c.picture.pixels[i];
            const uint8_t* q = d.data.data() + 4 * i;
            EXPECT_EQ(syl::RGB(q[0], q[1], q[2]), px) << i;
            EXPECT_EQ(q[3], c.channels == 4 ? c.picture.alpha[i] : 255) << i;
        }
    }
}

TEST(Codecs, SavePngWritesTheFileOrReportsFailure)
{
    namespace fs = std::filesystem;
    const fs::path dir =
        fs::temp_directory_path() /
        ("sylvadra-codecs-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    fs::create_directories(dir);
    const Picture picture = testPicture(61, 37);
    const fs::path file = dir / "picture.png";
    // Twice: the second replaces the first, saved from the pixels where they are (the same bytes).
    ASSERT_TRUE(syl::savePng(file.string(), testPicture(2, 2)));
    ASSERT_TRUE(syl::savePng(file.string(), picture.pixels.data(), picture.width, picture.height));
    std::ifstream in(file, std::ios::binary);
    const Bytes written((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    in.close();
    EXPECT_EQ(written, syl::encodePng(picture));
    EXPECT_FALSE(fs::exists(dir / "picture.png.part"));
    EXPECT_FALSE(syl::savePng((dir / "no such folder" / "picture.png").string(), picture));
    std::error_code ec;
    fs::remove_all(dir, ec);
}

// ---------------------------------------------------------------------------
// Raw hostile inputs, inline. Inputs found by fuzzing (tests/fuzz) are added
// to this table, so that they stay fixed on every platform.

enum class Decoder { Bmp, Ico };

struct RawCase {
    const char* name;
    Decoder decoder;
    Bytes bytes;
    const char* message;         // error description part; null when it decodes
    std::vector<Color> pixels{}; // when it decodes: the single row
};

const RawCase kRawCases[] = {
    // 32 bits with a colour mask in the top bit, an empty one, and a 2-bit
    // one: each scales on its own, nothing shifts by 32.
    {"odd colour masks",
     Decoder::Bmp,
     {0x42, 0x4D, 0x4A, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x42, 0x00, 0x00, 0x00, 0x28, 0x00, 0x00, 0x00, 0x02,
      0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x00, 0x20, 0x00, 0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
      0x13, 0x0B, 0x00, 0x00, 0x13, 0x0B, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
      0x80, 0x00, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x80, 0x01, 0x00, 0x00, 0x00},
     nullptr,
     {0xFF00AA, 0x000055}},
    // The data offset at 2^32 - 1: no wrap-around when added.
    {"data offset 0xFFFFFFFF",
     Decoder::Bmp,
     {0x42, 0x4D, 0x3A, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0x28,
      0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x00, 0x18, 0x00,
      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x13, 0x0B, 0x00, 0x00, 0x13, 0x0B, 0x00,
      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x02, 0x03, 0x00},
     "invalid data offset 4294967295"},
    // An RLE4 absolute run of 255 pixels with two bytes left.
    {"RLE4 absolute run of 255",
     Decoder::Bmp,
     {0x42, 0x4D, 0x3E, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x3A, 0x00, 0x00, 0x00, 0x28, 0x00,
      0x00, 0x00, 0x08, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x00, 0x04, 0x00, 0x02, 0x00,
      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x13, 0x0B, 0x00, 0x00, 0x13, 0x0B, 0x00, 0x00, 0x01, 0x00,
      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0xFF, 0x12, 0x34},
     "ends inside an absolute run"},
    // An RLE8 absolute run that is the last thing in the file, without its
    // pad byte and without a bitmap end: accepted.
    {"RLE8 run without pad at the end",
     Decoder::Bmp,
     {0x42, 0x4D, 0x4B, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46, 0x00, 0x00, 0x00, 0x28, 0x00, 0x00, 0x00, 0x03,
      0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x00, 0x08, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
      0x13, 0x0B, 0x00, 0x00, 0x13, 0x0B, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
      0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0xFF, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x03, 0x01, 0x02, 0x03},
     nullptr,
     {0xFF0000, 0x00FF00, 0x0000FF}},
    // 65535 directory entries claimed in a 22-byte file.
    {"icon directory of 65535",
     Decoder::Ico,
     {0x00, 0x00, 0x01, 0x00, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00,
      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},
     "directory runs past the end"},
    // An image of 2^32 - 1 bytes right after the directory.
    {"icon image size 0xFFFFFFFF",
     Decoder::Ico,
     {0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x20, 0x20, 0x00, 0x00, 0x01,
      0x00, 0x08, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0x16, 0x00, 0x00, 0x00},
     "lies outside the file"},
};

TEST(Codecs, RawHostileInputs)
{
    for (const auto& c : kRawCases) {
        SCOPED_TRACE(c.name);
        auto decode = [&] { return c.decoder == Decoder::Bmp ? syl::decodeBmp(c.bytes) : syl::decodeIco(c.bytes); };
        if (c.message) {
            expectInvalid([&] { decode(); }, c.decoder == Decoder::Bmp ? "BMP" : "ICO", c.message);
        } else {
            expectPixels(decode(), static_cast<int>(c.pixels.size()), 1, c.pixels);
        }
    }
}

} // namespace

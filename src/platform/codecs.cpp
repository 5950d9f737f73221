// Decoders for .bmp and .ico files and the 24-bit .bmp encoder.
//
// Both decoders share one reader of device-independent bitmaps: the header
// (OS/2 core, BITMAPINFOHEADER and its later versions), the colour masks,
// the palette, and the pixel rows. Every read goes through a bounds check
// against the bytes given; sizes are computed in 64 bits and limited before
// anything is allocated.
#include "platform/codecs.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>

namespace syl {

namespace {

#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
// Under the fuzzer a few header bytes must not make every run allocate a
// gigabyte: the same checks, a smaller ceiling.
constexpr int64_t kMaxPixels = int64_t{1} << 22;
#else
constexpr int64_t kMaxPixels = int64_t{kMaxPictureSide} * kMaxPictureSide;
#endif

enum : uint32_t {
    kBiRgb = 0,
    kBiRle8 = 1,
    kBiRle4 = 2,
    kBiBitfields = 3,
    kBiAlphaBitfields = 6,
};

constexpr uint32_t kCoreHeaderSize = 12;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint32_t kOs2InfoHeaderSize = 64;
// No known header is larger than 124 bytes; a few kilobytes leave room for
// extensions without accepting nonsense.
constexpr uint32_t kMaxHeaderSize = 4096;

[[noreturn]] void fail(const std::string& what) { throw RuntimeError(kErrInvalidPicture, what); }

inline uint16_t le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t le32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

inline Color bgr(uint8_t b, uint8_t g, uint8_t r)
{
    return (static_cast<Color>(r) << 16) | (static_cast<Color>(g) << 8) | static_cast<Color>(b);
}

// One colour component described by a bit mask: the masked bits shifted
// down and scaled to 0..255, rounding to nearest.
struct Channel {
    uint32_t mask = 0;
    int shift = 0;
    uint64_t max = 0; // the mask shifted down; 0 for an absent channel

    explicit Channel(uint32_t m = 0) : mask(m)
    {
        if (m == 0) return;
        while (((m >> shift) & 1u) == 0) ++shift;
        max = m >> shift;
    }
    uint32_t operator()(uint32_t px) const
    {
        if (max == 0) return 0;
        uint64_t v = (px & mask) >> shift;
        return static_cast<uint32_t>((v * 255 + max / 2) / max);
    }
};

// What the header of a device-independent bitmap says.
struct Dib {
    int width = 0;
    int height = 0; // rows of the colour image (for icons: half the header's height)
    bool topDown = false;
    int bpp = 0;
    uint32_t compression = kBiRgb;
    uint32_t sizeImage = 0;
    uint32_t masks[4] = {0, 0, 0, 0}; // red, green, blue, alpha
    std::array<Color, 256> palette{}; // entries the file does not give stay black
    size_t tableEnd = 0;              // offset after header, masks and palette

    int64_t stride() const { return (static_cast<int64_t>(width) * bpp + 31) / 32 * 4; }
    int64_t rowBytes() const { return (static_cast<int64_t>(width) * bpp + 7) / 8; }
};

// Reads the header, masks and palette at the start of dib. what names the
// thing for messages ("BMP", "ICO image"). Icons store the colour image and
// the mask in one bitmap of twice the height.
Dib parseDib(std::span<const uint8_t> dib, const std::string& what, bool icon)
{
    const uint8_t* p = dib.data();
    const size_t n = dib.size();
    if (n < 4) fail(what + " header is truncated");
    const uint32_t hs = le32(p);
    if (hs != kCoreHeaderSize && (hs < kInfoHeaderSize || hs > kMaxHeaderSize))
        fail(what + " has unsupported header size " + std::to_string(hs));
    if (hs > n) fail(what + " header runs past the end of the file");

    Dib d;
    int64_t width = 0;
    int64_t height = 0;
    uint32_t colorsUsed = 0;
    size_t entrySize = 4;
    if (hs == kCoreHeaderSize) {
        width = le16(p + 4);
        height = le16(p + 6);
        d.bpp = le16(p + 10);
        entrySize = 3;
    } else {
        width = static_cast<int32_t>(le32(p + 4));
        height = static_cast<int32_t>(le32(p + 8));
        d.bpp = le16(p + 14);
        d.compression = le32(p + 16);
        d.sizeImage = le32(p + 20);
        colorsUsed = le32(p + 32);
    }

    if (width <= 0) fail(what + " has invalid width " + std::to_string(width));
    const int64_t headerHeight = height;
    if (height == 0) fail(what + " has invalid height 0");
    if (height < 0) {
        if (icon) fail(what + " has invalid height " + std::to_string(height));
        d.topDown = true;
        height = -height; // 64 bits: no overflow for INT32_MIN
    }
    if (icon) {
        height /= 2;
        if (height == 0) fail(what + " has invalid height " + std::to_string(headerHeight));
    }
    if (width > kMaxPictureSide || height > kMaxPictureSide || width * height > kMaxPixels)
        fail(what + " is too large (" + std::to_string(width) + " x " + std::to_string(height) + " pixels)");
    d.width = static_cast<int>(width);
    d.height = static_cast<int>(height);

    switch (d.bpp) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32: break;
    default: fail(what + " has unsupported bit depth " + std::to_string(d.bpp));
    }

    size_t table = hs;
    switch (d.compression) {
    case kBiRgb:
        if (d.bpp == 16) {
            d.masks[0] = 0x7C00;
            d.masks[1] = 0x03E0;
            d.masks[2] = 0x001F;
        } else if (d.bpp == 32) {
            d.masks[0] = 0x00FF0000;
            d.masks[1] = 0x0000FF00;
            d.masks[2] = 0x000000FF;
            d.masks[3] = 0xFF000000;
        }
        break;
    case kBiRle8:
    case kBiRle4: {
        const bool rle8 = d.compression == kBiRle8;
        if (icon) fail(what + " is run-length encoded, which icons cannot be");
        if (d.bpp != (rle8 ? 8 : 4))
            fail(what + " compression " + (rle8 ? "RLE8" : "RLE4") + " needs " + (rle8 ? "8" : "4") +
                 " bits per pixel, not " + std::to_string(d.bpp));
        break;
    }
    case kBiBitfields:
    case kBiAlphaBitfields: {
        // The OS/2 2.x header uses the number 3 for Huffman coding.
        if (hs == kOs2InfoHeaderSize)
            fail(what + " has unsupported compression " + std::to_string(d.compression) + " (OS/2)");
        if (d.bpp != 16 && d.bpp != 32)
            fail(what + " has colour masks but " + std::to_string(d.bpp) + " bits per pixel");
        const int count = d.compression == kBiAlphaBitfields ? 4 : 3;
        size_t at = kInfoHeaderSize;
        if (hs == kInfoHeaderSize) {
            // The masks follow the plain header.
            if (n - table < static_cast<size_t>(count) * 4) fail(what + " colour masks run past the end of the file");
            table += static_cast<size_t>(count) * 4;
        } else if (hs < kInfoHeaderSize + static_cast<uint32_t>(count) * 4) {
            fail(what + " header is too short for its colour masks");
        }
        for (int i = 0; i < count; ++i) d.masks[i] = le32(p + at + 4 * static_cast<size_t>(i));
        if (count == 3 && hs >= kInfoHeaderSize + 16) d.masks[3] = le32(p + at + 12);
        break;
    }
    default: fail(what + " has unsupported compression " + std::to_string(d.compression));
    }

    if (d.bpp <= 8) {
        const uint32_t full = 1u << d.bpp;
        const uint32_t count = (colorsUsed == 0 || colorsUsed > full) ? full : colorsUsed;
        if ((n - table) / entrySize < count) fail(what + " palette runs past the end of the file");
        const uint8_t* e = p + table;
        for (uint32_t i = 0; i < count; ++i, e += entrySize) d.palette[i] = bgr(e[0], e[1], e[2]);
        table += count * entrySize;
    }
    d.tableEnd = table;
    return d;
}

inline Color* rowOf(const Dib& d, Color* out, int64_t fileRow)
{
    int64_t y = d.topDown ? fileRow : d.height - 1 - fileRow;
    return out + y * d.width;
}

// Bytes that uncompressed rows take: every row padded to 32 bits, except
// that the last row's padding may be missing.
int64_t plainBytes(const Dib& d) { return d.stride() * (d.height - 1) + d.rowBytes(); }

void checkPlain(const Dib& d, std::span<const uint8_t> data, const std::string& what)
{
    const int64_t need = plainBytes(d);
    if (static_cast<int64_t>(data.size()) < need)
        fail(what + " pixel data is truncated (" + std::to_string(data.size()) + " of " + std::to_string(need) +
             " bytes)");
}

// Uncompressed rows: file row r at data + r * stride. checkPlain has
// verified that data holds them.
void decodePlain(const Dib& d, std::span<const uint8_t> data, Color* out)
{
    const int64_t stride = d.stride();

    const int w = d.width;
    const auto& pal = d.palette;
    const Channel r(d.masks[0]), g(d.masks[1]), b(d.masks[2]);
    const bool plain32 = d.masks[0] == 0x00FF0000 && d.masks[1] == 0x0000FF00 && d.masks[2] == 0x000000FF;

    for (int64_t row = 0; row < d.height; ++row) {
        const uint8_t* s = data.data() + row * stride;
        Color* o = rowOf(d, out, row);
        switch (d.bpp) {
        case 1:
            for (int x = 0; x < w; ++x) o[x] = pal[(s[x >> 3] >> (7 - (x & 7))) & 1];
            break;
        case 4:
            for (int x = 0; x < w; ++x) o[x] = pal[(x & 1) ? (s[x >> 1] & 0x0F) : (s[x >> 1] >> 4)];
            break;
        case 8:
            for (int x = 0; x < w; ++x) o[x] = pal[s[x]];
            break;
        case 16:
            for (int x = 0; x < w; ++x) {
                uint32_t px = le16(s + 2 * x);
                o[x] = (r(px) << 16) | (g(px) << 8) | b(px);
            }
            break;
        case 24:
            for (int x = 0; x < w; ++x, s += 3) o[x] = bgr(s[0], s[1], s[2]);
            break;
        case 32:
            if (plain32) {
                for (int x = 0; x < w; ++x, s += 4) o[x] = bgr(s[0], s[1], s[2]);
            } else {
                for (int x = 0; x < w; ++x) {
                    uint32_t px = le32(s + 4 * x);
                    o[x] = (r(px) << 16) | (g(px) << 8) | b(px);
                }
            }
            break;
        }
    }
}

// Run-length encoded rows (RLE8 and RLE4). Runs are clipped at the end of
// the row; a delta or line end past the last row ends the bitmap, as does
// the end of the data without an end-of-bitmap escape.
void decodeRle(const Dib& d, std::span<const uint8_t> data, Color* out, const std::string& what)
{
    const bool rle8 = d.compression == kBiRle8;
    const uint8_t* s = data.data();
    const size_t n = data.size();
    const int w = d.width;
    const int h = d.height;
    const auto& pal = d.palette;
    size_t i = 0;
    int x = 0; // 0..w
    int y = 0; // file row, 0..h
    Color* o = rowOf(d, out, 0);

    while (y < h && n - i >= 2) {
        const uint8_t a = s[i];
        const uint8_t c = s[i + 1];
        i += 2;
        if (a > 0) {
            // Encoded run: a pixels of one index (RLE8) or two alternating ones (RLE4).
            const int count = std::min<int>(a, w - x);
            if (rle8) {
                std::fill(o + x, o + x + count, pal[c]);
            } else {
                const Color hi = pal[c >> 4];
                const Color lo = pal[c & 0x0F];
                for (int k = 0; k < count; ++k) o[x + k] = (k & 1) ? lo : hi;
            }
            x += count;
        } else if (c == 0) { // end of line
            x = 0;
            if (++y < h) o = rowOf(d, out, y);
        } else if (c == 1) { // end of bitmap
            break;
        } else if (c == 2) { // delta: right and up (in file order)
            if (n - i < 2) fail(what + " RLE data ends inside a delta escape");
            x = std::min(w, x + s[i]);
            y += s[i + 1];
            i += 2;
            if (y < h) o = rowOf(d, out, y);
        } else {
            // Absolute run of c pixels, padded to a 16-bit boundary.
            const size_t bytes = rle8 ? c : (c + 1u) / 2;
            if (n - i < bytes) fail(what + " RLE data ends inside an absolute run");
            const uint8_t* q = s + i;
            const int count = std::min<int>(c, w - x);
            if (rle8) {
                for (int k = 0; k < count; ++k) o[x + k] = pal[q[k]];
            } else {
                for (int k = 0; k < count; ++k) o[x + k] = pal[(k & 1) ? (q[k >> 1] & 0x0F) : (q[k >> 1] >> 4)];
            }
            x += count;
            i += std::min(n - i, bytes + (bytes & 1));
        }
    }
}

std::vector<Color> allocatePixels(const Dib& d)
{
    return std::vector<Color>(static_cast<size_t>(d.width) * static_cast<size_t>(d.height), Color{0});
}

Picture decodeBmpImpl(std::span<const uint8_t> bytes)
{
    const std::string what = "BMP";
    const size_t n = bytes.size();
    if (n < 14 + 4) fail("BMP file is too short for its headers (" + std::to_string(n) + " bytes)");
    const uint8_t* p = bytes.data();
    if (p[0] != 'B' || p[1] != 'M') fail("BMP does not start with the signature BM");
    const uint32_t offBits = le32(p + 10);

    const Dib d = parseDib(bytes.subspan(14), what, false);
    if (offBits < 14 + d.tableEnd || offBits > n)
        fail("BMP has invalid data offset " + std::to_string(offBits) + " (file of " + std::to_string(n) +
             " bytes, pixel data cannot start before " + std::to_string(14 + d.tableEnd) + ")");
    std::span<const uint8_t> data = bytes.subspan(offBits);

    Picture pic;
    pic.kind = PictureKind::Bitmap;
    pic.width = d.width;
    pic.height = d.height;
    if (d.compression == kBiRle8 || d.compression == kBiRle4) {
        if (d.sizeImage != 0 && d.sizeImage < data.size()) data = data.first(d.sizeImage);
        pic.pixels = allocatePixels(d);
        decodeRle(d, data, pic.pixels.data(), what);
    } else {
        checkPlain(d, data, what);
        pic.pixels = allocatePixels(d);
        decodePlain(d, data, pic.pixels.data());
    }
    return pic;
}

Picture decodeIcoImpl(std::span<const uint8_t> bytes)
{
    const size_t n = bytes.size();
    const uint8_t* p = bytes.data();
    if (n < 6) fail("ICO file is too short for its header (" + std::to_string(n) + " bytes)");
    const uint16_t type = le16(p + 2);
    if (le16(p) != 0 || (type != 1 && type != 2)) fail("ICO does not start with an icon directory");
    const size_t count = le16(p + 4);
    if (count == 0) fail("ICO contains no images");
    if ((n - 6) / 16 < count) fail("ICO directory runs past the end of the file");

    // The 32 x 32 entry with the most bits per pixel, else the first.
    size_t chosen = 0;
    int bestBits = -1;
    for (size_t k = 0; k < count; ++k) {
        const uint8_t* e = p + 6 + 16 * k;
        if (e[0] != 32 || e[1] != 32) continue;
        int bits = le16(e + 6);
        if (bits == 0) bits = (e[2] == 0) ? 8 : (e[2] <= 2 ? 1 : (e[2] <= 16 ? 4 : 8));
        if (bits > bestBits) {
            bestBits = bits;
            chosen = k;
        }
    }
    const uint8_t* e = p + 6 + 16 * chosen;
    const uint32_t size = le32(e + 8);
    const uint32_t offset = le32(e + 12);
    if (offset > n || size > n - offset)
        fail("ICO image " + std::to_string(chosen) + " lies outside the file (offset " + std::to_string(offset) +
             ", " + std::to_string(size) + " bytes, file of " + std::to_string(n) + " bytes)");
    const std::span<const uint8_t> image = bytes.subspan(offset, size);
    static const uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (image.size() >= 8 && std::memcmp(image.data(), kPngSignature, 8) == 0)
        fail("ICO image is PNG-compressed, which is not supported");

    const std::string what = "ICO image";
    const Dib d = parseDib(image, what, true);
    const std::span<const uint8_t> data = image.subspan(d.tableEnd);

    Picture pic;
    pic.kind = PictureKind::Icon;
    pic.width = d.width;
    pic.height = d.height;
    checkPlain(d, data, what);
    const int64_t colourBytes = d.stride() * d.height;
    const int64_t maskStride = (static_cast<int64_t>(d.width) + 31) / 32 * 4;
    const int64_t maskNeed = maskStride * (d.height - 1) + (d.width + 7) / 8;
    const int64_t maskHas = static_cast<int64_t>(data.size()) - colourBytes; // may be negative
    const bool alphaChannel = d.bpp == 32 && d.masks[3] != 0;
    if (!alphaChannel && maskHas < maskNeed)
        fail("ICO image transparency mask is truncated (" + std::to_string(std::max<int64_t>(0, maskHas)) + " of " +
             std::to_string(maskNeed) + " bytes)");
    pic.pixels = allocatePixels(d);
    decodePlain(d, data, pic.pixels.data());
    pic.alpha.assign(pic.pixels.size(), 255);

    if (d.bpp == 32 && d.masks[3] != 0) {
        // Alpha from the channel, unless every pixel has alpha 0 (an icon
        // made before alpha channels): then the mask decides.
        const Channel a(d.masks[3]);
        const int64_t stride = d.stride();
        bool any = false;
        for (int64_t row = 0; row < d.height; ++row) {
            const uint8_t* s = data.data() + row * stride;
            const int64_t y = d.height - 1 - row;
            uint8_t* o = pic.alpha.data() + y * d.width;
            for (int x = 0; x < d.width; ++x) {
                uint32_t v = a(le32(s + 4 * x));
                o[x] = static_cast<uint8_t>(v);
                any = any || v != 0;
            }
        }
        if (any) return pic;
        std::fill(pic.alpha.begin(), pic.alpha.end(), uint8_t{255});
        // A 32-bit image without alpha and without a mask is opaque.
        if (maskHas < maskNeed) return pic;
    }

    // The AND mask: 1 bit per pixel, bottom-up, set where transparent.
    const uint8_t* mask = data.data() + colourBytes;
    for (int64_t row = 0; row < d.height; ++row) {
        const uint8_t* s = mask + row * maskStride;
        uint8_t* o = pic.alpha.data() + (d.height - 1 - row) * d.width;
        for (int x = 0; x < d.width; ++x) o[x] = ((s[x >> 3] >> (7 - (x & 7))) & 1) ? 0 : 255;
    }
    return pic;
}

} // namespace

Picture decodeBmp(std::span<const uint8_t> bytes)
{
    try {
        return decodeBmpImpl(bytes);
    } catch (const std::bad_alloc&) {
        throw RuntimeError(kErrOutOfMemory);
    }
}

Picture decodeIco(std::span<const uint8_t> bytes)
{
    try {
        return decodeIcoImpl(bytes);
    } catch (const std::bad_alloc&) {
        throw RuntimeError(kErrOutOfMemory);
    }
}

std::vector<uint8_t> encodeBmp24(const Picture& picture)
{
    if (picture.empty()) fail("Cannot save an empty picture as BMP");
    if (picture.width > kMaxPictureSide || picture.height > kMaxPictureSide)
        fail("Picture is too large to save as BMP");
    if (picture.pixels.size() < static_cast<size_t>(picture.width) * static_cast<size_t>(picture.height))
        fail("Picture has fewer pixels than its size");
    return encodeBmp24(picture.pixels.data(), picture.width, picture.height);
}

std::vector<uint8_t> encodeBmp24(const Color* pixels, int width, int height)
{
    std::vector<uint8_t> out;
    writeBmp24(pixels, width, height, [&](std::span<const uint8_t> piece) {
        if (out.empty()) out.reserve(bmp24FileSize(width, height));
        out.insert(out.end(), piece.begin(), piece.end());
        return true;
    });
    return out;
}

size_t bmp24FileSize(int width, int height)
{
    const size_t stride = (static_cast<size_t>(std::max(width, 0)) * 3 + 3) & ~size_t{3};
    return 14 + 40 + stride * static_cast<size_t>(std::max(height, 0)); // at most 805 MB for 16384 x 16384
}

bool writeBmp24(const Color* pixels, int width, int height, const std::function<bool(std::span<const uint8_t>)>& sink)
{
    if (!pixels || width <= 0 || height <= 0) fail("Cannot save an empty picture as BMP");
    if (width > kMaxPictureSide || height > kMaxPictureSide) fail("Picture is too large to save as BMP");
    const size_t w = static_cast<size_t>(width);
    const size_t h = static_cast<size_t>(height);
    const size_t stride = (w * 3 + 3) & ~size_t{3};
    const size_t fileSize = bmp24FileSize(width, height);

    uint8_t head[54] = {};
    auto put16 = [](uint8_t* q, uint32_t v) {
        q[0] = static_cast<uint8_t>(v);
        q[1] = static_cast<uint8_t>(v >> 8);
    };
    auto put32 = [](uint8_t* q, uint32_t v) {
        for (int i = 0; i < 4; ++i) q[i] = static_cast<uint8_t>(v >> (8 * i));
    };
    head[0] = 'B';
    head[1] = 'M';
    put32(head + 2, static_cast<uint32_t>(fileSize));
    put32(head + 10, 14 + 40);
    put32(head + 14, 40);
    put32(head + 18, static_cast<uint32_t>(w));
    put32(head + 22, static_cast<uint32_t>(h));
    put16(head + 26, 1);
    put16(head + 28, 24);
    put32(head + 30, kBiRgb);
    put32(head + 34, static_cast<uint32_t>(stride * h));
    put32(head + 38, 3780); // 96 dots per inch
    put32(head + 42, 3780);
    if (!sink(head)) return false;

    // Rows bottom-up, a few hundred kilobytes at a time: a screen-sized
    // picture is never held twice.
    const size_t rowsPerPiece = std::max<size_t>(1, (256u << 10) / stride);
    std::vector<uint8_t> piece(std::min(h, rowsPerPiece) * stride, 0);
    for (size_t row = 0; row < h;) {
        const size_t n = std::min(rowsPerPiece, h - row);
        for (size_t k = 0; k < n; ++k, ++row) {
            const Color* src = pixels + (h - 1 - row) * w;
            uint8_t* q = piece.data() + k * stride;
            for (size_t x = 0; x < w; ++x, q += 3) {
                const Color c = src[x];
                q[0] = static_cast<uint8_t>(c);
                q[1] = static_cast<uint8_t>(c >> 8);
                q[2] = static_cast<uint8_t>(c >> 16);
            }
        }
        if (!sink(std::span<const uint8_t>(piece.data(), n * stride))) return false;
    }
    return true;
}

} // namespace syl

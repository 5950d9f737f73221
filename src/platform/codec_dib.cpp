#include "platform/dib.h"

#include <algorithm>
#include <cstring>

namespace syl::dib {

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

} // namespace syl::dib

// The resource file formats: 16-colour RLE4 bitmaps, 1-bit masks, 8-bit and
// 24-bit bitmaps and 32 x 32 icons with a 256-colour palette.
#include <stdexcept>

#include "art/bytes.h"
#include "artgen.h"

namespace art {

namespace {

// File header (14 bytes) + BITMAPINFOHEADER (40 bytes).
void headers(std::vector<uint8_t>& v, int w, int h, int bits, int compression, uint32_t imageSize, int colours)
{
    uint32_t offBits = 14 + 40 + 4 * colours;
    v.push_back('B');
    v.push_back('M');
    syl::appendLe32(v, offBits + imageSize);
    syl::appendLe32(v, 0);
    syl::appendLe32(v, offBits);
    syl::appendLe32(v, 40);
    syl::appendLe32(v, uint32_t(w));
    syl::appendLe32(v, uint32_t(h));
    syl::appendLe16(v, 1);
    syl::appendLe16(v, uint32_t(bits));
    syl::appendLe32(v, uint32_t(compression));
    syl::appendLe32(v, imageSize);
    syl::appendLe32(v, 3780); // 96 dots per inch
    syl::appendLe32(v, 3780);
    syl::appendLe32(v, uint32_t(colours));
    syl::appendLe32(v, 0);
}
void palette(std::vector<uint8_t>& v, const std::vector<uint32_t>& pal, int n)
{
    for (int i = 0; i < n; ++i) {
        uint32_t c = i < static_cast<int>(pal.size()) ? pal[i] : 0;
        v.push_back(uint8_t(c));
        v.push_back(uint8_t(c >> 8));
        v.push_back(uint8_t(c >> 16));
        v.push_back(0);
    }
}

// Length of the alternating run a b a b ... starting at i (a run of one
// colour is the case a = b).
int altRun(const uint8_t* row, int w, int i)
{
    int n = 1;
    while (i + n < w && n < 255 && row[i + n] == row[i + (n & 1)]) ++n;
    return n;
}
} // namespace

std::vector<uint8_t> encodeRle4(const std::vector<uint8_t>& idx, int w, int h)
{
    std::vector<uint8_t> out;
    for (int y = h - 1; y >= 0; --y) {
        const uint8_t* row = idx.data() + size_t(y) * w;
        int i = 0;
        while (i < w) {
            int run = altRun(row, w, i);
            if (run >= 3 || i + run >= w) {
                out.push_back(uint8_t(run));
                uint8_t b = uint8_t(row[i] << 4 | (run > 1 ? row[i + 1] : 0));
                out.push_back(b);
                i += run;
                continue;
            }
            // Literal pixels up to the next run worth encoding.
            int j = i;
            while (j < w && j - i < 255) {
                if (altRun(row, w, j) >= 4) break;
                ++j;
            }
            int n = j - i;
            if (n < 3) {
                // One or two pixels: an encoded run holds them exactly.
                out.push_back(uint8_t(n));
                out.push_back(uint8_t(row[i] << 4 | (n > 1 ? row[i + 1] : 0)));
            } else {
                out.push_back(0);
                out.push_back(uint8_t(n));
                int bytes = (n + 1) / 2;
                for (int k = 0; k < bytes; ++k) {
                    uint8_t hi = row[i + 2 * k];
                    uint8_t lo = 2 * k + 1 < n ? row[i + 2 * k + 1] : 0;
                    out.push_back(uint8_t(hi << 4 | lo));
                }
                if (bytes & 1) out.push_back(0); // absolute runs end on a word boundary
            }
            i = j;
        }
        if (y > 0) {
            out.push_back(0);
            out.push_back(0);
        }
    }
    out.push_back(0);
    out.push_back(1);
    return out;
}

bool decodeRle4(const std::vector<uint8_t>& d, int w, int h, std::vector<uint8_t>& out)
{
    out.assign(size_t(w) * h, 0);
    int x = 0, y = h - 1;
    size_t p = 0;
    auto set = [&](uint8_t v) {
        if (x >= w || y < 0) return false;
        out[size_t(y) * w + x++] = v;
        return true;
    };
    while (p + 1 < d.size()) {
        uint8_t a = d[p++], b = d[p++];
        if (a > 0) {
            for (int k = 0; k < a; ++k)
                if (!set(k & 1 ? (b & 15) : (b >> 4))) return false;
        } else if (b == 0) {
            if (x != w) return false; // every row is written in full
            x = 0;
            --y;
        } else if (b == 1) {
            return x == w && y == 0 && p == d.size();
        } else if (b == 2) {
            return false;
        } else {
            int bytes = (b + 1) / 2;
            if (p + bytes > d.size()) return false;
            for (int k = 0; k < b; ++k) {
                uint8_t v = d[p + k / 2];
                if (!set(k & 1 ? (v & 15) : (v >> 4))) return false;
            }
            p += bytes + (bytes & 1);
        }
    }
    return false;
}

std::vector<uint8_t> bmpRle4(const Indexed& im)
{
    if (im.pal.size() > 16) throw std::runtime_error("RLE4 picture with more than 16 colours");
    std::vector<uint8_t> data = encodeRle4(im.idx, im.w, im.h);
    std::vector<uint8_t> back;
    if (!decodeRle4(data, im.w, im.h, back) || back != im.idx) throw std::runtime_error("RLE4 round trip failed");
    std::vector<uint8_t> v;
    headers(v, im.w, im.h, 4, 2, uint32_t(data.size()), 16);
    palette(v, im.pal, 16);
    v.insert(v.end(), data.begin(), data.end());
    return v;
}

std::vector<uint8_t> bmpMask(const Indexed& im)
{
    int stride = ((im.w + 31) / 32) * 4;
    std::vector<uint8_t> v;
    headers(v, im.w, im.h, 1, 0, uint32_t(stride * im.h), 2);
    palette(v, {0x000000, 0xFFFFFF}, 2);
    for (int y = im.h - 1; y >= 0; --y) {
        std::vector<uint8_t> row(stride, 0);
        for (int x = 0; x < im.w; ++x)
            if (!im.opaque[size_t(y) * im.w + x]) row[x >> 3] |= uint8_t(0x80 >> (x & 7));
        v.insert(v.end(), row.begin(), row.end());
    }
    return v;
}

std::vector<uint8_t> bmp8(const Indexed& im)
{
    int stride = (im.w + 3) & ~3;
    std::vector<uint8_t> v;
    headers(v, im.w, im.h, 8, 0, uint32_t(stride * im.h), 256);
    palette(v, im.pal, 256);
    for (int y = im.h - 1; y >= 0; --y) {
        for (int x = 0; x < stride; ++x) v.push_back(x < im.w ? im.idx[size_t(y) * im.w + x] : 0);
    }
    return v;
}

std::vector<uint8_t> bmp24(const Image& im)
{
    int stride = (im.w * 3 + 3) & ~3;
    std::vector<uint8_t> v;
    headers(v, im.w, im.h, 24, 0, uint32_t(stride * im.h), 0);
    for (int y = im.h - 1; y >= 0; --y) {
        int n = 0;
        for (int x = 0; x < im.w; ++x, n += 3) {
            RGB c = im.at(x, y);
            v.push_back(uint8_t(std::lround(clamp01(c.b) * 255)));
            v.push_back(uint8_t(std::lround(clamp01(c.g) * 255)));
            v.push_back(uint8_t(std::lround(clamp01(c.r) * 255)));
        }
        for (; n < stride; ++n) v.push_back(0);
    }
    return v;
}

std::vector<uint8_t> ico8(const Indexed& im)
{
    if (im.w != 32 || im.h != 32) throw std::runtime_error("icons are 32 x 32");
    const uint32_t xorBytes = 32 * 32, andBytes = 4 * 32;
    const uint32_t res = 40 + 256 * 4 + xorBytes + andBytes;
    std::vector<uint8_t> v;
    syl::appendLe16(v, 0);
    syl::appendLe16(v, 1);
    syl::appendLe16(v, 1);
    v.push_back(32);
    v.push_back(32);
    v.push_back(0); // 256 colours
    v.push_back(0);
    syl::appendLe16(v, 1);
    syl::appendLe16(v, 8);
    syl::appendLe32(v, res);
    syl::appendLe32(v, 22);
    syl::appendLe32(v, 40);
    syl::appendLe32(v, 32);
    syl::appendLe32(v, 64); // colour bitmap and mask
    syl::appendLe16(v, 1);
    syl::appendLe16(v, 8);
    syl::appendLe32(v, 0);
    syl::appendLe32(v, xorBytes + andBytes);
    syl::appendLe32(v, 0);
    syl::appendLe32(v, 0);
    syl::appendLe32(v, 256);
    syl::appendLe32(v, 0);
    palette(v, im.pal, 256);
    for (int y = 31; y >= 0; --y)
        for (int x = 0; x < 32; ++x) v.push_back(im.opaque[size_t(y) * 32 + x] ? im.idx[size_t(y) * 32 + x] : 0);
    for (int y = 31; y >= 0; --y) {
        uint8_t row[4] = {0, 0, 0, 0};
        for (int x = 0; x < 32; ++x)
            if (!im.opaque[size_t(y) * 32 + x]) row[x >> 3] |= uint8_t(0x80 >> (x & 7));
        v.insert(v.end(), row, row + 4);
    }
    return v;
}

} // namespace art

// The reader of device-independent bitmaps that the .bmp and .ico decoders
// share: the header (OS/2 core, BITMAPINFOHEADER and its later versions),
// the colour masks, the palette, and the pixel rows. Every read goes through
// a bounds check against the bytes given; sizes are computed in 64 bits and
// limited before anything is allocated. Private to the codecs.
#pragma once

#include <array>
#include <new>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "art/bytes.h"
#include "platform/codecs.h"

namespace syl::dib {

#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
// Under the fuzzer a few header bytes must not make every run allocate a
// gigabyte: the same checks, a smaller ceiling.
inline constexpr int64_t kMaxPixels = int64_t{1} << 22;
#else
inline constexpr int64_t kMaxPixels = int64_t{kMaxPictureSide} * kMaxPictureSide;
#endif

enum : uint32_t {
    kBiRgb = 0,
    kBiRle8 = 1,
    kBiRle4 = 2,
    kBiBitfields = 3,
    kBiAlphaBitfields = 6,
};

inline constexpr uint32_t kCoreHeaderSize = 12;
inline constexpr uint32_t kInfoHeaderSize = 40;
inline constexpr uint32_t kOs2InfoHeaderSize = 64;
// No known header is larger than 124 bytes; a few kilobytes leave room for
// extensions without accepting nonsense.
inline constexpr uint32_t kMaxHeaderSize = 4096;

[[noreturn]] inline void fail(const std::string& what) { throw RuntimeError(kErrInvalidPicture, what); }

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
Dib parseDib(std::span<const uint8_t> dib, const std::string& what, bool icon);

void checkPlain(const Dib& d, std::span<const uint8_t> data, const std::string& what);

// Uncompressed rows: file row r at data + r * stride. checkPlain has
// verified that data holds them.
void decodePlain(const Dib& d, std::span<const uint8_t> data, Color* out);

// Run-length encoded rows (RLE8 and RLE4). Runs are clipped at the end of
// the row; a delta or line end past the last row ends the bitmap, as does
// the end of the data without an end-of-bitmap escape.
void decodeRle(const Dib& d, std::span<const uint8_t> data, Color* out, const std::string& what);

std::vector<Color> allocatePixels(const Dib& d);

// Runs a decoder: memory that runs out is error 7, as everywhere else.
template <class Decode>
Picture outOfMemoryAsError(Decode&& decode)
{
    try {
        return decode();
    } catch (const std::bad_alloc&) {
        throw RuntimeError(kErrOutOfMemory);
    }
}

} // namespace syl::dib

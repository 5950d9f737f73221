// The .bmp decoder and the 24-bit .bmp encoder.
#include <algorithm>
#include <cstring>
#include <new>

#include "platform/codecs.h"
#include "platform/dib.h"

namespace syl {

using namespace dib;

namespace {

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

} // namespace

Picture decodeBmp(std::span<const uint8_t> bytes)
{
    return outOfMemoryAsError([&] { return decodeBmpImpl(bytes); });
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
    head[0] = 'B';
    head[1] = 'M';
    putLe32(head + 2, static_cast<uint32_t>(fileSize));
    putLe32(head + 10, 14 + 40);
    putLe32(head + 14, 40);
    putLe32(head + 18, static_cast<uint32_t>(w));
    putLe32(head + 22, static_cast<uint32_t>(h));
    putLe16(head + 26, 1);
    putLe16(head + 28, 24);
    putLe32(head + 30, kBiRgb);
    putLe32(head + 34, static_cast<uint32_t>(stride * h));
    putLe32(head + 38, 3780); // 96 dots per inch
    putLe32(head + 42, 3780);
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

// PNG output through stb_image_write. Its compressor has no randomness and
// no dependence on addresses or time, and the settings below are fixed, so
// the same pixels always give the same bytes.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <limits>

#include "platform/codecs.h"
#include "platform/files.h"

#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wunused-function"
#endif
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#define STBI_WRITE_NO_STDIO
#include <stb_image_write.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

namespace syl {

namespace {

void appendBytes(void* context, void* data, int size)
{
    auto* out = static_cast<std::vector<uint8_t>*>(context);
    const auto* bytes = static_cast<const uint8_t*>(data);
    if (size > 0) out->insert(out->end(), bytes, bytes + size);
}

} // namespace

namespace {
// RGB or RGBA rows for the encoder from pixels (and their coverage, when
// given).
std::vector<uint8_t> encodeRows(const Color* pixels, const uint8_t* alpha, size_t w, size_t h)
{
    const size_t comp = alpha ? 4 : 3;
    // The encoder counts in int: the filtered image (a filter byte per row) must fit.
    if ((w * comp + 1) > static_cast<size_t>(std::numeric_limits<int>::max()) / h)
        throw RuntimeError(kErrInvalidPicture, "Picture is too large to save as PNG");

    std::vector<uint8_t> rgb(w * h * comp);
    uint8_t* q = rgb.data();
    for (size_t i = 0; i < w * h; ++i) {
        const Color c = pixels[i];
        *q++ = static_cast<uint8_t>(c >> 16);
        *q++ = static_cast<uint8_t>(c >> 8);
        *q++ = static_cast<uint8_t>(c);
        if (alpha) *q++ = alpha[i];
    }

    stbi_write_png_compression_level = 8;
    stbi_write_force_png_filter = -1;
    std::vector<uint8_t> out;
    const int ok = stbi_write_png_to_func(appendBytes, &out, static_cast<int>(w), static_cast<int>(h),
                                          static_cast<int>(comp), rgb.data(), static_cast<int>(w * comp));
    if (!ok) throw RuntimeError(kErrOutOfMemory);
    return out;
}
} // namespace

std::vector<uint8_t> encodePng(const Picture& picture)
{
    if (picture.empty()) throw RuntimeError(kErrInvalidPicture, "Cannot save an empty picture as PNG");
    const size_t w = static_cast<size_t>(picture.width);
    const size_t h = static_cast<size_t>(picture.height);
    if (picture.pixels.size() < w * h) throw RuntimeError(kErrInvalidPicture, "Picture has fewer pixels than its size");
    const bool withAlpha = picture.kind == PictureKind::Icon && picture.alpha.size() >= w * h;
    return encodeRows(picture.pixels.data(), withAlpha ? picture.alpha.data() : nullptr, w, h);
}

bool savePng(const std::string& path, const Picture& picture, std::string* why)
{
    const std::vector<uint8_t> bytes = encodePng(picture);
    return writeNamedOutput(path, {reinterpret_cast<const char*>(bytes.data()), bytes.size()}, why);
}

namespace {
// The PNG of opaque pixels, rows filtered straight from the pixels as the
// encoder above filters them (each row by the filter whose bytes add up
// least), so that only the filtered image and its compressed form are held.
std::vector<uint8_t> encodeOpaque(const Color* pixels, size_t w, size_t h)
{
    const size_t rowBytes = w * 3 + 1;
    if (rowBytes > static_cast<size_t>(std::numeric_limits<int>::max()) / h)
        throw RuntimeError(kErrInvalidPicture, "Picture is too large to save as PNG");
    std::vector<uint8_t> filt(rowBytes * h), prev(w * 3, 0), cur(w * 3), line(w * 3);
    auto paeth = [](int a, int b, int c) {
        const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
        return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
    };
    for (size_t y = 0; y < h; ++y) {
        const Color* row = pixels + y * w;
        for (size_t x = 0; x < w; ++x) {
            cur[3 * x] = static_cast<uint8_t>(row[x] >> 16);
            cur[3 * x + 1] = static_cast<uint8_t>(row[x] >> 8);
            cur[3 * x + 2] = static_cast<uint8_t>(row[x]);
        }
        int best = 0;
        long bestSum = std::numeric_limits<long>::max();
        for (int type = 0; type < 5; ++type) {
            long sum = 0;
            for (size_t i = 0; i < w * 3; ++i) {
                const int a = i >= 3 ? cur[i - 3] : 0, b = prev[i], c = i >= 3 ? prev[i - 3] : 0;
                const int pred = type == 0   ? 0
                                 : type == 1 ? a
                                 : type == 2 ? b
                                 : type == 3 ? (a + b) >> 1
                                             : paeth(a, b, c);
                line[i] = static_cast<uint8_t>(cur[i] - pred);
                sum += std::abs(static_cast<int>(static_cast<int8_t>(line[i])));
            }
            if (sum < bestSum) {
                bestSum = sum;
                best = type;
                std::copy(line.begin(), line.end(), filt.begin() + static_cast<std::ptrdiff_t>(y * rowBytes + 1));
            }
        }
        filt[y * rowBytes] = static_cast<uint8_t>(best);
        prev.swap(cur);
    }
    int zlen = 0;
    unsigned char* z = stbi_zlib_compress(filt.data(), static_cast<int>(filt.size()), &zlen, 8);
    std::vector<uint8_t>().swap(filt);
    if (!z) throw RuntimeError(kErrOutOfMemory);
    std::vector<uint8_t> out;
    out.reserve(static_cast<size_t>(zlen) + 57);
    auto put32 = [&out](uint32_t v) {
        for (int k = 3; k >= 0; --k) out.push_back(static_cast<uint8_t>(v >> (8 * k)));
    };
    auto chunk = [&](const char* tag, const uint8_t* data, size_t n) {
        put32(static_cast<uint32_t>(n));
        const size_t start = out.size();
        out.insert(out.end(), tag, tag + 4);
        out.insert(out.end(), data, data + n);
        put32(stbiw__crc32(out.data() + start, static_cast<int>(n + 4)));
    };
    const uint8_t sig[8] = {137, 80, 78, 71, 13, 10, 26, 10};
    out.insert(out.end(), sig, sig + 8);
    const uint8_t ihdr[13] = {static_cast<uint8_t>(w >> 24),
                              static_cast<uint8_t>(w >> 16),
                              static_cast<uint8_t>(w >> 8),
                              static_cast<uint8_t>(w),
                              static_cast<uint8_t>(h >> 24),
                              static_cast<uint8_t>(h >> 16),
                              static_cast<uint8_t>(h >> 8),
                              static_cast<uint8_t>(h),
                              8,
                              2,
                              0,
                              0,
                              0};
    chunk("IHDR", ihdr, 13);
    chunk("IDAT", z, static_cast<size_t>(zlen));
    STBIW_FREE(z);
    chunk("IEND", nullptr, 0);
    return out;
}
} // namespace

bool savePng(const std::string& path, const Color* pixels, int width, int height, std::string* why)
{
    if (!pixels || width <= 0 || height <= 0)
        throw RuntimeError(kErrInvalidPicture, "Cannot save an empty picture as PNG");
    const std::vector<uint8_t> bytes = encodeOpaque(pixels, static_cast<size_t>(width), static_cast<size_t>(height));
    return writeNamedOutput(path, {reinterpret_cast<const char*>(bytes.data()), bytes.size()}, why);
}

} // namespace syl

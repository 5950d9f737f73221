// PNG output through stb_image_write. Its compressor has no randomness and
// no dependence on addresses or time, and the settings below are fixed, so
// the same pixels always give the same bytes.
#include <cstdio>
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

std::vector<uint8_t> encodePng(const Picture& picture)
{
    if (picture.empty()) throw RuntimeError(kErrInvalidPicture, "Cannot save an empty picture as PNG");
    const size_t w = static_cast<size_t>(picture.width);
    const size_t h = static_cast<size_t>(picture.height);
    if (picture.pixels.size() < w * h) throw RuntimeError(kErrInvalidPicture, "Picture has fewer pixels than its size");
    const bool withAlpha = picture.kind == PictureKind::Icon && picture.alpha.size() >= w * h;
    const size_t comp = withAlpha ? 4 : 3;
    // The encoder counts in int: the filtered image (a filter byte per row) must fit.
    if ((w * comp + 1) > static_cast<size_t>(std::numeric_limits<int>::max()) / h)
        throw RuntimeError(kErrInvalidPicture, "Picture is too large to save as PNG");

    std::vector<uint8_t> rgb(w * h * comp);
    uint8_t* q = rgb.data();
    for (size_t i = 0; i < w * h; ++i) {
        const Color c = picture.pixels[i];
        *q++ = static_cast<uint8_t>(c >> 16);
        *q++ = static_cast<uint8_t>(c >> 8);
        *q++ = static_cast<uint8_t>(c);
        if (withAlpha) *q++ = picture.alpha[i];
    }

    stbi_write_png_compression_level = 8;
    stbi_write_force_png_filter = -1;
    std::vector<uint8_t> out;
    const int ok = stbi_write_png_to_func(appendBytes, &out, static_cast<int>(w), static_cast<int>(h),
                                          static_cast<int>(comp), rgb.data(), static_cast<int>(w * comp));
    if (!ok) throw RuntimeError(kErrOutOfMemory);
    return out;
}

bool savePng(const std::string& path, const Picture& picture, std::string* why)
{
    const std::vector<uint8_t> bytes = encodePng(picture);
    return writeNamedOutput(path, {reinterpret_cast<const char*>(bytes.data()), bytes.size()}, why);
}

} // namespace syl

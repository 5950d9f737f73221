// The .ico decoder: the 32 x 32 image of an icon file with its transparency.
#include <algorithm>
#include <cstring>
#include <new>

#include "platform/codecs.h"
#include "platform/dib.h"

namespace syl {

using namespace dib;

namespace {

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
        fail("ICO image " + std::to_string(chosen) + " lies outside the file (offset " + std::to_string(offset) + ", " +
             std::to_string(size) + " bytes, file of " + std::to_string(n) + " bytes)");
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

Picture decodeIco(std::span<const uint8_t> bytes)
{
    return outOfMemoryAsError([&] { return decodeIcoImpl(bytes); });
}

} // namespace syl

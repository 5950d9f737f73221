// The sharp pictures: painting at a density, the conversion of the painted
// floats to 8-bit colour, and the disk cache.
#include "platform/art/sharp_pictures.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <vector>

#include "platform/art/art.h"
#include "platform/files.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#define STBI_WRITE_NO_STDIO
#include <stb_image_write.h>

#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STBI_NO_STDIO
#define STBI_NO_JPEG
#define STBI_NO_PNG
#define STBI_NO_BMP
#define STBI_NO_PSD
#define STBI_NO_TGA
#define STBI_NO_GIF
#define STBI_NO_HDR
#define STBI_NO_PIC
#define STBI_NO_PNM
#define STBI_SUPPORT_ZLIB
#include <stb_image.h>

namespace syl {

namespace {

const art::Resource* resourceOf(ResourceKind kind, int id)
{
    if (kind == ResourceKind::Bitmap) return art::lookup(art::Kind::Bitmap, id);
    if (kind == ResourceKind::Icon) return art::lookup(art::Kind::Icon, id);
    return nullptr;
}

bool densityOk(int d) { return d >= kMinSharpDensity && d <= kMaxSharpDensity; }

// The lettering on the airship and the banners is in the program's font.
void ensureFont()
{
    static std::once_flag once;
    std::call_once(once, [] {
        auto bytes = findBuiltInResource(ResourceKind::Font, 1);
        art::useFont(bytes.data(), bytes.size());
    });
}

Picture toPicture(const art::Image& im, art::Style style, ResourceKind kind)
{
    art::FullColour fc = art::fullColour(im, style == art::Style::Sprite, style != art::Style::Sprite);
    Picture p;
    p.kind = kind == ResourceKind::Icon ? PictureKind::Icon : PictureKind::Bitmap;
    p.width = fc.w;
    p.height = fc.h;
    p.density = fc.d;
    p.pixels = std::move(fc.rgb);
    p.alpha = std::move(fc.alpha);
    return p;
}

// ---------------------------------------------------------------- cache file
// A cache file: a header of 56 bytes, little-endian, then the pixels as
// planes (red, green, blue and, for a sprite, alpha), each row as
// differences from the pixel to its left, compressed with zlib.
//   0  magic "SYLSHARP"     8  format version   12 painter version
//  16  resource kind       20  resource number  24 density
//  28  width               32  height           36 flags (1: alpha)
//  40  planes' size        44  compressed size  48 checksum (64 bits) of
//  the header before it and of everything after it
constexpr char kMagic[8] = {'S', 'Y', 'L', 'S', 'H', 'A', 'R', 'P'};
constexpr uint32_t kFormatVersion = 1;
constexpr size_t kHeaderSize = 56;
constexpr size_t kMaxPixels = size_t(1) << 24; // 16 M pixels: density 8 of the largest picture fits

void put32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
uint32_t get32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// A 64-bit checksum, eight bytes a step.
uint64_t checksum(const uint8_t* a, size_t na, const uint8_t* b, size_t nb)
{
    uint64_t h = 0x9E3779B97F4A7C15ull;
    auto feed = [&h](const uint8_t* p, size_t n) {
        size_t i = 0;
        for (; i + 8 <= n; i += 8) {
            uint64_t w;
            std::memcpy(&w, p + i, 8);
            h = (h ^ w) * 0xFF51AFD7ED558CCDull;
            h ^= h >> 29;
        }
        for (; i < n; ++i) h = (h ^ p[i]) * 0x100000001B3ull;
        h = (h ^ n) * 0xC4CEB9FE1A85EC53ull;
        h ^= h >> 31;
    };
    feed(a, na);
    feed(b, nb);
    return h;
}

std::string cacheFolder(const std::string& folder)
{
    std::string dir = folder;
    if (!dir.empty() && dir.back() != '/' && dir.back() != '\\') dir += '/';
    return dir + "sharp-" + std::to_string(kFormatVersion);
}

std::string cacheName(ResourceKind kind, int id, int density)
{
    return std::string(kind == ResourceKind::Icon ? "icon-" : "bitmap-") + std::to_string(id) + "-x" +
           std::to_string(density) + ".pic";
}

// The planes of a picture, each row as differences to the left.
std::vector<uint8_t> toPlanes(const Picture& p)
{
    const size_t n = static_cast<size_t>(p.width) * p.height;
    const int planes = p.alpha.empty() ? 3 : 4;
    std::vector<uint8_t> out(n * planes);
    for (int k = 0; k < planes; ++k) {
        uint8_t* dst = out.data() + n * k;
        for (int y = 0; y < p.height; ++y) {
            uint8_t prev = 0;
            for (int x = 0; x < p.width; ++x) {
                const size_t i = static_cast<size_t>(y) * p.width + x;
                const uint8_t v = k == 3 ? p.alpha[i] : static_cast<uint8_t>(p.pixels[i] >> (16 - 8 * k));
                dst[i] = static_cast<uint8_t>(v - prev);
                prev = v;
            }
        }
    }
    return out;
}

void fromPlanes(const std::vector<uint8_t>& planes, Picture& p, bool alpha)
{
    const size_t n = static_cast<size_t>(p.width) * p.height;
    p.pixels.assign(n, 0);
    if (alpha) p.alpha.assign(n, 0);
    for (int k = 0; k < (alpha ? 4 : 3); ++k) {
        const uint8_t* src = planes.data() + n * k;
        for (int y = 0; y < p.height; ++y) {
            uint8_t v = 0;
            for (int x = 0; x < p.width; ++x) {
                const size_t i = static_cast<size_t>(y) * p.width + x;
                v = static_cast<uint8_t>(v + src[i]);
                if (k == 3) p.alpha[i] = v;
                else p.pixels[i] |= uint32_t(v) << (16 - 8 * k);
            }
        }
    }
}

} // namespace

Picture paintSharpPicture(ResourceKind kind, int id, int density)
{
    const art::Resource* r = resourceOf(kind, id);
    if (!r || !densityOk(density)) return {};
    ensureFont();
    return toPicture(art::paint(*r, density), r->style, kind);
}

bool cachedPictureExists(const std::string& folder, ResourceKind kind, int id, int density)
{
    if (!resourceOf(kind, id) || !densityOk(density)) return false;
    const std::string dir = cacheFolder(folder);
    const std::string path = dir + "/" + cacheName(kind, id, density);
    if (pathKind(dir, false) != PathKind::Directory || pathKind(path, false) != PathKind::Regular) return false;
    // The header only: a file of another painter is as good as none.
    std::ifstream in(path, std::ios::binary);
    uint8_t b[kHeaderSize];
    if (!in.read(reinterpret_cast<char*>(b), kHeaderSize)) return false;
    return std::memcmp(b, kMagic, 8) == 0 && get32(b + 8) == kFormatVersion && get32(b + 12) == art::kPainterVersion &&
           get32(b + 16) == static_cast<uint32_t>(kind) && get32(b + 20) == static_cast<uint32_t>(id) &&
           get32(b + 24) == static_cast<uint32_t>(density);
}

std::optional<Picture> readCachedPicture(const std::string& folder, ResourceKind kind, int id, int density)
{
    const art::Resource* r = resourceOf(kind, id);
    if (!r || !densityOk(density)) return std::nullopt;
    const std::string dir = cacheFolder(folder);
    const std::string path = dir + "/" + cacheName(kind, id, density);
    // Only a regular file in a real folder: a symlink planted in either
    // place is not followed.
    if (pathKind(dir, false) != PathKind::Directory || pathKind(path, false) != PathKind::Regular) return std::nullopt;
    const bool alpha = r->style == art::Style::Sprite;
    const size_t w = static_cast<size_t>(r->w) * density, h = static_cast<size_t>(r->h) * density;
    const size_t rawSize = w * h * (alpha ? 4 : 3);
    std::string bytes;
    if (readRegularFile(path, kHeaderSize + rawSize + rawSize / 8 + 1024, bytes) != ReadStatus::Ok) return std::nullopt;
    if (bytes.size() < kHeaderSize) return std::nullopt;
    const auto* b = reinterpret_cast<const uint8_t*>(bytes.data());
    if (std::memcmp(b, kMagic, 8) != 0 || get32(b + 8) != kFormatVersion || get32(b + 12) != art::kPainterVersion ||
        get32(b + 16) != static_cast<uint32_t>(kind) || get32(b + 20) != static_cast<uint32_t>(id) ||
        get32(b + 24) != static_cast<uint32_t>(density) || get32(b + 28) != w || get32(b + 32) != h ||
        get32(b + 36) != (alpha ? 1u : 0u) || get32(b + 40) != rawSize || w * h > kMaxPixels)
        return std::nullopt;
    const size_t packed = get32(b + 44);
    if (packed != bytes.size() - kHeaderSize) return std::nullopt;
    uint64_t sum = 0;
    for (int i = 0; i < 8; ++i) sum |= uint64_t(b[48 + i]) << (8 * i);
    if (sum != checksum(b, 48, b + kHeaderSize, packed)) return std::nullopt;
    std::vector<uint8_t> planes(rawSize);
    const int got = stbi_zlib_decode_buffer(reinterpret_cast<char*>(planes.data()), static_cast<int>(rawSize),
                                            reinterpret_cast<const char*>(b + kHeaderSize), static_cast<int>(packed));
    if (got < 0 || static_cast<size_t>(got) != rawSize) return std::nullopt;
    Picture p;
    p.kind = kind == ResourceKind::Icon ? PictureKind::Icon : PictureKind::Bitmap;
    p.width = static_cast<int>(w);
    p.height = static_cast<int>(h);
    p.density = density;
    fromPlanes(planes, p, alpha);
    return p;
}

bool writeCachedPicture(const std::string& folder, ResourceKind kind, int id, const Picture& p)
{
    const art::Resource* r = resourceOf(kind, id);
    if (!r || !densityOk(p.density)) return false;
    const bool alpha = r->style == art::Style::Sprite;
    const size_t n = static_cast<size_t>(p.width) * p.height;
    if (p.width != r->w * p.density || p.height != r->h * p.density || p.pixels.size() != n ||
        p.alpha.size() != (alpha ? n : 0))
        return false;
    const std::vector<uint8_t> planes = toPlanes(p);
    int packedLen = 0;
    unsigned char* packed =
        stbi_zlib_compress(const_cast<unsigned char*>(planes.data()), static_cast<int>(planes.size()), &packedLen, 6);
    if (!packed) return false;
    uint8_t head[kHeaderSize] = {};
    std::memcpy(head, kMagic, 8);
    put32(head + 8, kFormatVersion);
    put32(head + 12, art::kPainterVersion);
    put32(head + 16, static_cast<uint32_t>(kind));
    put32(head + 20, static_cast<uint32_t>(id));
    put32(head + 24, static_cast<uint32_t>(p.density));
    put32(head + 28, static_cast<uint32_t>(p.width));
    put32(head + 32, static_cast<uint32_t>(p.height));
    put32(head + 36, alpha ? 1u : 0u);
    put32(head + 40, static_cast<uint32_t>(planes.size()));
    put32(head + 44, static_cast<uint32_t>(packedLen));
    const uint64_t sum = checksum(head, 48, packed, static_cast<size_t>(packedLen));
    for (int i = 0; i < 8; ++i) head[48 + i] = static_cast<uint8_t>(sum >> (8 * i));
    const std::string dir = cacheFolder(folder);
    bool ok = makeUserFolder(dir) && pathKind(dir, false) == PathKind::Directory;
    if (ok) {
        AtomicFile f(dir + "/" + cacheName(kind, id, p.density));
        ok = f.write({head, kHeaderSize}) && f.write({packed, static_cast<size_t>(packedLen)}) && f.commit();
    }
    STBIW_FREE(packed);
    return ok;
}

} // namespace syl

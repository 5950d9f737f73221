// The sharp pictures: painting at a density, the conversion of the painted
// floats to 8-bit colour, and the disk cache.
#include "platform/sharp_pictures.h"

#include <algorithm>
#include <cmath>
#include <compare>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <mutex>
#include <vector>

#include "art/bytes.h"
#include "art/art.h"
#include "platform/files.h"
#include "platform/hash.h"
#include "platform/pixel_store.h"

namespace syl {

namespace {

const art::Resource* resourceOf(ResourceKind kind, int id)
{
    if (id < 0 || id / kPhasePictureStep >= art::kHours) return nullptr;
    id %= kPhasePictureStep;
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

Picture toPicture(art::Image im, art::Style style, ResourceKind kind)
{
    // The floats move on rather than being copied: at density 8 a landscape
    // picture's are a hundred megabytes.
    art::FullColour fc = art::fullColour(std::move(im), style == art::Style::Sprite, style != art::Style::Sprite);
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
// they are drawn (red, green and blue, three bytes a pixel, row by row) and,
// for a sprite, the coverage (a byte a pixel). Not compressed: a landscape
// reads its pictures back as fast as the file system hands them over.
//   0  magic "SYLSHARP"     8  format version   12 painter version
//  16  resource kind       20  resource number  24 density
//  28  width               32  height           36 flags (1: alpha)
//  40  pixels' size        44  pixels' size     48 checksum (64 bits) of
//  the header before it and of everything after it
constexpr char kMagic[8] = {'S', 'Y', 'L', 'S', 'H', 'A', 'R', 'P'};
constexpr uint32_t kFormatVersion = 2;
constexpr size_t kHeaderSize = 56;
constexpr size_t kMaxPixels = size_t(1) << 24; // 16 M pixels: density 8 of the largest picture fits

// The checksum of a file: its header before the checksum, then its pixels.
uint64_t checksum(const uint8_t* a, size_t na, const uint8_t* b, size_t nb)
{
    return Hash64().feed(a, na).feed(b, nb).result();
}

std::string cacheFolder(const std::string& folder)
{
    std::string dir = folder;
    if (!dir.empty() && dir.back() != '/' && dir.back() != '\\') dir += '/';
    return dir + "sharp-" + std::to_string(kFormatVersion);
}

// The cache's folders are real folders of the user's own: the per-user
// cache folder and its subfolder of this format. Nothing is read from or
// written through another user's folder or a link.
bool ownFolders(const std::string& folder, const std::string& dir)
{
    std::string base = folder;
    while (base.size() > 1 && (base.back() == '/' || base.back() == '\\')) base.pop_back();
    return ownRealFolder(base) && ownRealFolder(dir);
}

std::string cacheName(ResourceKind kind, int id, int density)
{
    return std::string(kind == ResourceKind::Icon ? "icon-" : "bitmap-") + std::to_string(id) + "-x" +
           std::to_string(density) + ".pic";
}

// The bytes of a picture in the file: RGB, then the coverage.
std::vector<uint8_t> toBytes(const Picture& p)
{
    const size_t n = static_cast<size_t>(p.width) * p.height;
    std::vector<uint8_t> out(n * 3 + p.alpha.size());
    uint8_t* d = out.data();
    for (size_t i = 0; i < n; ++i, d += 3) {
        const Color c = p.pixels[i];
        d[0] = static_cast<uint8_t>(c >> 16);
        d[1] = static_cast<uint8_t>(c >> 8);
        d[2] = static_cast<uint8_t>(c);
    }
    if (!p.alpha.empty()) std::memcpy(d, p.alpha.data(), p.alpha.size());
    return out;
}

// The pixels of RGB bytes, read as the picture's pixels are made: each
// pixel is written once, with no clearing of the memory before.
struct RgbReader {
    using iterator_category = std::random_access_iterator_tag;
    using value_type = Color;
    using difference_type = std::ptrdiff_t;
    using pointer = const Color*;
    using reference = Color;
    const uint8_t* p;
    Color operator*() const { return Color(p[0]) << 16 | Color(p[1]) << 8 | p[2]; }
    RgbReader& operator++()
    {
        p += 3;
        return *this;
    }
    RgbReader operator++(int)
    {
        RgbReader r = *this;
        p += 3;
        return r;
    }
    RgbReader& operator--()
    {
        p -= 3;
        return *this;
    }
    RgbReader operator--(int)
    {
        RgbReader r = *this;
        p -= 3;
        return r;
    }
    RgbReader& operator-=(difference_type n)
    {
        p -= 3 * n;
        return *this;
    }
    RgbReader operator-(difference_type n) const { return {p - 3 * n}; }
    RgbReader& operator+=(difference_type n)
    {
        p += 3 * n;
        return *this;
    }
    RgbReader operator+(difference_type n) const { return {p + 3 * n}; }
    difference_type operator-(const RgbReader& o) const { return (p - o.p) / 3; }
    Color operator[](difference_type n) const { return *(*this + n); }
    bool operator==(const RgbReader& o) const { return p == o.p; }
    auto operator<=>(const RgbReader& o) const { return p <=> o.p; }
};

void fromBytes(const uint8_t* src, Picture& p, bool alpha)
{
    const size_t n = static_cast<size_t>(p.width) * p.height;
    p.pixels.reserve(n);
    mapInAdvance(p.pixels.data(), n * sizeof(Color));
    p.pixels.assign(RgbReader{src}, RgbReader{src + 3 * n});
    if (alpha) p.alpha.assign(src + 3 * n, src + 4 * n);
}

} // namespace

int maskedPictureOf(int maskId)
{
    for (const art::Resource& r : art::catalogue())
        if (r.kind == art::Kind::Bitmap && r.maskId == maskId && maskId != 0) return r.id;
    return 0;
}

int landscapeDensity(int id, int canvasDensity)
{
    const art::Resource* r = resourceOf(ResourceKind::Bitmap, id);
    if (!r) return canvasDensity;
    int d = canvasDensity;
    while (d > 1 && size_t(r->w) * r->h * size_t(d) * size_t(d) > kMaxLandscapePixels) --d;
    return d;
}

Picture paintSharpPicture(ResourceKind kind, int id, int density, const std::atomic<bool>* stop)
{
    const art::Resource* r = resourceOf(kind, id);
    if (!r || !densityOk(density)) return {};
    ensureFont();
    struct Flag {
        explicit Flag(const std::atomic<bool>* f) { art::setStopFlag(f); }
        ~Flag() { art::setStopFlag(nullptr); }
    } flag(stop);
    try {
        const auto hour = static_cast<art::Hour>(id / kPhasePictureStep);
        return toPicture(art::paint(*r, density, hour), r->style, kind);
    } catch (const art::PaintingStopped&) {
        return {};
    }
}

bool cachedPictureExists(const std::string& folder, ResourceKind kind, int id, int density)
{
    if (!resourceOf(kind, id) || !densityOk(density)) return false;
    const std::string dir = cacheFolder(folder);
    const std::string path = dir + "/" + cacheName(kind, id, density);
    if (!ownFolders(folder, dir)) return false;
    // The header only: a file of another painter is as good as none. The
    // file is opened first, then looked at: a FIFO swapped in holds nothing.
    std::string head;
    if (readOwnFile(path, kHeaderSize, head, true) != ReadStatus::Ok || head.size() != kHeaderSize) return false;
    const auto* b = reinterpret_cast<const uint8_t*>(head.data());
    return std::memcmp(b, kMagic, 8) == 0 && le32(b + 8) == kFormatVersion && le32(b + 12) == art::kPainterVersion &&
           le32(b + 16) == static_cast<uint32_t>(kind) && le32(b + 20) == static_cast<uint32_t>(id) &&
           le32(b + 24) == static_cast<uint32_t>(density);
}

namespace {

// The thread's buffer of a cache file's bytes: kept from one picture to the
// next (a landscape reads a dozen pictures of megabytes), but not at the
// size of the largest ones (tens of megabytes at density 8).
thread_local std::string t_bytes;
constexpr size_t kKeptBuffer = size_t(16) << 20;
void releaseLargeBuffer()
{
    if (t_bytes.capacity() > kKeptBuffer) std::string().swap(t_bytes);
}

// The bytes of a cached picture that passes every check, in the thread's
// buffer; nullptr for anything else.
const uint8_t* checkedBytes(const std::string& folder, ResourceKind kind, int id, int density)
{
    const art::Resource* r = resourceOf(kind, id);
    if (!r || !densityOk(density)) return nullptr;
    const std::string dir = cacheFolder(folder);
    const std::string path = dir + "/" + cacheName(kind, id, density);
    // Only a regular file of the user's own in real folders of the user's
    // own: a symlink planted in any place is not followed.
    if (!ownFolders(folder, dir)) return nullptr;
    const bool alpha = r->style == art::Style::Sprite;
    const size_t w = static_cast<size_t>(r->w) * density, h = static_cast<size_t>(r->h) * density;
    const size_t rawSize = w * h * (alpha ? 4 : 3);
    std::string& bytes = t_bytes;
    if (readOwnFile(path, kHeaderSize + rawSize, bytes) != ReadStatus::Ok) return nullptr;
    if (bytes.size() < kHeaderSize) return nullptr;
    const auto* b = reinterpret_cast<const uint8_t*>(bytes.data());
    if (std::memcmp(b, kMagic, 8) != 0 || le32(b + 8) != kFormatVersion || le32(b + 12) != art::kPainterVersion ||
        le32(b + 16) != static_cast<uint32_t>(kind) || le32(b + 20) != static_cast<uint32_t>(id) ||
        le32(b + 24) != static_cast<uint32_t>(density) || le32(b + 28) != w || le32(b + 32) != h ||
        le32(b + 36) != (alpha ? 1u : 0u) || le32(b + 40) != rawSize || w * h > kMaxPixels)
        return nullptr;
    const size_t packed = le32(b + 44);
    if (packed != bytes.size() - kHeaderSize || packed != rawSize) return nullptr;
    uint64_t sum = 0;
    for (int i = 0; i < 8; ++i) sum |= uint64_t(b[48 + i]) << (8 * i);
    if (sum != checksum(b, 48, b + kHeaderSize, packed)) return nullptr;
    return b;
}

} // namespace

bool cachedPictureIntact(const std::string& folder, ResourceKind kind, int id, int density)
{
    const bool intact = checkedBytes(folder, kind, id, density) != nullptr;
    releaseLargeBuffer();
    return intact;
}

std::optional<Picture> readCachedPicture(const std::string& folder, ResourceKind kind, int id, int density)
{
    const uint8_t* b = checkedBytes(folder, kind, id, density);
    if (!b) {
        releaseLargeBuffer();
        return std::nullopt;
    }
    const art::Resource* r = resourceOf(kind, id);
    Picture p;
    p.kind = kind == ResourceKind::Icon ? PictureKind::Icon : PictureKind::Bitmap;
    p.width = r->w * density;
    p.height = r->h * density;
    p.density = density;
    fromBytes(b + kHeaderSize, p, r->style == art::Style::Sprite);
    releaseLargeBuffer();
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
    const std::vector<uint8_t> bytes = toBytes(p);
    const uint8_t* packed = bytes.data();
    const int packedLen = static_cast<int>(bytes.size());
    uint8_t head[kHeaderSize] = {};
    std::memcpy(head, kMagic, 8);
    putLe32(head + 8, kFormatVersion);
    putLe32(head + 12, art::kPainterVersion);
    putLe32(head + 16, static_cast<uint32_t>(kind));
    putLe32(head + 20, static_cast<uint32_t>(id));
    putLe32(head + 24, static_cast<uint32_t>(p.density));
    putLe32(head + 28, static_cast<uint32_t>(p.width));
    putLe32(head + 32, static_cast<uint32_t>(p.height));
    putLe32(head + 36, alpha ? 1u : 0u);
    putLe32(head + 40, static_cast<uint32_t>(bytes.size()));
    putLe32(head + 44, static_cast<uint32_t>(packedLen));
    const uint64_t sum = checksum(head, 48, packed, static_cast<size_t>(packedLen));
    for (int i = 0; i < 8; ++i) head[48 + i] = static_cast<uint8_t>(sum >> (8 * i));
    const std::string dir = cacheFolder(folder);
    bool ok = makeUserFolder(dir) && ownFolders(folder, dir);
    if (ok) {
        AtomicFile f(dir + "/" + cacheName(kind, id, p.density));
        ok = f.write({head, kHeaderSize}) && f.write({packed, static_cast<size_t>(packedLen)}) && f.commit();
    }
    return ok;
}

} // namespace syl

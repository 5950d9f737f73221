#include "platform/pixel_store.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>

#include "platform/numbers.h"

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace syl {

namespace {

// The largest surface accepted: 16384 x 16384 pixels (1 GiB); bigger is
// "Out of memory" rather than an allocation the system cannot make.
constexpr long long kMaxPixels = 16384LL * 16384LL;

// Room for n pixels, mapped in advance: the first touch of a 4K frame would
// otherwise be thousands of page faults.
void growCapacity(std::vector<Color>& v, size_t n)
{
    if (n <= v.capacity()) return;
    v.reserve(n);
    mapInAdvance(v.data(), v.capacity() * sizeof(Color));
}

} // namespace

void mapInAdvance(void* memory, std::size_t bytes, bool shared)
{
#if defined(__linux__)
    const auto start = reinterpret_cast<uintptr_t>(memory);
#if defined(MADV_HUGEPAGE)
    constexpr uintptr_t kHuge = 2u << 20;
    const uintptr_t begin = (start + kHuge - 1) & ~(kHuge - 1), end = (start + bytes) & ~(kHuge - 1);
    if (!shared && end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#endif
#if defined(MADV_POPULATE_WRITE)
    constexpr uintptr_t kPage = 4096;
    const uintptr_t b = (start + kPage - 1) & ~(kPage - 1), e = (start + bytes) & ~(kPage - 1);
    if (e > b) madvise(reinterpret_cast<void*>(b), e - b, MADV_POPULATE_WRITE);
#endif
#else
    (void)memory, (void)bytes, (void)shared;
#endif
}

PixelStore::PixelStore(const PixelStore& other)
    : width_(other.width_), height_(other.height_), own_(other.data(), other.data() + other.count())
{}

PixelStore& PixelStore::operator=(const PixelStore& other)
{
    if (this != &other) *this = PixelStore(other);
    return *this;
}

PixelStore::PixelStore(PixelStore&& other) noexcept
    : width_(std::exchange(other.width_, 0)), height_(std::exchange(other.height_, 0)), own_(std::move(other.own_)),
      external_(std::exchange(other.external_, nullptr))
{}

PixelStore& PixelStore::operator=(PixelStore&& other) noexcept
{
    if (this != &other) {
        width_ = std::exchange(other.width_, 0);
        height_ = std::exchange(other.height_, 0);
        own_ = std::move(other.own_);
        external_ = std::exchange(other.external_, nullptr);
    }
    return *this;
}

void PixelStore::useMemory(Color* memory)
{
    if (!memory || memory == external_) return;
    std::memmove(memory, data(), count() * sizeof(Color));
    external_ = memory;
    std::vector<Color>().swap(own_); // not needed while the image is there
}

void PixelStore::adoptMemory(Color* memory, int w, int h)
{
    if (!memory || w <= 0 || h <= 0) return;
    width_ = w;
    height_ = h;
    external_ = memory;
    std::vector<Color>().swap(own_);
}

void PixelStore::ownMemory()
{
    if (!external_) return;
    growCapacity(own_, count());
    own_.assign(external_, external_ + count());
    external_ = nullptr;
}

void PixelStore::resize(int w, int h, Color back)
{
    w = std::max(w, 0);
    h = std::max(h, 0);
    if (w == width_ && h == height_) return;
    const long long n = static_cast<long long>(w) * h;
    if (n > kMaxPixels) raiseError(kErrOutOfMemory);
    ownMemory();
    // The rows are laid out anew inside the same buffer, which keeps its
    // capacity: the surfaces change size at every new landscape, and fresh
    // allocations of screen-sized buffers cost more than the drawing.
    const int oldW = width_, oldH = height_;
    const int keepW = std::min(w, oldW), keepH = std::min(h, oldH);
    const size_t oldN = own_.size();
    // Pixels past the old end come out of the vector as background already.
    if (static_cast<size_t>(n) > oldN) {
        growCapacity(own_, static_cast<size_t>(n));
        own_.resize(static_cast<size_t>(n), back);
    }
    Color* p = own_.data();
    if (w < oldW) {
        for (int y = 1; y < keepH; ++y)
            std::memmove(p + static_cast<size_t>(y) * w, p + static_cast<size_t>(y) * oldW,
                         static_cast<size_t>(keepW) * sizeof(Color));
    } else if (w > oldW) {
        for (int y = keepH - 1; y >= 0; --y) {
            std::memmove(p + static_cast<size_t>(y) * w, p + static_cast<size_t>(y) * oldW,
                         static_cast<size_t>(keepW) * sizeof(Color));
            std::fill(p + static_cast<size_t>(y) * w + keepW, p + static_cast<size_t>(y) * w + w, back);
        }
    }
    // Rows below the kept ones: only what still holds old pixels is cleared.
    const size_t keptEnd = static_cast<size_t>(keepH) * static_cast<size_t>(w);
    const size_t staleEnd = std::min(static_cast<size_t>(n), std::max(oldN, keptEnd));
    if (staleEnd > keptEnd) std::fill(p + keptEnd, p + staleEnd, back);
    own_.resize(static_cast<size_t>(n));
    width_ = w;
    height_ = h;
}

void PixelStore::reserve(size_t n, Color back)
{
    if (n <= own_.capacity()) return;
    const size_t used = own_.size();
    growCapacity(own_, n);
    own_.resize(n, back);
    own_.resize(used);
}

void PixelStore::resizeForOverwrite(int w, int h, Color back)
{
    w = std::max(w, 0);
    h = std::max(h, 0);
    if (w == width_ && h == height_) return;
    const long long n = static_cast<long long>(w) * h;
    if (n > kMaxPixels) raiseError(kErrOutOfMemory);
    external_ = nullptr; // what the image holds is about to be drawn over
    // A larger buffer takes nothing over from the old one.
    if (static_cast<size_t>(n) > own_.capacity()) own_.clear();
    growCapacity(own_, static_cast<size_t>(n));
    own_.resize(static_cast<size_t>(n), back);
    width_ = w;
    height_ = h;
}

} // namespace syl

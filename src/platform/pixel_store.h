// The pixels of a surface: width x height colours, rows one after another,
// held in the store's own memory or in memory lent to it (a window's shared
// image, which the screen shows without another copy). A copy always holds
// its pixels in its own memory, so that a surface copies by value whatever
// it holds.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/picture.h"

namespace syl {

// Memory of a screen-sized image about to be written: its pages are mapped
// in one call (in huge pages where the system offers them and the memory
// is private), not one trap into the kernel per page at its first touch,
// which a virtual machine makes dear. Nothing where the system cannot.
void mapInAdvance(void* memory, std::size_t bytes, bool shared = false);

class PixelStore {
public:
    PixelStore() = default;
    PixelStore(const PixelStore& other);
    PixelStore& operator=(const PixelStore& other);
    PixelStore(PixelStore&& other) noexcept;
    PixelStore& operator=(PixelStore&& other) noexcept;

    int width() const { return width_; }
    int height() const { return height_; }
    std::size_t count() const { return static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_); }
    Color* data() { return external_ ? external_ : own_.data(); }
    const Color* data() const { return external_ ? external_ : own_.data(); }

    // A new size that keeps the pixels of the part that remains; the new
    // area takes colour back. Over 16384 x 16384 pixels is "Out of memory".
    void resize(int w, int h, Color back);
    // A new size whose pixels are about to be drawn over completely: what
    // they hold until then is left unspecified, which spares clearing them.
    void resizeForOverwrite(int w, int h, Color back);
    // Room for n pixels, written once so that taking an image up to that
    // size later neither allocates nor touches new pages.
    void reserve(std::size_t n, Color back);

    // The pixels move into memory that the caller provides and keeps alive
    // while it is used: count() pixels. A change of size, or ownMemory,
    // brings them back into the store's own memory.
    void useMemory(Color* memory);
    // The store becomes w x h pixels in memory that the caller provides and
    // keeps alive, taking over what that memory shows (nothing is copied).
    void adoptMemory(Color* memory, int w, int h);
    void ownMemory();
    bool usesOwnMemory() const { return external_ == nullptr; }

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<Color> own_; // unused while external_ is set
    Color* external_ = nullptr;
};

} // namespace syl

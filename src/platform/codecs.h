// The project's own picture codecs. Untrusted bytes: every offset is checked,
// and malformed input is error 481 "Invalid picture" with a description of
// what is wrong, never an out-of-bounds read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "platform/picture.h"

namespace syl {

// The largest width or height a decoder accepts; larger is error 481.
inline constexpr int kMaxPictureSide = 16384;

// A device-independent bitmap file (.bmp with its 14-byte file header and a
// BITMAPINFOHEADER or later, or the OS/2 12-byte core header):
// 1, 4 (plain or RLE4), 8 (plain or RLE8), 16, 24 and 32 bits per pixel,
// bottom-up or top-down, with palette or colour masks. Pixels that an RLE
// stream skips (delta escapes, early line or bitmap ends) are black; runs
// past the end of a row are clipped. Kind Bitmap, no alpha.
Picture decodeBmp(std::span<const uint8_t> bytes);
// An icon file (.ico): the 32 x 32 image when there is one (the deepest of
// them), else the first; 1, 4, 8 or 24 bits with the 1-bit AND mask as
// transparency (alpha 0 or 255), or 32 bits with its alpha channel (the AND
// mask when every alpha is 0). PNG-compressed images are rejected. Kind Icon.
Picture decodeIco(std::span<const uint8_t> bytes);

// A 24-bit bottom-up .bmp file of the picture's pixels (alpha is dropped).
std::vector<uint8_t> encodeBmp24(const Picture& picture);
// The same from width x height pixels in rows one after another (a
// surface's image), without a copy of them.
std::vector<uint8_t> encodeBmp24(const Color* pixels, int width, int height);
// The same file handed to sink in pieces (the header first, then a few
// hundred kilobytes of rows at a time), so that it can be written without
// being held whole. Stops and returns false as soon as sink returns false.
bool writeBmp24(const Color* pixels, int width, int height, const std::function<bool(std::span<const uint8_t>)>& sink);
// The size of that file in bytes.
size_t bmp24FileSize(int width, int height);
// Writes the picture as a PNG file as a named output (files.h: a regular
// file replaced atomically, a device or FIFO written into, a folder
// refused); false when it cannot be written, with the reason in why.
bool savePng(const std::string& path, const Picture& picture, std::string* why = nullptr);
// The same for width x height opaque pixels, rows one after another, read
// where they are (a screen-sized image is not copied first).
bool savePng(const std::string& path, const Color* pixels, int width, int height, std::string* why = nullptr);
// Encodes the picture as PNG bytes (deterministic for the same pixels): RGB
// for bitmaps, RGBA for icons.
std::vector<uint8_t> encodePng(const Picture& picture);

} // namespace syl

// Checks shared by the decoder fuzz targets: a decode either fails with
// error 481 (or 7 when memory runs out) and a description, or gives a
// consistent picture that survives a round trip through the 24-bit encoder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "platform/codecs.h"

namespace fuzz {

[[noreturn]] inline void broken() { std::abort(); }

template <typename Decode>
void checkDecoder(const uint8_t* data, size_t size, Decode decode, syl::PictureKind kind)
{
    syl::Picture p;
    try {
        p = decode(std::span<const uint8_t>(data, size));
    } catch (const syl::RuntimeError& e) {
        if (e.number() != syl::kErrInvalidPicture && e.number() != syl::kErrOutOfMemory) broken();
        if (e.description().empty()) broken();
        return;
    }
    if (p.kind != kind || p.width <= 0 || p.height <= 0) broken();
    if (p.width > syl::kMaxPictureSide || p.height > syl::kMaxPictureSide) broken();
    const size_t count = static_cast<size_t>(p.width) * static_cast<size_t>(p.height);
    if (p.pixels.size() != count) broken();
    if (kind == syl::PictureKind::Icon ? p.alpha.size() != count : !p.alpha.empty()) broken();
    for (syl::Color c : p.pixels)
        if (c > 0xFFFFFF) broken();

    // Small pictures: the encoders must take them, and the 24-bit file must
    // decode to the same pixels.
    if (count > 4096) return;
    const syl::Picture back = syl::decodeBmp(syl::encodeBmp24(p));
    if (back.width != p.width || back.height != p.height || back.pixels != p.pixels) broken();
    if (syl::encodePng(p).size() < 8) broken();
}

} // namespace fuzz

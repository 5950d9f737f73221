// A decoded picture: a bitmap or an icon, as 0x00RRGGBB pixels row by row
// from the top. Icons carry a transparency per pixel; drawing an icon leaves
// the destination unchanged where it is transparent. A sharp picture
// (platform/sharp_pictures.h) is painted at a density: its width and
// height are the classic size times the density, and a sprite carries its
// coverage in alpha as well.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/numbers.h"

namespace syl {

enum class PictureKind { Bitmap, Icon };

struct Picture {
    PictureKind kind = PictureKind::Bitmap;
    int width = 0;
    int height = 0;
    std::vector<Color> pixels;  // width * height, top row first
    std::vector<uint8_t> alpha; // icons and sharp sprites: width * height, 0 transparent .. 255 opaque
    // Pixels per unit of the picture's natural size: a picture painted at
    // density 2 is twice as wide and high as the picture it stands for, and
    // drawing it into a place of the natural size shows all its detail.
    int density = 1;

    bool empty() const { return width <= 0 || height <= 0; }
    // The natural size, in units.
    int scaleWidth() const { return width / density; }
    int scaleHeight() const { return height / density; }
    Color at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

} // namespace syl

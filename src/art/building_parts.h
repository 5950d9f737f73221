// The parts that buildings are painted from: materials, facades, windows,
// roofs, towers, doors and the greenery at their foot.
#pragma once

#include "art/art.h"

namespace art {

struct Mat {
    RGB light, mid, dark;
    RGB at(float f) const { return f < 0.5f ? mix(dark, mid, f * 2) : mix(mid, light, (f - 0.5f) * 2); }
};

inline const Mat kStone{rgb8(222, 216, 196), rgb8(184, 176, 160), rgb8(120, 116, 118)};
inline const Mat kTiles{rgb8(214, 104, 70), rgb8(176, 66, 48), rgb8(112, 40, 40)};
inline const Mat kSlate{rgb8(130, 142, 168), rgb8(88, 98, 124), rgb8(54, 60, 84)};
inline const Mat kCopper{rgb8(150, 210, 180), rgb8(96, 166, 140), rgb8(52, 110, 100)};
inline const Mat kWalls[] = {
    {rgb8(246, 236, 204), rgb8(226, 210, 170), rgb8(160, 140, 120)}, // cream
    {rgb8(240, 200, 130), rgb8(214, 168, 96), rgb8(150, 110, 78)},   // ochre
    {rgb8(240, 190, 170), rgb8(214, 150, 132), rgb8(150, 100, 100)}, // pink
    {rgb8(244, 244, 236), rgb8(214, 214, 210), rgb8(140, 144, 156)}, // white
    {rgb8(200, 214, 226), rgb8(160, 178, 198), rgb8(104, 116, 142)}, // blue grey
    {rgb8(226, 222, 160), rgb8(196, 188, 120), rgb8(130, 124, 96)},  // yellow
};
inline const RGB kWinDark = rgb8(56, 70, 104), kWinGlint = rgb8(130, 160, 200), kWinLit = rgb8(252, 224, 124);

// A facade: lit towards the left, a shaded strip at the right edge, fine
// plaster texture.
void facade(Canvas& cv, float x0, float y0, float x1, float y1, const Mat& m, uint32_t seed, float shade = 0.2f);

// The share of lit windows at the hour painted, of `byDay` by day.
float litAt(float byDay);

// A grid of windows; some lit.
void windows(Canvas& cv, float x0, float y0, float x1, float y1, int cols, int rows, float ww, float wh, uint32_t seed,
             float lit, bool arched = false);

// A roof seen from the eaves: a trapezoid from the eave line up to the ridge,
// rows of tiles, lit towards the left.
void roofFront(Canvas& cv, float x0, float x1, float eave, float h, float inset, const Mat& m, float over = 2);

// A pointed roof or spire seen from the front: left half lit, right half
// in shade.
void spire(Canvas& cv, float cx, float base, float w, float h, const Mat& m, float over = 1);

// A round tower: shaded like a cylinder.
void roundTower(Canvas& cv, float cx, float r, float top, float base, const Mat& m, uint32_t seed);

// A conical roof.
void cone(Canvas& cv, float cx, float r, float base, float h, const Mat& m);

// Battlements along the top of a wall.
void crenels(Canvas& cv, float x0, float x1, float y, float h, const Mat& m);

void dome(Canvas& cv, float cx, float r, float base, float h, const Mat& m);

void door(Canvas& cv, float cx, float base, float w, float h, RGB c);

// Lawn or mound along the foot of a building sheet.
void green(Canvas& cv, float x0, float x1, float base, float h, uint32_t seed);

void bush(Canvas& cv, float cx, float cy, float r, uint32_t seed);

// A tree in the distance: a round or pointed crown on a short trunk.
void smallTree(Canvas& cv, float x, float foot, float h, bool pointed, uint32_t seed);

} // namespace art

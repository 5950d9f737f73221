// The catalogue of painted picture resources: which painter paints which
// resource number, in the order of the contact sheet.
#include "art/art.h"

namespace art {

namespace {
std::vector<Resource> makeCatalogue()
{
    std::vector<Resource> c;
    auto bitmap = [&](int id, int maskId, int w, int h, int frames, Style st, Image (*p)(int), int arg) {
        c.push_back({Kind::Bitmap, id, maskId, w, h, frames, st, p, arg});
    };
    static const int skyH[5] = {305, 307, 303, 311, 291}, meadowH[5] = {174, 172, 174, 168, 188};
    for (int m = 1; m <= 5; ++m) bitmap(100 + m, 0, 20, skyH[m - 1], 1, Style::Rows, paintSky, m);
    for (int m = 1; m <= 5; ++m) bitmap(105 + m, 0, 20, meadowH[m - 1], 1, Style::Rows, paintMeadow, m);
    for (int id = 121; id <= 128; ++id)
        bitmap(id, 0, 738, id == 123 || id == 124 ? 118 : 119, 1, Style::Flat, paintClouds, id);
    for (int v = 1; v <= 5; ++v) bitmap(129 + 2 * v, 130 + 2 * v, 640, 100, 1, Style::Sprite, paintHill, v);
    bitmap(
        141, 142, 200, 250, 5, Style::Sprite, [](int) { return paintForest(); }, 0);
    bitmap(
        143, 144, 100, 500, 5, Style::Sprite, [](int) { return paintFirs(); }, 0);
    bitmap(
        145, 146, 100, 500, 5, Style::Sprite, [](int) { return paintBroadleaves(); }, 0);
    bitmap(
        151, 152, 245, 500, 5, Style::Sprite, [](int) { return paintCity(); }, 0);
    bitmap(
        153, 154, 245, 500, 5, Style::Sprite, [](int) { return paintCastles(); }, 0);
    bitmap(
        161, 162, 153, 115, 1, Style::Sprite, [](int) { return paintRedHouse(); }, 0);
    bitmap(
        163, 164, 153, 115, 1, Style::Sprite, [](int) { return paintLogHouse(); }, 0);
    bitmap(
        165, 166, 400, 28, 1, Style::Sprite, [](int) { return paintFence(); }, 0);
    for (int v = 1; v <= 5; ++v) bitmap(200 + v, 210 + v, 80, 390, 6, Style::Sprite, paintBird, v);
    bitmap(
        221, 222, 330, 200, 2, Style::Sprite, [](int) { return paintSmallPlane(); }, 0);
    bitmap(223, 224, 77, 462, 6, Style::Sprite, paintButterfly, 1);
    bitmap(225, 226, 77, 462, 6, Style::Sprite, paintButterfly, 2);
    bitmap(
        227, 228, 400, 200, 2, Style::Sprite, [](int) { return paintBigPlane(); }, 0);
    bitmap(
        229, 230, 200, 100, 1, Style::Sprite, [](int) { return paintAirship(); }, 0);
    bitmap(231, 232, 150, 200, 1, Style::Sprite, paintBalloon, 1);
    bitmap(233, 234, 150, 200, 1, Style::Sprite, paintBalloon, 2);
    c.push_back({Kind::Icon, 1, 0, 32, 32, 1, Style::Sprite, [](int) { return paintAppIcon(); }, 0});
    for (int n = 0; n < 80; ++n) c.push_back({Kind::Icon, 101 + n, 0, 32, 32, 1, Style::Sprite, paintFlower, n});
    for (int n = 0; n < 20; ++n) c.push_back({Kind::Icon, 181 + n, 0, 32, 32, 1, Style::Sprite, paintGrass, n});
    return c;
}
} // namespace

const std::vector<Resource>& catalogue()
{
    static const std::vector<Resource> c = makeCatalogue();
    return c;
}

const Resource* lookup(Kind kind, int id)
{
    for (const Resource& r : catalogue())
        if (r.kind == kind && r.id == id) return &r;
    return nullptr;
}

Image paint(const Resource& r, int d, Hour h)
{
    DensityScope scope(d);
    HourScope at(h);
    return r.paint(r.arg);
}

} // namespace art

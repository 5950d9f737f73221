// The about picture (a 3.5-inch floppy disk whose label carries the version
// line) and the preview picture (a landscape composed of the finished
// pictures, as the saver composes them).
#include "artgen.h"

namespace art {

Image paintAbout()
{
    const int W = 356, H = 330;
    Canvas cv(W, H, 3);
    // Backdrop, seen only in the cut corner.
    rect(cv, 0, 0, W, H, Solid{rgb8(192, 192, 192)});
    // Disk body: blue plastic, bevelled, lit from the upper left.
    const float cut = 22;
    std::vector<Pt> body{{0, 0}, {W - cut, 0}, {float(W), cut}, {float(W), float(H)}, {0, float(H)}};
    RGB blue = rgb8(44, 92, 190);
    poly(cv, body, [&](float x, float y) {
        float f = 0.5f - 0.25f * (x / W + y / H - 1);
        RGB c = mix(tone(blue, -0.25f), tone(blue, 0.2f), f);
        float edge = std::min({x, y, W - x, H - y, (W - x + y - cut) * 0.7071f});
        if (edge < 4) {
            bool lit = x < 4 || y < 4;
            c = lit ? tone(blue, 0.45f) : tone(blue, -0.45f);
        }
        c = c + RGB{1, 1, 1} * ((fbm(x / 3, y / 3, 17, 2) - 0.5f) * 0.03f);
        return c;
    });
    // Embossed arrow in the upper left corner.
    poly(cv, {{14, 14}, {24, 14}, {19, 20}}, Solid{tone(blue, -0.3f)});
    poly(cv, {{14, 13}, {24, 13}, {19, 19}}, Solid{tone(blue, 0.25f)});
    // Recess for the label, then the paper label.
    auto rounded = [](float x0, float y0, float x1, float y1, float r) {
        return [=](float x, float y) {
            float dx = std::max(0.f, std::max(x0 + r - x, x - (x1 - r))),
                  dy = std::max(0.f, std::max(y0 + r - y, y - (y1 - r)));
            return x >= x0 && x <= x1 && y >= y0 && y <= y1 && dx * dx + dy * dy <= r * r;
        };
    };
    fill(cv, {30, 16, 328, 206}, rounded(30, 16, 328, 206, 8),
         [&](float x, float y) { return (x < 33 || y < 19) ? tone(blue, -0.35f) : tone(blue, -0.12f); });
    fill(cv, {36, 22, 322, 200}, rounded(36, 22, 322, 200, 5), [](float x, float y) {
        RGB paper = rgb8(252, 252, 250);
        // The top band of the label.
        if (y < 38) return y < 30 ? rgb8(240, 90, 60) : rgb8(252, 190, 60);
        // Ruled lines below the version line.
        if (y > 118 && std::fmod(y - 118, 14.f) < 1.f && x > 46 && x < 312) return rgb8(170, 200, 236);
        (void)x;
        return paper;
    });
    // Title in the project's font, and a small doodle of the landscape.
    float tw = textWidth("Sylvadra", 34);
    text(cv, "Sylvadra", 179 - tw / 2, 72, 34,
         [](float, float y) { return y < 58 ? rgb8(40, 110, 200) : rgb8(30, 80, 160); });
    // Doodle: hills, a fir and a flower in the lower right of the label.
    fill(
        cv, {200, 140, 310, 192},
        [](float x, float y) {
            return y > 180 - 22 * std::exp(-std::pow((x - 250) / 30, 2.f)) -
                           10 * std::exp(-std::pow((x - 296) / 16, 2.f)) &&
                   y < 194 && x > 204 && x < 314;
        },
        [](float x, float y) { return (x < 246 && y < 172) ? rgb8(150, 210, 110) : rgb8(90, 170, 80); });
    for (int t = 0; t < 3; ++t) {
        float top = 138 + t * 9, hw = 5 + t * 3;
        poly(cv, {{226, top}, {226 + hw, top + 13}, {226 - hw, top + 13}},
             [](float x, float) { return x < 226 ? rgb8(60, 140, 70) : rgb8(30, 96, 60); });
    }
    rect(cv, 224.5f, 175, 227.5f, 182, Solid{rgb8(120, 80, 50)});
    circle(cv, 292, 150, 7, [](float x, float y) { return x + y < 438 ? rgb8(255, 240, 150) : rgb8(252, 206, 60); });
    // The version line sits at 56, 80, 249 x 21 (filled by the dialog).
    // Metal shutter with its window, sliding on the lower edge.
    const float sx0 = 58, sx1 = 198, sy0 = 226;
    rect(cv, sx0 - 3, sy0 - 3, sx1 + 3, float(H), Solid{tone(blue, -0.35f)});
    rect(cv, sx0, sy0, sx1, float(H), [&](float x, float y) {
        float f = (x - sx0) / (sx1 - sx0);
        RGB c = ramp({rgb8(236, 238, 242), rgb8(200, 204, 212), rgb8(220, 222, 228), rgb8(160, 164, 176)}, f);
        if (std::fmod(y * 1.7f + x * 0.02f, 3.f) < 0.5f) c = tone(c, -0.05f); // brushed
        if (y < sy0 + 2) c = tone(c, 0.3f);
        return c;
    });
    rect(cv, 144, 244, 174, 316, Solid{rgb8(60, 64, 76)});
    rect(cv, 144, 244, 174, 247, Solid{rgb8(30, 32, 40)});
    rect(cv, 150, 258, 168, 304, Solid{rgb8(110, 80, 60)}); // the disk inside
    // Write-protect and density holes.
    for (float hx : {14.f, 324.f}) {
        rect(cv, hx, 292, hx + 18, 312, Solid{tone(blue, -0.55f)});
        rect(cv, hx + 2, 294, hx + 18, 312, Solid{rgb8(20, 22, 36)});
    }
    rect(cv, 16, 294, 24, 312, Solid{rgb8(200, 200, 210)}); // the write-protect slider
    return resolve(cv);
}

namespace {
struct Frame {
    std::vector<RGB> c;
    int w, h;
};

// Draws frame "f" of a stored picture into the frame, stretched to dw x dh
// (negative dw mirrors), leaving transparent pixels alone.
void paste(Frame& dst, const Picture& p, int frame, int dx, int dy, int dw, int dh)
{
    const Indexed& ix = p.indexed;
    int fh = ix.h / p.frames;
    bool mirror = dw < 0;
    int aw = std::abs(dw);
    int x0 = mirror ? dx + dw : dx;
    for (int y = 0; y < dh; ++y)
        for (int x = 0; x < aw; ++x) {
            int tx = x0 + x, ty = dy + y;
            if (tx < 0 || ty < 0 || tx >= dst.w || ty >= dst.h) continue;
            int sx = (mirror ? aw - 1 - x : x) * ix.w / aw;
            int sy = frame * fh + y * fh / dh;
            size_t i = size_t(sy) * ix.w + sx;
            if (ix.masked && !ix.opaque[i]) continue;
            dst.c[size_t(ty) * dst.w + tx] = hex(ix.pal[ix.idx[i]]);
        }
}
} // namespace

Image paintPreview(const Catalogue& cat)
{
    Frame f{std::vector<RGB>(640 * 480), 640, 480};
    auto bmp = [&](int id) { return cat.find("bitmap", id); };
    const int horizon = 236;
    // Sky, tiled as the saver tiles it, and a cloud band over its top.
    for (int x = 0; x < 640; x += 35) paste(f, *bmp(101), 0, x, 0, 35, horizon);
    paste(f, *bmp(121), 0, 0, 0, 738, 119);
    // Far hills.
    paste(f, *bmp(135), 0, 640 + 120, horizon - 50, -640, 50);
    paste(f, *bmp(131), 0, -260, horizon - 70, 640, 70);
    // Lake below the horizon.
    int lakeH = 44;
    for (int i = 1; i <= lakeH / 2; ++i) {
        RGB c = rgb8(std::min(255, 104 + 3 * i), std::min(255, 156 + 5 * i), std::min(255, 196 + 2 * i));
        for (int y = horizon + lakeH - 2 * i; y < horizon + lakeH - 2 * i + 2; ++y)
            for (int x = 0; x < 640; ++x) f.c[size_t(y) * 640 + x] = c;
    }
    paste(f, *bmp(139), 0, 300, horizon + 12 - 30, 640, 30); // an island
    // Meadow.
    int top = horizon + lakeH - 2;
    for (int x = 0; x < 640; x += 35) paste(f, *bmp(106), 0, x, top, 35, 480 - top);
    // Forest strips and a hill.
    paste(f, *bmp(141), 0, 420, top - 30, 200, 50);
    paste(f, *bmp(141), 4, -40, top - 20, 200, 50);
    paste(f, *bmp(141), 1, 150, top, 200, 50);
    paste(f, *bmp(133), 0, 640 + 300, top + 20, -640, 40);
    // Fence, single trees.
    paste(f, *bmp(165), 0, 260, top + 74, 400, 28);
    paste(f, *bmp(143), 0, 20, 250, 120, 160);
    paste(f, *bmp(143), 3, 110, 300, 100, 120);
    paste(f, *bmp(145), 0, 470, 250, 170, 190);
    // A meadow full of flowers, with grass.
    Rng rng(2024);
    for (int i = 0; i < 90; ++i) {
        int id = i % 3 == 0 ? rng.i(181, 200) : rng.i(101, 180);
        int y = rng.i(top + 90, 455);
        int s = 20 + (y - top) / 12;
        paste(f, *cat.find("icon", id), 0, rng.i(-10, 630), y, s, s);
    }
    // Down to 256 x 192, averaging 2.5 x 2.5 source pixels per pixel.
    Image im;
    im.w = 256;
    im.h = 192;
    im.c.resize(256 * 192);
    im.a.assign(256 * 192, 1.f);
    for (int y = 0; y < 192; ++y)
        for (int x = 0; x < 256; ++x) {
            RGB s{};
            for (int j = 0; j < 5; ++j)
                for (int i = 0; i < 5; ++i) {
                    int sx = int((x + (i + 0.5f) / 5) * 2.5f), sy = int((y + (j + 0.5f) / 5) * 2.5f);
                    s = s + f.c[size_t(sy) * 640 + sx];
                }
            im.c[size_t(y) * 256 + x] = s * (1.f / 25);
        }
    // Date and time in the bottom left corner, white on the landscape.
    TextMask m = textMask("21.06.2024   12:00:00", 3, 188, 11, 4);
    for (int y = 0; y < 192; ++y)
        for (int x = 0; x < 256; ++x) {
            float cov = 0, sh = 0;
            for (int j = 0; j < 4; ++j)
                for (int i = 0; i < 4; ++i) {
                    float px = x + (i + 0.5f) / 4, py = y + (j + 0.5f) / 4;
                    cov += m.at(px, py);
                    sh += m.at(px - 1, py - 1);
                }
            RGB& c = im.c[size_t(y) * 256 + x];
            c = mix(c, rgb8(20, 40, 20), sh / 16 * 0.6f);
            c = mix(c, rgb8(255, 255, 255), cov / 16);
        }
    return im;
}

} // namespace art

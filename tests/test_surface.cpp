// Raster operations on tiny surfaces, pixel by pixel: clipping at every
// edge, mirroring, stretching, masks, lines, the ellipse and text.
#include <gtest/gtest.h>

#include "pixels.h"
#include "platform/font.h"
#include "platform/surface.h"

using namespace syl;

namespace {

constexpr Color R = 0xFF0000, G = 0x00FF00, B = 0x0000FF, K = 0x000000, W = 0xFFFFFF;

Picture pic(int w, int h, std::vector<Color> px)
{
    Picture p;
    p.width = w;
    p.height = h;
    p.pixels = std::move(px);
    return p;
}

std::vector<Color> rowOf(const Surface& s, int y) { return {s.row(y), s.row(y) + s.width()}; }

} // namespace

TEST(Surface, ResizeKeepsWhatRemainsAndFillsWithBackground)
{
    Surface s(2, 2, W);
    s.setPixel(0, 0, R);
    s.setPixel(1, 1, G);
    s.resize(3, 1);
    EXPECT_EQ(rowOf(s, 0), (std::vector<Color>{R, W, W}));
    s.backColor = B;
    s.setHeight(2);
    EXPECT_EQ(rowOf(s, 1), (std::vector<Color>{B, B, B}));
    s.resize(0, 0);
    EXPECT_EQ(s.width(), 0);
    EXPECT_TRUE(pixelsOf(s).empty());
}

TEST(Surface, AnySequenceOfSizesKeepsTheCornerThatRemains)
{
    // Shrinking and growing in place, in every order a landscape goes
    // through, against a fresh image of the new size with the kept corner
    // copied over.
    Surface s(5, 4, K);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x) s.setPixel(x, y, static_cast<Color>(100 + 10 * y + x));
    const int sizes[][2] = {{5, 2}, {3, 2}, {7, 2}, {7, 6}, {2, 9}, {2, 1}, {8, 3}, {8, 3}, {0, 4}, {4, 4}, {6, 5}};
    Color back = K;
    for (auto [w, h] : sizes) {
        std::vector<Color> expect(static_cast<size_t>(w) * h, back == K ? W : K);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                expect[static_cast<size_t>(y) * w + x] =
                    (x < s.width() && y < s.height()) ? s.pixel(x, y) : (back == K ? W : K);
        back = back == K ? W : K;
        s.backColor = back;
        s.resize(w, h);
        ASSERT_EQ(pixelsOf(s), expect) << w << " x " << h;
        // Marks the new area so that the next step tells kept from cleared.
        if (w > 1 && h > 1) s.setPixel(w - 1, h - 1, static_cast<Color>(7 * w + h));
    }
}

TEST(Surface, AnImageInBorrowedMemoryIsDrawnThereUntilItComesBack)
{
    Surface s(4, 3, K);
    s.setPixel(1, 1, R);
    std::vector<Color> memory(12, 0xABCDEF);
    s.useMemory(memory.data());
    EXPECT_FALSE(s.usesOwnMemory());
    EXPECT_EQ(memory, pixelsOf(s));
    EXPECT_EQ(memory[5], R) << "the image moves along";

    // Drawing goes to the memory and reading comes from it.
    BitBlt(s, 0, 0, 1, 1, viewOf(pic(1, 1, {G})), 0, 0, RasterOp::Copy);
    Line(s, 0, 2, 4, 2, B);
    EXPECT_EQ(memory, (std::vector<Color>{G, K, K, K, K, R, K, K, B, B, B, B}));
    memory[3] = W;
    EXPECT_EQ(s.pixel(3, 0), W);
    EXPECT_EQ(s.view().pixels, memory.data());
    BitBlt(s, 0, 1, 4, 2, s.view(), 0, 0, RasterOp::Copy); // within the image, downwards
    EXPECT_EQ(memory, (std::vector<Color>{G, K, K, W, G, K, K, W, K, R, K, K}));
    s.setPicture(pic(4, 3, std::vector<Color>(12, G)), true);
    EXPECT_EQ(memory, std::vector<Color>(12, G)) << "a picture of the same size";
    EXPECT_FALSE(s.usesOwnMemory());

    // A copy holds its own pixels.
    Surface copy = s;
    EXPECT_TRUE(copy.usesOwnMemory());
    copy.setPixel(0, 0, R);
    EXPECT_EQ(memory[0], G);

    // A new size takes the image back, with the corner that remains; the
    // memory is not touched again.
    s.setPixel(1, 0, B);
    s.resize(2, 2);
    EXPECT_TRUE(s.usesOwnMemory());
    EXPECT_EQ(pixelsOf(s), (std::vector<Color>{G, B, G, G}));
    const std::vector<Color> left = memory;
    s.clearPicture();
    Line(s, 0, 0, 2, 0, W);
    EXPECT_EQ(memory, left);

    // Back and forth at one size.
    s.useMemory(memory.data());
    s.setPixel(1, 1, R);
    s.ownMemory();
    s.setPixel(0, 0, B);
    EXPECT_EQ(pixelsOf(s), (std::vector<Color>{B, W, K, R}));
    EXPECT_EQ(memory[0], W);
    s.useMemory(memory.data());
    s.resizeForOverwrite(1, 1);
    EXPECT_TRUE(s.usesOwnMemory());
}

TEST(Surface, BitBltClipsAtEveryEdgeOfBothRectangles)
{
    Picture src = pic(2, 2, {R, G, B, W});
    struct Case {
        int x, y, sx, sy, w, h;
        std::vector<Color> expect; // 3 x 3 destination, black before
    } cases[] = {
        {0, 0, 0, 0, 2, 2, {R, G, K, B, W, K, K, K, K}},
        {-1, -1, 0, 0, 2, 2, {W, K, K, K, K, K, K, K, K}}, // negative destination
        {2, 2, 0, 0, 2, 2, {K, K, K, K, K, K, K, K, R}},   // beyond the right and bottom
        {0, 0, -1, 0, 3, 1, {K, R, G, K, K, K, K, K, K}},  // source starts left of the picture
        {0, 0, 1, 1, 5, 5, {W, K, K, K, K, K, K, K, K}},   // source rectangle beyond the picture
        {0, 0, 0, 0, 0, 2, {K, K, K, K, K, K, K, K, K}},   // empty width
        {5, 0, 0, 0, 2, 2, {K, K, K, K, K, K, K, K, K}},   // wholly outside
    };
    for (const auto& c : cases) {
        Surface d(3, 3, K);
        BitBlt(d, c.x, c.y, c.w, c.h, viewOf(src), c.sx, c.sy, RasterOp::Copy);
        EXPECT_EQ(pixelsOf(d), c.expect) << "at " << c.x << "," << c.y << " from " << c.sx << "," << c.sy;
    }
}

TEST(Surface, MaskedSpriteLeavesTheBackgroundWhereTheMaskIsWhite)
{
    // Sprite: red on black; mask: black where opaque, white where transparent.
    Picture sprite = pic(2, 1, {R, K});
    Picture mask = pic(2, 1, {K, W});
    Surface d(2, 1, 0);
    d.setPixel(0, 0, G);
    d.setPixel(1, 0, B);
    BitBlt(d, 0, 0, 2, 1, viewOf(mask), 0, 0, RasterOp::And);
    EXPECT_EQ(pixelsOf(d), (std::vector<Color>{K, B}));
    BitBlt(d, 0, 0, 2, 1, viewOf(sprite), 0, 0, RasterOp::Paint);
    EXPECT_EQ(pixelsOf(d), (std::vector<Color>{R, B}));

    // Rows long enough to go by blocks, with a rest, at every start column.
    for (int x0 = 0; x0 < 3; ++x0) {
        const int n = 21;
        std::vector<Color> back(n + 3), m(n), spr(n);
        for (int i = 0; i < n + 3; ++i) back[static_cast<size_t>(i)] = static_cast<Color>(0x9A7B5C + 977 * i);
        for (int i = 0; i < n; ++i) {
            m[static_cast<size_t>(i)] = (i % 3 == 0) ? W : K;
            spr[static_cast<size_t>(i)] = (i % 3 == 0) ? K : static_cast<Color>(0x102030 * (i + 1) & 0xFFFFFF);
        }
        Surface row(n + 3, 1, 0);
        for (int i = 0; i < n + 3; ++i) row.setPixel(i, 0, back[static_cast<size_t>(i)]);
        BitBlt(row, x0, 0, n, 1, viewOf(pic(n, 1, m)), 0, 0, RasterOp::And);
        BitBlt(row, x0, 0, n, 1, viewOf(pic(n, 1, spr)), 0, 0, RasterOp::Paint);
        for (int i = 0; i < n + 3; ++i) {
            const int k = i - x0;
            const Color expect = (k < 0 || k >= n) ? back[static_cast<size_t>(i)]
                                 : (k % 3 == 0)    ? back[static_cast<size_t>(i)]
                                                   : spr[static_cast<size_t>(k)];
            ASSERT_EQ(row.pixel(i, 0), expect) << "column " << i << ", start " << x0;
        }
    }
}

TEST(Surface, PaintPictureWithNegativeWidthMirrorsIntoTheRectangleLeftOfX1)
{
    Picture p = pic(3, 1, {R, G, B});
    Surface d(5, 1, K);
    PaintPicture(d, viewOf(p), 4, 0, -3, 1);
    EXPECT_EQ(pixelsOf(d), (std::vector<Color>{K, B, G, R, K}));

    // A source rectangle that starts left of the picture: those columns draw
    // nothing, the rest land mirrored at the right end of the destination.
    Picture hill = pic(8, 1, {1, 2, 3, 4, 5, 6, 7, 8});
    struct Case {
        int x;
        std::vector<Color> expect;
    } cases[] = {{0, {8, 7, 6, 5, 4, 3, 2, 1}}, {-3, {0, 0, 0, 5, 4, 3, 2, 1}}, {-7, {0, 0, 0, 0, 0, 0, 0, 1}}};
    for (const auto& c : cases) {
        Surface d8(8, 1, 0);
        PaintPicture(d8, viewOf(hill), 8 - c.x, 0, -8, 1, c.x, 0, 8, 1);
        EXPECT_EQ(pixelsOf(d8), c.expect) << "x = " << c.x;
    }
}

TEST(Surface, StretchTakesTheNearestSourcePixel)
{
    Picture p = pic(2, 1, {R, G});
    Surface d(4, 2, K);
    StretchBlt(d, 0, 0, 4, 2, viewOf(p), 0, 0, 2, 1, RasterOp::Copy);
    EXPECT_EQ(rowOf(d, 0), (std::vector<Color>{R, R, G, G}));
    EXPECT_EQ(rowOf(d, 1), (std::vector<Color>{R, R, G, G}));
    // Shrinking 4 -> 2 takes pixels 0..1 -> 0 or 1, 2..3 -> 2 or 3 (the centres).
    Picture q = pic(4, 1, {1, 2, 3, 4});
    Surface e(2, 1, K);
    StretchBlt(e, 0, 0, 2, 1, viewOf(q), 0, 0, 4, 1, RasterOp::Copy);
    EXPECT_EQ(pixelsOf(e), (std::vector<Color>{2, 4}));
    // A gradient 20 wide stretched into tiles 35 wide, 3 rows to 6.
    Picture g = pic(1, 3, {1, 2, 3});
    Surface t(1, 6, K);
    PaintPicture(t, viewOf(g), 0, 0, 1, 6);
    EXPECT_EQ(pixelsOf(t), (std::vector<Color>{1, 1, 2, 2, 3, 3}));
}

TEST(Surface, IconsDrawWithTheirTransparency)
{
    Picture icon = pic(2, 1, {R, G});
    icon.kind = PictureKind::Icon;
    icon.alpha = {255, 0};
    Surface d(2, 1, B);
    d.clearPicture();
    PaintPicture(d, viewOf(icon), 0, 0, 2, 1);
    EXPECT_EQ(pixelsOf(d), (std::vector<Color>{R, B}));
}

TEST(Surface, WideHorizontalLinesCoverTheirPenRows)
{
    // A pen of width 4 on row 5 covers rows 3 to 6; width 1 only its row.
    Surface d(4, 10, K);
    d.drawWidth = 4;
    Line(d, 0, 5, 4, 5, W);
    for (int y = 0; y < 10; ++y) EXPECT_EQ(d.pixel(1, y), (y >= 3 && y <= 6) ? W : K) << "row " << y;
    Surface e(4, 3, K);
    Line(e, 0, 1, 4, 1, R);
    EXPECT_EQ(rowOf(e, 0), (std::vector<Color>{K, K, K, K}));
    EXPECT_EQ(rowOf(e, 1), (std::vector<Color>{R, R, R, R}));
    // Box mode with both corners on one row is the same bar.
    Surface f(4, 10, K);
    f.drawWidth = 4;
    Line(f, 0, 5, 4, 5, W, true);
    EXPECT_EQ(pixelsOf(f), pixelsOf(d));
    // Far outside: nothing, and no time spent walking it.
    Surface g(4, 4, K);
    Line(g, -100000, -5, 100000, -5, W);
    EXPECT_EQ(pixelsOf(g), std::vector<Color>(16, K));
}

TEST(Surface, EllipseFillsTheDiscInsideItsBoundingBox)
{
    Surface d(6, 6, K);
    d.foreColor = d.fillColor = W;
    Ellipse(d, 1, 1, 5, 5);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x) {
            bool inBox = x >= 1 && x < 5 && y >= 1 && y < 5;
            bool corner = (x == 1 || x == 4) && (y == 1 || y == 4);
            EXPECT_EQ(d.pixel(x, y), inBox && !corner ? W : K) << x << "," << y;
        }
    // Partly above the surface: clipped, no fault.
    Surface e(4, 4, K);
    e.fillColor = e.foreColor = W;
    Ellipse(e, 0, -3, 4, 1);
    EXPECT_EQ(e.pixel(1, 0), W);
    EXPECT_EQ(e.pixel(1, 1), K);
    // On a smooth surface (the sharp pictures' sun) the edge is blended by
    // its coverage: grey between the white disc and the black around it,
    // white inside, black outside, symmetric about the centre.
    Surface f(24, 24, K);
    f.smooth = true;
    f.foreColor = f.fillColor = W;
    Ellipse(f, 2, 2, 22, 22);
    EXPECT_EQ(f.pixel(12, 12), W);
    EXPECT_EQ(f.pixel(0, 0), K);
    EXPECT_EQ(f.pixel(3, 3), K) << "outside the disc, inside its box";
    int grey = 0;
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 24; ++x) {
            const Color c = f.pixel(x, y);
            EXPECT_EQ(c, f.pixel(23 - x, y));
            EXPECT_EQ(c, f.pixel(x, 23 - y));
            if (c != W && c != K) {
                ++grey;
                EXPECT_EQ(redOf(c), blueOf(c));
            }
        }
    EXPECT_GT(grey, 40) << "an edge of partly covered pixels all round";
}

TEST(Surface, PrintDrawsGlyphsTransparentlyAndMovesCurrentX)
{
    Surface s(80, 30, B);
    s.clearPicture();
    s.foreColor = W;
    s.currentX = 5;
    s.currentY = 2;
    Print(s, "12");
    double afterFirst = s.currentX;
    EXPECT_GT(afterFirst, 5 + 8);
    Print(s, "3");
    EXPECT_GT(s.currentX, afterFirst);
    int lit = 0, other = 0;
    for (Color c : s.pixels()) {
        if (c == W) ++lit;
        else if (c != B) ++other; // anti-aliased edges
    }
    EXPECT_GE(lit, 1);
    EXPECT_GT(lit + other, 30);
    // Nothing is drawn left of x = 5 or above y = 2: the background is transparent.
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(s.pixel(x, y), B);
    int h = TextHeight(s, "1");
    EXPECT_GE(h, 13);
    EXPECT_LE(h, 20);
}

TEST(Surface, FilteredStretchIsTheSameOnEveryPath)
{
    // Enlarging by 1.5 across and 1.125 down (a sharp canvas over a wide
    // screen), mirrored too, an opaque picture and one with coverage over a
    // patterned background. Drawn whole (four pixels at a time) and in
    // clipped columns too narrow for that, pixel by pixel: the same. An
    // opaque copy over black is also the general path's Paint over black.
    Picture p;
    p.width = 37;
    p.height = 23;
    for (int i = 0; i < p.width * p.height; ++i) {
        p.pixels.push_back(static_cast<Color>(i * 2654435761u) & 0xFFFFFF);
        p.alpha.push_back(static_cast<uint8_t>(i % 5 == 0 ? 0 : i % 5 == 1 ? 255 : i * 37));
    }
    Picture opaque = p;
    opaque.alpha.clear();
    auto background = [](Surface& s) {
        for (int y = 0; y < s.height(); ++y)
            for (int x = 0; x < s.width(); ++x)
                s.row(y)[x] = static_cast<Color>((x * 73 + y * 151) * 40503u) & 0xFFFFFF;
    };
    for (const Picture* pic : {&opaque, &p})
        for (const bool rows : {false, true})
            for (const double w : {55.5, -55.5, 41.0}) {
                Surface whole(61, 29, K), columns(61, 29, K);
                background(whole);
                background(columns);
                whole.rowDither = columns.rowDither = rows;
                DrawFiltered(whole, 3, 2, w, 25.875, viewOf(*pic), 0, 0, 37, 23);
                for (int x = 0; x < 61; x += 3) {
                    columns.setClip(x, 0, x + 3, 29);
                    DrawFiltered(columns, 3, 2, w, 25.875, viewOf(*pic), 0, 0, 37, 23);
                }
                EXPECT_EQ(pixelsOf(whole), pixelsOf(columns))
                    << "width " << w << (rows ? ", rows" : "") << (pic == &p ? ", coverage" : "");
                if (pic != &opaque) continue;
                Surface copy(61, 29, K), general(61, 29, K);
                DrawFiltered(copy, 3, 2, w, 25.875, viewOf(*pic), 0, 0, 37, 23, RasterOp::Copy);
                DrawFiltered(general, 3, 2, w, 25.875, viewOf(*pic), 0, 0, 37, 23, RasterOp::Paint);
                EXPECT_EQ(pixelsOf(copy), pixelsOf(general)) << "width " << w;
            }
    // Pixel for pixel with coverage (a flying object): the same whole and
    // in narrow columns.
    Surface whole(61, 29, K), columns(61, 29, K);
    background(whole);
    background(columns);
    DrawFiltered(whole, 5, 3, 37, 23, viewOf(p), 0, 0, 37, 23);
    for (int x = 0; x < 61; x += 3) {
        columns.setClip(x, 0, x + 3, 29);
        DrawFiltered(columns, 5, 3, 37, 23, viewOf(p), 0, 0, 37, 23);
    }
    EXPECT_EQ(pixelsOf(whole), pixelsOf(columns));
}

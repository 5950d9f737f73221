// The picture catalogue as built into the program: every bitmap and icon
// loads as its kind with its exact size, every sprite's mask fits it, and
// the sprite is pure black wherever its mask is white and nowhere else
// outside its footprint.
#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "platform/codecs.h"
#include "platform/resources.h"

namespace {

struct Entry {
    int id;
    int mask; // 0: none
    int width;
    int height;
    int frames;
};

std::vector<Entry> bitmaps()
{
    std::vector<Entry> e = {
        {101, 0, 20, 305, 1},    {102, 0, 20, 307, 1},    {103, 0, 20, 303, 1},    {104, 0, 20, 311, 1},
        {105, 0, 20, 291, 1},    {106, 0, 20, 174, 1},    {107, 0, 20, 172, 1},    {108, 0, 20, 174, 1},
        {109, 0, 20, 168, 1},    {110, 0, 20, 188, 1},    {141, 142, 200, 250, 5}, {143, 144, 100, 500, 5},
        {145, 146, 100, 500, 5}, {151, 152, 245, 500, 5}, {153, 154, 245, 500, 5}, {161, 162, 153, 115, 1},
        {163, 164, 153, 115, 1}, {165, 166, 400, 28, 1},  {221, 222, 330, 200, 2}, {223, 224, 77, 462, 6},
        {225, 226, 77, 462, 6},  {227, 228, 400, 200, 2}, {229, 230, 200, 100, 1}, {231, 232, 150, 200, 1},
        {233, 234, 150, 200, 1},
    };
    for (int id = 121; id <= 128; ++id) e.push_back({id, 0, 738, (id == 123 || id == 124) ? 118 : 119, 1});
    for (int id = 131; id <= 139; id += 2) e.push_back({id, id + 1, 640, 100, 1});
    for (int id = 201; id <= 205; ++id) e.push_back({id, id + 10, 80, 390, 6});
    return e;
}

std::vector<int> icons()
{
    std::vector<int> ids{1};
    for (int id = 101; id <= 200; ++id) ids.push_back(id);
    return ids;
}

uint32_t le32(std::span<const uint8_t> b, size_t at)
{
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}
uint16_t le16(std::span<const uint8_t> b, size_t at) { return uint16_t(b[at] | b[at + 1] << 8); }

class Catalogue : public ::testing::Test {
protected:
    void SetUp() override { syl::setResourceProvider({}); }
};

TEST_F(Catalogue, EveryBitmapLoadsWithItsSize)
{
    for (const Entry& e : bitmaps()) {
        SCOPED_TRACE("bitmap " + std::to_string(e.id));
        syl::Picture p = syl::LoadResPicture(e.id, syl::ResourceKind::Bitmap);
        EXPECT_EQ(p.kind, syl::PictureKind::Bitmap);
        EXPECT_EQ(p.width, e.width);
        EXPECT_EQ(p.height, e.height);
        EXPECT_EQ(p.pixels.size(), size_t(e.width) * e.height);
    }
}

TEST_F(Catalogue, ColourPicturesAreRle4WithSixteenColoursAndMasksOneBit)
{
    for (const Entry& e : bitmaps()) {
        SCOPED_TRACE("bitmap " + std::to_string(e.id));
        auto b = syl::findResource(syl::ResourceKind::Bitmap, e.id);
        ASSERT_GE(b.size(), 54u);
        EXPECT_EQ(b[0], 'B');
        EXPECT_EQ(b[1], 'M');
        EXPECT_EQ(le32(b, 14), 40u);        // BITMAPINFOHEADER
        EXPECT_GT(int32_t(le32(b, 22)), 0); // bottom-up
        EXPECT_EQ(le16(b, 28), 4);          // 4 bits per pixel
        EXPECT_EQ(le32(b, 30), 2u);         // BI_RLE4
        syl::Picture p = syl::LoadResPicture(e.id, syl::ResourceKind::Bitmap);
        std::set<uint32_t> colours(p.pixels.begin(), p.pixels.end());
        EXPECT_LE(colours.size(), 16u);
        if (e.mask) {
            SCOPED_TRACE("mask " + std::to_string(e.mask));
            auto m = syl::findResource(syl::ResourceKind::Bitmap, e.mask);
            ASSERT_GE(m.size(), 62u);
            EXPECT_EQ(le16(m, 28), 1);  // 1 bit per pixel
            EXPECT_EQ(le32(m, 30), 0u); // uncompressed
        }
    }
}

TEST_F(Catalogue, SpritesArePureBlackExactlyWhereTheirMasksAreWhite)
{
    for (const Entry& e : bitmaps()) {
        if (!e.mask) continue;
        SCOPED_TRACE("bitmap " + std::to_string(e.id) + " with mask " + std::to_string(e.mask));
        syl::Picture p = syl::LoadResPicture(e.id, syl::ResourceKind::Bitmap);
        syl::Picture m = syl::LoadResPicture(e.mask, syl::ResourceKind::Bitmap);
        ASSERT_EQ(m.width, p.width);
        ASSERT_EQ(m.height, p.height);
        int wrongUnderWhite = 0, wrongOutsideBlack = 0, notBlackOrWhite = 0, opaque = 0;
        for (size_t i = 0; i < p.pixels.size(); ++i) {
            syl::Color mc = m.pixels[i] & 0xFFFFFF, pc = p.pixels[i] & 0xFFFFFF;
            if (mc != 0 && mc != 0xFFFFFF) ++notBlackOrWhite;
            if (mc == 0xFFFFFF && pc != 0) ++wrongUnderWhite;
            if (pc != 0 && mc != 0) ++wrongOutsideBlack;
            // Opaque sprite pixels are never pure black, or the OR blit
            // would show the background through them.
            if (mc == 0) {
                ++opaque;
                if (pc == 0) ++wrongOutsideBlack;
            }
        }
        EXPECT_EQ(notBlackOrWhite, 0);
        EXPECT_EQ(wrongUnderWhite, 0);
        EXPECT_EQ(wrongOutsideBlack, 0);
        EXPECT_GT(opaque, 0);
        EXPECT_LT(opaque, int(p.pixels.size()));
    }
}

TEST_F(Catalogue, EveryFrameHoldsADrawingThatStandsInsideIt)
{
    for (const Entry& e : bitmaps()) {
        if (!e.mask) continue;
        SCOPED_TRACE("bitmap " + std::to_string(e.id));
        syl::Picture m = syl::LoadResPicture(e.mask, syl::ResourceKind::Bitmap);
        int fh = e.height / e.frames;
        for (int f = 0; f < e.frames; ++f) {
            int opaque = 0;
            for (int y = f * fh; y < (f + 1) * fh; ++y)
                for (int x = 0; x < m.width; ++x) opaque += (m.at(x, y) & 0xFFFFFF) == 0;
            EXPECT_GT(opaque, fh * m.width / 50) << "frame " << f;
        }
    }
    // Birds and butterflies are drawn one column narrower than their strips.
    for (int id : {211, 212, 213, 214, 215, 224, 226}) {
        syl::Picture m = syl::LoadResPicture(id, syl::ResourceKind::Bitmap);
        for (int y = 0; y < m.height; ++y)
            EXPECT_EQ(m.at(m.width - 1, y) & 0xFFFFFF, 0xFFFFFFu) << "mask " << id << " row " << y;
    }
    // Trees, forest, buildings and the fence stand on their bottom row.
    for (int id : {142, 144, 146, 152, 154, 162, 164, 166}) {
        syl::Picture m = syl::LoadResPicture(id, syl::ResourceKind::Bitmap);
        int frames = m.height / (id == 142 ? 50 : (id >= 162 ? m.height : 100));
        int fh = m.height / frames;
        for (int f = 0; f < frames; ++f) {
            int foot = 0;
            for (int x = 0; x < m.width; ++x) foot += (m.at(x, (f + 1) * fh - 1) & 0xFFFFFF) == 0;
            EXPECT_GT(foot, 0) << "mask " << id << " frame " << f;
        }
    }
}

TEST_F(Catalogue, SkyAndMeadowGradientsAreUniformAlongEachRow)
{
    for (int id = 101; id <= 110; ++id) {
        syl::Picture p = syl::LoadResPicture(id, syl::ResourceKind::Bitmap);
        for (int y = 0; y < p.height; ++y)
            for (int x = 1; x < p.width; ++x) ASSERT_EQ(p.at(x, y), p.at(0, y)) << "bitmap " << id << " row " << y;
    }
}

TEST_F(Catalogue, IconsAre32By32WithTransparentBackground)
{
    std::set<std::vector<syl::Color>> seen;
    for (int id : icons()) {
        SCOPED_TRACE("icon " + std::to_string(id));
        auto b = syl::findResource(syl::ResourceKind::Icon, id);
        ASSERT_GE(b.size(), 22u + 40u);
        EXPECT_EQ(le16(b, 4), 1); // one image
        EXPECT_EQ(b[6], 32);
        EXPECT_EQ(b[7], 32);
        EXPECT_EQ(le16(b, 12), 8); // 256-colour palette
        syl::Picture p = syl::LoadResPicture(id, syl::ResourceKind::Icon);
        EXPECT_EQ(p.kind, syl::PictureKind::Icon);
        ASSERT_EQ(p.width, 32);
        ASSERT_EQ(p.height, 32);
        ASSERT_EQ(p.alpha.size(), 32u * 32u);
        int clear = 0;
        for (uint8_t a : p.alpha) clear += a == 0;
        EXPECT_GT(clear, 0);
        EXPECT_LT(clear, 32 * 32);
        if (id >= 101) {
            // Flowers and tufts grow from the ground: the bottom rows hold
            // the stems.
            int foot = 0;
            for (int x = 0; x < 32; ++x) foot += p.alpha[31 * 32 + x] != 0;
            EXPECT_GT(foot, 0);
        }
        std::vector<syl::Color> masked(p.pixels.size());
        for (size_t i = 0; i < masked.size(); ++i) masked[i] = p.alpha[i] ? p.pixels[i] : 0xFF000000u;
        EXPECT_TRUE(seen.insert(masked).second) << "looks the same as another icon";
    }
    // The kind decides between a bitmap and an icon of the same number.
    EXPECT_EQ(syl::LoadResPicture(105, syl::ResourceKind::Icon).width, 32);
    EXPECT_EQ(syl::LoadResPicture(105, syl::ResourceKind::Bitmap).width, 20);
}

TEST_F(Catalogue, PreviewAndAboutPictures)
{
    auto preview = syl::findResource(syl::ResourceKind::Data, 1);
    ASSERT_FALSE(preview.empty());
    syl::Picture p = syl::decodeBmp(preview);
    EXPECT_EQ(p.width, 256);
    EXPECT_EQ(p.height, 192);

    auto about = syl::findResource(syl::ResourceKind::Data, 2);
    ASSERT_GE(about.size(), 54u);
    EXPECT_EQ(le16(about, 28), 8); // 256 colours
    syl::Picture a = syl::decodeBmp(about);
    EXPECT_EQ(a.width, 356);
    EXPECT_EQ(a.height, 330);
    // The version line (56, 80, 249 x 21 pixels) lies on the white label.
    for (int y = 80; y < 101; ++y)
        for (int x = 56; x < 305; ++x) {
            syl::Color c = a.at(x, y);
            ASSERT_GE(syl::redOf(c), 240) << x << "," << y;
            ASSERT_GE(syl::greenOf(c), 240) << x << "," << y;
            ASSERT_GE(syl::blueOf(c), 240) << x << "," << y;
        }
    // The disk around the label is blue.
    syl::Color body = a.at(10, 150);
    EXPECT_GT(syl::blueOf(body), syl::redOf(body) + 60);
}

TEST_F(Catalogue, ANumberThatNamesNothingIsError326)
{
    try {
        syl::LoadResPicture(120, syl::ResourceKind::Bitmap);
        FAIL() << "no error";
    } catch (const syl::RuntimeError& e) {
        EXPECT_EQ(e.number(), 326);
    }
}

} // namespace

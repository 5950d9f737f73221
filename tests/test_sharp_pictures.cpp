// The sharp pictures: painted at a density they keep the composition of
// density 1 and are finer, not blockier; the disk cache gives back what was
// written and nothing else.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <atomic>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <new>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "platform/sharp_pictures.h"
#include "platform/sharp_store.h"

using namespace syl;
namespace fs = std::filesystem;

namespace {

struct Ref {
    ResourceKind kind;
    int id;
};

// Pictures of every kind of painting: a gradient, a cloud band, textured
// sprites, a strip of frames, outlined sprites, lettering and an icon.
const std::vector<Ref> kSample = {{ResourceKind::Bitmap, 101}, {ResourceKind::Bitmap, 122}, {ResourceKind::Bitmap, 131},
                                  {ResourceKind::Bitmap, 141}, {ResourceKind::Bitmap, 163}, {ResourceKind::Bitmap, 203},
                                  {ResourceKind::Bitmap, 229}, {ResourceKind::Icon, 137},   {ResourceKind::Icon, 185}};

// A component of a pixel laid over mid grey by its alpha, 0..255.
float over(const Picture& p, size_t i, int shift)
{
    const float c = float((p.pixels[i] >> shift) & 255);
    const float a = p.alpha.empty() ? 1.f : p.alpha[i] / 255.f;
    return c * a + 128.f * (1 - a);
}

// How much neighbours differ in the green component, between the columns
// x and x + 1 with x % 2 == phase (0: inside the 2 x 2 blocks of a picture
// twice as large, 1: across them), over covered pixels.
double columnStep(const Picture& p, int phase)
{
    double sum = 0;
    long n = 0;
    for (int y = 0; y < p.height; ++y)
        for (int x = phase; x + 1 < p.width; x += 2) {
            const size_t i = size_t(y) * p.width + x;
            if (!p.alpha.empty() && (p.alpha[i] < 255 || p.alpha[i + 1] < 255)) continue;
            sum += std::fabs(over(p, i, 8) - over(p, i + 1, 8));
            ++n;
        }
    return n ? sum / n : 0;
}

struct TempFolder {
    fs::path path;
    TempFolder()
    {
        path = fs::temp_directory_path() /
               ("sylvadra-sharp-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
        fs::create_directories(path);
    }
    ~TempFolder()
    {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
};

} // namespace

TEST(SharpPictures, FinerDensitiesKeepTheCompositionAndAddDetailNotBlocks)
{
    for (const Ref& r : kSample) {
        SCOPED_TRACE("picture " + std::to_string(r.id));
        const Picture one = paintSharpPicture(r.kind, r.id, 1);
        const Picture two = paintSharpPicture(r.kind, r.id, 2);
        ASSERT_FALSE(one.empty());
        EXPECT_EQ(one.density, 1);
        EXPECT_EQ(two.density, 2);
        ASSERT_EQ(two.width, 2 * one.width);
        ASSERT_EQ(two.height, 2 * one.height);
        ASSERT_EQ(one.alpha.empty(), two.alpha.empty());
        EXPECT_EQ(two.kind, r.kind == ResourceKind::Icon ? PictureKind::Icon : PictureKind::Bitmap);

        // Each 2 x 2 block of density 2, averaged, is close to the pixel of
        // density 1: the same shapes, colours and places.
        double diff = 0, alphaDiff = 0;
        for (int y = 0; y < one.height; ++y)
            for (int x = 0; x < one.width; ++x) {
                const size_t i = size_t(y) * one.width + x;
                for (int shift : {16, 8, 0}) {
                    float avg = 0;
                    for (int j = 0; j < 2; ++j)
                        for (int k = 0; k < 2; ++k)
                            avg += over(two, size_t(2 * y + j) * two.width + 2 * x + k, shift) / 4;
                    diff += std::fabs(avg - over(one, i, shift));
                }
                if (!one.alpha.empty()) {
                    float a = 0;
                    for (int j = 0; j < 2; ++j)
                        for (int k = 0; k < 2; ++k) a += two.alpha[size_t(2 * y + j) * two.width + 2 * x + k] / 4.f;
                    alphaDiff += std::fabs(a - one.alpha[i]);
                }
            }
        const double pixels = double(one.width) * one.height;
        EXPECT_LT(diff / pixels / 3, 4.0);
        EXPECT_LT(alphaDiff / pixels, 4.0);

        // Skies and meadows are gradients of one colour a row.
        if (r.kind == ResourceKind::Bitmap && r.id <= 110) {
            for (int y = 0; y < two.height; ++y)
                EXPECT_EQ(std::count(two.pixels.begin() + size_t(y) * two.width,
                                     two.pixels.begin() + size_t(y + 1) * two.width, two.pixels[size_t(y) * two.width]),
                          two.width);
            continue;
        }
        // No blocks of 2 x 2 equal pixels: textures are as lively inside the
        // blocks as across them, and a row seldom repeats the one above.
        const double inside = columnStep(two, 0), across = columnStep(two, 1);
        EXPECT_GT(inside, 0.6 * across) << inside << " inside, " << across << " across";
        int repeats = 0;
        for (int y = 1; y < two.height; ++y)
            repeats +=
                std::equal(two.pixels.begin() + size_t(y) * two.width, two.pixels.begin() + size_t(y + 1) * two.width,
                           two.pixels.begin() + size_t(y - 1) * two.width);
        EXPECT_LT(repeats, two.height / 10);

        // Where nothing covers a sprite its colour is its own, not black.
        for (size_t i = 0; i < two.alpha.size(); ++i)
            if (two.alpha[i] == 0 && two.pixels[i] == 0) {
                ADD_FAILURE() << "black under a transparent pixel at " << i;
                break;
            }
    }
    // Masks, unknown numbers and impossible densities paint nothing.
    EXPECT_TRUE(paintSharpPicture(ResourceKind::Bitmap, 132, 2).empty());
    EXPECT_TRUE(paintSharpPicture(ResourceKind::Icon, 141, 0).empty());
    EXPECT_TRUE(paintSharpPicture(ResourceKind::Bitmap, 999, 2).empty());
}

TEST(SharpPictures, CloudsAreSoftAndRoundWithoutEdgesInside)
{
    // Both kinds of band, fair-weather cumulus and a breezy sky, at density
    // 4 (a 4K screen): from one pixel to the next, across the clouds' edges
    // and inside them, the colour changes gently, as a soft body's does;
    // clouds of stacked flat shapes step from one to the next.
    for (int id : {121, 124}) {
        const Picture p = paintSharpPicture(ResourceKind::Bitmap, id, 4);
        ASSERT_EQ(p.width, 738 * 4);
        std::vector<int> steps;
        for (int y = 1; y < p.height; ++y)
            for (int x = 1; x < p.width; ++x) {
                const Color c = p.at(x, y);
                for (const Color n : {p.at(x - 1, y), p.at(x, y - 1)})
                    steps.push_back(std::abs(redOf(c) - redOf(n)) + std::abs(greenOf(c) - greenOf(n)) +
                                    std::abs(blueOf(c) - blueOf(n)));
            }
        std::sort(steps.begin(), steps.end());
        EXPECT_LE(steps[steps.size() * 9999 / 10000], 100) << "picture " << id << ": steps at the clouds' edges";
        EXPECT_LE(steps.back(), 160) << "picture " << id << ": an edge";
    }
}

TEST(SharpPictures, PaintingOnSeveralThreadsGivesTheSamePicture)
{
    // The airship carries lettering: the font is set up by whichever
    // thread comes first.
    Picture a, b;
    std::thread t1([&] { a = paintSharpPicture(ResourceKind::Bitmap, 229, 1); });
    std::thread t2([&] { b = paintSharpPicture(ResourceKind::Bitmap, 229, 1); });
    t1.join();
    t2.join();
    EXPECT_EQ(a.pixels, b.pixels);
    EXPECT_EQ(a.alpha, b.alpha);
}

TEST(SharpPictures, TheCacheGivesBackWhatWasWrittenAndNothingElse)
{
    TempFolder tmp;
    const std::string folder = tmp.path.string();
    const Picture flower = paintSharpPicture(ResourceKind::Icon, 137, 3);
    const Picture sky = paintSharpPicture(ResourceKind::Bitmap, 104, 2);
    EXPECT_FALSE(readCachedPicture(folder, ResourceKind::Icon, 137, 3));
    ASSERT_TRUE(writeCachedPicture(folder, ResourceKind::Icon, 137, flower));
    ASSERT_TRUE(writeCachedPicture(folder, ResourceKind::Bitmap, 104, sky));
    for (auto [kind, id, p] : {std::tuple{ResourceKind::Icon, 137, &flower}, {ResourceKind::Bitmap, 104, &sky}}) {
        auto back = readCachedPicture(folder, kind, id, p->density);
        ASSERT_TRUE(back);
        EXPECT_EQ(back->width, p->width);
        EXPECT_EQ(back->height, p->height);
        EXPECT_EQ(back->density, p->density);
        EXPECT_EQ(back->kind, p->kind);
        EXPECT_EQ(back->pixels, p->pixels);
        EXPECT_EQ(back->alpha, p->alpha);
    }
    // Another density or another picture is not in the cache.
    EXPECT_FALSE(readCachedPicture(folder, ResourceKind::Icon, 137, 2));
    EXPECT_FALSE(readCachedPicture(folder, ResourceKind::Bitmap, 137, 3));
    // A picture that is not what it claims to be is not written.
    Picture wrong = flower;
    wrong.density = 2;
    EXPECT_FALSE(writeCachedPicture(folder, ResourceKind::Icon, 137, wrong));
    EXPECT_FALSE(writeCachedPicture(folder, ResourceKind::Icon, 138, sky));

    // Find the flower's file, keep its bytes, and spoil it in every way.
    fs::path file;
    for (auto& e : fs::recursive_directory_iterator(tmp.path))
        if (e.path().filename().string().find("icon-137") != std::string::npos) file = e.path();
    ASSERT_FALSE(file.empty());
    std::string good;
    {
        std::ifstream in(file, std::ios::binary);
        good.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    auto put = [&](const std::string& bytes) {
        fs::remove(file);
        std::ofstream(file, std::ios::binary) << bytes;
    };
    auto readsAsAbsent = [&](const char* what) {
        SCOPED_TRACE(what);
        EXPECT_FALSE(readCachedPicture(folder, ResourceKind::Icon, 137, 3));
    };
    std::string flipped = good;
    flipped[good.size() / 2] = char(flipped[good.size() / 2] ^ 0x10);
    put(flipped);
    readsAsAbsent("one bit changed in the pixels");
    flipped = good;
    flipped[13] = char(flipped[13] + 1);
    put(flipped);
    readsAsAbsent("another painter version");
    put(good.substr(0, good.size() - 7));
    readsAsAbsent("truncated");
    put(good.substr(0, 20));
    readsAsAbsent("only part of the header");
    put(good + "x");
    readsAsAbsent("longer");
    put("");
    readsAsAbsent("empty");
    // Another picture's file under this name.
    ASSERT_TRUE(writeCachedPicture(folder, ResourceKind::Icon, 138, paintSharpPicture(ResourceKind::Icon, 138, 3)));
    fs::remove(file);
    fs::copy_file(file.parent_path() / "icon-138-x3.pic", file);
    readsAsAbsent("another picture's file");
    // A folder in the file's place.
    fs::remove(file);
    fs::create_directory(file);
    readsAsAbsent("a folder");
    fs::remove(file);
#ifndef _WIN32
    // A symlink to a good file, in the file's place or the folder's.
    const fs::path elsewhere = tmp.path / "elsewhere.pic";
    std::ofstream(elsewhere, std::ios::binary) << good;
    fs::create_symlink(elsewhere, file);
    readsAsAbsent("a symlink to a good file");
    fs::remove(file);
    put(good);
    ASSERT_TRUE(readCachedPicture(folder, ResourceKind::Icon, 137, 3));
    const fs::path real = tmp.path / "real";
    fs::create_directory(real);
    fs::rename(file.parent_path(), real / file.parent_path().filename());
    EXPECT_TRUE(readCachedPicture(real.string(), ResourceKind::Icon, 137, 3));
    fs::create_directory_symlink(real / file.parent_path().filename(), file.parent_path());
    readsAsAbsent("the cache's folder is a symlink");
    // Writing does not go through the planted folder link either.
    EXPECT_FALSE(writeCachedPicture(folder, ResourceKind::Icon, 137, flower));
    fs::remove(file.parent_path());
    fs::rename(real / file.parent_path().filename(), file.parent_path());
    ASSERT_TRUE(readCachedPicture(folder, ResourceKind::Icon, 137, 3));
    // A FIFO in the file's place is opened without waiting for a writer.
    fs::rename(file, tmp.path / "kept.pic");
    ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0);
    EXPECT_FALSE(cachedPictureExists(folder, ResourceKind::Icon, 137, 3));
    readsAsAbsent("a FIFO");
    fs::remove(file);
    fs::rename(tmp.path / "kept.pic", file);
    // Another user's file, folder or cache folder is not trusted, and the
    // cache folder itself as a link is neither read nor written through.
    if (::geteuid() == 0) {
        const uid_t other = 65534;
        ASSERT_EQ(::chown(file.c_str(), other, other), 0);
        EXPECT_FALSE(cachedPictureExists(folder, ResourceKind::Icon, 137, 3));
        readsAsAbsent("another user's file");
        ASSERT_EQ(::chown(file.c_str(), 0, 0), 0);
        ASSERT_EQ(::chown(file.parent_path().c_str(), other, other), 0);
        readsAsAbsent("another user's folder");
        ASSERT_EQ(::chown(file.parent_path().c_str(), 0, 0), 0);
        ASSERT_TRUE(readCachedPicture(folder, ResourceKind::Icon, 137, 3));
    }
    const fs::path linked = tmp.path / "linked";
    fs::create_directory_symlink(tmp.path, linked);
    EXPECT_FALSE(readCachedPicture(linked.string(), ResourceKind::Icon, 137, 3));
    EXPECT_FALSE(cachedPictureExists(linked.string(), ResourceKind::Icon, 137, 3));
    EXPECT_FALSE(writeCachedPicture(linked.string(), ResourceKind::Icon, 137, flower));
#endif
}

// The store's painting in the background: a cache folder that cannot be
// written (a file in its place) keeps what was painted in memory, so that
// nothing is painted twice; a failure of the painting (out of memory) means
// classic landscapes for the rest of the run, never an abort.
TEST(SharpStore, AnUnwritableCacheKeepsPicturesInMemoryAndAFailedPaintingMeansClassic)
{
    TempFolder tmp;
    static std::atomic<int> painted{0};
    painted = 0;
    setSharpPainter([](const SharpKey& k, const std::atomic<bool>* stop) {
        ++painted;
        return paintSharpPicture(k.kind, k.id, k.density, stop);
    });
    const fs::path blocked = tmp.path / "blocked";
    std::ofstream(blocked) << "a file, not a folder";
    setSharpCacheFolder(blocked.string());
    const std::vector<SharpKey> keys{{ResourceKind::Icon, 137, 2}};
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    auto waitFor = [&](auto done) {
        while (!done() && std::chrono::steady_clock::now() < deadline) {
            prepareSharpPictures(keys);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return done();
    };
    ASSERT_TRUE(waitFor([&] { return sharpPictureAtHand(keys[0]); }));
    EXPECT_FALSE(sharpPicture(keys[0]).empty());
    EXPECT_EQ(painted.load(), 1) << "painted again although it was kept";

    // A file whose header is good and whose body is damaged is not at hand:
    // it is found out before a landscape counts on it.
    const fs::path cache = tmp.path / "cache";
    const SharpKey sky{ResourceKind::Bitmap, 104, 2};
    ASSERT_TRUE(writeCachedPicture(cache.string(), sky.kind, sky.id, paintSharpPicture(sky.kind, sky.id, 2)));
    fs::path file;
    for (auto& e : fs::recursive_directory_iterator(cache))
        if (e.path().filename().string().find("bitmap-104") != std::string::npos) file = e.path();
    ASSERT_FALSE(file.empty());
    {
        std::fstream f(file, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(static_cast<std::streamoff>(fs::file_size(file) - 100));
        f.put('\x5a');
    }
    setSharpCacheFolder(cache.string());
    EXPECT_TRUE(cachedPictureExists(cache.string(), sky.kind, sky.id, 2)) << "the header is good";
    EXPECT_FALSE(sharpPictureAtHand(sky)) << "a damaged body counts as absent";

    setSharpCacheFolder(cache.string());
    setSharpPainter([](const SharpKey&, const std::atomic<bool>*) -> Picture { throw std::bad_alloc(); });
    EXPECT_TRUE(waitFor([] { return sharpPaintingFailed(); }));
    EXPECT_FALSE(sharpPictureAtHand(keys[0]));
    EXPECT_FALSE(prepareSharpPictures(keys)) << "painting is not tried again after a failure";
    setSharpPainter(nullptr);
    setSharpCacheFolder("");
}

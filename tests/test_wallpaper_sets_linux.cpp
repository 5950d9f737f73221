// The sets of --set-wallpaper among hostile folders and odd monitors: a
// linked folder is refused and never pruned through, sets are ordered by
// their files' own times (a date in the future keeps no place for ever),
// and a monitor placed far away gets no spanned picture of the empty space.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/host.h"
#include "settings/config.h"
#include "shell/wallpapers.h"

namespace syl {
namespace {

namespace fs = std::filesystem;

class WallpaperSets : public ::testing::Test {
protected:
    void SetUp() override
    {
        root_ = fs::temp_directory_path() /
                ("sylvadra-sets-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
        fs::create_directories(root_ / "data");
        host_.userDataDir_ = (root_ / "data").string();
        setHost(&host_);
        settings() = Settings{};
        settings().Sharp = 0;
    }
    void TearDown() override
    {
        setHost(nullptr);
        settings() = Settings{};
        std::error_code ec;
        fs::remove_all(root_, ec);
    }
    // A picture file of a set, its time set to `when` (seconds since 1970).
    static void plant(const fs::path& file, long long when)
    {
        std::ofstream(file) << "old";
        const timespec t[2] = {{static_cast<time_t>(when), 0}, {static_cast<time_t>(when), 0}};
        ::utimensat(AT_FDCWD, file.c_str(), t, 0);
    }
    static int count(const fs::path& folder, const std::string& part)
    {
        int n = 0;
        for (const auto& e : fs::directory_iterator(folder))
            if (e.path().filename().string().find(part) != std::string::npos) ++n;
        return n;
    }
    HeadlessHost host_;
    fs::path root_;
};

TEST_F(WallpaperSets, ALinkedFolderIsRefusedAndNeverPrunedThrough)
{
    const fs::path elsewhere = root_ / "elsewhere";
    fs::create_directories(elsewhere);
    for (int i = 1; i <= 5; ++i) plant(elsewhere / ("landscape-2001010" + std::to_string(i) + "-000000-1-1.png"), 1e9);
    const fs::path folder = root_ / "data" / "wallpaper";
    fs::create_directory_symlink(elsewhere, folder);
    WallpaperSet set;
    std::string why;
    EXPECT_FALSE(writeWallpaperSet({{"", 0, 0, 64, 48, true}}, false, folder.string(), set, &why));
    EXPECT_NE(why.find("link"), std::string::npos) << why;
    pruneWallpaperSets(folder.string(), 1, "");
    EXPECT_EQ(count(elsewhere, "landscape-"), 5) << "files deleted or written through the link";
    // The program's own folder above it, linked, is refused as well.
    fs::remove(folder);
    fs::rename(root_ / "data", root_ / "real-data");
    fs::create_directory_symlink(root_ / "real-data", root_ / "data");
    EXPECT_FALSE(writeWallpaperSet({{"", 0, 0, 64, 48, true}}, false, folder.string(), set, &why));
    EXPECT_EQ(count(root_ / "real-data", "wallpaper") + count(elsewhere, "landscape-"), 5 + 1);
}

TEST_F(WallpaperSets, SetsAreOrderedByTheirFilesTimesNotTheDatesInTheirNames)
{
    const fs::path folder = root_ / "data" / "wallpaper";
    fs::create_directories(folder);
    // Named in the far future, and two of them also dated there.
    plant(folder / "landscape-20990101-000000-1-1.png", 4102444800LL);
    plant(folder / "landscape-20990102-000000-1-1.png", 4102444800LL);
    plant(folder / "landscape-20990103-000000-1-1.png", 1e9);
    WallpaperSet set;
    std::string why;
    for (int run = 0; run < 3; ++run)
        ASSERT_TRUE(writeWallpaperSet({{"", 0, 0, 64, 48, true}}, false, folder.string(), set, &why)) << why;
    EXPECT_EQ(count(folder, "2099"), 0) << "a set dated in the future kept its place";
    EXPECT_EQ(count(folder, "landscape-"), 3);
}

TEST_F(WallpaperSets, AMonitorFarAwayGetsNoSpannedPictureOfTheEmptySpace)
{
    const fs::path folder = root_ / "data" / "wallpaper";
    WallpaperSet set;
    std::string why;
    ASSERT_TRUE(writeWallpaperSet({{"a", 0, 0, 64, 48, true}, {"b", 30000, 30000, 64, 48, false}}, true,
                                  folder.string(), set, &why))
        << why;
    EXPECT_TRUE(set.spanned.empty());
    ASSERT_EQ(set.pictures.size(), 2u);
    // Side by side, they are spanned as before.
    ASSERT_TRUE(
        writeWallpaperSet({{"a", 0, 0, 64, 48, true}, {"b", 64, 0, 32, 48, false}}, true, folder.string(), set, &why))
        << why;
    ASSERT_FALSE(set.spanned.empty());
    // The PNG header's size: width and height, big-endian, from byte 16.
    std::ifstream png(set.spanned, std::ios::binary);
    unsigned char head[24] = {};
    png.read(reinterpret_cast<char*>(head), sizeof head);
    auto be = [&](int at) { return head[at] << 24 | head[at + 1] << 16 | head[at + 2] << 8 | head[at + 3]; };
    EXPECT_EQ(be(16), 96);
    EXPECT_EQ(be(20), 48);
}

} // namespace
} // namespace syl

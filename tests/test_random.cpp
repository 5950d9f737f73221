// Zz and ZzR by their formulas, in single precision, with overflow.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>

#include "errors/errptnr.h"
#include "errors/handler.h"
#include "platform/host.h"
#include "platform/random.h"
#include "scene/zz.h"

using namespace syl;

namespace {
struct Scripted {
    ScriptedRandom r;
    explicit Scripted(std::vector<float> v) : r(std::move(v)) { setRandomSource(&r); }
    ~Scripted() { setRandomSource(nullptr); }
};
} // namespace

TEST(Random, ZzCoversItsRangeAtTheEdgesOfR)
{
    const float justBelowOne = 1.0f - 1.0f / 16777216.0f;
    struct Case {
        int lo, hi;
        float r;
        int expect;
    } cases[] = {
        {5, 5, 0.0f, 5},
        {5, 5, justBelowOne, 5},
        {-4, -1, 0.0f, -4},
        {-4, -1, 0.25f, -3},
        {-4, -1, justBelowOne, -1},
        {181, 200, 0.0f, 181},
        {181, 200, justBelowOne, 200},
        {-2000, 34, 0.0f, -2000},
        {-2000, 34, justBelowOne, 34},
        // hi = lo - 1: span 0, always lo.
        {7, 6, 0.9f, 7},
        // lo above hi by more: the formula still gives a value, from hi + 1 up to lo.
        {0, -25, 0.0f, 0},
        {0, -25, 0.5f, -12},
    };
    for (const auto& c : cases) {
        Scripted s({c.r});
        EXPECT_EQ(Zz(c.lo, c.hi), c.expect) << "Zz(" << c.lo << ", " << c.hi << ") with r = " << c.r;
    }
}

TEST(Random, ZzGivesEachGrassIconAboutEquallyOften)
{
    Rnd rnd(12345);
    setRandomSource(&rnd);
    std::array<int, 20> counts{};
    const int n = 40000;
    for (int i = 0; i < n; ++i) {
        int v = Zz(181, 200);
        ASSERT_GE(v, 181);
        ASSERT_LE(v, 200);
        ++counts[static_cast<size_t>(v - 181)];
    }
    setRandomSource(nullptr);
    for (int c : counts) {
        EXPECT_GT(c, n / 20 * 0.9);
        EXPECT_LT(c, n / 20 * 1.1);
    }
}

TEST(Random, ZzROfASingleRange)
{
    Scripted s({0.0f, 0.5f});
    EXPECT_FLOAT_EQ(ZzR(0.7f, 1.0f), 0.7f);
    EXPECT_FLOAT_EQ(ZzR(0.7f, 1.0f), 0.85f);
}

TEST(Random, TheGeneratorStaysInZeroToOneAndRepeatsFromASeed)
{
    Rnd a(42), b(42), c(43);
    bool differs = false;
    for (int i = 0; i < 10000; ++i) {
        float x = a.next();
        ASSERT_GE(x, 0.0f);
        ASSERT_LT(x, 1.0f);
        ASSERT_EQ(x, b.next());
        differs |= x != c.next();
    }
    EXPECT_TRUE(differs);
}

TEST(Random, ZzOverflowIsDispatchedFromAllgemeinZz)
{
    HeadlessHost h;
    h.exePath_ = (std::filesystem::temp_directory_path() / "sylvadra-zz-test" / "Sylvadra.exe").string();
    std::filesystem::create_directories(std::filesystem::temp_directory_path() / "sylvadra-zz-test");
    setHost(&h);
    ErrPtnr::Unload();
    // The span of -32768 to 32767 does not fit 16 bits: the statement fails,
    // is retried once and then ends the program.
    Rnd rnd(1);
    setRandomSource(&rnd);
    EXPECT_THROW(Zz(-32768, 32767), ProgramEnd);
    EXPECT_EQ(ErrPtnr::lblError(0), "6 (Overflow)");
    EXPECT_EQ(ErrPtnr::lblError(1), "Allgemein");
    EXPECT_EQ(ErrPtnr::lblError(2), "Zz");
    EXPECT_EQ(ErrPtnr::lblError(3), "0");
    setRandomSource(nullptr);
    setHost(nullptr);
    ErrPtnr::Unload();
    std::filesystem::remove_all(std::filesystem::temp_directory_path() / "sylvadra-zz-test");
}

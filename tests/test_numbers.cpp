// The number rules: overflow-checked 16- and 32-bit conversions, rounding
// halves to even, truncating integer division, reading numbers with either
// decimal separator, and printing singles and doubles as the store keeps them.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>

#include "platform/numbers.h"

namespace syl {
namespace {

// The error number a call raises, or nothing when it succeeds.
template <class F>
std::optional<int> errorOf(F&& f)
{
    try {
        f();
    } catch (const RuntimeError& e) {
        return e.number();
    }
    return std::nullopt;
}

TEST(Numbers, CIntRoundsHalvesToEvenAndOverflows)
{
    struct Case {
        double in;
        std::optional<int> out; // nothing: overflow
    };
    const Case cases[] = {
        {2.5, 2},
        {3.5, 4},
        {-2.5, -2},
        {-3.5, -4},
        {0.5, 0},
        {-0.5, 0},
        {1.5, 2},
        {1.6, 2},
        {1.4, 1},
        {-1.6, -2},
        {2.4999999, 2},
        {2.5000001, 3},
        {32767.4, 32767},
        {32766.5, 32766},
        {32767.5, std::nullopt},
        {32768, std::nullopt},
        {-32768, -32768},
        {-32768.5, -32768},
        {-32768.6, std::nullopt},
        {-32769, std::nullopt},
        {1e300, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.in);
        if (c.out) {
            int16_t v = 0;
            EXPECT_EQ(errorOf([&] { v = CInt(c.in); }), std::nullopt);
            EXPECT_EQ(v, *c.out);
        } else {
            EXPECT_EQ(errorOf([&] { CInt(c.in); }), kErrOverflow);
        }
    }
    EXPECT_EQ(errorOf([] { CInt(std::numeric_limits<double>::infinity()); }), kErrOverflow);
    EXPECT_EQ(errorOf([] { CInt(std::nan("")); }), kErrOverflow);
}

TEST(Numbers, CLngRoundsHalvesToEvenAndOverflows)
{
    struct Case {
        double in;
        std::optional<long long> out;
    };
    const Case cases[] = {
        {2.5, 2},
        {3.5, 4},
        {-2.5, -2},
        {600.4, 600},
        {200.0 / 0.1f, 2000}, // the timer interval of the slowest rate: 1999.99997 rounds up
        {2147483647.0, 2147483647},
        {2147483647.4, 2147483647},
        {2147483647.5, std::nullopt},
        {2147483648.0, std::nullopt},
        {-2147483648.0, -2147483648LL},
        {-2147483648.5, -2147483648LL},
        {-2147483649.0, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.in);
        if (c.out) {
            int32_t v = 0;
            EXPECT_EQ(errorOf([&] { v = CLng(c.in); }), std::nullopt);
            EXPECT_EQ(v, *c.out);
        } else {
            EXPECT_EQ(errorOf([&] { CLng(c.in); }), kErrOverflow);
        }
    }
    EXPECT_EQ(errorOf([] { CLng(-std::numeric_limits<double>::infinity()); }), kErrOverflow);
}

TEST(Numbers, IntegerRangeChecks)
{
    struct Case {
        long long in;
        bool fits16, fits32;
    };
    const Case cases[] = {
        {0, true, true},
        {32767, true, true},
        {32768, false, true},
        {-32768, true, true},
        {-32769, false, true},
        {2147483647LL, false, true},
        {2147483648LL, false, false},
        {-2147483648LL, false, true},
        {-2147483649LL, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.in);
        if (c.fits16) {
            EXPECT_EQ(ck16(c.in), c.in);
        } else {
            EXPECT_EQ(errorOf([&] { ck16(c.in); }), kErrOverflow);
        }
        if (c.fits32) {
            EXPECT_EQ(ck32(c.in), c.in);
        } else {
            EXPECT_EQ(errorOf([&] { ck32(c.in); }), kErrOverflow);
        }
    }
}

TEST(Numbers, IntegerDivisionTruncatesAndFloorTakesTheFloor)
{
    struct Div {
        long long a, b, q;
    };
    for (const Div& d : {Div{7, 2, 3}, Div{-7, 2, -3}, Div{7, -2, -3}, Div{-7, -2, 3}, Div{1, 3, 0}, Div{-1, 3, 0}}) {
        SCOPED_TRACE(std::to_string(d.a) + " \\ " + std::to_string(d.b));
        EXPECT_EQ(intDiv(d.a, d.b), d.q);
    }
    EXPECT_EQ(errorOf([] { intDiv(5, 0); }), kErrDivisionByZero);
    EXPECT_EQ(errorOf([] { intDiv(0, 0); }), kErrDivisionByZero);

    EXPECT_EQ(Int(2.9), 2.0);
    EXPECT_EQ(Int(-0.5), -1.0);
    EXPECT_EQ(Int(-2.0), -2.0);
    EXPECT_EQ(Int(0.0), 0.0);
}

TEST(Numbers, BooleansAndColours)
{
    EXPECT_EQ(vbBool(true), -1);
    EXPECT_EQ(vbBool(false), 0);
    EXPECT_EQ(RGB(300, -5, 128), 0xFF0080u);
    EXPECT_EQ(RGB(255, 255, 255), 0xFFFFFFu);
    EXPECT_EQ(redOf(RGB(1, 2, 3)), 1);
    EXPECT_EQ(greenOf(RGB(1, 2, 3)), 2);
    EXPECT_EQ(blueOf(RGB(1, 2, 3)), 3);
}

TEST(Numbers, ErrorDescriptions)
{
    EXPECT_EQ(RuntimeError(6).description(), "Overflow");
    EXPECT_EQ(RuntimeError(11).description(), "Division by zero");
    EXPECT_EQ(RuntimeError(13).description(), "Type mismatch");
    EXPECT_EQ(RuntimeError(75).description(), "Path/File access error");
    EXPECT_EQ(errorOf([] { raiseResourceNotFound(105); }), kErrResourceNotFound);
    try {
        raiseResourceNotFound(105);
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.description(), "Resource with identifier '105' not found");
    }
}

TEST(Numbers, ParseNumberAcceptsPointAndCommaAlike)
{
    struct Case {
        const char* text;
        double value;
    };
    const Case cases[] = {
        {"1.6", 1.6},   {"1,6", 1.6},  {" 5.84 ", 5.84},   {"5,84", 5.84}, {"-2.5", -2.5}, {"+3", 3},
        {"1e2", 100},   {"1E-1", 0.1}, {"2,5e1", 25},      {".5", 0.5},    {",5", 0.5},    {"5.", 5},
        {"0,53", 0.53}, {"6", 6},      {"\t600\r\n", 600}, {"-0", 0},      {"007", 7},     {"1e-400", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        double v = -12345;
        EXPECT_EQ(errorOf([&] { v = parseNumber(c.text); }), std::nullopt);
        EXPECT_DOUBLE_EQ(v, c.value);
    }
}

TEST(Numbers, ParseNumberRejectsWhatIsNoNumber)
{
    struct Case {
        const char* text;
        int error;
    };
    const Case cases[] = {
        {"", kErrTypeMismatch},        {"   ", kErrTypeMismatch},     {"abc", kErrTypeMismatch},
        {"1.000,5", kErrTypeMismatch}, {"1,000.5", kErrTypeMismatch}, {"1.2.3", kErrTypeMismatch},
        {"1e", kErrTypeMismatch},      {"1e+", kErrTypeMismatch},     {"--1", kErrTypeMismatch},
        {"1-", kErrTypeMismatch},      {"0x10", kErrTypeMismatch},    {"nan", kErrTypeMismatch},
        {"inf", kErrTypeMismatch},     {"1 2", kErrTypeMismatch},     {"e5", kErrTypeMismatch},
        {".", kErrTypeMismatch},       {"-", kErrTypeMismatch},       {"5%", kErrTypeMismatch},
        {"1e5.5", kErrTypeMismatch},   {"1e400", kErrOverflow},       {"-1e400", kErrOverflow},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(errorOf([&] { parseNumber(c.text); }), c.error);
    }
    EXPECT_EQ(errorOf([] { parseNumber(std::string(1 << 20, '7')); }), kErrTypeMismatch);
}

TEST(Numbers, FormatsAsTheStoreKeepsNumbers)
{
    struct Single {
        float v;
        char sep;
        const char* text;
    };
    const Single singles[] = {
        {0.53f, '.', "0.53"}, {0.53f, ',', "0,53"},         {6.0f, '.', "6"},
        {5.84f, ',', "5,84"}, {2.08f, '.', "2.08"},         {0.04f, '.', "0.04"},
        {1.03f, ',', "1,03"}, {-2.5f, '.', "-2.5"},         {0.1f, '.', "0.1"},
        {10.0f, ',', "10"},   {1234567.0f, '.', "1234567"}, {0.0f, '.', "0"},
    };
    for (const auto& c : singles) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(formatSingle(c.v, c.sep), c.text);
    }
    struct Double {
        double v;
        char sep;
        const char* text;
    };
    const Double doubles[] = {
        {5.84, ',', "5,84"}, {5.84, '.', "5.84"},     {6.0, '.', "6"},
        {0.53, ',', "0,53"}, {0.1 + 0.2, '.', "0.3"}, {1.0 / 3.0, '.', "0.333333333333333"},
        {600.0, ',', "600"}, {-0.25, ',', "-0,25"},
    };
    for (const auto& c : doubles) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(formatDouble(c.v, c.sep), c.text);
    }
}

// The dialog computes a slider's setting in double precision and assigns it
// to a single; printed with seven digits, each reads back unchanged.
TEST(Numbers, EverySliderValueReadsBackAsTheSameSingle)
{
    for (char sep : {'.', ','}) {
        for (int k = 1; k <= 100; ++k) {
            const float amounts[] = {static_cast<float>(k * 0.08 + 2), static_cast<float>(k * 0.01 + 0.03),
                                     static_cast<float>(k * 0.1)};
            for (float v : amounts) {
                const std::string text = formatSingle(v, sep);
                SCOPED_TRACE(text);
                EXPECT_EQ(static_cast<float>(parseNumber(text)), v);
                EXPECT_EQ(text.find(sep == '.' ? ',' : '.'), std::string::npos);
            }
        }
    }
}

// A single that is not the nearest to a short decimal prints with seven
// significant digits at most, as BASIC prints it; the text then stays fixed.
TEST(Numbers, SinglesPrintWithSevenSignificantDigits)
{
    for (int k = 1; k <= 100; ++k) {
        const float v = k * 0.01f + 0.03f; // single arithmetic: often one unit off the decimal
        const std::string text = formatSingle(v, '.');
        SCOPED_TRACE(text);
        size_t significant = 0;
        bool leading = true;
        for (char ch : text) {
            if (ch < '0' || ch > '9') continue;
            if (ch != '0') leading = false;
            if (!leading) ++significant;
        }
        EXPECT_GE(significant, 1u);
        EXPECT_LE(significant, 7u);
        const float back = static_cast<float>(parseNumber(text));
        EXPECT_NEAR(back, v, 5e-7 * v);
        EXPECT_EQ(formatSingle(back, '.'), text);
    }
}

} // namespace
} // namespace syl

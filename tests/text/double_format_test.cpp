// The library's own "%.17g": byte for byte the C library's text for every
// class of finite double, including exact rounding ties, and for a million
// random ones.
#include <gtest/gtest.h>
#include <tevra.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "support/doubles.hpp"

namespace {

using tevra_test::DoubleText;
using tevra_test::printf_g17;

// Compares x, -x and both neighbours of each with printf.
void expect_printf_text_around(DoubleText &text, double x) {
    for (double v : {x, std::nextafter(x, -INFINITY), std::nextafter(x, INFINITY)}) {
        if (!std::isfinite(v)) continue;
        EXPECT_EQ(text(v), printf_g17(v)) << std::hexfloat << v;
        EXPECT_EQ(text(-v), printf_g17(-v)) << std::hexfloat << -v;
    }
}

TEST(DoubleFormat, ExtremesAndZerosMatchPrintf) {
    DoubleText text;
    EXPECT_STREQ(text(0.0), "0");
    EXPECT_STREQ(text(-0.0), "-0");
    EXPECT_STREQ(text(DBL_MAX), "1.7976931348623157e+308");
    EXPECT_STREQ(text(-DBL_MAX), "-1.7976931348623157e+308");
    EXPECT_STREQ(text(DBL_MIN), "2.2250738585072014e-308");
    EXPECT_STREQ(text(DBL_TRUE_MIN), "4.9406564584124654e-324");
    EXPECT_STREQ(text(2 * DBL_TRUE_MIN), "9.8813129168249309e-324");
    // The largest subnormal, and subnormals with one to 52 significant bits.
    EXPECT_STREQ(text(DBL_MIN - DBL_TRUE_MIN), "2.2250738585072009e-308");
    for (int bit = 0; bit < 52; ++bit) {
        const uint64_t bits = uint64_t{1} << bit;
        for (uint64_t pattern : {bits, bits | 1, (bits << 1) - 1}) {
            const double v = tevra_test::double_from_bits(pattern);
            EXPECT_EQ(text(v), printf_g17(v)) << std::hexfloat << v;
        }
    }
    expect_printf_text_around(text, DBL_MAX);
    expect_printf_text_around(text, DBL_MIN);
}

TEST(DoubleFormat, EveryPowerOfTwoAndTenMatchesPrintf) {
    DoubleText text;
    for (int e = -1074; e <= 1023; ++e) expect_printf_text_around(text, std::ldexp(1.0, e));
    // 10^k as the nearest double, from the smallest to the largest.
    for (int k = -323; k <= 308; ++k) {
        const std::string literal = "1e" + std::to_string(k);
        expect_printf_text_around(text, std::strtod(literal.c_str(), nullptr));
    }
    EXPECT_STREQ(text(1e22), "1e+22");  // the largest exact power of ten
    EXPECT_STREQ(text(1e23), "9.9999999999999992e+22");
    EXPECT_STREQ(text(0.1), "0.10000000000000001");
}

TEST(DoubleFormat, SeventeenNinesRoundIntoTheNextDecade) {
    DoubleText text;
    // The doubles just below 10^k print 17 nines or round up to 1e(k); the
    // seventeen-nines literal of every decade lands on either side.
    for (int k = -320; k <= 308; ++k) {
        const std::string nines = "9.9999999999999999e" + std::to_string(k - 1);
        expect_printf_text_around(text, std::strtod(nines.c_str(), nullptr));
        const std::string below = "9.9999999999999995e" + std::to_string(k - 1);
        expect_printf_text_around(text, std::strtod(below.c_str(), nullptr));
    }
    EXPECT_STREQ(text(std::nextafter(1.0, 0.0)), "0.99999999999999989");
    EXPECT_STREQ(text(99999999999999999.0), "1e+17");
    EXPECT_STREQ(text(9.9999999999999995e-5), "9.9999999999999991e-05");
}

// m / 2^j with m odd and m * 5^j of 18 digits ends in an exact half at the
// 18th digit; printf rounds those to the even 17th digit.
TEST(DoubleFormat, ExactHalfwayValuesRoundToEven) {
    DoubleText text;
    EXPECT_STREQ(text(1.00000762939453125), "1.0000076293945312");  // 2 stays
    EXPECT_STREQ(text(1.00002288818359375), "1.0000228881835938");  // 7 goes up
    EXPECT_STREQ(text(-1.00000762939453125), "-1.0000076293945312");
    std::mt19937_64 rng(12);
    for (int j = 1; j <= 24; ++j) {
        const double low = std::ceil(1e17 / std::pow(5.0, j));
        const double high = std::floor(1e18 / std::pow(5.0, j));
        for (int i = 0; i < 200; ++i) {
            const auto m = static_cast<uint64_t>(low + (high - low) * static_cast<double>(rng() % 1000000) / 1e6) | 1;
            if (m >= uint64_t{1} << 53) continue;
            const double v = std::ldexp(static_cast<double>(m), -j);
            EXPECT_EQ(text(v), printf_g17(v)) << std::hexfloat << v;
            // The same digits a few binary octaves away are ties too.
            for (int shift : {-40, 7, 30}) {
                const double w = std::ldexp(v, shift);
                EXPECT_EQ(text(w), printf_g17(w)) << std::hexfloat << w;
            }
        }
    }
}

TEST(DoubleFormat, IntegersPrintWholeUpTo17DigitsThenInExponentForm) {
    DoubleText text;
    EXPECT_STREQ(text(100), "100");
    EXPECT_STREQ(text(9007199254740992.0), "9007199254740992");  // 2^53
    EXPECT_STREQ(text(9007199254740994.0), "9007199254740994");
    EXPECT_STREQ(text(18014398509481988.0), "18014398509481988");
    EXPECT_STREQ(text(123456789012345680.0), "1.2345678901234568e+17");
    EXPECT_STREQ(text(1e21), "1e+21");
    uint64_t p = 1;
    for (int digits = 1; digits <= 19; ++digits, p *= 10) {
        for (uint64_t v : {p - 1, p, p + 1, p * 3 + 7, p * 9 + p / 2}) {
            const auto x = static_cast<double>(v);
            EXPECT_EQ(text(x), printf_g17(x)) << v;
        }
    }
    std::mt19937_64 rng(53);
    for (int i = 0; i < 100000; ++i) {
        const auto x = static_cast<double>(rng() >> (rng() % 64));
        ASSERT_EQ(text(x), printf_g17(x)) << std::hexfloat << x;
    }
}

TEST(DoubleFormat, ExponentFormBelow1eMinus4AndFrom1e17) {
    DoubleText text;
    EXPECT_STREQ(text(0.0001), "0.0001");
    EXPECT_STREQ(text(0.00012), "0.00012");
    EXPECT_STREQ(text(1e-5), "1.0000000000000001e-05");
    EXPECT_STREQ(text(1e16), "10000000000000000");
    EXPECT_STREQ(text(1e17), "1e+17");
    EXPECT_STREQ(text(1e100), "1e+100");
    for (double edge : {1e-5, 1e-4, 1e16, 1e17, 9.99999999999999995e-6, 9.99999999999999995e-5,
                        9.99999999999999995e15, 9.99999999999999995e16}) {
        double v = edge;
        for (int step = 0; step < 40; ++step) v = std::nextafter(v, 0.0);
        for (int step = 0; step < 80; ++step, v = std::nextafter(v, INFINITY)) {
            EXPECT_EQ(text(v), printf_g17(v)) << std::hexfloat << v;
        }
    }
}

TEST(DoubleFormat, RandomBitPatternsAndEverydayValuesMatchPrintf) {
    // A million values; the separate tevra_double_format_check runs 10^8.
    DoubleText text;
    std::mt19937_64 rng(2024);
    int mismatches = 0;
    for (int i = 0; i < 500000 && mismatches < 10; ++i) {
        for (double v : {tevra_test::random_bit_pattern(rng), tevra_test::random_everyday(rng)}) {
            const std::string want = printf_g17(v);
            if (want != text(v)) {
                ++mismatches;
                ADD_FAILURE() << std::hexfloat << v << ": " << text(v) << " instead of " << want;
            }
        }
    }
}

}  // namespace

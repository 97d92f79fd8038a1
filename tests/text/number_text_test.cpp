// Integer, double and pointer text appended to line buffers.
#include <gtest/gtest.h>
#include <tevra.h>

#include <cfloat>
#include <cstdio>
#include <limits>
#include <random>
#include <string>

#include "support/buffer_text.hpp"
#include "support/doubles.hpp"

namespace {

template <typename Fn>
std::string detached(Fn &&append, size_t size = 0) {
    return tevra_test::buffer_text(append, nullptr, size);
}

std::string signed_text(int64_t v) {
    return detached([&](tevra_buffer *b) { tevra_buffer_append_signed(b, v); });
}
std::string unsigned_text(uint64_t v) {
    return detached([&](tevra_buffer *b) { tevra_buffer_append_unsigned(b, v); });
}
std::string double_text(double v) {
    return detached([&](tevra_buffer *b) { tevra_buffer_append_double(b, v); });
}
using tevra_test::printf_g17;

TEST(IntegerText, EdgeValuesPrintPlainDecimal) {
    EXPECT_EQ(signed_text(0), "0");
    EXPECT_EQ(signed_text(-7), "-7");
    EXPECT_EQ(signed_text(std::numeric_limits<int64_t>::min()), "-9223372036854775808");
    EXPECT_EQ(signed_text(std::numeric_limits<int64_t>::max()), "9223372036854775807");
    EXPECT_EQ(unsigned_text(std::numeric_limits<uint64_t>::max()), "18446744073709551615");
    EXPECT_EQ(unsigned_text(0), "0");
    for (int64_t v : {9, 10, 99, 100, 999, 1000, 9999, 10000, 10001, 99999, 100000}) {
        EXPECT_EQ(signed_text(v), std::to_string(v));
        EXPECT_EQ(signed_text(-v), std::to_string(-v));
    }
}

TEST(IntegerText, MatchesPrintfAcrossDigitCounts) {
    // Every power of ten and its neighbours, then random values of every width.
    uint64_t p = 1;
    for (int digits = 1; digits <= 20; ++digits) {
        for (uint64_t v : {p - 1, p, p + 1, p * 5 + 3}) {
            EXPECT_EQ(unsigned_text(v), std::to_string(v));
            const auto s = static_cast<int64_t>(v);
            EXPECT_EQ(signed_text(s), std::to_string(s));
        }
        if (digits < 20) p *= 10;
    }
    std::mt19937_64 rng(42);
    for (int i = 0; i < 2000; ++i) {
        const uint64_t v = rng() >> (rng() % 64);
        EXPECT_EQ(unsigned_text(v), std::to_string(v));
        const auto s = static_cast<int64_t>(rng()) >> (rng() % 64);
        EXPECT_EQ(signed_text(s), std::to_string(s));
    }
}

TEST(IntegerText, AppendsAfterExistingTextAndGrowsSmallBuffers) {
    const std::string text = detached(
        [](tevra_buffer *b) {
            tevra_buffer_append_cstr(b, "n=");
            tevra_buffer_append_signed(b, std::numeric_limits<int64_t>::min());
            tevra_buffer_append_char(b, ' ');
            tevra_buffer_append_unsigned(b, 12345678901234567890u);
        },
        4);
    EXPECT_EQ(text, "n=-9223372036854775808 12345678901234567890");
}

TEST(IntegerText, NullOrUnusableBufferIsIgnored) {
    tevra_buffer_append_signed(nullptr, 5);
    tevra_buffer_append_unsigned(nullptr, 5);
    tevra_buffer_append_double(nullptr, 1.5);
    tevra_buffer_append_pointer(nullptr, nullptr);
    tevra_buffer b{};  // never initialised: no storage, capacity 0
    tevra_buffer_append_signed(&b, 5);
    tevra_buffer_append_unsigned(&b, 5);
    tevra_buffer_append_double(&b, 1.5);
    tevra_buffer_append_pointer(&b, &b);
    EXPECT_EQ(b.len, 0u);
    EXPECT_EQ(b.data, nullptr);
}

TEST(DoubleText, NonFiniteValuesPrintWords) {
    EXPECT_EQ(double_text(std::numeric_limits<double>::quiet_NaN()), "nan");
    EXPECT_EQ(double_text(-std::numeric_limits<double>::quiet_NaN()), "nan");
    EXPECT_EQ(double_text(std::numeric_limits<double>::infinity()), "inf");
    EXPECT_EQ(double_text(-std::numeric_limits<double>::infinity()), "-inf");
}

TEST(DoubleText, FiniteValuesPrintShortestRoundTripWidth) {
    EXPECT_EQ(double_text(0.1), "0.10000000000000001");
    EXPECT_EQ(double_text(1.5), "1.5");
    EXPECT_EQ(double_text(100), "100");
    EXPECT_EQ(double_text(1e21), "1e+21");
    EXPECT_EQ(double_text(-0.0), "-0");
    EXPECT_EQ(double_text(0.0), "0");
    EXPECT_EQ(double_text(DBL_MAX), "1.7976931348623157e+308");
    // The longest text there is: sign, 17 digits, point and a 3-digit exponent.
    EXPECT_EQ(double_text(-2.2250738585072014e-308), "-2.2250738585072014e-308");
    for (double v : {DBL_MIN, DBL_TRUE_MIN, -DBL_TRUE_MIN, 1.0 / 3.0, -123456.789, 4503599627370497.0}) {
        EXPECT_EQ(double_text(v), printf_g17(v));
    }
}

TEST(PointerText, MatchesThePlatformsPercentP) {
    int local = 0;
    char expected[64];
    std::snprintf(expected, sizeof expected, "%p", static_cast<void *>(&local));
    EXPECT_EQ(detached([&](tevra_buffer *b) { tevra_buffer_append_pointer(b, &local); }), expected);
    std::snprintf(expected, sizeof expected, "%p", static_cast<void *>(nullptr));
    EXPECT_EQ(detached([](tevra_buffer *b) { tevra_buffer_append_pointer(b, nullptr); }), expected);
}

}  // namespace

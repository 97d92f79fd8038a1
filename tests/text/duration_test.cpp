// Duration text: the unit chosen by size, the sign of the whole span, and
// the optional JSON quotes.
#include <gtest/gtest.h>
#include <tevra.h>

#include <climits>
#include <cstdio>
#include <string>

namespace {

std::string duration_text(long sec, long nsec, int quoted = 0) {
    tevra_buffer b;
    tevra_buffer_init(&b, nullptr, 0);
    tevra_buffer_append_duration(&b, tevra_duration{sec, nsec}, quoted);
    std::string out(b.data, b.len);
    tevra_buffer_destroy(&b);
    return out;
}

TEST(DurationText, UnitFollowsTheSize) {
    EXPECT_EQ(duration_text(0, 0), "0ns");
    EXPECT_EQ(duration_text(0, 999), "999ns");
    EXPECT_EQ(duration_text(0, 1000), "1.000\xC2\xB5s");
    EXPECT_EQ(duration_text(0, 1500), "1.500µs");
    EXPECT_EQ(duration_text(0, 999999), "999.999µs");
    EXPECT_EQ(duration_text(0, 1000000), "1.000ms");
    EXPECT_EQ(duration_text(0, 250000000), "250.000ms");
    EXPECT_EQ(duration_text(1, 500000000), "1.500s");
    EXPECT_EQ(duration_text(59, 0), "59.000s");
    EXPECT_EQ(duration_text(60, 0), "1m0.000s");
    EXPECT_EQ(duration_text(125, 500000000), "2m5.500s");
    EXPECT_EQ(duration_text(3600, 0), "60m0.000s");
    EXPECT_EQ(duration_text(61, 7999999), "1m1.007s");
}

TEST(DurationText, RoundingIsThatOfPercentThreeF) {
    EXPECT_EQ(duration_text(0, 999999999), "1000.000ms");
    EXPECT_EQ(duration_text(59, 999999999), "60.000s");
    EXPECT_EQ(duration_text(0, 1999), "1.999µs");
    EXPECT_EQ(duration_text(0, 2500), "2.500µs");
}

TEST(DurationText, MixedSignsGiveTheSignOfTheWholeSpan) {
    EXPECT_EQ(duration_text(-1, 500000000), "-500.000ms");
    EXPECT_EQ(duration_text(2, -500000000), "1.500s");
    EXPECT_EQ(duration_text(0, -250), "-250ns");
    EXPECT_EQ(duration_text(-1, 0), "-1.000s");
    EXPECT_EQ(duration_text(-125, -500000000), "-2m5.500s");
    EXPECT_EQ(duration_text(-60, 500000000), "-59.500s");
    EXPECT_EQ(duration_text(1, -1000000), "999.000ms");
}

TEST(DurationText, QuotesEncloseTheSign) {
    EXPECT_EQ(duration_text(1, 0, 1), "\"1.000s\"");
    EXPECT_EQ(duration_text(-1, 0, 1), "\"-1.000s\"");
    EXPECT_EQ(duration_text(0, 1500, 1), "\"1.500µs\"");
}

TEST(DurationText, NanosecondsBeyondASecondFoldIntoSeconds) {
    EXPECT_EQ(duration_text(0, 1500000000), "1.500s");
    EXPECT_EQ(duration_text(0, -2500000000), "-2.500s");
    EXPECT_EQ(duration_text(1, -1500000000), "-500.000ms");
    EXPECT_EQ(duration_text(-1, 2500000000), "1.500s");
    EXPECT_EQ(duration_text(2, 61000000000), "1m3.000s");
    EXPECT_EQ(duration_text(-3, 3000000000), "0ns");
    EXPECT_EQ(duration_text(1, 0, 1), duration_text(0, 1000000000, 1));
}

TEST(DurationText, ExtremeSecondsDoNotOverflow) {
    // 2^63 s is 153722867280912930 min 8 s.
    EXPECT_EQ(duration_text(LONG_MIN, 0), "-153722867280912930m8.000s");
    EXPECT_EQ(duration_text(LONG_MAX, 999999999), "153722867280912930m7.999s");
    // LONG_MIN ns is a further 9223372036.854775808 s.
    EXPECT_EQ(duration_text(LONG_MIN, LONG_MIN), "-153722867434635797m24.854s");
}

// The sign rule for nanoseconds within one second, written out case by
// case; folding the total must agree with it everywhere.
std::string by_sign_rule(long s, long n) {
    bool negative = false;
    long sm = s, nm = n;
    if (s < 0 && n > 0) {
        negative = true;
        sm = -s - 1;
        nm = 1000000000 - n;
    } else if (s > 0 && n < 0) {
        sm = s - 1;
        nm = n + 1000000000;
    } else if (s < 0 || n < 0) {
        negative = true;
        sm = s < 0 ? -s : s;
        nm = n < 0 ? -n : n;
    }
    char body[64];
    if (sm == 0 && nm < 1000) {
        std::snprintf(body, sizeof body, "%ldns", nm);
    } else if (sm == 0 && nm <= 999999) {
        std::snprintf(body, sizeof body, "%.3fµs", nm / 1000.0);
    } else if (sm == 0) {
        std::snprintf(body, sizeof body, "%.3fms", nm / 1000000.0);
    } else if (sm <= 59) {
        std::snprintf(body, sizeof body, "%.3fs", static_cast<double>(sm) + nm / 1e9);
    } else {
        std::snprintf(body, sizeof body, "%ldm%ld.%03lds", sm / 60, sm % 60, nm / 1000000);
    }
    return (negative ? "-" : "") + std::string(body);
}

TEST(DurationText, AgreesWithTheSignRuleForNanosecondsWithinASecond) {
    const long secs[] = {-7200, -61, -60, -59, -2, -1, 0, 1, 2, 59, 60, 61, 7200, LONG_MAX / 2};
    const long nanos[] = {-999999999, -500000000, -1000000, -999999, -1000, -999, -1, 0,
                          1,          999,        1000,     999999,  1000000, 500000000, 999999999};
    for (long s : secs) {
        for (long n : nanos) EXPECT_EQ(duration_text(s, n), by_sign_rule(s, n)) << s << " s " << n << " ns";
    }
}

TEST(DurationText, NullBufferIsIgnored) { tevra_buffer_append_duration(nullptr, tevra_duration{1, 0}, 1); }

}  // namespace

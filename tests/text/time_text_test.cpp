// RFC 3339 text of time values at their own UTC offset.
#include <gtest/gtest.h>
#include <tevra.h>

#include <climits>
#include <string>

namespace {

std::string time_text(long sec, long nsec, int offset, int quoted = 0) {
    tevra_buffer b;
    tevra_buffer_init(&b, nullptr, 0);
    tevra_buffer_append_time(&b, tevra_time{sec, nsec, offset}, quoted);
    std::string out(b.data, b.len);
    tevra_buffer_destroy(&b);
    return out;
}

TEST(TimeText, ShowsTheWallTimeAtTheOffset) {
    EXPECT_EQ(time_text(1700000000, 123000000, 60), "2023-11-14T23:13:20.123+01:00");
    EXPECT_EQ(time_text(1700000000, 0, 0), "2023-11-14T22:13:20Z");
    EXPECT_EQ(time_text(1700000000, 0, 330), "2023-11-15T03:43:20+05:30");
    EXPECT_EQ(time_text(1700000000, 0, -480), "2023-11-14T14:13:20-08:00");
    EXPECT_EQ(time_text(1700000000, 0, -90), "2023-11-14T20:43:20-01:30");
    EXPECT_EQ(time_text(0, 0, 0), "1970-01-01T00:00:00Z");
    EXPECT_EQ(time_text(-1, 0, 0), "1969-12-31T23:59:59Z");
}

TEST(TimeText, FractionLosesTrailingZerosButKeepsOneDigit) {
    EXPECT_EQ(time_text(0, 500000000, 0), "1970-01-01T00:00:00.5Z");
    EXPECT_EQ(time_text(0, 1, 0), "1970-01-01T00:00:00.000000001Z");
    EXPECT_EQ(time_text(0, 120000000, 0), "1970-01-01T00:00:00.12Z");
    EXPECT_EQ(time_text(0, 999999999, 0), "1970-01-01T00:00:00.999999999Z");
    EXPECT_EQ(time_text(0, 100000000, 0), "1970-01-01T00:00:00.1Z");
}

TEST(TimeText, NegativeNanosecondsShowTheirMagnitude) {
    EXPECT_EQ(time_text(0, -5, 0), "1970-01-01T00:00:00.000000005Z");
    EXPECT_EQ(time_text(0, -500000000, 0), "1970-01-01T00:00:00.5Z");
}

TEST(TimeText, QuotedTextIsAJsonString) {
    EXPECT_EQ(time_text(1700000000, 500000000, -90, 1), "\"2023-11-14T20:43:20.5-01:30\"");
}

TEST(TimeText, UnconvertibleTimeGivesAnEmptyValue) {
    // Beyond the range of a broken-down year, or overflowing with the offset.
    EXPECT_EQ(time_text(LONG_MAX, 0, 0, 1), "\"\"");
    EXPECT_EQ(time_text(LONG_MAX, 0, 0, 0), "");
    EXPECT_EQ(time_text(LONG_MAX - 30, 5, 60, 1), "\"\"");
    EXPECT_EQ(time_text(LONG_MIN + 30, 5, -60, 0), "");
}

TEST(TimeText, ExtremeOffsetsStayWholeNumbers) {
    EXPECT_EQ(time_text(1700000000, 0, 1439), "2023-11-15T22:12:20+23:59");
    EXPECT_EQ(time_text(1700000000, 0, -6000), "2023-11-10T18:13:20-100:00");
}

TEST(TimeText, NullBufferIsIgnored) { tevra_buffer_append_time(nullptr, tevra_time{0, 0, 0}, 1); }

}  // namespace

// Whole output records: destroying them and finding one inside a tee.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <tevra.h>
#include <unistd.h>

#include <cstdio>

#include "output_support.hpp"
#include "support/capture_sink.hpp"

namespace {

using tevra_test::CaptureSink;

bool fd_is_open(int fd) { return fcntl(fd, F_GETFD) != -1; }

bool is_zero(const tevra_output &out) {
    return out.write == nullptr && out.close == nullptr && out.isatty == nullptr &&
           out.user_data == nullptr && out.owns == 0;
}

using tevra_test::make_tee;

}  // namespace

TEST(OutputRecord, DestroyOfABorrowedStreamLeavesItOpen) {
    FILE *fp = std::fopen("/dev/null", "w");
    ASSERT_NE(fp, nullptr);
    int fd = fileno(fp);
    tevra_output out;
    tevra_output_from_fp(&out, fp, 0);
    tevra_output_destroy(&out);
    EXPECT_TRUE(is_zero(out));
    EXPECT_TRUE(fd_is_open(fd));
    EXPECT_GE(std::fputs("still usable\n", fp), 0);
    EXPECT_EQ(std::fflush(fp), 0);
    EXPECT_EQ(std::fclose(fp), 0);
}

TEST(OutputRecord, DestroyOfAnOwnedStreamClosesIt) {
    FILE *fp = std::fopen("/dev/null", "w");
    ASSERT_NE(fp, nullptr);
    int fd = fileno(fp);
    tevra_output out;
    tevra_output_from_fp(&out, fp, 1);
    tevra_output_destroy(&out);
    EXPECT_TRUE(is_zero(out));
    EXPECT_FALSE(fd_is_open(fd));
}

TEST(OutputRecord, DestroyCallsCloseOnlyWhenOwned) {
    CaptureSink sink;
    tevra_output borrowed = sink.output(false);
    tevra_output_destroy(&borrowed);
    EXPECT_EQ(sink.close_calls(), 0);
    EXPECT_TRUE(is_zero(borrowed));

    sink.close_result = 5;  // ignored
    tevra_output owned = sink.output(true);
    tevra_output_destroy(&owned);
    EXPECT_EQ(sink.close_calls(), 1);
    EXPECT_TRUE(is_zero(owned));

    tevra_output_destroy(&owned);  // a cleared record is never closed twice
    EXPECT_EQ(sink.close_calls(), 1);
    tevra_output_destroy(nullptr);
}

TEST(OutputRecord, ContainsItselfAndAnyEqualCopy) {
    CaptureSink sink;
    tevra_output out = sink.output(true);
    tevra_output copy = out;
    EXPECT_EQ(tevra_output_contains(&out, &out), 1);
    EXPECT_EQ(tevra_output_contains(&out, &copy), 1);
    copy.owns = 0;
    EXPECT_EQ(tevra_output_contains(&out, &copy), 0);
    EXPECT_EQ(tevra_output_contains(nullptr, &out), 0);
    EXPECT_EQ(tevra_output_contains(&out, nullptr), 0);
}

TEST(OutputRecord, ContainsLooksThroughNestedTees) {
    CaptureSink a, b, c, stranger;
    tevra_output out_a = a.output(), out_b = b.output(), out_c = c.output();
    tevra_output inner = make_tee(out_a, out_b);
    tevra_output outer = make_tee(inner, out_c);
    tevra_output right = make_tee(out_c, make_tee(out_b, out_a));

    for (const tevra_output *needle : {&out_a, &out_b, &out_c, &inner}) {
        EXPECT_EQ(tevra_output_contains(&outer, needle), 1);
    }
    EXPECT_EQ(tevra_output_contains(&right, &out_a), 1);
    tevra_output other = stranger.output();
    EXPECT_EQ(tevra_output_contains(&outer, &other), 0);
    EXPECT_EQ(tevra_output_contains(&inner, &out_c), 0);
    // An output that merely shares the tee's write is not looked into.
    tevra_output empty_tee{&tevra_tee_write, nullptr, nullptr, nullptr, 1};
    EXPECT_EQ(tevra_output_contains(&empty_tee, &out_a), 0);

    tevra_tee_close(outer.user_data);  // owns and frees the inner tee
    tevra_tee_close(right.user_data);
}

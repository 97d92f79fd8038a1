// What a JSON line costs in allocations, counted through the test hook on
// the library's allocator forwards.
#include <gtest/gtest.h>
#include <tevra.h>

#include "support/alloc_hook.hpp"
#include "support/logger.hpp"

namespace {

using tevra_test::AllocationCount;
using tevra_test::Logger;

long allocations_for_lines(Logger &t, int lines) {
    const unsigned char raw[] = {1, 2, 3};
    const tevra_field fields[] = {
        tevra_str("s", "text"),    tevra_str("e", "needs \"escaping\""),
        tevra_i64("i", -1),        tevra_f64("f", 0.25),
        tevra_bytes_field("b", raw, 3),
        tevra_time_field("t", tevra_time{1700000000, 5, 60}),
        tevra_errno("err", 2),     tevra_duration_field("d", tevra_duration{0, 1500}),
    };
    // The first template call caches its copy of the template.
    tevra_infof(t.log, "warm-up", "a=%s n=%d m=%m", "x", 0);
    const long before = AllocationCount();
    for (int i = 0; i < lines; ++i) {
        tevra_info(t.log, "message", fields, sizeof fields / sizeof fields[0]);
        tevra_infof(t.log, "message", "a=%s n=%d m=%m", "x", i);
    }
    return AllocationCount() - before;
}

TEST(JsonLine, DefaultBufferAllocatesNothingPerLine) {
    Logger plain([](tevra_config &cfg) {
        cfg.timestamps = 1;
        cfg.level_field = 1;
    });
    EXPECT_EQ(allocations_for_lines(plain, 100), 0);
    Logger color([](tevra_config &cfg) {
        cfg.timestamps = 1;
        cfg.color = TEVRA_COLOR_ALWAYS;
    });
    EXPECT_EQ(allocations_for_lines(color, 100), 0);
    // The counter does see the line buffer of a larger configured size, on
    // the first line; later lines reuse that block.
    Logger large([](tevra_config &cfg) { cfg.buffer_size = 4096; });
    const long before_first = AllocationCount();
    tevra_info(large.log, "first", nullptr, 0);
    EXPECT_GE(AllocationCount() - before_first, 1);
    EXPECT_EQ(allocations_for_lines(large, 10), 0);
}

}  // namespace

// Lines through a logger whose line buffer is larger than the inline area:
// the heap block is reused from line to line, never allocated per line.
#include <gtest/gtest.h>
#include <tevra.h>

#include <string>
#include <thread>
#include <vector>

#include "output_support.hpp"
#include "support/alloc_hook.hpp"
#include "support/capture_sink.hpp"

using tevra_test::BlocksObtained;
using tevra_test::CaptureSink;

TEST(LargeLineBuffer, LinesCostNoAllocationAfterTheFirst) {
    CaptureSink sink;
    tevra_logger *log = tevra_test::logger_over(sink.output(), 65536);
    const tevra_field fields[] = {tevra_i64("n", 7), tevra_str("who", "someone")};
    tevra_info(log, "first", fields, 2);
    const long before = BlocksObtained();
    for (int i = 0; i < 1000; ++i) tevra_info(log, "again", fields, 2);
    EXPECT_EQ(BlocksObtained() - before, 0);
    EXPECT_EQ(sink.lines().size(), 1001u);
    log->destroy(log);
}

// Threads logging at once never hold more blocks than there are threads,
// and every block they take back and forth stays whole.
TEST(LargeLineBuffer, ConcurrentLinesShareTheSpareBlocks) {
    CaptureSink sink;
    tevra_logger *log = tevra_test::logger_over(sink.output(), 65536);
    const std::string message = tevra_test::message_of(3000, 5);
    constexpr int kThreads = 4;
    constexpr int kLines = 300;
    const long before = BlocksObtained();
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < kLines; ++i) tevra_info(log, message.c_str(), nullptr, 0);
        });
    }
    for (auto &t : threads) t.join();
    EXPECT_LE(BlocksObtained() - before, kThreads);
    const std::string line = tevra_test::line_for(message);
    std::vector<std::string> lines = sink.lines();
    ASSERT_EQ(lines.size(), static_cast<size_t>(kThreads * kLines));
    for (const std::string &l : lines) ASSERT_EQ(l + "\n", line);
    log->destroy(log);
}

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <tevra.h>

#include <string>
#include <thread>
#include <vector>

#include "support/logger.hpp"

namespace {

using tevra_test::Logger;

constexpr int kThreads = 8;
constexpr int kLinesPerThread = 3000;

// Every thread logs through its own derived logger into one sink; lines
// are longer than the buffer, so most of them are written in pieces.
void log_from_threads(Logger &t) {
    const std::string payload(150, 'p');
    std::vector<std::thread> threads;
    for (int id = 0; id < kThreads; ++id) {
        threads.emplace_back([&t, &payload, id] {
            const tevra_field bound[] = {tevra_i64("thread", id)};
            tevra_logger *child = tevra_with(t.log, bound, 1);
            ASSERT_NE(child, nullptr);
            for (int seq = 0; seq < kLinesPerThread; ++seq) {
                const tevra_field fields[] = {tevra_i64("seq", seq), tevra_str("payload", payload.c_str()),
                                              tevra_f64("ratio", seq % 7 + 0.25)};
                tevra_info(child, "tick", fields, 3);
            }
            child->destroy(child);
        });
    }
    for (std::thread &th : threads) th.join();
}

void expect_whole_lines(const Logger &t) {
    const std::vector<std::string> lines = t.sink.lines();
    ASSERT_EQ(lines.size(), static_cast<size_t>(kThreads * kLinesPerThread));
    std::vector<int> next(kThreads, 0);
    for (const std::string &line : lines) {
        nlohmann::json j;
        ASSERT_NO_THROW(j = nlohmann::json::parse(tevra_test::strip_escapes(line))) << line;
        const int id = j["thread"];
        ASSERT_GE(id, 0);
        ASSERT_LT(id, kThreads);
        const int seq = j["seq"];
        // Lines of one thread keep their order.
        EXPECT_EQ(seq, next[id]);
        next[id] = seq + 1;
        EXPECT_EQ(j["payload"].get<std::string>().size(), 150u);
        EXPECT_EQ(j["ratio"], seq % 7 + 0.25);
    }
    for (int id = 0; id < kThreads; ++id) EXPECT_EQ(next[id], kLinesPerThread);
}

TEST(JsonThreads, ConcurrentLinesThroughASmallBufferArriveWhole) {
    Logger t([](tevra_config &cfg) {
        cfg.buffer_size = 64;
        cfg.timestamps = 1;
    });
    log_from_threads(t);
    expect_whole_lines(t);
}

TEST(JsonThreads, ConcurrentColouredLinesArriveWhole) {
    Logger t([](tevra_config &cfg) {
        cfg.color = TEVRA_COLOR_ALWAYS;
        cfg.level_field = 1;
    });
    log_from_threads(t);
    expect_whole_lines(t);
}

}  // namespace

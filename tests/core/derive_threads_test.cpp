#include <gtest/gtest.h>
#include <tevra.h>

#include <barrier>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "core/shared.hpp"
#include "support/capture_sink.hpp"

namespace {

using tevra_test::CaptureSink;

constexpr int kThreads = 8;
constexpr int kRounds = 150;

// Every thread derives from the one root while all of them log through it;
// then the root goes first and the children carry on and are destroyed at
// once from their own threads. The owned sink must stay open until the
// last of them, and every line must arrive whole.
TEST(DeriveThreads, ThreadsDeriveLogAndDestroyWhileTheRootGoesFirst) {
    CaptureSink sink;
    tevra_config cfg = tevra_test::capture_config(sink, TEVRA_MODE_JSON);
    cfg.output = sink.output(true);
    cfg.buffer_size = 64;  // long lines are written in pieces under one lock
    tevra_logger *root = tevra_new(&cfg);
    ASSERT_NE(root, nullptr);

    std::barrier sync(kThreads + 1);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            const tevra_field id[] = {tevra_i64("thread", t),
                                      tevra_str("pad", "a value long enough to need several pieces")};
            tevra_logger *child = tevra_with(root, id, 2);
            for (int i = 0; i < kRounds; ++i) {
                const tevra_field round[] = {tevra_i64("round", i)};
                tevra_logger *sibling = tevra_with(root, id, 1);
                tevra_logger *grandchild = tevra_withf(child, "round=%d", i);
                tevra_info(root, "root", id, 1);
                tevra_info(sibling, "sibling", round, 1);
                tevra_info(grandchild, "grandchild", nullptr, 0);
                sibling->destroy(sibling);
                grandchild->destroy(grandchild);
            }
            sync.arrive_and_wait();  // the root is destroyed now
            sync.arrive_and_wait();
            for (int i = 0; i < kRounds; ++i) {
                const tevra_field round[] = {tevra_i64("round", i)};
                tevra_warn(child, "child", round, 1);
            }
            child->destroy(child);
        });
    }
    sync.arrive_and_wait();
    root->destroy(root);
    EXPECT_EQ(sink.close_calls(), 0);
    sync.arrive_and_wait();
    for (std::thread &th : threads) th.join();
    EXPECT_EQ(sink.close_calls(), 1);

    std::map<std::pair<std::string, int>, int> counts;
    const auto lines = sink.lines();
    ASSERT_EQ(lines.size(), static_cast<size_t>(kThreads * kRounds * 4));
    for (const std::string &line : lines) {
        const auto j = nlohmann::json::parse(line, nullptr, false);
        ASSERT_FALSE(j.is_discarded()) << line;
        ++counts[{j["msg"].get<std::string>(), j["thread"].get<int>()}];
    }
    for (const char *msg : {"root", "sibling", "grandchild", "child"}) {
        for (int t = 0; t < kThreads; ++t) {
            EXPECT_EQ((counts[{msg, t}]), kRounds) << msg << " " << t;
        }
    }
}

}  // namespace

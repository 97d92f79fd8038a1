#include <gtest/gtest.h>
#include <tevra.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "console/console_fixture.hpp"
#include "support/default_palette.hpp"

namespace {

using console_test::ConsoleLogger;
using console_test::group;
using namespace tevra_test::default_palette;

constexpr int kThreads = 4;
constexpr int kIterations = 1500;
constexpr int kPoolKeys = 700;  // well past the cache's 256 entries

// Many threads share one logger tree and therefore one field cache; keys
// are long-lived strings, heap keys freed and reused between calls, and
// bound keys of derived loggers that come and go. Every line must read
// exactly as it would single-threaded.
TEST(ConsoleThreads, ManyThreadsAndKeysLeaveEveryLineExact) {
    ConsoleLogger l(tevra_test::colored());
    std::vector<std::string> pool;
    for (int i = 0; i < kPoolKeys; ++i) {
        char key[16];
        std::snprintf(key, sizeof key, "k%03d", i);
        pool.emplace_back(key);
    }

    std::vector<std::vector<std::string>> expected(kThreads);
    auto work = [&](int t) {
        tevra_logger *child = nullptr;
        std::string bound_text;
        for (int i = 0; i < kIterations; ++i) {
            if (i % 50 == 0) {
                // A fresh derived logger: its bound key is a new heap copy,
                // often at the address of the one just destroyed.
                if (child != nullptr) child->destroy(child);
                char bound_key[32];
                std::snprintf(bound_key, sizeof bound_key, "b%d_%04d", t, i);
                const tevra_field bound = tevra_i64(bound_key, t);
                child = tevra_with(l.log, &bound, 1);
                ASSERT_NE(child, nullptr);
                bound_text = group(bound_key, kNumber, std::to_string(t));
            }
            const std::string &a = pool[(i * 7 + t * 131) % kPoolKeys];
            const std::string &b = pool[(i * 13 + t * 17 + 5) % kPoolKeys];
            // Same length each time, different text: malloc hands the
            // freed block back, so its address keeps meeting old entries.
            char *heap_key = static_cast<char *>(std::malloc(24));
            std::snprintf(heap_key, 24, "h%d_%06d", t, i);
            const tevra_field fields[] = {
                tevra_str(a.c_str(), "x"),
                tevra_i64(b.c_str(), i),
                tevra_str(heap_key, "y"),
                tevra_bool(a.c_str(), i & 1),
            };
            tevra_info(child, nullptr, fields, 4);
            expected[t].push_back(kInfo + "INF" + kReset + bound_text + group(a, kString, "x") +
                                  group(b, kNumber, std::to_string(i)) +
                                  group(heap_key, kString, "y") +
                                  group(a, kBool, (i & 1) ? "true" : "false") +
                                  kReset);
            std::free(heap_key);
        }
        if (child != nullptr) child->destroy(child);
    };

    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) threads.emplace_back(work, t);
    for (std::thread &th : threads) th.join();

    std::vector<std::string> want;
    for (auto &lines : expected) want.insert(want.end(), lines.begin(), lines.end());
    std::vector<std::string> got = l.sink.lines();
    ASSERT_EQ(got.size(), want.size());
    std::sort(want.begin(), want.end());
    std::sort(got.begin(), got.end());
    size_t mismatches = 0;
    for (size_t i = 0; i < got.size() && mismatches < 5; ++i) {
        if (got[i] != want[i]) {
            ++mismatches;
            ADD_FAILURE() << "got:  " << got[i] << "\nwant: " << want[i];
        }
    }
    EXPECT_EQ(mismatches, 0u);
}

}  // namespace

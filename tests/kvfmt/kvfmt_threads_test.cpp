#include <gtest/gtest.h>
#include <tevra.h>

#include <atomic>
#include <cstdarg>
#include <string>
#include <thread>
#include <vector>

#include "kvfmt_support.hpp"
#include "support/logger.hpp"

namespace {

using kvfmt_test::materialize;
using tevra_test::Logger;

constexpr int kThreads = 8;
constexpr int kOwnTemplates = 80;  // 640 in all: more than the cache holds
constexpr int kCommonTemplates = 8;
constexpr int kRounds = 12;

struct Template {
    std::string text;
    std::string first_key;
};

// Resolves under the shared lock as the entry points do, then reads the
// layout unlocked; false when anything is not what the template says.
bool resolve_and_check(tevra_shared *s, const Template &t, int value) {
    tevra_kvfmt_layout scratch;
    tevra_kvfmt_layout *layout = nullptr;
    if (kvfmt_test::resolve(s, t.text.c_str(), &scratch, &layout) != 0 || layout == nullptr) return false;
    bool ok = layout->count == 2 && kvfmt_test::key_of(layout->entries[0]) == t.first_key &&
              layout->entries[0].verb == TEVRA_KVFMT_INT && layout->entries[1].verb == TEVRA_KVFMT_STRING &&
              layout->entries[0].json_key == "\"" + t.first_key + "\":";
    tevra_field fields[TEVRA_KVFMT_MAX_ITEMS];
    size_t count = 0;
    ok = ok && materialize(layout, fields, &count, value, "v") == 0 && count == 2 &&
         fields[0].value.i64 == value && std::string(fields[0].key, fields[0].key_len) == t.first_key;
    if (layout == &scratch) tevra_free_internal(scratch.template_copy);
    return ok;
}

TEST(KvfmtThreads, ManyThreadsResolveManyTemplatesThroughOneSharedRecord) {
    Logger l;
    std::vector<Template> common;
    for (int i = 0; i < kCommonTemplates; ++i) {
        common.push_back({"common" + std::to_string(i) + "=%d s=%s", "common" + std::to_string(i)});
    }
    std::vector<std::vector<Template>> own(kThreads);
    for (int t = 0; t < kThreads; ++t) {
        for (int i = 0; i < kOwnTemplates; ++i) {
            const std::string key = "t" + std::to_string(t) + "_" + std::to_string(i);
            own[t].push_back({key + "=%d s=%s", key});
        }
    }

    std::atomic<int> failures{0};
    std::atomic<bool> go{false};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            while (!go.load()) std::this_thread::yield();
            for (int round = 0; round < kRounds; ++round) {
                for (int i = 0; i < kOwnTemplates; ++i) {
                    if (!resolve_and_check(l.shared(), own[t][i], i)) failures.fetch_add(1);
                    const Template &c = common[(i + t) % kCommonTemplates];
                    if (!resolve_and_check(l.shared(), c, round)) failures.fetch_add(1);
                }
                // The encoders read the same layouts while others fill slots.
                if (round < 2) tevra_infof(l.log, "m", own[t][round].text.c_str(), round, "v");
            }
        });
    }
    go.store(true);
    for (std::thread &th : threads) th.join();

    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(l.sink.lines().size(), static_cast<size_t>(kThreads * 2));
    // Each common template was cached once, whichever thread came first.
    for (const Template &c : common) {
        int copies = 0;
        for (const tevra_kvfmt_layout &slot : tevra_test::kvfmt_slots(l.shared())) {
            copies += (slot.template_text != nullptr && c.text == slot.template_text) ? 1 : 0;
        }
        EXPECT_EQ(copies, 1) << c.text;
    }
    EXPECT_LE(kvfmt_test::filled_slots(l.shared()), tev::kKvfmtCacheSlots);
}

}  // namespace

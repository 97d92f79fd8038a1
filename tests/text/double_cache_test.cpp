// The per-logger cache of formatted doubles: it never changes the text, it
// serves repeated values, and it stays exact when many threads fill and
// read colliding slots at once.
#include <gtest/gtest.h>
#include <tevra.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "core/shared.hpp"
#include "support/buffer_text.hpp"
#include "support/doubles.hpp"
#include "support/logger.hpp"

namespace {

using tevra_test::printf_g17;

uint64_t bits_of(double x) {
    uint64_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    return bits;
}

size_t slot_of(double x) { return tev::double_cache_slot(bits_of(x)); }

// `count` distinct doubles that all hash to `slot`.
std::vector<double> colliding(size_t slot, size_t count) {
    std::vector<double> out;
    for (int i = 1; out.size() < count; ++i) {
        const double v = i * 0.1 + 1e-3 / i;
        if (slot_of(v) == slot) out.push_back(v);
    }
    return out;
}

class DoubleCache : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(logger_.log, nullptr);
        shared_ = logger_.shared();
    }

    // Formats through a buffer bound to the logger, which is what enables the
    // cache; nothing is written to the sink.
    std::string bound_text(double v) {
        return tevra_test::buffer_text([v](tevra_buffer *b) { tevra_buffer_append_double(b, v); }, shared_);
    }

    tev::DoubleCacheSlot &slot(double v) { return tevra_test::double_cache(shared_)[slot_of(v)]; }

    tevra_test::Logger logger_;
    tevra_shared *shared_ = nullptr;
};

TEST_F(DoubleCache, RepeatedValueGivesTheSameTextFromTheCache) {
    EXPECT_EQ(bound_text(2.5), "2.5");
    const uint32_t seq = slot(2.5).seq;
    EXPECT_EQ(seq % 2, 0u);
    EXPECT_NE(seq, 0u) << "the first call fills the slot";
    EXPECT_EQ(bound_text(2.5), "2.5");
    EXPECT_EQ(slot(2.5).seq, seq) << "a hit does not rewrite the slot";
}

TEST_F(DoubleCache, AHitServesTheStoredText) {
    bound_text(0.1);
    // Replace the stored text: a hit must show it, proving the lookup is used.
    std::memset(slot(0.1).text, 0, sizeof slot(0.1).text);
    std::memcpy(slot(0.1).text, "cached", 6);
    slot(0.1).text_len = 6;
    EXPECT_EQ(bound_text(0.1), "cached");
}

TEST_F(DoubleCache, SlotBeingWrittenIsNeverRead) {
    bound_text(0.1);
    tev::DoubleCacheSlot &s = slot(0.1);
    std::memcpy(s.text, "half", 4);
    s.text_len = 4;
    s.seq |= 1u;  // a writer holds the slot
    const uint32_t seq = s.seq;
    EXPECT_EQ(bound_text(0.1), "0.10000000000000001");
    EXPECT_EQ(s.seq, seq) << "a held slot is left to its writer";
}

TEST_F(DoubleCache, CollidingValuesReplaceEachOtherAndStayExact) {
    const std::vector<double> values = colliding(7, 3);
    for (int round = 0; round < 3; ++round) {
        for (double v : values) EXPECT_EQ(bound_text(v), printf_g17(v));
    }
    EXPECT_EQ(slot(values.back()).bits, bits_of(values.back()));
}

TEST_F(DoubleCache, ZeroAndNegativeZeroAreDifferentKeys) {
    EXPECT_EQ(bound_text(0.0), "0");
    EXPECT_EQ(bound_text(-0.0), "-0");
    EXPECT_EQ(bound_text(0.0), "0");
    EXPECT_EQ(bound_text(-0.0), "-0");
}

TEST_F(DoubleCache, NonFiniteValuesBypassTheCache) {
    EXPECT_EQ(bound_text(__builtin_nan("")), "nan");
    EXPECT_EQ(bound_text(__builtin_inf()), "inf");
    EXPECT_EQ(bound_text(-__builtin_inf()), "-inf");
    for (const tev::DoubleCacheSlot &s : tevra_test::double_cache(shared_)) EXPECT_EQ(s.seq, 0u);
}

TEST_F(DoubleCache, ManyThreadsOnCollidingSlotsAlwaysGetExactText) {
    // Two crowded slots and a few values elsewhere, formatted by many
    // threads at once into bound and detached buffers.
    std::vector<double> values = colliding(3, 6);
    for (double v : colliding(19, 6)) values.push_back(v);
    for (double v : {1.5, 0.25, -3.75, 1e-300}) values.push_back(v);
    std::vector<std::string> expected;
    for (double v : values) expected.push_back(printf_g17(v));

    constexpr int kThreads = 8;
    constexpr int kRounds = 3000;
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            tevra_buffer b;
            for (int i = 0; i < kRounds; ++i) {
                const size_t k = static_cast<size_t>(i * 7 + t) % values.size();
                tevra_buffer_init(&b, (i % 5 == 0) ? nullptr : shared_, 0);
                tevra_buffer_append_double(&b, values[k]);
                if (std::string(b.data, b.len) != expected[k]) wrong.fetch_add(1);
                tevra_buffer_destroy(&b);
            }
        });
    }
    for (std::thread &th : threads) th.join();
    EXPECT_EQ(wrong.load(), 0);
    for (size_t k = 0; k < values.size(); ++k) EXPECT_EQ(bound_text(values[k]), expected[k]);
}

}  // namespace

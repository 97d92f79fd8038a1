// The observed output: transparent forwarding, counters for failed and
// short writes, the failure report, and counters read during writes.
#include <gtest/gtest.h>
#include <tevra.h>

#include <atomic>
#include <cerrno>
#include <string>
#include <thread>
#include <vector>

#include "support/capture_sink.hpp"

namespace {

using tevra_test::CaptureSink;

// Accepts half of every write (rounded down).
struct HalfSink {
    std::string data;
    static int write(void *user, const void *p, size_t len, size_t *written) {
        auto *self = static_cast<HalfSink *>(user);
        self->data.append(static_cast<const char *>(p), len / 2);
        *written = len / 2;
        return 0;
    }
    tevra_output output() { return tevra_output{&write, nullptr, nullptr, this, 0}; }
};

struct Reports {
    std::vector<tevra_write_failure> seen;
    static void record(void *user, const tevra_write_failure *failure) {
        static_cast<Reports *>(user)->seen.push_back(*failure);
    }
};

int observed_write(tevra_observed_output &obs, const std::string &text, size_t *written) {
    return obs.output.write(obs.output.user_data, text.data(), text.size(), written);
}

}  // namespace

TEST(Observed, SuccessfulWritesPassThroughUncounted) {
    CaptureSink sink;
    Reports reports;
    tevra_observed_output obs;
    tevra_output inner = sink.output();
    tevra_observed_output_init(&obs, &inner, &Reports::record, &reports);
    size_t written = 0;
    EXPECT_EQ(observed_write(obs, "hello\n", &written), 0);
    EXPECT_EQ(written, 6u);
    EXPECT_EQ(sink.text(), "hello\n");
    tevra_observed_stats stats = tevra_observed_output_stats_get(&obs);
    EXPECT_EQ(stats.failures, 0u);
    EXPECT_EQ(stats.short_writes, 0u);
    EXPECT_TRUE(reports.seen.empty());
}

TEST(Observed, HalfAcceptingSinkCountsEveryCallAsShort) {
    HalfSink half;
    Reports reports;
    tevra_observed_output obs;
    tevra_output inner = half.output();
    tevra_observed_output_init(&obs, &inner, &Reports::record, &reports);
    size_t written = 0;
    EXPECT_EQ(observed_write(obs, "0123456789", &written), 0);
    EXPECT_EQ(written, 5u);
    EXPECT_EQ(observed_write(obs, "abcd", &written), 0);
    EXPECT_EQ(written, 2u);

    tevra_observed_stats stats = tevra_observed_output_stats_get(&obs);
    EXPECT_EQ(stats.failures, 2u);
    EXPECT_EQ(stats.short_writes, 2u);
    ASSERT_EQ(reports.seen.size(), 2u);
    EXPECT_EQ(reports.seen[0].error, 0);
    EXPECT_EQ(reports.seen[0].short_write, 1);
    EXPECT_EQ(reports.seen[0].written, 5u);
    EXPECT_EQ(reports.seen[0].requested, 10u);
    EXPECT_EQ(reports.seen[1].written, 2u);
    EXPECT_EQ(reports.seen[1].requested, 4u);
}

TEST(Observed, FailedWriteIsReportedWithItsError) {
    CaptureSink sink;
    sink.fail_error = ENOSPC;
    Reports reports;
    tevra_observed_output obs;
    tevra_output inner = sink.output();
    tevra_observed_output_init(&obs, &inner, &Reports::record, &reports);
    size_t written = 99;
    EXPECT_EQ(observed_write(obs, "lost", &written), ENOSPC);
    EXPECT_EQ(written, 0u);
    tevra_observed_stats stats = tevra_observed_output_stats_get(&obs);
    EXPECT_EQ(stats.failures, 1u);
    EXPECT_EQ(stats.short_writes, 1u);  // nothing of the four bytes was taken
    ASSERT_EQ(reports.seen.size(), 1u);
    EXPECT_EQ(reports.seen[0].error, ENOSPC);
    EXPECT_EQ(reports.seen[0].short_write, 1);
    EXPECT_EQ(reports.seen[0].written, 0u);
    EXPECT_EQ(reports.seen[0].requested, 4u);
}

// A count above the request is a broken sink too: passed on as reported,
// counted as a failure and a short write.
TEST(Observed, CountAboveTheRequestIsPassedOnAndCountedShort) {
    struct Boastful {
        static int write(void *, const void *, size_t len, size_t *written) {
            *written = len + 3;
            return 0;
        }
    };
    Reports reports;
    tevra_observed_output obs;
    tevra_output inner{&Boastful::write, nullptr, nullptr, &reports, 0};
    tevra_observed_output_init(&obs, &inner, &Reports::record, &reports);
    size_t written = 0;
    EXPECT_EQ(observed_write(obs, "abcd", &written), 0);
    EXPECT_EQ(written, 7u);
    tevra_observed_stats stats = tevra_observed_output_stats_get(&obs);
    EXPECT_EQ(stats.failures, 1u);
    EXPECT_EQ(stats.short_writes, 1u);
    ASSERT_EQ(reports.seen.size(), 1u);
    EXPECT_EQ(reports.seen[0].short_write, 1);
    EXPECT_EQ(reports.seen[0].written, 7u);
    EXPECT_EQ(reports.seen[0].requested, 4u);
}

TEST(Observed, FailuresAreCountedWithoutACallback) {
    CaptureSink sink;
    sink.max_accept = 1;
    tevra_observed_output obs;
    tevra_output inner = sink.output();
    tevra_observed_output_init(&obs, &inner, nullptr, nullptr);
    size_t written = 0;
    EXPECT_EQ(observed_write(obs, "abc", &written), 0);
    EXPECT_EQ(tevra_observed_output_stats_get(&obs).short_writes, 1u);
}

TEST(Observed, WithoutInnerEveryWriteSucceedsUncounted) {
    Reports reports;
    tevra_observed_output obs;
    tevra_observed_output_init(&obs, nullptr, &Reports::record, &reports);
    size_t written = 0;
    EXPECT_EQ(observed_write(obs, "nowhere\n", &written), 0);
    EXPECT_EQ(written, 8u);
    EXPECT_EQ(tevra_observed_write(nullptr, "abc", 3, &written), 0);
    EXPECT_EQ(written, 3u);
    tevra_observed_stats stats = tevra_observed_output_stats_get(&obs);
    EXPECT_EQ(stats.failures, 0u);
    EXPECT_EQ(stats.short_writes, 0u);
    EXPECT_TRUE(reports.seen.empty());
    EXPECT_EQ(tevra_observed_isatty(&obs), 0);
    EXPECT_EQ(tevra_observed_close(&obs), 0);
}

TEST(Observed, StatsOfNullAreZero) {
    tevra_observed_stats stats = tevra_observed_output_stats_get(nullptr);
    EXPECT_EQ(stats.failures, 0u);
    EXPECT_EQ(stats.short_writes, 0u);
}

TEST(Observed, IsattyAndCloseForwardOnlyWhatTheInnerAllows) {
    CaptureSink sink;
    sink.isatty_result = 1;
    sink.close_result = EIO;
    tevra_observed_output obs;

    tevra_output borrowed = sink.output(false);
    tevra_observed_output_init(&obs, &borrowed, nullptr, nullptr);
    EXPECT_EQ(obs.output.owns, 0);
    EXPECT_EQ(tevra_observed_isatty(&obs), 1);
    EXPECT_EQ(tevra_observed_close(&obs), 0);
    EXPECT_EQ(sink.close_calls(), 0);

    tevra_output owned = sink.output(true);
    tevra_observed_output_init(&obs, &owned, nullptr, nullptr);
    EXPECT_EQ(obs.output.owns, 1);  // the logger closes what the inner output owns
    EXPECT_EQ(tevra_observed_close(&obs), EIO);
    EXPECT_EQ(sink.close_calls(), 1);

    EXPECT_EQ(tevra_observed_isatty(nullptr), 0);
    EXPECT_EQ(tevra_observed_close(nullptr), 0);
    tevra_observed_output_init(nullptr, &owned, nullptr, nullptr);  // no effect, no crash
}

TEST(Observed, ReinitFromItsOwnInnerKeepsTheInner) {
    CaptureSink sink;
    tevra_observed_output obs;
    tevra_output inner = sink.output(true);
    tevra_observed_output_init(&obs, &inner, nullptr, nullptr);
    tevra_observed_output_init(&obs, &obs.inner, nullptr, nullptr);
    EXPECT_EQ(obs.inner.user_data, &sink);
    EXPECT_EQ(obs.output.owns, 1);
}

// The counters are read while another thread writes; under the thread
// sanitizer this is where an unsynchronised counter would show.
TEST(Observed, StatsCanBeReadWhileWritesFail) {
    CaptureSink sink;
    sink.fail_error = EPIPE;
    tevra_observed_output obs;
    tevra_output inner = sink.output();
    tevra_observed_output_init(&obs, &inner, nullptr, nullptr);
    constexpr unsigned kWrites = 2000;
    std::atomic<bool> done{false};
    unsigned last_seen = 0;
    bool monotonic = true;
    std::thread reader([&] {
        while (!done.load()) {
            unsigned now = tevra_observed_output_stats_get(&obs).failures;
            if (now < last_seen) monotonic = false;
            last_seen = now;
        }
    });
    for (unsigned i = 0; i < kWrites; ++i) {
        size_t written = 0;
        observed_write(obs, "x", &written);
    }
    done.store(true);
    reader.join();
    EXPECT_TRUE(monotonic);
    tevra_observed_stats stats = tevra_observed_output_stats_get(&obs);
    EXPECT_EQ(stats.failures, kWrites);
    EXPECT_EQ(stats.short_writes, kWrites);
}

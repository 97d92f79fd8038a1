// The loop that hands a finished line to a logger tree's output: piece
// sizes, completion of short writes, and where it must stop.
#include <gtest/gtest.h>
#include <tevra.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/shared.hpp"
#include "support/capture_sink.hpp"

namespace {

using tevra_test::CaptureSink;

// A zeroed shared record with only its output filled in; the loop reads
// nothing else, and its lock is the caller's business.
struct SharedRecord {
    tevra_shared *record = static_cast<tevra_shared *>(std::calloc(1, sizeof(tevra_shared)));
    explicit SharedRecord(const tevra_output &out) { record->output = out; }
    ~SharedRecord() { std::free(record); }
    SharedRecord(const SharedRecord &) = delete;
    SharedRecord &operator=(const SharedRecord &) = delete;
};

std::string pattern(size_t n) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>('a' + i % 26);
    return s;
}

// Reports more than it was given, after recording the bytes it really got.
struct Boastful {
    std::vector<size_t> sizes;
    std::string data;
    static int write(void *user, const void *p, size_t len, size_t *written) {
        auto *self = static_cast<Boastful *>(user);
        self->sizes.push_back(len);
        self->data.append(static_cast<const char *>(p), len);
        *written = len * 2 + 1;
        return 0;
    }
};

}  // namespace

TEST(WriteLoop, LargeLineIsCutIntoPiecesOfTheLargestSize) {
    CaptureSink sink;
    SharedRecord shared(sink.output());
    const std::string line = pattern(5000);
    tevra_write_output_locked(shared.record, line.data(), line.size(), 1024);
    EXPECT_EQ(sink.write_sizes(), (std::vector<size_t>{1024, 1024, 1024, 1024, 904}));
    EXPECT_EQ(sink.text(), line);
}

TEST(WriteLoop, ZeroLargestPieceHandsTheLineOverInOneCall) {
    CaptureSink sink;
    SharedRecord shared(sink.output());
    const std::string line = pattern(5000);
    tevra_write_output_locked(shared.record, line.data(), line.size(), 0);
    EXPECT_EQ(sink.write_sizes(), (std::vector<size_t>{5000}));
    EXPECT_EQ(sink.text(), line);
}

TEST(WriteLoop, ShortWritesAreCompletedFromWhereTheyStopped) {
    CaptureSink sink;
    sink.max_accept = 100;
    SharedRecord shared(sink.output());
    const std::string line = pattern(5000);
    tevra_write_output_locked(shared.record, line.data(), line.size(), 0);
    std::vector<size_t> sizes = sink.write_sizes();
    ASSERT_EQ(sizes.size(), 50u);
    EXPECT_EQ(sizes.front(), 5000u);
    EXPECT_EQ(sizes.back(), 100u);
    EXPECT_EQ(sink.text(), line);
}

TEST(WriteLoop, ShortWritesWithinPiecesKeepTheBytesInOrder) {
    CaptureSink sink;
    sink.max_accept = 700;
    SharedRecord shared(sink.output());
    const std::string line = pattern(2500);
    tevra_write_output_locked(shared.record, line.data(), line.size(), 1024);
    EXPECT_EQ(sink.write_sizes(), (std::vector<size_t>{1024, 1024, 1024, 400}));
    EXPECT_EQ(sink.text(), line);
}

TEST(WriteLoop, ClosedRecordWritesNothing) {
    CaptureSink sink;
    SharedRecord shared(sink.output());
    shared.record->closed = 1;
    tevra_write_output_locked(shared.record, "line\n", 5, 1024);
    EXPECT_TRUE(sink.write_sizes().empty());
}

TEST(WriteLoop, NothingToWriteMakesNoCall) {
    CaptureSink sink;
    SharedRecord shared(sink.output());
    tevra_write_output_locked(shared.record, nullptr, 5, 1024);
    tevra_write_output_locked(shared.record, "line\n", 0, 1024);
    tevra_write_output_locked(nullptr, "line\n", 5, 1024);
    EXPECT_TRUE(sink.write_sizes().empty());

    SharedRecord silent(tevra_output{});
    tevra_write_output_locked(silent.record, "line\n", 5, 1024);  // no output: no crash
}

TEST(WriteLoop, FailureLosesTheRestOfTheLineAfterOneCall) {
    CaptureSink sink;
    sink.fail_error = ENOSPC;
    SharedRecord shared(sink.output());
    const std::string line = pattern(3000);
    tevra_write_output_locked(shared.record, line.data(), line.size(), 1024);
    EXPECT_EQ(sink.write_sizes(), (std::vector<size_t>{1024}));
}

TEST(WriteLoop, ZeroCountStopsInsteadOfSpinning) {
    CaptureSink sink;
    sink.max_accept = 0;
    SharedRecord shared(sink.output());
    tevra_write_output_locked(shared.record, "line\n", 5, 1024);
    EXPECT_EQ(sink.write_sizes(), (std::vector<size_t>{5}));
}

TEST(WriteLoop, OverReportedCountNeverRunsPastTheLine) {
    Boastful sink;
    SharedRecord shared(tevra_output{&Boastful::write, nullptr, nullptr, &sink, 0});
    const std::string line = pattern(3000);
    tevra_write_output_locked(shared.record, line.data(), line.size(), 1024);
    EXPECT_EQ(sink.sizes, (std::vector<size_t>{1024, 1024, 952}));
    EXPECT_EQ(sink.data, line);
}

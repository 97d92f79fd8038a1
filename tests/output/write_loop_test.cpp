// The loop that hands a finished line to a logger tree's output: piece
// sizes, completion of short writes, and where it must stop.
#include <gtest/gtest.h>
#include <tevra.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/shared.hpp"
#include "output_support.hpp"
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

namespace {

// Takes every byte, except at call `fail_call` (counting from 1), where it
// takes `take` bytes and returns `error` (0 with `take` 0: a zero count).
struct FailsOnce {
    FailsOnce(int call, size_t taken, int err) : fail_call(call), take(taken), error(err) {}
    int fail_call;
    size_t take;
    int error;
    int calls = 0;
    std::string data;
    static int write(void *user, const void *p, size_t len, size_t *written) {
        auto *self = static_cast<FailsOnce *>(user);
        bool fail = ++self->calls == self->fail_call;
        size_t n = fail && self->take < len ? self->take : len;
        self->data.append(static_cast<const char *>(p), n);
        *written = n;
        return fail ? self->error : 0;
    }
    tevra_output output() { return tevra_output{&write, nullptr, nullptr, this, 0}; }
};

// Logs `first` and then "next" through a logger with a 64-byte buffer.
void log_two_lines(const tevra_output &out, const std::string &first) {
    tevra_logger *log = tevra_test::logger_over(out, 64);
    tevra_info(log, first.c_str(), nullptr, 0);
    tevra_info(log, "next", nullptr, 0);
    log->destroy(log);
}

}  // namespace

// A line whose second piece fails loses the rest of itself, and the output
// ends the broken line before the next one starts.
TEST(WriteLoop, FailedPieceDropsTheRestOfItsLine) {
    const std::string longer = tevra_test::message_of(200, 3);
    const std::string broken = tevra_test::line_for(longer);
    const std::string next = tevra_test::line_for("next");
    struct Case {
        size_t take;
        int error;
    };
    for (Case c : {Case{0, ENOSPC}, Case{0, 0}, Case{10, EIO}}) {
        FailsOnce sink{2, c.take, c.error};
        log_two_lines(sink.output(), longer);
        EXPECT_EQ(sink.data, broken.substr(0, 64 + c.take) + "\n" + next)
            << "take " << c.take << ", error " << c.error;
    }
}

// A line the output took nothing of leaves no broken line behind.
TEST(WriteLoop, LineFailingBeforeAnyByteNeedsNoLineFeedAfterIt) {
    FailsOnce sink{1, 0, ENOSPC};
    log_two_lines(sink.output(), "first");
    EXPECT_EQ(sink.data, tevra_test::line_for("next"));
}

// Inside a tee each output fails, drops and recovers on its own.
TEST(WriteLoop, TeeOutputsDropOnlyTheirOwnFailedLine) {
    const std::string longer = tevra_test::message_of(200, 4);
    const std::string broken = tevra_test::line_for(longer);
    const std::string next = tevra_test::line_for("next");
    FailsOnce failing{2, 0, EPIPE};
    CaptureSink whole;
    log_two_lines(tevra_test::make_tee(failing.output(), whole.output()), longer);
    EXPECT_EQ(failing.data, broken.substr(0, 64) + "\n" + next);
    EXPECT_EQ(whole.text(), broken + next);
}

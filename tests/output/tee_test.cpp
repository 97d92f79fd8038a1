// The tee: both outputs receive every byte, short writes are completed per
// output, and a failing output never stops the other.
#include <gtest/gtest.h>
#include <signal.h>
#include <tevra.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <utility>
#include <vector>

#include "output_support.hpp"
#include "support/capture_sink.hpp"

namespace {

using tevra_test::CaptureSink;
using tevra_test::make_tee;

int tee_write(const tevra_output &tee, const std::string &text, size_t *written) {
    return tee.write(tee.user_data, text.data(), text.size(), written);
}

// A sink that claims more bytes than it was given, and records the calls.
struct Boastful {
    std::vector<size_t> sizes;
    std::string data;
    static int write(void *user, const void *p, size_t len, size_t *written) {
        auto *self = static_cast<Boastful *>(user);
        self->sizes.push_back(len);
        self->data.append(static_cast<const char *>(p), len);
        *written = len + 100;
        return 0;
    }
    tevra_output output() { return tevra_output{&write, nullptr, nullptr, this, 0}; }
};

// Close and terminal answers without writes, for close and isatty cases.
struct Answers {
    int isatty_result = 0;
    int close_result = 0;
    int closes = 0;
    static int isatty(void *user) { return static_cast<Answers *>(user)->isatty_result; }
    static int close(void *user) {
        auto *self = static_cast<Answers *>(user);
        ++self->closes;
        return self->close_result;
    }
    tevra_output output(int owns) { return tevra_output{nullptr, &close, &isatty, this, owns}; }
};

// Takes every byte it is given and still reports `error`.
struct TakesAllAndFails {
    int error;
    std::string data;
    static int write(void *user, const void *p, size_t len, size_t *written) {
        auto *self = static_cast<TakesAllAndFails *>(user);
        self->data.append(static_cast<const char *>(p), len);
        *written = len;
        return self->error;
    }
    tevra_output output() { return tevra_output{&write, nullptr, nullptr, this, 0}; }
};

const std::string kLine = "0123456789";

}  // namespace

TEST(Tee, BothOutputsReceiveEveryByte) {
    CaptureSink a, b;
    tevra_output tee = make_tee(a.output(), b.output());
    size_t written = 0;
    EXPECT_EQ(tee_write(tee, kLine, &written), 0);
    EXPECT_EQ(written, kLine.size());
    EXPECT_EQ(a.text(), kLine);
    EXPECT_EQ(b.text(), kLine);
    EXPECT_EQ(tevra_tee_close(tee.user_data), 0);
}

TEST(Tee, ShortWritesAreCompletedInAlternatingPasses) {
    CaptureSink a, b;
    a.max_accept = 4;
    b.max_accept = 6;
    tevra_output tee = make_tee(a.output(), b.output());
    size_t written = 0;
    EXPECT_EQ(tee_write(tee, kLine, &written), 0);
    EXPECT_EQ(written, kLine.size());
    EXPECT_EQ(a.write_sizes(), (std::vector<size_t>{10, 6, 2}));
    EXPECT_EQ(b.write_sizes(), (std::vector<size_t>{10, 4}));
    EXPECT_EQ(a.text(), kLine);
    EXPECT_EQ(b.text(), kLine);
    tevra_tee_close(tee.user_data);
}

TEST(Tee, SecondFailingOnItsFirstCallStopsTheTee) {
    CaptureSink a, b;
    b.fail_error = ENOSPC;
    tevra_output tee = make_tee(a.output(), b.output());
    size_t written = 99;
    EXPECT_EQ(tee_write(tee, kLine, &written), ENOSPC);
    EXPECT_EQ(written, 0u);  // the smaller offset: the second output's
    EXPECT_EQ(a.write_sizes(), (std::vector<size_t>{10}));
    EXPECT_EQ(b.write_sizes(), (std::vector<size_t>{10}));
    tevra_tee_close(tee.user_data);
}

TEST(Tee, FailureOfOneOutputLetsTheOtherFinish) {
    CaptureSink a, b;
    a.max_accept = 3;
    b.fail_error = EPIPE;
    tevra_output tee = make_tee(a.output(), b.output());
    size_t written = 99;
    EXPECT_EQ(tee_write(tee, kLine, &written), EPIPE);
    EXPECT_EQ(written, 0u);
    EXPECT_EQ(a.write_sizes(), (std::vector<size_t>{10, 7, 4, 1}));
    EXPECT_EQ(a.text(), kLine);
    tevra_tee_close(tee.user_data);
}

TEST(Tee, SecondWithoutWriteSendsBytesOnlyToTheFirst) {
    CaptureSink a;
    a.max_accept = 3;
    tevra_output tee = make_tee(a.output(), tevra_output{});
    size_t written = 0;
    EXPECT_EQ(tee_write(tee, kLine, &written), 0);
    EXPECT_EQ(written, kLine.size());
    EXPECT_EQ(a.write_sizes(), (std::vector<size_t>{10, 7, 4, 1}));
    EXPECT_EQ(a.text(), kLine);
    tevra_tee_close(tee.user_data);
}

TEST(Tee, NeitherOutputWritingSucceedsWithTheWholeCount) {
    tevra_output tee = make_tee(tevra_output{}, tevra_output{});
    size_t written = 0;
    EXPECT_EQ(tee_write(tee, kLine, &written), 0);
    EXPECT_EQ(written, kLine.size());
    tevra_tee_close(tee.user_data);
}

TEST(Tee, ZeroCountWithoutErrorGivesEio) {
    CaptureSink a, b;
    b.max_accept = 0;
    tevra_output tee = make_tee(a.output(), b.output());
    size_t written = 99;
    EXPECT_EQ(tee_write(tee, kLine, &written), EIO);
    EXPECT_EQ(written, 0u);
    EXPECT_EQ(b.write_sizes().size(), 1u);  // stopped, not retried forever
    tevra_tee_close(tee.user_data);
}

TEST(Tee, OverReportedCountCountsAsTheRemainder) {
    Boastful a;
    CaptureSink b;
    b.max_accept = 4;
    tevra_output tee = make_tee(a.output(), b.output());
    size_t written = 0;
    EXPECT_EQ(tee_write(tee, kLine, &written), 0);
    EXPECT_EQ(written, kLine.size());
    EXPECT_EQ(a.sizes, (std::vector<size_t>{10}));
    EXPECT_EQ(a.data, kLine);
    EXPECT_EQ(b.text(), kLine);
    tevra_tee_close(tee.user_data);
}

TEST(Tee, MissingRecordWritesNothing) {
    size_t written = 99;
    EXPECT_EQ(tevra_tee_write(nullptr, "x", 1, &written), -1);
    EXPECT_EQ(written, 0u);
    EXPECT_EQ(tevra_tee_close(nullptr), 0);
    EXPECT_EQ(tevra_tee_isatty(nullptr), 0);
}

TEST(Tee, IsattyWhenEitherOutputIsATerminal) {
    Answers no, yes;
    yes.isatty_result = 9;
    struct Case {
        tevra_output first, second;
        int expected;
    };
    const Case cases[] = {
        {no.output(0), no.output(0), 0},
        {yes.output(0), no.output(0), 1},
        {no.output(0), yes.output(0), 1},
        {tevra_output{}, yes.output(0), 1},
        {tevra_output{}, tevra_output{}, 0},
    };
    for (const Case &c : cases) {
        tevra_output tee = make_tee(c.first, c.second);
        EXPECT_EQ(tevra_tee_isatty(tee.user_data), c.expected);
        tevra_tee_close(tee.user_data);
    }
}

TEST(Tee, CloseClosesOnlyOwnedOutputsAndPrefersTheFirstError) {
    Answers owned_a, owned_b, borrowed;
    owned_a.close_result = EIO;
    owned_b.close_result = ENOSPC;
    tevra_output tee = make_tee(owned_a.output(1), owned_b.output(1));
    EXPECT_EQ(tevra_tee_close(tee.user_data), EIO);
    EXPECT_EQ(owned_a.closes, 1);
    EXPECT_EQ(owned_b.closes, 1);

    owned_a.close_result = 0;
    tee = make_tee(owned_a.output(1), owned_b.output(1));
    EXPECT_EQ(tevra_tee_close(tee.user_data), ENOSPC);

    borrowed.close_result = EIO;
    tee = make_tee(borrowed.output(0), owned_b.output(0));
    EXPECT_EQ(tevra_tee_close(tee.user_data), 0);
    EXPECT_EQ(borrowed.closes, 0);
    EXPECT_EQ(owned_b.closes, 2);
}

TEST(Tee, ErrorOfAnOutputThatTookEveryByteIsStillReported) {
    CaptureSink a;
    TakesAllAndFails b{ENOSPC, {}};
    tevra_output tee = make_tee(a.output(), b.output());
    size_t written = 0;
    EXPECT_EQ(tee_write(tee, kLine, &written), ENOSPC);
    EXPECT_EQ(written, kLine.size());
    EXPECT_EQ(b.data, kLine);

    // With both failing, the first output's error is the tee's.
    TakesAllAndFails first{EPIPE, {}};
    tevra_output both = make_tee(first.output(), b.output());
    EXPECT_EQ(tee_write(both, kLine, &written), EPIPE);
    EXPECT_EQ(first.data, kLine);
    tevra_tee_close(tee.user_data);
    tevra_tee_close(both.user_data);
}

// The log file behind a dead first output (a full device; a stream whose
// reader went away, as standard output piped into a program that exited)
// still receives every line whole, the long one (three pieces of the
// default 1024 bytes) included.
TEST(Tee, FailingFirstOutputDoesNotStopTheSecond) {
    tevra_test::TempDir dir;
    ASSERT_TRUE(dir.ok());
    tevra_output full{}, broken{};
    if (tevra_output_init_file(&full, "/dev/full", "a") != 0) GTEST_SKIP() << "no /dev/full";
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    close(fds[0]);
    tevra_output_from_fp(&broken, fdopen(fds[1], "w"), 1);
    void (*saved)(int) = signal(SIGPIPE, SIG_IGN);
    const std::vector<std::string> messages = {"before", tevra_test::message_of(3000, 1), "after"};
    for (auto [first, error] : {std::pair{full, ENOSPC}, std::pair{broken, EPIPE}}) {
        const std::string path = dir.path("tee-" + std::to_string(error) + ".log");
        tevra_output file{};
        ASSERT_EQ(tevra_output_init_file(&file, path.c_str(), "w"), 0);
        tevra_output tee = make_tee(first, file);
        size_t written = 99;
        EXPECT_EQ(tee_write(tee, "direct\n", &written), error);
        EXPECT_EQ(written, 0u);
        tevra_logger *log = tevra_test::logger_over(tee);
        for (const std::string &msg : messages) tevra_info(log, msg.c_str(), nullptr, 0);
        log->destroy(log);  // closes the tee and both outputs
        EXPECT_EQ(tevra_test::read_file(path), "direct\n" + tevra_test::lines_for(messages)) << error;
    }
    signal(SIGPIPE, saved);
}

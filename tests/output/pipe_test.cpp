// Sinks on pipes that fill up: a non-blocking write end and a timer signal
// that interrupts blocked writes must neither lose nor tear a line.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pthread.h>
#include <signal.h>
#include <sys/time.h>
#include <tevra.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "output_support.hpp"

namespace {

tevra_output descriptor_output(int fd) {
    auto *cell = static_cast<int *>(tevra_malloc_internal(sizeof(int)));
    *cell = fd;
    return tevra_output{&tevra_fd_write, &tevra_fd_close, &tevra_fd_isatty, cell, 1};
}

tevra_output stream_output(int fd) {
    tevra_output out{};
    tevra_output_from_fp(&out, fdopen(fd, "w"), 1);
    return out;
}

// Logs `count` lines of up to `longest` message bytes into a pipe whose
// reader pauses after every read, so the prepared lines keep finding it
// full, and expects them all back whole and in order. The reader thread
// never takes SIGALRM. The logger owns the write end and closes it.
void expect_lines_through_pipe(tevra_output (*make_output)(int), int flags, int count,
                               size_t longest, size_t buffer_size) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    ASSERT_EQ(fcntl(fds[1], F_SETFL, flags), 0);
    std::vector<std::string> messages;
    for (int i = 0; i < count; ++i) {
        messages.push_back(tevra_test::message_of(1 + (static_cast<size_t>(i) * 997) % longest, i));
    }
    const std::string expected = tevra_test::lines_for(messages);

    sigset_t alarm_only, saved_mask;
    sigemptyset(&alarm_only);
    sigaddset(&alarm_only, SIGALRM);
    pthread_sigmask(SIG_BLOCK, &alarm_only, &saved_mask);
    std::string received;
    std::thread reader([&] {
        char buf[4096];
        ssize_t n;
        while ((n = read(fds[0], buf, sizeof buf)) > 0 || (n < 0 && errno == EINTR)) {
            if (n > 0) received.append(buf, static_cast<size_t>(n));
            usleep(100);
        }
    });
    pthread_sigmask(SIG_SETMASK, &saved_mask, nullptr);

    tevra_logger *log = tevra_test::logger_over(make_output(fds[1]), buffer_size);
    for (const std::string &msg : messages) tevra_info(log, msg.c_str(), nullptr, 0);
    log->destroy(log);
    reader.join();
    close(fds[0]);
    // A megabyte of text is compared without printing it.
    EXPECT_EQ(received.size(), expected.size());
    EXPECT_TRUE(received == expected);
}

std::atomic<int> alarms{0};
extern "C" void count_alarm(int) { alarms.fetch_add(1); }

}  // namespace

// 400 lines of up to 3000 bytes, handed over in pieces of 1024 bytes.
TEST(NonBlockingPipe, DescriptorSinkWaitsInsteadOfLosingLines) {
    expect_lines_through_pipe(&descriptor_output, O_NONBLOCK, 400, 3000, 0);
}

TEST(NonBlockingPipe, StdioSinkWaitsInsteadOfLosingLines) {
    expect_lines_through_pipe(&stream_output, O_NONBLOCK, 400, 3000, 0);
}

// Lines of up to 6000 bytes, each one write of a 64 KiB line buffer, to a
// stream on a blocking pipe while SIGALRM, whose handler was installed
// without SA_RESTART, interrupts the blocked writes every millisecond.
TEST(InterruptedWrites, StdioSinkKeepsLongLinesWholeUnderATimerSignal) {
    struct sigaction sa{}, saved{};
    sa.sa_handler = count_alarm;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = 0;
    ASSERT_EQ(sigaction(SIGALRM, &sa, &saved), 0);
    alarms.store(0);
    itimerval every{{0, 1000}, {0, 1000}}, off{};
    setitimer(ITIMER_REAL, &every, nullptr);
    expect_lines_through_pipe(&stream_output, 0, 300, 6000, 65536);
    setitimer(ITIMER_REAL, &off, nullptr);
    sigaction(SIGALRM, &saved, nullptr);
    EXPECT_GT(alarms.load(), 0);
}

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

using tevra_test::logger_over;
using tevra_test::message_of;

// Reads a pipe to its end with a pause after every read, so that the
// writer keeps finding it full.
class SlowReader {
  public:
    explicit SlowReader(int fd) : thread_([this, fd] { run(fd); }) {}
    std::string finish() {
        thread_.join();
        return data_;
    }

  private:
    void run(int fd) {
        char buf[4096];
        for (;;) {
            ssize_t n = read(fd, buf, sizeof buf);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            data_.append(buf, static_cast<size_t>(n));
            usleep(100);
        }
    }

    std::string data_;
    std::thread thread_;
};

// Logs `count` lines of up to `longest` message bytes through `out`, which
// the logger owns: destroying it closes the pipe's write end. Returns what
// the reader should have received. The lines are prepared first, so the
// writer outpaces the reader.
std::string log_lines(const tevra_output &out, int count, size_t longest, size_t buffer_size) {
    std::vector<std::string> messages;
    for (int i = 0; i < count; ++i) {
        messages.push_back(message_of(1 + (static_cast<size_t>(i) * 997) % longest, i));
    }
    const std::string expected = tevra_test::lines_for(messages);
    tevra_logger *log = logger_over(out, buffer_size);
    for (const std::string &msg : messages) tevra_info(log, msg.c_str(), nullptr, 0);
    log->destroy(log);
    return expected;
}

// Whole texts of a megabyte are compared without printing them.
::testing::AssertionResult same_text(const std::string &got, const std::string &want) {
    if (got == want) return ::testing::AssertionSuccess();
    size_t at = 0;
    while (at < got.size() && at < want.size() && got[at] == want[at]) ++at;
    return ::testing::AssertionFailure()
           << "received " << got.size() << " bytes, expected " << want.size()
           << "; first difference at byte " << at;
}

struct Pipe {
    int read_end = -1;
    int write_end = -1;
    Pipe() {
        int fds[2];
        if (pipe(fds) == 0) {
            read_end = fds[0];
            write_end = fds[1];
        }
    }
    ~Pipe() {
        if (read_end >= 0) close(read_end);
    }
};

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

// 400 lines of up to 3000 bytes, written in pieces of 1024 bytes.
void expect_nonblocking_pipe_loses_nothing(tevra_output (*make_output)(int)) {
    Pipe p;
    ASSERT_GE(p.write_end, 0);
    ASSERT_EQ(fcntl(p.write_end, F_SETFL, O_NONBLOCK), 0);
    SlowReader reader(p.read_end);
    const std::string expected = log_lines(make_output(p.write_end), 400, 3000, 0);
    EXPECT_TRUE(same_text(reader.finish(), expected));
}

std::atomic<int> alarms{0};
extern "C" void count_alarm(int) { alarms.fetch_add(1); }

// SIGALRM every `usec` microseconds to a handler installed without
// SA_RESTART, so a write blocked on a full pipe fails with EINTR.
class AlarmTimer {
  public:
    explicit AlarmTimer(long usec) {
        struct sigaction sa{};
        sa.sa_handler = count_alarm;
        sigemptyset(&sa.sa_mask);
        sa.sa_flags = 0;
        sigaction(SIGALRM, &sa, &saved_);
        itimerval every{{0, usec}, {0, usec}};
        setitimer(ITIMER_REAL, &every, nullptr);
    }
    ~AlarmTimer() {
        itimerval off{};
        setitimer(ITIMER_REAL, &off, nullptr);
        sigaction(SIGALRM, &saved_, nullptr);
    }
    AlarmTimer(const AlarmTimer &) = delete;
    AlarmTimer &operator=(const AlarmTimer &) = delete;

  private:
    struct sigaction saved_{};
};

}  // namespace

TEST(NonBlockingPipe, DescriptorSinkWaitsInsteadOfLosingLines) {
    expect_nonblocking_pipe_loses_nothing(&descriptor_output);
}

TEST(NonBlockingPipe, StdioSinkWaitsInsteadOfLosingLines) {
    expect_nonblocking_pipe_loses_nothing(&stream_output);
}

// Lines of 6000 bytes, each one write of a 64 KiB line buffer, to a stream
// on a pipe that a slow reader keeps full while the timer fires.
TEST(InterruptedWrites, StdioSinkKeepsLongLinesWholeUnderATimerSignal) {
    Pipe p;
    ASSERT_GE(p.write_end, 0);
    // Only this thread takes the signal; the reader starts with it blocked.
    sigset_t alarm_only, saved_mask;
    sigemptyset(&alarm_only);
    sigaddset(&alarm_only, SIGALRM);
    pthread_sigmask(SIG_BLOCK, &alarm_only, &saved_mask);
    SlowReader reader(p.read_end);
    pthread_sigmask(SIG_SETMASK, &saved_mask, nullptr);

    alarms.store(0);
    std::string expected;
    {
        AlarmTimer timer(1000);
        expected = log_lines(stream_output(p.write_end), 300, 6000, 65536);
    }
    EXPECT_GT(alarms.load(), 0);
    EXPECT_TRUE(same_text(reader.finish(), expected));
}

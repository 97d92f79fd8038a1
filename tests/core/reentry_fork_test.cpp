// Log calls that re-enter their own logger tree (from a sink, a failure
// callback or a signal handler) and loggers used in a child forked while
// other threads of the parent held the tree's locks.
#include <gtest/gtest.h>
#include <tevra.h>

#include <poll.h>
#include <pthread.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <string>
#include <thread>

#include "core/shared.hpp"
#include "support/private_state.hpp"

namespace {

// A sink that keeps what it is given and, on its first call, logs again
// through the logger it belongs to.
struct LoopSink {
    tevra_logger *log = nullptr;
    std::string text;
    int depth = 0;
    bool inner_template = false;

    static int write(void *user, const void *data, size_t len, size_t *written) {
        auto *self = static_cast<LoopSink *>(user);
        self->text.append(static_cast<const char *>(data), len);
        *written = len;
        if (self->depth++ == 0) {
            if (self->inner_template) {
                tevra_infof(self->log, "inner", "n=%d", 1);
            } else {
                tevra_info(self->log, "inner", nullptr, 0);
            }
        }
        return 0;
    }
};

tevra_config json_config(tevra_output out, size_t buffer_size = 0) {
    tevra_config cfg;
    tevra_default_config(&cfg);
    cfg.mode = TEVRA_MODE_JSON;
    cfg.timestamps = 0;
    cfg.color = TEVRA_COLOR_NEVER;
    cfg.output = out;
    cfg.buffer_size = buffer_size;
    return cfg;
}

TEST(Reentry, SinkThatLogsToItsOwnTreeDropsTheInnerLineAndCarriesOn) {
    for (bool inner_template : {false, true}) {
        for (size_t buffer_size : {size_t{0}, size_t{64}}) {
            LoopSink sink;
            sink.inner_template = inner_template;
            const tevra_config cfg = json_config({&LoopSink::write, nullptr, nullptr, &sink, 0}, buffer_size);
            sink.log = tevra_new(&cfg);
            ASSERT_NE(sink.log, nullptr);
            // With a 64-byte buffer the line is flushed mid-way, so the inner
            // call arrives while the outer line still holds the lock.
            const std::string pad(150, 'p');
            const tevra_field f = tevra_str("pad", pad.c_str());
            tevra_info(sink.log, "outer", &f, 1);
            EXPECT_EQ(sink.text, "{\"lvl\":\"info\",\"msg\":\"outer\",\"pad\":\"" + pad + "\"}\n");
            sink.text.clear();
            sink.depth = 0;
            tevra_warn(sink.log, "again", nullptr, 0);
            EXPECT_EQ(sink.text, "{\"lvl\":\"warn\",\"msg\":\"again\"}\n");
            sink.log->destroy(sink.log);
        }
    }
}

tevra_logger *g_signal_log = nullptr;

void log_from_handler(int) { tevra_info(g_signal_log, "from handler", nullptr, 0); }

int raising_write(void *user, const void *data, size_t len, size_t *written) {
    static_cast<std::string *>(user)->append(static_cast<const char *>(data), len);
    *written = len;
    raise(SIGUSR1);
    return 0;
}

TEST(Reentry, SignalHandlerThatLogsWhileItsThreadWritesDropsItsLine) {
    std::string text;
    const tevra_config cfg = json_config({&raising_write, nullptr, nullptr, &text, 0});
    g_signal_log = tevra_new(&cfg);
    ASSERT_NE(g_signal_log, nullptr);
    struct sigaction sa {}, old {};
    sa.sa_handler = &log_from_handler;
    sigemptyset(&sa.sa_mask);
    ASSERT_EQ(sigaction(SIGUSR1, &sa, &old), 0);
    tevra_info(g_signal_log, "outer", nullptr, 0);
    tevra_errorf(g_signal_log, "second", "k=%s", "v");
    sigaction(SIGUSR1, &old, nullptr);
    EXPECT_EQ(text,
              "{\"lvl\":\"info\",\"msg\":\"outer\"}\n"
              "{\"lvl\":\"error\",\"msg\":\"second\",\"k\":\"v\"}\n");
    g_signal_log->destroy(g_signal_log);
}

struct FailingTree {
    tevra_logger *log = nullptr;
    int reports = 0;
};

int refusing_write(void *, const void *, size_t, size_t *written) {
    *written = 0;
    return 28;
}

TEST(Reentry, FailureCallbackThatLogsToTheSameTreeReturns) {
    FailingTree tree;
    tevra_output inner{&refusing_write, nullptr, nullptr, nullptr, 0};
    tevra_observed_output obs;
    tevra_observed_output_init(
        &obs, &inner,
        [](void *user, const tevra_write_failure *) {
            auto *t = static_cast<FailingTree *>(user);
            ++t->reports;
            tevra_error(t->log, "write failed", nullptr, 0);
        },
        &tree);
    const tevra_config cfg = json_config(obs.output);
    tree.log = tevra_new(&cfg);
    ASSERT_NE(tree.log, nullptr);
    tevra_info(tree.log, "one", nullptr, 0);
    tevra_info(tree.log, "two", nullptr, 0);
    EXPECT_EQ(tree.reports, 2);
    EXPECT_EQ(tevra_observed_output_stats_get(&obs).failures, 2u);
    tree.log->destroy(tree.log);
}

TEST(Reentry, ClosingFromInsideTheTreesSinkIsRefusedNotDeadlocked) {
    struct Closer {
        tevra_logger *log = nullptr;
        int close_result = 0;
        static int write(void *user, const void *, size_t len, size_t *written) {
            auto *self = static_cast<Closer *>(user);
            self->close_result = tevra_close(self->log);
            *written = len;
            return 0;
        }
        static int close(void *) { return 0; }
    } closer;
    const tevra_config cfg = json_config({&Closer::write, &Closer::close, nullptr, &closer, 1});
    closer.log = tevra_new(&cfg);
    ASSERT_NE(closer.log, nullptr);
    tevra_info(closer.log, "line", nullptr, 0);
    EXPECT_EQ(closer.close_result, EDEADLK);
    EXPECT_EQ(tevra_close(closer.log), 0);
    closer.log->destroy(closer.log);
}

// The parent's lines block in the sink until released; a forked child's
// lines go to a pipe instead.
struct ForkSink {
    pid_t parent = getpid();
    int pipe_write = -1;
    std::atomic<bool> entered{false};
    std::atomic<bool> release{false};

    static int write(void *user, const void *data, size_t len, size_t *written) {
        auto *self = static_cast<ForkSink *>(user);
        if (getpid() != self->parent) {
            const ssize_t n = ::write(self->pipe_write, data, len);
            *written = n > 0 ? static_cast<size_t>(n) : 0;
            return n < 0 ? errno : 0;
        }
        self->entered = true;
        while (!self->release) std::this_thread::yield();
        *written = len;
        return 0;
    }
};

// Forks, lets the child log one field line and one template line, and returns what it wrote
// (or a note saying the child hung).
std::string child_lines(tevra_logger *log, ForkSink &sink) {
    int fds[2];
    if (pipe(fds) != 0) return "pipe failed";
    sink.pipe_write = fds[1];
    const pid_t pid = fork();
    if (pid == 0) {
        alarm(10);  // a deadlocked child dies instead of hanging the test
        tevra_info(log, "child", nullptr, 0);
        tevra_infof(log, "child template", "n=%d", 7);
        _exit(0);
    }
    close(fds[1]);
    std::string out;
    char chunk[256];
    pollfd p{fds[0], POLLIN, 0};
    while (poll(&p, 1, 10000) > 0) {
        const ssize_t n = read(fds[0], chunk, sizeof chunk);
        if (n <= 0) break;
        out.append(chunk, static_cast<size_t>(n));
    }
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status)) out += "[child did not exit]";
    return out;
}

constexpr const char *kChildLines =
    "{\"lvl\":\"info\",\"msg\":\"child\"}\n"
    "{\"lvl\":\"info\",\"msg\":\"child template\",\"n\":7}\n";

TEST(Fork, ChildLogsAtOnceWhileAParentThreadHoldsTheWriteLock) {
    ForkSink sink;
    const tevra_config cfg = json_config({&ForkSink::write, nullptr, nullptr, &sink, 0});
    tevra_logger *log = tevra_new(&cfg);
    ASSERT_NE(log, nullptr);
    std::thread writer([&] { tevra_info(log, "parent", nullptr, 0); });
    while (!sink.entered) std::this_thread::yield();
    EXPECT_EQ(child_lines(log, sink), kChildLines);
    sink.release = true;
    writer.join();
    log->destroy(log);
}

TEST(Fork, ChildLogsTemplatesWhileAParentThreadHoldsTheCacheLock) {
    ForkSink sink;
    sink.release = true;
    const tevra_config cfg = json_config({&ForkSink::write, nullptr, nullptr, &sink, 0});
    tevra_logger *log = tevra_new(&cfg);
    ASSERT_NE(log, nullptr);
    tevra_infof(log, "warm", "n=%d", 1);  // the template is cached before the fork
    tevra_shared *s = tevra_test::shared_of(log);
    std::atomic<bool> locked{false}, done{false};
    std::thread holder([&] {
        pthread_mutex_lock(&s->lock);
        locked = true;
        while (!done) std::this_thread::yield();
        pthread_mutex_unlock(&s->lock);
    });
    while (!locked) std::this_thread::yield();
    EXPECT_EQ(child_lines(log, sink), kChildLines);
    done = true;
    holder.join();
    log->destroy(log);
}

}  // namespace

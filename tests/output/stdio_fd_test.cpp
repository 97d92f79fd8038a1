// The stdio stream sink and the file-descriptor sink, against real files,
// devices, pipes and pseudo-terminals.
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <tevra.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "support/alloc_hook.hpp"
#include "output_support.hpp"

namespace {

using tevra_test::read_file;
using tevra_test::TempDir;

void write_file(const std::string &path, const std::string &text) {
    FILE *fp = std::fopen(path.c_str(), "wb");
    ASSERT_NE(fp, nullptr);
    std::fwrite(text.data(), 1, text.size(), fp);
    std::fclose(fp);
}

bool fd_is_open(int fd) { return fcntl(fd, F_GETFD) != -1; }

int open_descriptor_count() {
    int count = 0;
    DIR *dir = opendir("/proc/self/fd");
    if (dir == nullptr) return -1;
    while (readdir(dir) != nullptr) ++count;
    closedir(dir);
    return count;
}

// The writing end of a pseudo-terminal, or -1 where none can be had.
int open_pty_slave(int *master_out) {
    int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0) return -1;
    const char *name = nullptr;
    if (grantpt(master) != 0 || unlockpt(master) != 0 || (name = ptsname(master)) == nullptr) {
        close(master);
        return -1;
    }
    int slave = open(name, O_RDWR | O_NOCTTY);
    if (slave < 0) {
        close(master);
        return -1;
    }
    *master_out = master;
    return slave;
}

int *new_cell(int fd) {
    auto *cell = static_cast<int *>(tevra_malloc_internal(sizeof(int)));
    *cell = fd;
    return cell;
}

int sink_write(const tevra_output &out, const std::string &text, size_t *written = nullptr) {
    size_t ignored = 0;
    if (written == nullptr) written = &ignored;
    return out.write(out.user_data, text.data(), text.size(), written);
}

}  // namespace

TEST(Stdio, EveryWriteReachesTheFileBeforeReturning) {
    TempDir dir;
    ASSERT_TRUE(dir.ok());
    std::string path = dir.path("stdio.log");
    FILE *fp = std::fopen(path.c_str(), "w");
    ASSERT_NE(fp, nullptr);
    tevra_output out;
    tevra_output_from_fp(&out, fp, 1);

    size_t written = 0;
    EXPECT_EQ(sink_write(out, "first line\n", &written), 0);
    EXPECT_EQ(written, 11u);
    // Read through another descriptor while the stream is still open.
    EXPECT_EQ(read_file(path), "first line\n");
    EXPECT_EQ(sink_write(out, "second\n"), 0);
    EXPECT_EQ(read_file(path), "first line\nsecond\n");

    EXPECT_EQ(tevra_file_close(fp), 0);
}

TEST(Stdio, FullDeviceReportsNoSpace) {
    FILE *fp = std::fopen("/dev/full", "w");
    if (fp == nullptr) GTEST_SKIP() << "no /dev/full";
    tevra_output out;
    tevra_output_from_fp(&out, fp, 1);
    EXPECT_EQ(sink_write(out, "lost\n"), ENOSPC);
    std::fclose(fp);
}

TEST(Stdio, MissingStreamWritesNothing) {
    size_t written = 99;
    EXPECT_EQ(tevra_file_write(nullptr, "x", 1, &written), -1);
    EXPECT_EQ(written, 0u);
    EXPECT_EQ(tevra_file_write(nullptr, "x", 1, nullptr), -1);
    EXPECT_EQ(tevra_file_close(nullptr), 0);
    EXPECT_EQ(tevra_file_isatty(nullptr), 0);
}

TEST(Stdio, IsattyFollowsTheStreamsDescriptor) {
    FILE *null_stream = std::fopen("/dev/null", "w");
    ASSERT_NE(null_stream, nullptr);
    EXPECT_EQ(tevra_file_isatty(null_stream), 0);
    std::fclose(null_stream);

    int master = -1;
    int slave = open_pty_slave(&master);
    if (slave < 0) GTEST_SKIP() << "no pseudo-terminal";
    FILE *tty = fdopen(slave, "w");
    ASSERT_NE(tty, nullptr);
    EXPECT_EQ(tevra_file_isatty(tty), 1);
    std::fclose(tty);
    close(master);
}

TEST(FdSink, ModeContainingWTruncates) {
    TempDir dir;
    ASSERT_TRUE(dir.ok());
    for (const char *mode : {"w", "rw", "a+w"}) {
        std::string path = dir.path(std::string("trunc-") + mode);
        write_file(path, "old contents\n");
        tevra_output out{};
        ASSERT_EQ(tevra_output_init_file(&out, path.c_str(), mode), 0) << mode;
        EXPECT_EQ(sink_write(out, "new\n"), 0);
        tevra_output_destroy(&out);
        EXPECT_EQ(read_file(path), "new\n") << mode;
    }
}

TEST(FdSink, OtherModesAndNoModeAppend) {
    TempDir dir;
    ASSERT_TRUE(dir.ok());
    const char *modes[] = {nullptr, "", "a", "r+", "W"};
    for (const char *mode : modes) {
        std::string path = dir.path(std::string("append-") + (mode != nullptr ? mode : "null"));
        write_file(path, "old\n");
        tevra_output out{};
        ASSERT_EQ(tevra_output_init_file(&out, path.c_str(), mode), 0);
        EXPECT_EQ(out.owns, 1);
        int fd = *static_cast<int *>(out.user_data);
        EXPECT_EQ(sink_write(out, "new\n"), 0);
        tevra_output_destroy(&out);
        EXPECT_FALSE(fd_is_open(fd));
        EXPECT_EQ(read_file(path), "old\nnew\n") << (mode != nullptr ? mode : "NULL");
    }
}

TEST(FdSink, NewFileGets0666LessTheUmask) {
    TempDir dir;
    ASSERT_TRUE(dir.ok());
    mode_t saved = umask(022);
    struct Case {
        mode_t mask;
        mode_t expected;
    };
    for (Case c : {Case{022, 0644}, Case{0, 0666}}) {
        umask(c.mask);
        std::string path = dir.path("perm-" + std::to_string(c.mask));
        tevra_output out{};
        ASSERT_EQ(tevra_output_init_file(&out, path.c_str(), "a"), 0);
        tevra_output_destroy(&out);
        struct stat st{};
        ASSERT_EQ(stat(path.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, c.expected);
    }
    umask(saved);
}

TEST(FdSink, MissingDirectoryGivesEnoentAndLeavesTheRecord) {
    TempDir dir;
    ASSERT_TRUE(dir.ok());
    int marker = 0;
    tevra_output out{&tevra_tee_write, &tevra_tee_close, nullptr, &marker, 3};
    const tevra_output before = out;
    std::string path = dir.path("no-such-dir") + "/x.log";
    EXPECT_EQ(tevra_output_init_file(&out, path.c_str(), "w"), ENOENT);
    EXPECT_EQ(std::memcmp(&out, &before, sizeof out), 0);
}

TEST(FdSink, NullRecordOrPathIsRejected) {
    tevra_output out{};
    EXPECT_EQ(tevra_output_init_file(nullptr, "/dev/null", "a"), -1);
    EXPECT_EQ(tevra_output_init_file(&out, nullptr, "a"), -1);
    EXPECT_EQ(out.write, nullptr);
}

TEST(FdSink, CellAllocationFailureClosesTheDescriptor) {
    int before = open_descriptor_count();
    tevra_output out{};
    tevra_test::FailNextAllocation();
    EXPECT_EQ(tevra_output_init_file(&out, "/dev/null", "a"), -1);
    EXPECT_EQ(out.write, nullptr);
    EXPECT_EQ(out.user_data, nullptr);
    EXPECT_EQ(open_descriptor_count(), before);
}

TEST(FdSink, FullDeviceReportsNoSpaceAndNoBytes) {
    tevra_output out{};
    if (tevra_output_init_file(&out, "/dev/full", "a") != 0) GTEST_SKIP() << "no /dev/full";
    size_t written = 99;
    EXPECT_EQ(sink_write(out, "lost\n", &written), ENOSPC);
    EXPECT_EQ(written, 0u);
    tevra_output_destroy(&out);
}

TEST(FdSink, MissingOrNegativeDescriptorWritesNothing) {
    size_t written = 99;
    EXPECT_EQ(tevra_fd_write(nullptr, "x", 1, &written), -1);
    EXPECT_EQ(written, 0u);
    EXPECT_EQ(tevra_fd_isatty(nullptr), 0);
    EXPECT_EQ(tevra_fd_close(nullptr), 0);

    int *cell = new_cell(-1);
    written = 99;
    EXPECT_EQ(tevra_fd_write(cell, "x", 1, &written), -1);
    EXPECT_EQ(written, 0u);
    EXPECT_EQ(tevra_fd_isatty(cell), 0);
    EXPECT_EQ(tevra_fd_close(cell), 0);  // frees the cell; the sanitizers see a leak otherwise
}

TEST(FdSink, CloseOfAStaleDescriptorReportsEbadf) {
    int fd = dup(STDERR_FILENO);
    ASSERT_GE(fd, 0);
    close(fd);
    EXPECT_EQ(tevra_fd_close(new_cell(fd)), EBADF);
}

TEST(FdSink, IsattyOnAPseudoTerminal) {
    int master = -1;
    int slave = open_pty_slave(&master);
    if (slave < 0) GTEST_SKIP() << "no pseudo-terminal";
    int *cell = new_cell(slave);
    EXPECT_EQ(tevra_fd_isatty(cell), 1);
    EXPECT_EQ(tevra_fd_close(cell), 0);
    close(master);
}

namespace {
std::atomic<int> signals_seen{0};
extern "C" void count_signal(int) { signals_seen.fetch_add(1); }
}  // namespace

// A writer blocked on a full pipe is interrupted by signals whose handler
// does not ask for restarts; the line must still go out whole.
TEST(FdSink, WriteInterruptedBeforeAnyByteIsRetried) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    ASSERT_EQ(fcntl(fds[1], F_SETFL, O_NONBLOCK), 0);
    size_t filled = 0;
    char junk[4096];
    std::memset(junk, '.', sizeof junk);
    for (size_t chunk : {sizeof junk, size_t{1}}) {
        ssize_t n;
        while ((n = write(fds[1], junk, chunk)) > 0) filled += static_cast<size_t>(n);
    }
    ASSERT_EQ(errno, EAGAIN);
    ASSERT_EQ(fcntl(fds[1], F_SETFL, 0), 0);

    struct sigaction sa{};
    struct sigaction saved{};
    sa.sa_handler = count_signal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = 0;  // no SA_RESTART: a blocked write fails with EINTR
    ASSERT_EQ(sigaction(SIGUSR1, &sa, &saved), 0);
    signals_seen.store(0);

    pthread_t writer = pthread_self();
    std::string drained;
    std::thread helper([&] {
        for (int i = 0; i < 20; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            pthread_kill(writer, SIGUSR1);
        }
        char buf[4096];
        ssize_t n;
        while ((n = read(fds[0], buf, sizeof buf)) > 0) drained.append(buf, static_cast<size_t>(n));
    });

    const std::string line = "a line that waited for room\n";
    int *cell = new_cell(fds[1]);
    size_t written = 0;
    int rc = tevra_fd_write(cell, line.data(), line.size(), &written);
    EXPECT_EQ(tevra_fd_close(cell), 0);  // lets the helper see the end of the pipe
    helper.join();
    sigaction(SIGUSR1, &saved, nullptr);
    close(fds[0]);

    EXPECT_GT(signals_seen.load(), 0);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(written, line.size());
    ASSERT_EQ(drained.size(), filled + line.size());
    EXPECT_EQ(drained.substr(filled), line);
}

TEST(FdSink, OpenedFilesAreClosedOnExec) {
    TempDir dir;
    ASSERT_TRUE(dir.ok());
    for (const char *mode : {"a", "w"}) {
        tevra_output out{};
        ASSERT_EQ(tevra_output_init_file(&out, dir.path(std::string("exec-") + mode).c_str(), mode), 0);
        int flags = fcntl(*static_cast<int *>(out.user_data), F_GETFD);
        EXPECT_NE(flags & FD_CLOEXEC, 0) << mode;
        tevra_output_destroy(&out);
    }
}

// The application's own text still in the stream's buffer keeps its place
// ahead of the line, and nothing is left behind in the buffer.
TEST(Stdio, TextTheApplicationLeftInTheStreamGoesFirst) {
    TempDir dir;
    ASSERT_TRUE(dir.ok());
    std::string path = dir.path("mixed.log");
    FILE *fp = std::fopen(path.c_str(), "w");
    ASSERT_NE(fp, nullptr);
    std::fputs("app: ", fp);
    size_t written = 0;
    EXPECT_EQ(tevra_file_write(fp, "line\n", 5, &written), 0);
    EXPECT_EQ(written, 5u);
    EXPECT_EQ(read_file(path), "app: line\n");
    std::fclose(fp);
}

TEST(Stdio, StreamWithoutDescriptorIsWrittenThroughStdio) {
    char *text = nullptr;
    size_t size = 0;
    FILE *fp = open_memstream(&text, &size);
    ASSERT_NE(fp, nullptr);
    size_t written = 0;
    EXPECT_EQ(tevra_file_write(fp, "first\n", 6, &written), 0);
    EXPECT_EQ(written, 6u);
    EXPECT_EQ(tevra_file_write(fp, "second\n", 7, &written), 0);
    EXPECT_EQ(std::string(text, size), "first\nsecond\n");  // flushed by each write
    std::fclose(fp);
    std::free(text);
}

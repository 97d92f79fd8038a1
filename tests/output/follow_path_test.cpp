// Files that follow their path: logrotate in create mode while a thread
// logs (every line once across the files, later lines in the new file),
// copytruncate on a file first opened with "w", and tevra_reopen.
#include <gtest/gtest.h>
#include <tevra.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <map>
#include <string>
#include <thread>

#include "daemon_support.hpp"
#include "support/capture_sink.hpp"

namespace {

using namespace tevra_test;

tevra_logger *file_logger(const std::string &path, const char *mode) {
    tevra_config cfg;
    tevra_default_config(&cfg);
    cfg.mode = TEVRA_MODE_JSON;
    cfg.timestamps = 0;
    EXPECT_EQ(tevra_output_init_file(&cfg.output, path.c_str(), mode), 0);
    return tevra_new(&cfg);
}

void log_n(tevra_logger *log, int from, int to) {
    for (int i = from; i < to; ++i) {
        const tevra_field f = tevra_i64("n", i);
        tevra_info(log, "line", &f, 1);
    }
}

std::string line_of(int i) { return R"({"lvl":"info","msg":"line","n":)" + std::to_string(i) + "}"; }

void run_logrotate(const std::string &dir, const std::string &path, const char *how) {
    write_file(dir + "/rotate.conf", path + " {\n  rotate 5\n  " + how + "\n  missingok\n}\n");
    const std::string cmd = "/usr/sbin/logrotate -f -s " + dir + "/state " + dir + "/rotate.conf";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << "logrotate (Debian package logrotate) failed: " << cmd;
}

class FollowPath : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = make_temp_dir("tevra-follow");
        ASSERT_FALSE(dir_.empty());
        path_ = dir_ + "/app.log";
    }
    void TearDown() override { remove_tree(dir_); }

    // How often each line number occurs across app.log and its rotations.
    std::map<int, int> counts(int files) const {
        std::map<int, int> seen;
        for (int k = 0; k <= files; ++k) {
            const std::string p = k == 0 ? path_ : path_ + "." + std::to_string(k);
            for (const auto &line : split_lines(read_file(p))) {
                const size_t at = line.find("\"n\":");
                EXPECT_NE(at, std::string::npos) << p << ": " << line;
                if (at != std::string::npos) ++seen[std::stoi(line.substr(at + 4))];
            }
        }
        return seen;
    }

    std::string dir_, path_;
};

TEST_F(FollowPath, LogrotateCreateModeLosesNothingAndTheNewFileFillsUp) {
    tevra_logger *log = file_logger(path_, "a");
    ASSERT_NE(log, nullptr);
    constexpr int kLines = 3000;
    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (int i = 0; i < kLines; ++i) {
            log_n(log, i, i + 1);
            usleep(1000);
        }
        done = true;
    });
    usleep(300'000);
    run_logrotate(dir_, path_, "create");
    usleep(1'300'000);
    run_logrotate(dir_, path_, "create");
    writer.join();
    ASSERT_TRUE(done);
    log_n(log, kLines, kLines + 1);  // long after the last rotation
    log->destroy(log);

    const auto seen = counts(3);
    ASSERT_EQ(seen.size(), static_cast<size_t>(kLines + 1));
    for (const auto &[n, count] : seen) EXPECT_EQ(count, 1) << "line " << n;
    // Both rotated files hold lines, and the newest lines are in app.log.
    EXPECT_FALSE(read_file(path_ + ".1").empty());
    EXPECT_FALSE(read_file(path_ + ".2").empty());
    const auto current = split_lines(read_file(path_));
    ASSERT_FALSE(current.empty());
    EXPECT_EQ(current.back(), line_of(kLines));
}

TEST_F(FollowPath, CopytruncateOfAFileOpenedWithWKeepsWritingFromTheNewEnd) {
    write_file(path_, "from before\n");
    tevra_logger *log = file_logger(path_, "w");
    ASSERT_NE(log, nullptr);
    log_n(log, 0, 500);
    run_logrotate(dir_, path_, "copytruncate");
    log_n(log, 500, 1000);
    log->destroy(log);

    const std::string rotated = read_file(path_ + ".1");
    const std::string current = read_file(path_);
    // Written at the old offset, the new lines would follow a hole of NULs.
    EXPECT_EQ(current.find('\0'), std::string::npos);
    ASSERT_EQ(split_lines(rotated).size(), 500u);
    ASSERT_EQ(split_lines(current).size(), 500u);
    EXPECT_EQ(split_lines(rotated).front(), line_of(0));
    EXPECT_EQ(split_lines(current).front(), line_of(500));
}

TEST_F(FollowPath, ReopenAfterARenameSendsTheNextLineToTheNewFileThroughATee) {
    CaptureSink capture;
    tevra_config cfg = capture_config(capture);
    tevra_output file{};
    ASSERT_EQ(tevra_output_init_file(&file, path_.c_str(), "a"), 0);
    auto *tee = static_cast<tevra_tee *>(tevra_calloc_internal(1, sizeof(tevra_tee)));
    tee->first = capture.output();
    tee->second = file;
    cfg.output = tevra_output{&tevra_tee_write, &tevra_tee_close, &tevra_tee_isatty, tee, 1};
    tevra_logger *log = tevra_new(&cfg);
    ASSERT_NE(log, nullptr);
    log_n(log, 0, 1);
    ASSERT_EQ(rename(path_.c_str(), (path_ + ".old").c_str()), 0);
    EXPECT_EQ(tevra_reopen(log), 0);
    log_n(log, 1, 2);
    EXPECT_EQ(read_file(path_ + ".old"), line_of(0) + "\n");
    EXPECT_EQ(read_file(path_), line_of(1) + "\n");
    EXPECT_EQ(capture.lines().size(), 2u);

    // A path that can no longer be created reports the error and keeps the
    // old file.
    remove_tree(dir_);
    EXPECT_EQ(tevra_reopen(log), ENOENT);
    log->destroy(log);
    EXPECT_EQ(tevra_reopen(nullptr), EINVAL);
}

TEST_F(FollowPath, ARemovedFileIsCreatedAgainAfterAboutASecond) {
    tevra_logger *log = file_logger(path_, "a");
    ASSERT_NE(log, nullptr);
    log_n(log, 0, 1);
    ASSERT_EQ(unlink(path_.c_str()), 0);
    usleep(1'200'000);
    log_n(log, 1, 2);
    EXPECT_EQ(read_file(path_), line_of(1) + "\n");
    log->destroy(log);
}

}  // namespace

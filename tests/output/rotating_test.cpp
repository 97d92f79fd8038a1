// The rotating file output: by size (whole lines, at most max_files old
// files), by period (the file's last write in an earlier hour or day), and
// several processes on one path (no line lost or torn, one rotation per
// threshold crossing).
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <tevra.h>
#include <unistd.h>

#include <map>
#include <nlohmann/json.hpp>
#include <string>

#include "daemon_support.hpp"

namespace {

using namespace tevra_test;

tevra_logger *rotating_logger(const std::string &path, uint64_t max_bytes, int every,
                              unsigned max_files) {
    tevra_config cfg;
    tevra_default_config(&cfg);
    cfg.mode = TEVRA_MODE_JSON;
    cfg.timestamps = 0;
    cfg.buffer_size = 16;  // every line reaches the sink in pieces
    EXPECT_EQ(tevra_output_init_rotating(&cfg.output, path.c_str(), max_bytes, every, max_files, 0644), 0);
    return tevra_new(&cfg);
}

void log_line(tevra_logger *log, int who, int n) {
    const tevra_field f[] = {tevra_i64("who", who), tevra_i64("n", n)};
    tevra_info(log, "line", f, 2);
}

void age_file(const std::string &path, int seconds) {
    timeval times[2];
    gettimeofday(&times[0], nullptr);
    times[0].tv_sec -= seconds;
    times[1] = times[0];
    ASSERT_EQ(utimes(path.c_str(), times), 0);
}

bool exists(const std::string &path) { return access(path.c_str(), F_OK) == 0; }

class Rotating : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = make_temp_dir("tevra-rotate");
        ASSERT_FALSE(dir_.empty());
        path_ = dir_ + "/app.log";
    }
    void TearDown() override { remove_tree(dir_); }

    std::string file(unsigned k) const { return k == 0 ? path_ : path_ + "." + std::to_string(k); }

    // (who, n) -> occurrences over app.log and app.log.1 .. .files; every
    // line must parse whole.
    std::map<std::pair<int, int>, int> collect(unsigned files) const {
        std::map<std::pair<int, int>, int> seen;
        for (unsigned k = 0; k <= files; ++k) {
            for (const auto &line : split_lines(read_file(file(k)))) {
                const auto j = nlohmann::json::parse(line, nullptr, false);
                EXPECT_FALSE(j.is_discarded()) << "torn line in " << file(k) << ": " << line;
                if (!j.is_discarded()) ++seen[{j["who"].get<int>(), j["n"].get<int>()}];
            }
        }
        return seen;
    }

    std::string dir_, path_;
};

TEST_F(Rotating, SizeLimitRotatesBetweenWholeLinesAndKeepsAtMostMaxFiles) {
    tevra_logger *log = rotating_logger(path_, 1000, TEVRA_ROTATE_NONE, 3);
    ASSERT_NE(log, nullptr);
    for (int n = 0; n < 200; ++n) log_line(log, 0, n);
    log->destroy(log);

    for (unsigned k = 0; k <= 3; ++k) {
        ASSERT_TRUE(exists(file(k))) << file(k);
        EXPECT_LE(read_file(file(k)).size(), 1000u) << file(k);
    }
    EXPECT_FALSE(exists(file(4)));
    // What is kept is the newest lines, each once, in order across files.
    const auto seen = collect(3);
    ASSERT_FALSE(seen.empty());
    const int oldest = seen.begin()->first.second;
    EXPECT_EQ(seen.size(), static_cast<size_t>(200 - oldest));
    for (const auto &[key, count] : seen) EXPECT_EQ(count, 1);
    EXPECT_EQ(split_lines(read_file(file(0))).back(), R"({"lvl":"info","msg":"line","who":0,"n":199})");
}

TEST_F(Rotating, ANewPeriodRotatesAndTheSamePeriodDoesNot) {
    for (const auto &[every, age] : {std::pair{TEVRA_ROTATE_DAILY, 25 * 3600}, std::pair{TEVRA_ROTATE_HOURLY, 7200}}) {
        remove_tree(dir_);
        dir_ = make_temp_dir("tevra-rotate");
        path_ = dir_ + "/app.log";
        tevra_logger *log = rotating_logger(path_, 0, every, 5);
        ASSERT_NE(log, nullptr);
        log_line(log, every, 0);
        log_line(log, every, 1);  // same period: same file
        age_file(path_, age);     // as if written an hour or day ago
        log_line(log, every, 2);
        log->destroy(log);
        EXPECT_EQ(split_lines(read_file(file(1))).size(), 2u) << every;
        EXPECT_EQ(split_lines(read_file(file(0))).size(), 1u) << every;
        EXPECT_FALSE(exists(file(2))) << every;
    }
}

TEST_F(Rotating, SeveralProcessesLoseNoLineAndRotateOncePerCrossing) {
    constexpr int kProcesses = 4;
    constexpr int kLines = 500;
    constexpr uint64_t kMax = 8000;
    pid_t children[kProcesses];
    for (int who = 0; who < kProcesses; ++who) {
        children[who] = fork();
        ASSERT_GE(children[who], 0);
        if (children[who] == 0) {
            tevra_logger *log = rotating_logger(path_, kMax, TEVRA_ROTATE_NONE, 1000);
            for (int n = 0; n < kLines; ++n) log_line(log, who, n);
            log->destroy(log);
            _exit(0);
        }
    }
    for (pid_t child : children) {
        int status = 0;
        waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    unsigned files = 0;
    while (exists(file(files + 1))) ++files;
    ASSERT_GT(files, 5u);
    const auto seen = collect(files);
    EXPECT_EQ(seen.size(), static_cast<size_t>(kProcesses * kLines));
    for (const auto &[key, count] : seen) EXPECT_EQ(count, 1) << key.first << "/" << key.second;
    // A rotation happened only when the next line did not fit: every old
    // file is full to within one line, none is cut short by a second
    // process rotating for the same crossing.
    for (unsigned k = 1; k <= files; ++k) {
        const size_t size = read_file(file(k)).size();
        EXPECT_LE(size, kMax) << file(k);
        EXPECT_GT(size, kMax - 64) << file(k);
    }
}

TEST(RotatingOutput, RefusesUnknownPeriodsAndMissingDirectories) {
    tevra_output out{};
    EXPECT_EQ(tevra_output_init_rotating(&out, "/tmp/x.log", 0, 7, 1, 0600), EINVAL);
    EXPECT_EQ(tevra_output_init_rotating(&out, "/no/such/dir/x.log", 0, TEVRA_ROTATE_NONE, 1, 0600), ENOENT);
    EXPECT_EQ(out.write, nullptr);
}

}  // namespace

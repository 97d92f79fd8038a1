// OUTPUT_MAX_SIZE, OUTPUT_ROTATE and OUTPUT_MAX_FILES on a file given by
// OUTPUT, alone or in a tee, and the error line for settings that do not
// parse.
#include <gtest/gtest.h>
#include <sys/time.h>
#include <tevra.h>
#include <unistd.h>

#include <algorithm>
#include <string>

#include "env_support.hpp"

namespace {

using tevra_test::EnvGuard;
using tevra_test::FdCapture;
using tevra_test::TempDir;

void plain_rotation(EnvGuard &env) {
    env.set("LOG_MODE", "json");
    env.set("LOG_DISABLE_TIMESTAMP", "1");
    env.set("LOG_NO_COLOR", "1");
    env.unset("LOG_OUTPUT_MAX_SIZE");
    env.unset("LOG_OUTPUT_ROTATE");
    env.unset("LOG_OUTPUT_MAX_FILES");
}

void log_lines(int count) {
    tevra_logger *log = tevra_new_from_env(nullptr, nullptr);
    ASSERT_NE(log, nullptr);
    for (int i = 0; i < count; ++i) {
        const tevra_field f = tevra_i64("n", i);
        tevra_info(log, "rotating", &f, 1);
    }
    log->destroy(log);
}

bool exists(const std::string &path) { return access(path.c_str(), F_OK) == 0; }

TEST(EnvRotation, SizeSuffixAndMaxFilesApplyToTheFileOfATee) {
    EnvGuard env;
    TempDir dir;
    plain_rotation(env);
    const std::string path = dir.file("app.log");
    env.set("LOG_OUTPUT", "stderr+" + path);
    env.set("LOG_OUTPUT_MAX_SIZE", "1k");
    env.set("LOG_OUTPUT_MAX_FILES", "2");
    FdCapture err(2);
    log_lines(200);
    const std::string teed = err.finish();
    EXPECT_EQ(std::count(teed.begin(), teed.end(), '\n'), 200);  // the stream keeps every line
    for (const std::string &p : {path, path + ".1", path + ".2"}) {
        ASSERT_TRUE(exists(p)) << p;
        const std::string text = tevra_test::read_file(p);
        EXPECT_LE(text.size(), 1024u);
        if (p != path) {
            EXPECT_GT(text.size(), 1024u - 64) << p;  // rotated only when full
        }
    }
    EXPECT_FALSE(exists(path + ".3"));
    const std::string current = tevra_test::read_file(path);
    EXPECT_EQ(current.substr(current.rfind('\n', current.size() - 2) + 1),
              "{\"lvl\":\"info\",\"msg\":\"rotating\",\"n\":199}\n");
}

TEST(EnvRotation, DailyRotatesAFileLastWrittenYesterday) {
    EnvGuard env;
    TempDir dir;
    plain_rotation(env);
    const std::string path = dir.file("app.log");
    env.set("LOG_OUTPUT", path);
    env.set("LOG_OUTPUT_ROTATE", "Daily");
    log_lines(1);
    timeval times[2];
    gettimeofday(&times[0], nullptr);
    times[0].tv_sec -= 25 * 3600;
    times[1] = times[0];
    ASSERT_EQ(utimes(path.c_str(), times), 0);
    log_lines(1);
    EXPECT_TRUE(exists(path + ".1"));
    EXPECT_EQ(tevra_test::read_file(path), "{\"lvl\":\"info\",\"msg\":\"rotating\",\"n\":0}\n");
}

TEST(EnvRotation, SettingsThatDoNotParseAreReported) {
    for (const auto &[key, value] : {std::pair{"LOG_OUTPUT_MAX_SIZE", "12X"}, std::pair{"LOG_OUTPUT_MAX_SIZE", "-1"},
                                     std::pair{"LOG_OUTPUT_ROTATE", "weekly"}}) {
        EnvGuard env;
        TempDir dir;
        plain_rotation(env);
        env.set("LOG_OUTPUT", dir.file("app.log"));
        env.set(key, value);
        FdCapture out(1);
        log_lines(1);
        const std::string text = out.finish();
        EXPECT_NE(text.find("logger.output.open.failed"), std::string::npos) << key << "=" << value;
        EXPECT_FALSE(exists(dir.file("app.log")));
    }
}

}  // namespace

// SPDX-License-Identifier: MIT
// tevra-log writes what a program writes for the same event through
// tevra_new_from_env, and refuses bad command lines with status 2.
#include <gtest/gtest.h>
#include <tevra.h>

#include <string>
#include <vector>

#include "core/env_support.hpp"
#include "tool_runner.hpp"

namespace {

using namespace tevra_tools_test;
using tevra_test::EnvGuard;

// Settings shared by the tool and the program; a strftime layout without
// conversions gives every line the same timestamp text.
const EnvChanges kModes[] = {
    {{"LOG_TIME_FORMAT", "stamp"}},
    {{"LOG_TIME_FORMAT", "stamp"}, {"LOG_FORCE_COLOR", "1"}, {"LOG_PALETTE", "dracula"}},
    {{"LOG_MODE", "json"}, {"LOG_TIME_FORMAT", "stamp"}},
    {{"LOG_MODE", "json"}, {"LOG_VERBOSE_FIELDS", "1"}, {"LOG_FORCE_COLOR", "1"}, {"LOG_DISABLE_TIMESTAMP", "1"}},
};

// What a program writes when it logs `messages` with `fields` at `level`
// through a logger from the environment `env`, LOG_OUTPUT going to a file.
std::string program_lines(const EnvChanges &env, int level, const std::vector<std::string> &messages,
                          const std::vector<tevra_field> &fields) {
    EnvGuard guard;
    for (const auto &[name, value] : env) guard.set(name, *value);
    TempFile out;
    guard.set("LOG_OUTPUT", out.path());
    tevra_logger *log = tevra_new_from_env(nullptr, nullptr);
    EXPECT_NE(log, nullptr);
    for (const std::string &m : messages) tevra_fields(log, level, m.c_str(), fields.data(), fields.size());
    log->destroy(log);
    return out.read();
}

std::string tool_lines(EnvChanges env, const std::vector<std::string> &args, const std::string &input = "") {
    TempFile out;
    env["LOG_OUTPUT"] = out.path();
    const Result r = run(TEVRA_LOG_BIN, args, input, env);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out + r.err, "");
    return out.read();
}

TEST(Log, WritesTheLineAProgramWritesForTheSameEvent) {
    const std::vector<tevra_field> fields = {
        tevra_str("path", "/var/lib/a b"), tevra_str("eq", "x=1"),  tevra_i64("free", -12),
        tevra_u64("big", 18446744073709551615ULL), tevra_f64("ratio", 0.05), tevra_bool("ok", 0),
        tevra_null("none"),                tevra_str("n", "42"),     tevra_str("a:b", "c")};
    const std::vector<std::string> args = {"-l",          "warn",    "disk almost full", "path=/var/lib/a b",
                                           "eq=x=1",      "free:=-12", "big:=18446744073709551615",
                                           "ratio:=0.05", "ok:=false", "none:=null",       "n=42",
                                           "a:b=c"};
    for (const EnvChanges &env : kModes) {
        const std::string want = program_lines(env, TEVRA_LEVEL_WARN, {"disk almost full"}, fields);
        EXPECT_EQ(visible(tool_lines(env, args)), visible(want));
        EXPECT_FALSE(want.empty());
    }
}

TEST(Log, StdinGivesOneEventPerLine) {
    const std::vector<tevra_field> fields = {tevra_str("job", "backup"), tevra_i64("try", 2)};
    for (const EnvChanges &env : kModes) {
        const std::string want =
            program_lines(env, TEVRA_LEVEL_ERROR, {"first line", "", "third \"quoted\" line"}, fields);
        EXPECT_EQ(visible(tool_lines(env, {"--level=error", "--stdin", "job=backup", "try:=2"},
                                     "first line\n\nthird \"quoted\" line\n")),
                  visible(want));
    }
}

TEST(Log, EveryEventLevelIsAcceptedAndFatalDoesNotEndTheScriptEarly) {
    const EnvChanges env = {{"LOG_DISABLE_TIMESTAMP", "1"}, {"LOG_LEVEL", "trace"}};
    std::string all;
    for (const char *level : {"trace", "debug", "info", "warn", "error", "fatal", "panic", "nolevel"}) {
        all += tool_lines(env, {"-l", level, "m"});
    }
    EXPECT_EQ(all, "TRC m\nDBG m\nINF m\nWRN m\nERR m\nFTL m\nPNC m\n--- m\n");
    EXPECT_EQ(tool_lines(env, {"--", "-5 degrees", "a=b"}), "INF -5 degrees a=b\n");
    // The environment's threshold applies as in any tevra program.
    EXPECT_EQ(tool_lines({{"LOG_LEVEL", "error"}}, {"-l", "warn", "dropped"}), "");
}

TEST(Log, BadArgumentsExitWithTwoAndAMessage) {
    const struct {
        std::vector<std::string> args;
        const char *says;
    } cases[] = {
        {{}, "missing MESSAGE"},
        {{"-l"}, "missing LEVEL"},
        {{"-l", "loud", "m"}, "unknown level 'loud'"},
        {{"-l", "off", "m"}, "unknown level 'off'"},
        {{"--verbose", "m"}, "unknown option '--verbose'"},
        {{"m", "novalue"}, "expected KEY=VALUE"},
        {{"m", "=v"}, "empty key"},
        {{"m", ":=1"}, "empty key"},
        {{"m", "n:=12abc"}, "'12abc' for n is not an integer"},
        {{"m", "b:=True"}, "not an integer"},
        {{"--stdin", "message"}, "expected KEY=VALUE"},
    };
    for (const auto &c : cases) {
        TempFile out;
        const Result r = run(TEVRA_LOG_BIN, c.args, "", {{"LOG_OUTPUT", out.path()}});
        EXPECT_EQ(r.status, 2) << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
        EXPECT_EQ(r.out + out.read(), "");
    }
    const Result help = run(TEVRA_LOG_BIN, {"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("usage: tevra-log"), std::string::npos);
}

}  // namespace

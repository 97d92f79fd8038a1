// SPDX-License-Identifier: MIT
// The unprefixed colour conventions of terminal programs (NO_COLOR, a dumb
// TERM) as tevra_new_from_env applies them to an automatic colour policy.
#include <gtest/gtest.h>
#include <tevra.h>

#include <string>

#include "env_support.hpp"
#include "support/capture_sink.hpp"

namespace {

using tevra_test::CaptureSink;
using tevra_test::EnvGuard;

// Whether a logger from the environment colours its line, writing to a sink
// that reports a terminal, with the base colour policy `policy`.
bool colours(int policy = TEVRA_COLOR_AUTO) {
    CaptureSink sink;
    sink.isatty_result = 1;
    tevra_config base = tevra_test::capture_config(sink, TEVRA_MODE_CONSOLE);
    base.color = policy;
    tevra_logger *log = tevra_new_from_env(nullptr, &base);
    EXPECT_NE(log, nullptr);
    if (log == nullptr) return false;
    tevra_info(log, "hello", nullptr, 0);
    log->destroy(log);
    return sink.text().find('\x1b') != std::string::npos;
}

class EnvColorConventions : public ::testing::Test {
  protected:
    EnvColorConventions() { env.set("TERM", "xterm-256color"); }
    EnvGuard env;
};

TEST_F(EnvColorConventions, ATerminalIsColouredWhenNothingDeclines) {
    EXPECT_TRUE(colours());
    env.set("NO_COLOR", "");  // set but empty declines nothing
    EXPECT_TRUE(colours());
    env.unset("TERM");
    EXPECT_TRUE(colours());
}

TEST_F(EnvColorConventions, NoColorWithAnyValueOrADumbTerminalTurnsAutomaticColourOff) {
    for (const char *value : {"1", "0", "false", "anything"}) {
        env.set("NO_COLOR", value);
        EXPECT_FALSE(colours()) << "NO_COLOR=" << value;
    }
    env.unset("NO_COLOR");
    env.set("TERM", "dumb");
    EXPECT_FALSE(colours());
}

TEST_F(EnvColorConventions, AnExplicitRequestForColourStillColours) {
    env.set("NO_COLOR", "1");
    env.set("TERM", "dumb");
    env.set("LOG_FORCE_COLOR", "yes");
    EXPECT_TRUE(colours());
    env.set("LOG_FORCE_COLOR", "no");
    EXPECT_FALSE(colours());
    EXPECT_TRUE(colours(TEVRA_COLOR_ALWAYS));
    // The prefix belongs to the program: APP_FORCE_COLOR, not LOG_FORCE_COLOR.
    env.set("APP_FORCE_COLOR", "1");
    tevra_test::CaptureSink sink;
    sink.isatty_result = 1;
    tevra_config base = tevra_test::capture_config(sink, TEVRA_MODE_CONSOLE);
    base.color = TEVRA_COLOR_AUTO;
    tevra_logger *log = tevra_new_from_env("APP_", &base);
    ASSERT_NE(log, nullptr);
    tevra_info(log, "hello", nullptr, 0);
    log->destroy(log);
    EXPECT_NE(sink.text().find('\x1b'), std::string::npos);
}

TEST_F(EnvColorConventions, PrefixedNoColorStillWinsOverForceColor) {
    env.set("LOG_NO_COLOR", "1");
    env.set("LOG_FORCE_COLOR", "1");
    EXPECT_FALSE(colours());
}

}  // namespace

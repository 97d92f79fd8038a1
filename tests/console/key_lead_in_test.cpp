// SPDX-License-Identifier: MIT
// The ` key=` lead-in as each console path writes it: the template cache's
// stored text, its in-place stand-in for keys too long to store, the field
// cache and groups written uncached.
#include <gtest/gtest.h>
#include <tevra.h>

#include <cerrno>
#include <string>

#include "console/console_fixture.hpp"
#include "support/default_palette.hpp"

namespace {

using console_test::ConsoleLogger;
using console_test::group;
using namespace tevra_test::default_palette;

TEST(KeyLeadIn, TemplateKeysTooLongToStoreKeepTheStoredLayoutForEveryVerb) {
    const std::string k(200, 'k');
    const std::string templ = k + "s=%s " + k + "d=%d " + k + "l=%ld " + k + "u=%u " + k +
                              "U=%lu " + k + "f=%f " + k + "b=%b " + k + "m=%m";
    ConsoleLogger l(tevra_test::colored());
    errno = EACCES;
    tevra_infof(l.log, nullptr, templ.c_str(), "v", -1, -2L, 3u, 4UL, 0.5, 1);
    char text[128];
    tevra_errno_string(EACCES, text, sizeof text);
    EXPECT_EQ(l.take(),
              kInfo + "INF" + kReset + group(k + "s", kString, "v") + group(k + "d", kNumber, "-1") +
                  group(k + "l", kNumber, "-2") + group(k + "u", kNumber, "3") +
                  group(k + "U", kNumber, "4") + group(k + "f", kNumber, "0.5") +
                  group(k + "b", kBool, "true") +
                  // %m's colour follows the lead-in, written with its text.
                  group(k + "m", kError, "\"" + std::string(text) + "\"") + kReset);
}

// Without a reset escape the two orders of space and reset write the same
// bytes, so every path gives one layout.
TEST(KeyLeadIn, WithoutAResetEveryPathWritesSpaceKeyColourKeyAndValueColour) {
    tevra_palette palette = *tevra_palette_default();
    palette.reset = "";
    ConsoleLogger l(tevra_test::colored(&palette));
    const std::string long_key(130, 'k');
    const std::string expected_short = " " + kKey + "n=" + kNumber + "1";
    const std::string expected_long = " " + kKey + long_key + "=" + kNumber + "1";
    const std::string head = kInfo + "INF";

    // Cached, then read back from the cache.
    EXPECT_EQ(l.info(nullptr, {tevra_i64("n", 1)}), head + expected_short);
    EXPECT_EQ(l.info(nullptr, {tevra_i64("n", 1)}), head + expected_short);
    // Too long to cache, and an untrusted key: written straight into the line.
    EXPECT_EQ(l.info(nullptr, {tevra_i64(long_key.c_str(), 1)}), head + expected_long);
    EXPECT_EQ(l.info(nullptr, {tevra_i64("a\tb", 1)}), head + " " + kKey + "a\\tb=" + kNumber + "1");
    // A stored template text, and one too long to store.
    tevra_infof(l.log, nullptr, "n=%d", 1);
    EXPECT_EQ(l.take(), head + expected_short);
    tevra_infof(l.log, nullptr, (long_key + "=%d").c_str(), 1);
    EXPECT_EQ(l.take(), head + expected_long);
}

}  // namespace

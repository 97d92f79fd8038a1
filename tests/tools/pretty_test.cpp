// SPDX-License-Identifier: MIT
// tevra-pretty's reading of JSON lines, its options and follow mode.
#include <gtest/gtest.h>
#include <tevra.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tool_runner.hpp"

namespace {

using namespace tevra_tools_test;

Result pretty(const std::vector<std::string> &args, const std::string &input, const EnvChanges &env = {}) {
    return run(TEVRA_PRETTY_BIN, args, input, env);
}

// Lines printed without colour for the given input lines.
std::vector<std::string> plain(const std::string &input, std::vector<std::string> args = {}) {
    args.insert(args.begin(), {"--color", "never"});
    const Result r = pretty(args, input);
    EXPECT_EQ(r.status, 0) << r.err;
    return lines_of(r.out);
}

TEST(Pretty, LinesThatAreNotOneJsonObjectPassThroughUnchanged) {
    const std::string others =
        "plain text\n\n[1,2]\n{\"a\":1} trailing\n{\"a\":1,}\n{\"a\" 1}\n\"text\"\n42\n{\"a\":01}\n"
        "{\"a\":\"\x01\"}\n{\"a\":tru}\n{\"a\":\"x\\q\"}\n   \t\n071215 INF a console line\n";
    const Result r = pretty({"--color", "never"}, others + "{\"lvl\":\"info\",\"msg\":\"json\"}\nno newline at the end");
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(r.out, others + "INF json\nno newline at the end");
}

TEST(Pretty, OtherLoggersNamesTakeTheTimeLevelAndMessage) {
    const auto out = plain(
        "{\"@timestamp\":\"2025-03-01T10:15:30Z\",\"severity\":\"ERROR\",\"message\":\"failed\",\"code\":7}\n"
        "{\"time\":1700000000000,\"level\":30,\"msg\":\"pino\",\"pid\":1}\n"
        "{\"timestamp\":\"x\",\"level\":\"Warning\",\"msg\":\"w\"}\n"
        "{\"lvl\":\"critical\"}\n{\"level\":\"dbg\"}\n{\"level\":\"trace\"}\n{\"level\":\"PANIC\"}\n");
    EXPECT_EQ(out, (std::vector<std::string>{"2025-03-01T10:15:30Z ERR failed code=7", "1700000000000 INF pino pid=1",
                                             "x WRN w", "FTL", "DBG", "TRC", "PNC"}));
}

TEST(Pretty, TheFirstUsableMemberTakesARoleAndTheRestAreFieldsInOrder) {
    const auto out = plain(
        "{\"msg\":\"first\",\"lvl\":\"info\",\"msg\":\"second\",\"lvl\":\"error\",\"ts\":\"t1\",\"ts\":\"t2\"}\n"
        "{\"level\":\"loud\",\"msg\":5,\"message\":\"text\",\"ts\":true}\n"
        "{\"a\":1}\n{}\n{\"msg\":\"\"}\n");
    EXPECT_EQ(out, (std::vector<std::string>{"t1 INF first msg=second lvl=error ts=t2",
                                             "--- text level=loud msg=5 ts=true", "--- a=1", "---", "---"}));
}

TEST(Pretty, NumbersKeepTheirExactValueAndNestedValuesShowAsCompactJson) {
    const auto out = plain(
        "{\"a\":9007199254740993,\"b\":-9223372036854775808,\"c\":18446744073709551615,"
        "\"d\":123456789012345678901234567890,\"e\":-0,\"f\":1E2,\"g\":0.1,\"h\":1e400}\n"
        "{\"n\":{ \"x\" : [1, 2.50, \"s t\", {}, []], \"e\":\"\\u00e9\\n\" },\"arr\":[ ],\"s\":\"\\ud83d\\ude00\\u00e9\\ud800\"}\n");
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0],
              "--- a=9007199254740993 b=-9223372036854775808 c=18446744073709551615 "
              "d=123456789012345678901234567890 e=-0 f=100 g=0.10000000000000001 h=inf");
    EXPECT_EQ(out[1], "--- n=\"{\\\"x\\\":[1,2.50,\\\"s t\\\",{},[]],\\\"e\\\":\\\"\\\\u00e9\\\\n\\\"}\" arr=[] "
                      "s=\xf0\x9f\x98\x80\xc3\xa9\xef\xbf\xbd");
}

TEST(Pretty, ColouredJsonLinesReadLikePlainOnes) {
    const std::string coloured =
        "{\x1b[36m\"lvl\":\x1b[1;31m\"error\"\x1b[0m,\x1b[36m\"msg\":\x1b[1m\"boom\"\x1b[0m,"
        "\x1b[36m\"n\":\x1b[35m3\x1b[0m}\n";
    EXPECT_EQ(plain(coloured), std::vector<std::string>{"ERR boom n=3"});
}

TEST(Pretty, LevelDropsLinesBelowItButKeepsLinesWithoutOne) {
    const std::string input =
        "{\"lvl\":\"debug\",\"msg\":\"d\"}\n{\"lvl\":\"info\",\"msg\":\"i\"}\n{\"lvl\":\"warn\",\"msg\":\"w\"}\n"
        "{\"msg\":\"none\"}\nnot json\n{\"lvl\":\"panic\",\"msg\":\"p\"}\n";
    EXPECT_EQ(plain(input, {"--level", "warn"}), (std::vector<std::string>{"WRN w", "--- none", "not json", "PNC p"}));
    EXPECT_EQ(plain(input, {"--level=info"}).size(), 5u);
    EXPECT_EQ(plain(input).size(), 6u);
}

TEST(Pretty, TimeFormatShowsTheMomentInAnotherLayout) {
    const std::string input =
        "{\"ts\":\"2025-03-01T10:15:30.25+01:00\",\"lvl\":\"info\"}\n{\"ts\":\"2025-03-01 10:15:30Z\",\"lvl\":\"info\"}\n"
        "{\"ts\":1700000000,\"lvl\":\"info\"}\n{\"ts\":1700000000500,\"lvl\":\"info\"}\n{\"ts\":\"soon\",\"lvl\":\"info\"}\n";
    EXPECT_EQ(plain(input, {"--time-format", "%H:%M:%S"}),
              (std::vector<std::string>{"09:15:30 INF", "10:15:30 INF", "22:13:20 INF", "22:13:20 INF", "soon INF"}));
    EXPECT_EQ(plain(input, {"--time-format=RFC3339Nano"})[0], "2025-03-01T09:15:30.25Z INF");
    const Result local = pretty({"--color", "never", "--time-format", "RFC3339"}, input, {{"TZ", "Asia/Kolkata"}});
    EXPECT_EQ(lines_of(local.out)[2], "2023-11-15T03:43:20+05:30 INF");
    const Result utc = pretty({"--color", "never", "--utc", "--time-format", "RFC3339"}, input, {{"TZ", "Asia/Kolkata"}});
    EXPECT_EQ(lines_of(utc.out)[2], "2023-11-14T22:13:20Z INF");
}

TEST(Pretty, ColourFollowsTheOptionThePaletteAndTheEnvironment) {
    const std::string input = "{\"ts\":\"t\",\"lvl\":\"info\",\"msg\":\"m\",\"k\":1}\n";
    const std::string nord_key = tevra_palette_by_name("nord")->key_color;
    const std::string default_key = tevra_palette_default()->key_color;

    const Result nord = pretty({"--color", "always", "--palette", "Nord"}, input);
    EXPECT_NE(nord.out.find(nord_key + "k="), std::string::npos) << visible(nord.out);
    EXPECT_EQ(nord.out.rfind(tevra_palette_by_name("nord")->timestamp_color, 0), 0u) << visible(nord.out);
    const Result from_env = pretty({"--color=always"}, input, {{"LOG_PALETTE", "nord"}});
    EXPECT_EQ(from_env.out, nord.out);
    const Result option_wins = pretty({"--color=always", "--palette", "default"}, input, {{"LOG_PALETTE", "nord"}});
    EXPECT_NE(option_wins.out.find(default_key + "k="), std::string::npos);

    // Through a pipe, auto means no colour unless the environment forces it.
    EXPECT_EQ(pretty({}, input).out, "t INF m k=1\n");
    const std::string coloured = pretty({"--color", "always"}, input).out;
    EXPECT_EQ(pretty({"--color", "auto"}, input, {{"LOG_FORCE_COLOR", "1"}}).out, coloured);
    EXPECT_EQ(pretty({"--color", "never"}, input, {{"LOG_FORCE_COLOR", "1"}}).out, "t INF m k=1\n");
    EXPECT_EQ(pretty({"--color", "always"}, input, {{"NO_COLOR", "1"}}).out, coloured);
    EXPECT_EQ(pretty({"--color", "auto"}, input, {{"NO_COLOR", "1"}, {"LOG_FORCE_COLOR", "1"}}).out, coloured);
}

TEST(Pretty, BadCommandLinesExitWithTwoAndSayWhy) {
    const struct {
        std::vector<std::string> args;
        const char *says;
    } cases[] = {
        {{"--color", "sometimes"}, "auto, always or never"},
        {{"--level", "loud"}, "unknown level"},
        {{"--level", "off"}, "unknown level"},
        {{"--palette"}, "missing value"},
        {{"--bogus"}, "unknown option"},
        {{"--time-format="}, "empty layout"},
        {{"-f"}, "exactly one FILE"},
        {{"-f", "a", "b"}, "exactly one FILE"},
    };
    for (const auto &c : cases) {
        const Result r = pretty(c.args, "{}\n");
        EXPECT_EQ(r.status, 2) << c.args[0];
        EXPECT_EQ(r.out, "") << c.args[0];
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    }
    const Result help = pretty({"--help"}, "");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("usage: tevra-pretty"), std::string::npos);
}

TEST(Pretty, ReadsFilesInTurnAndReportsOnesItCannotOpen) {
    TempFile a, b;
    a.write("{\"msg\":\"a\"}\n");
    b.write("{\"msg\":\"b\"}");
    const Result r = pretty({"--color", "never", a.path(), "/nonexistent/x.log", b.path(), "-"}, "stdin\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "--- a\n--- b\nstdin\n");
    EXPECT_NE(r.err.find("/nonexistent/x.log: No such file or directory"), std::string::npos) << r.err;
}

TEST(Pretty, FollowPrintsLinesAsTheyAreAppendedTruncatedOrRotated) {
    TempFile log;
    log.write("{\"msg\":\"one\"}\n");
    Running follower(TEVRA_PRETTY_BIN, {"--color", "never", "-f", log.path()});
    EXPECT_EQ(follower.read_lines(1), "--- one\n");

    // A line written in two pieces is shown once, whole.
    log.write("{\"msg\":", true);
    log.write("\"two\"}\n{\"msg\":\"three\"}\n", true);
    EXPECT_EQ(follower.read_lines(3), "--- one\n--- two\n--- three\n");

    log.write("{\"msg\":\"after truncation\"}\n");
    EXPECT_EQ(follower.read_lines(4), "--- one\n--- two\n--- three\n--- after truncation\n");

    const std::string rotated = log.path() + ".1";
    ASSERT_EQ(std::rename(log.path().c_str(), rotated.c_str()), 0);
    log.write("{\"msg\":\"new file\"}\n");
    EXPECT_EQ(follower.read_lines(5), "--- one\n--- two\n--- three\n--- after truncation\n--- new file\n");
    std::remove(rotated.c_str());
}

}  // namespace

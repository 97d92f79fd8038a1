#include <gtest/gtest.h>
#include <tevra.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <string>

#include "console/console_fixture.hpp"

namespace {

using console_test::ConsoleLogger;

const unsigned char kDeadBytes[] = {0xDE, 0xAD};

TEST(ConsoleLine, RequestDoneExampleWithTimestamp) {
    ConsoleLogger l([](tevra_config &cfg) {
        cfg.timestamps = 1;
        cfg.utc = 1;
    });
    console_test::use_fixed_clock(l);
    EXPECT_EQ(l.info("request done",
                     {tevra_str("user", "alice"), tevra_i64("status", 200), tevra_bool("ok", 1),
                      tevra_str("path", "/a b"), tevra_bytes_field("data", kDeadBytes, 2)}),
              "071215 INF request done user=alice status=200 ok=true path=\"/a b\" data=\"dead\"");
}

TEST(ConsoleLine, WithoutTimestampsTheLineStartsAtTheLabel) {
    ConsoleLogger l;
    EXPECT_EQ(l.info("hi", {tevra_str("user", "alice")}), "INF hi user=alice");
}

TEST(ConsoleLine, NullOrEmptyMessageLeavesNoDoubleSpace) {
    ConsoleLogger l;
    EXPECT_EQ(l.info(nullptr, {tevra_str("user", "alice")}), "INF user=alice");
    EXPECT_EQ(l.info("", {tevra_str("user", "alice")}), "INF user=alice");
    EXPECT_EQ(l.info(nullptr, {}), "INF");
}

TEST(ConsoleLine, MessageIsNeverQuotedButControlBytesAreEscaped) {
    ConsoleLogger l;
    EXPECT_EQ(l.info("a \"b\" c=d", {}), "INF a \"b\" c=d");
    EXPECT_EQ(l.info("one\ntwo\tthree\x1b[2J", {}), "INF one\\ntwo\\tthree\\x1b[2J");
}

TEST(ConsoleLine, StringValuesAreBareQuotedOrEmpty) {
    ConsoleLogger l;
    EXPECT_EQ(l.info("m", {tevra_str("a", "plain"), tevra_str("b", "two words"),
                           tevra_str("c", "x=y"), tevra_str("d", "say \"hi\""),
                           tevra_str("e", "a\\b"), tevra_str("f", "l1\nl2"),
                           tevra_str("g", "h\xc3\xa9llo")}),
              "INF m a=plain b=\"two words\" c=\"x=y\" d=\"say \\\"hi\\\"\" e=\"a\\\\b\" "
              "f=\"l1\\nl2\" g=h\xc3\xa9llo");
    EXPECT_EQ(l.info("m", {tevra_str("empty", ""), tevra_str("null", nullptr), tevra_i64("n", 1)}),
              "INF m empty= null= n=1");
}

TEST(ConsoleLine, EveryValueKindHasItsText) {
    ConsoleLogger l;
    int target = 0;
    char pointer_text[64];
    std::snprintf(pointer_text, sizeof pointer_text, "%p", static_cast<void *>(&target));
    const tevra_time t{1700000000, 123000000, 60};
    const tevra_duration d{125, 500000000};
    EXPECT_EQ(l.info("k", {tevra_null("n"), tevra_i64("i", std::numeric_limits<int64_t>::min()),
                           tevra_u64("u", std::numeric_limits<uint64_t>::max()),
                           tevra_f64("f", 0.1), tevra_bool("t", 42), tevra_bool("b", 0),
                           tevra_ptr("p", &target), tevra_bytes_field("e", nullptr, 0),
                           tevra_time_field("at", t), tevra_duration_field("d", d)}),
              std::string("INF k n=null i=-9223372036854775808 u=18446744073709551615 "
                          "f=0.10000000000000001 t=true b=false p=") +
                  pointer_text +
                  " e=\"\" at=2023-11-14T23:13:20.123+01:00 d=2m5.500s");
}

TEST(ConsoleLine, ErrnoValuesShowTheirMessage) {
    ConsoleLogger l;
    char expected[128];
    tevra_errno_string(ENOENT, expected, sizeof expected);
    EXPECT_EQ(l.info(nullptr, {tevra_errno("err", ENOENT)}),
              std::string("INF err=\"") + expected + "\"");
    EXPECT_EQ(l.info(nullptr, {tevra_errno("err", 9999)}), "INF err=\"Unknown error 9999\"");
}

TEST(ConsoleLine, UnknownKindKeepsOnlyTheKey) {
    ConsoleLogger l;
    tevra_field odd = tevra_i64("odd", 5);
    odd.kind = static_cast<tevra_field_kind>(11);
    EXPECT_EQ(l.info("m", {odd, tevra_i64("next", 1)}), "INF m odd= next=1");
}

TEST(ConsoleLine, FieldsWithoutKeyAreSkipped) {
    ConsoleLogger l;
    EXPECT_EQ(l.info("m", {tevra_i64(nullptr, 1), tevra_i64("", 2), tevra_i64("k", 3)}),
              "INF m k=3");
}

// A value marked console-simple has a recorded length only when it is
// plain ASCII; other bare text must still be written, not dropped.
TEST(ConsoleLine, ConsoleSimpleValueWithoutLengthIsStillWritten) {
    ConsoleLogger l;
    tevra_field city = tevra_str("city", "Z\xc3\xbcrich");
    ASSERT_EQ(city.value_trusted, 0);
    city.value_console_simple = 1;
    EXPECT_EQ(l.info(nullptr, {city}), "INF city=Z\xc3\xbcrich");
}

// Keys that fail the trust rule carry no length; they are read to their NUL
// and can neither split the line nor smuggle an escape to the terminal.
TEST(ConsoleLine, UntrustedKeysAreEscapedLikeMessages) {
    ConsoleLogger l;
    tevra_field newline = tevra_i64("a\nb", 1);
    tevra_field escape = tevra_i64("\x1b[31mred", 2);
    tevra_field accented = tevra_i64("cl\xc3\xa9", 3);
    tevra_field quote = tevra_i64("q\"k", 4);
    ASSERT_EQ(newline.key_trusted, 0);
    ASSERT_EQ(accented.key_trusted, 0);
    const std::string expected =
        "INF m a\\nb=1 \\x1b[31mred=2 cl\xc3\xa9=3 q\"k=4";
    EXPECT_EQ(l.info("m", {newline, escape, accented, quote}), expected);
    EXPECT_EQ(l.info("m", {newline, escape, accented, quote}), expected);
}

TEST(ConsoleLine, BoundFieldsComeBeforeCallFieldsAndLoglevelLast) {
    ConsoleLogger l([](tevra_config &cfg) {
        cfg.level = TEVRA_LEVEL_INFO;
        cfg.level_field = 1;
    });
    const tevra_field bound[] = {tevra_str("svc", "api"), tevra_i64("shard", 3)};
    tevra_logger *child = tevra_with(l.log, bound, 2);
    ASSERT_NE(child, nullptr);
    const tevra_field call[] = {tevra_str("user", "bob")};
    tevra_error(child, "boom", call, 1);
    EXPECT_EQ(l.take(), "ERR boom svc=api shard=3 user=bob loglevel=info");
    child->destroy(child);
}

TEST(ConsoleLine, LoglevelShowsTheLoggersThreshold) {
    ConsoleLogger l([](tevra_config &cfg) {
        cfg.level = TEVRA_LEVEL_TRACE;
        cfg.level_field = 1;
    });
    tevra_warn(l.log, "w", nullptr, 0);
    EXPECT_EQ(l.take(), "WRN w loglevel=trace");
    tevra_logger *quiet = tevra_with_level(l.log, TEVRA_LEVEL_NOLEVEL);
    ASSERT_NE(quiet, nullptr);
    tevra_fields(quiet, TEVRA_LEVEL_NOLEVEL, "n", nullptr, 0);
    EXPECT_EQ(l.take(), "--- n loglevel=nolevel");
    quiet->destroy(quiet);
}

TEST(ConsoleLine, SmallLineBufferWritesTheSameLineInPieces) {
    ConsoleLogger l([](tevra_config &cfg) { cfg.buffer_size = 7; });
    const tevra_field fields[] = {tevra_str("user", "alice"), tevra_i64("n", 12345)};
    tevra_info(l.log, "a longer message", fields, 2);
    EXPECT_GT(l.sink.write_sizes().size(), 1u);
    EXPECT_EQ(l.take(), "INF a longer message user=alice n=12345");
}

TEST(ConsoleLine, EmitIgnoresMissingState) {
    tevra_emit_console(nullptr, TEVRA_LEVEL_INFO, "x", nullptr, 0);
    tevra_logger_state empty{};
    tevra_emit_console(&empty, TEVRA_LEVEL_INFO, "x", nullptr, 0);
}

TEST(ConsoleLabel, EveryLevelHasAThreeLetterLabel) {
    EXPECT_STREQ(tevra_level_console_label(TEVRA_LEVEL_TRACE), "TRC");
    EXPECT_STREQ(tevra_level_console_label(TEVRA_LEVEL_DEBUG), "DBG");
    EXPECT_STREQ(tevra_level_console_label(TEVRA_LEVEL_INFO), "INF");
    EXPECT_STREQ(tevra_level_console_label(TEVRA_LEVEL_WARN), "WRN");
    EXPECT_STREQ(tevra_level_console_label(TEVRA_LEVEL_ERROR), "ERR");
    EXPECT_STREQ(tevra_level_console_label(TEVRA_LEVEL_FATAL), "FTL");
    EXPECT_STREQ(tevra_level_console_label(TEVRA_LEVEL_PANIC), "PNC");
    EXPECT_STREQ(tevra_level_console_label(TEVRA_LEVEL_NOLEVEL), "---");
    EXPECT_STREQ(tevra_level_console_label(TEVRA_LEVEL_DISABLED), "INF");
    EXPECT_STREQ(tevra_level_console_label(7), "INF");
    EXPECT_STREQ(tevra_level_console_label(-2), "INF");
}

TEST(ConsoleLabel, LinesOfUnknownLevelsReadAsInfo) {
    ConsoleLogger l([](tevra_config &cfg) { cfg.level = TEVRA_LEVEL_TRACE; });
    const int levels[] = {TEVRA_LEVEL_TRACE, TEVRA_LEVEL_DEBUG, TEVRA_LEVEL_FATAL,
                          TEVRA_LEVEL_NOLEVEL, TEVRA_LEVEL_DISABLED, 42};
    const char *expected[] = {"TRC x", "DBG x", "FTL x", "--- x", "INF x", "INF x"};
    for (size_t i = 0; i < 6; ++i) {
        tevra_emit_console(l.log->state, levels[i], "x", nullptr, 0);
        EXPECT_EQ(l.take(), expected[i]) << "level " << levels[i];
    }
}

TEST(ConsoleLabel, LabelAppendToleratesNullArguments) {
    tevra_buffer b;
    tevra_buffer_init(&b, nullptr, 0);
    tevra_append_level_label(nullptr, &b, TEVRA_LEVEL_INFO);
    tevra_append_console_message_prefix(nullptr, &b);
    EXPECT_EQ(b.len, 0u);
    ConsoleLogger l;
    tevra_append_level_label(l.shared(), nullptr, TEVRA_LEVEL_INFO);
    tevra_build_console_level_fragment(nullptr, 0, 1);
    tevra_build_console_level_fragment(l.shared(), 0, 8);
    tevra_build_console_literals(nullptr);
    tevra_append_level_label(l.shared(), &b, TEVRA_LEVEL_WARN);
    EXPECT_EQ(std::string(b.data, b.len), "WRN");
    tevra_buffer_destroy(&b);
}

}  // namespace

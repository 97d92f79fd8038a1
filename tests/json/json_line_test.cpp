#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <tevra.h>

#include <string>
#include <vector>

#include "support/logger.hpp"

namespace {

using tevra_test::Logger;

const tevra_field kPortAndTls[] = {tevra_i64("port", 8080), tevra_bool("tls", 0)};

TEST(JsonLine, ShortKeysCarryTimestampLevelMessageAndFields) {
    Logger t([](tevra_config &cfg) { cfg.timestamps = 1; });
    t.use_fixed_clock();
    tevra_info(t.log, "listening", kPortAndTls, 2);
    EXPECT_EQ(t.take(),
              R"({"ts":"2025-03-01T10:15:30Z","lvl":"info","msg":"listening","port":8080,"tls":false})");
}

TEST(JsonLine, VerboseFieldsUseTheLongKeys) {
    Logger t([](tevra_config &cfg) {
        cfg.timestamps = 1;
        cfg.verbose_fields = 1;
    });
    t.use_fixed_clock();
    tevra_info(t.log, "listening", kPortAndTls, 2);
    EXPECT_EQ(t.take(),
              R"({"time":"2025-03-01T10:15:30Z","level":"info","message":"listening","port":8080,"tls":false})");
}

TEST(JsonLine, DerivedLoggerPastesBoundFieldsBeforeCallFieldsAndEndsWithLoglevel) {
    Logger t([](tevra_config &cfg) {
        cfg.level_field = 1;
        cfg.level = TEVRA_LEVEL_DEBUG;
    });
    const tevra_field bound[] = {tevra_str("service", "api")};
    tevra_logger *child = tevra_with(t.log, bound, 1);
    ASSERT_NE(child, nullptr);
    const tevra_field elapsed[] = {tevra_duration_field("elapsed", tevra_duration{1, 250000000})};
    tevra_warn(child, "slow request", elapsed, 1);
    EXPECT_EQ(t.take(),
              R"({"lvl":"warn","msg":"slow request","service":"api","elapsed":"1.250s","loglevel":"debug"})");
    child->destroy(child);
}

TEST(JsonLine, DerivedLoggerWithoutPrefixRendersTheSameBoundFields) {
    Logger t;
    const tevra_field bound[] = {tevra_str("service", "api"), tevra_null(""), tevra_f64("ratio", 0.5),
                                 tevra_str("k\"ey", "v\n")};
    tevra_logger *child = tevra_with(t.log, bound, 4);
    ASSERT_NE(child, nullptr);
    ASSERT_NE(child->state->prefix_len, 0u);
    tevra_info(child, "m", kPortAndTls, 2);
    const std::string with_prefix = t.take();

    char *prefix = child->state->prefix;
    const size_t prefix_len = child->state->prefix_len;
    child->state->prefix = nullptr;
    child->state->prefix_len = 0;
    tevra_info(child, "m", kPortAndTls, 2);
    child->state->prefix = prefix;
    child->state->prefix_len = prefix_len;

    EXPECT_EQ(t.take(), with_prefix);
    EXPECT_EQ(with_prefix,
              R"({"lvl":"info","msg":"m","service":"api","ratio":0.5,"k\"ey":"v\n","port":8080,"tls":false})");
    child->destroy(child);
}

TEST(JsonLine, NullOrEmptyMessageWritesNoMessageMember) {
    Logger t;
    tevra_info(t.log, nullptr, nullptr, 0);
    EXPECT_EQ(t.take(), R"({"lvl":"info"})");
    tevra_info(t.log, "", kPortAndTls, 1);
    EXPECT_EQ(t.take(), R"({"lvl":"info","port":8080})");
}

TEST(JsonLine, EveryLevelHasItsMemberAndUnknownCodesReadInfo) {
    const std::vector<std::pair<int, std::string>> cases = {
        {-1, "trace"}, {0, "debug"}, {1, "info"},    {2, "warn"},  {3, "error"},
        {4, "fatal"},  {5, "panic"}, {6, "nolevel"}, {127, "info"}, {7, "info"}, {-2, "info"},
    };
    Logger t([](tevra_config &cfg) { cfg.level = -100; });
    Logger verbose([](tevra_config &cfg) {
        cfg.level = -100;
        cfg.verbose_fields = 1;
    });
    for (const auto &[level, name] : cases) {
        tevra_fields(t.log, level, "x", nullptr, 0);
        EXPECT_EQ(t.take(), R"({"lvl":")" + name + R"(","msg":"x"})") << level;
        tevra_fields(verbose.log, level, "x", nullptr, 0);
        EXPECT_EQ(verbose.take(), R"({"level":")" + name + R"(","message":"x"})") << level;
    }
}

TEST(JsonLine, FieldsWithoutKeysAreSkippedWithoutStrayCommas) {
    Logger t;
    const tevra_field fields[] = {tevra_i64(nullptr, 1), tevra_i64("a", 2), tevra_i64("", 3),
                                  tevra_i64("b", 4), tevra_str(nullptr, "x")};
    tevra_info(t.log, "m", fields, 5);
    EXPECT_EQ(t.take(), R"({"lvl":"info","msg":"m","a":2,"b":4})");
    tevra_info(t.log, nullptr, fields, 1);
    EXPECT_EQ(t.take(), R"({"lvl":"info"})");
}

TEST(JsonLine, ReservedKeysAreWrittenUnchanged) {
    Logger t([](tevra_config &cfg) { cfg.level_field = 1; });
    const tevra_field fields[] = {tevra_str("msg", "again"), tevra_i64("lvl", 9),
                                  tevra_str("loglevel", "x")};
    tevra_info(t.log, "first", fields, 3);
    EXPECT_EQ(t.take(),
              R"({"lvl":"info","msg":"first","msg":"again","lvl":9,"loglevel":"x","loglevel":"debug"})");
}

TEST(JsonLine, LoglevelNamesTheLoggersMinimumNotTheEventLevel) {
    Logger t([](tevra_config &cfg) {
        cfg.level = TEVRA_LEVEL_NOLEVEL;
        cfg.level_field = 1;
    });
    tevra_info(t.log, nullptr, nullptr, 0);
    EXPECT_EQ(t.take(), R"({"lvl":"info","loglevel":"nolevel"})");
    tevra_error(t.log, nullptr, nullptr, 0);
    EXPECT_EQ(t.take(), R"({"lvl":"error","loglevel":"nolevel"})");

    tevra_logger *warn = tevra_with_level(t.log, TEVRA_LEVEL_WARN);
    ASSERT_NE(warn, nullptr);
    tevra_fields(warn, TEVRA_LEVEL_NOLEVEL, nullptr, nullptr, 0);
    EXPECT_EQ(t.take(), R"({"lvl":"nolevel","loglevel":"warn"})");
    warn->destroy(warn);
}

TEST(JsonLine, MessageOfUnknownTrustIsEscapedOnlyWhenItMustBe) {
    Logger t;
    tevra_info(t.log, "caf\xc3\xa9 [ok]", nullptr, 0);
    EXPECT_EQ(t.take(), "{\"lvl\":\"info\",\"msg\":\"caf\xc3\xa9 [ok]\"}");
    tevra_info(t.log, "a\"b\\c\n\xff", nullptr, 0);
    EXPECT_EQ(t.take(), R"({"lvl":"info","msg":"a\"b\\c\n\u00ff"})");
}

TEST(JsonLine, NullHandlesAndStatesWriteNothing) {
    Logger t;
    tevra_info(nullptr, "m", kPortAndTls, 2);
    tevra_emit_json(nullptr, TEVRA_LEVEL_INFO, "m", kPortAndTls, 2);
    tevra_emit_json_plain(nullptr, TEVRA_LEVEL_INFO, "m", nullptr, 0);
    tevra_emit_json_color(nullptr, TEVRA_LEVEL_INFO, "m", nullptr, 0);
    tevra_logger_state orphan{};
    tevra_emit_json(&orphan, TEVRA_LEVEL_INFO, "m", kPortAndTls, 2);
    EXPECT_EQ(t.sink.text(), "");

    // A missing field array is no fields, whatever the count says.
    tevra_info(t.log, "m", nullptr, 3);
    EXPECT_EQ(t.take(), R"({"lvl":"info","msg":"m"})");
}

TEST(JsonLine, ClosedLoggerWritesNothing) {
    tevra_test::CaptureSink sink;
    tevra_config cfg = tevra_test::capture_config(sink, TEVRA_MODE_JSON);
    cfg.output = sink.output(true);
    tevra_logger *log = tevra_new(&cfg);
    ASSERT_NE(log, nullptr);
    tevra_close(log);
    tevra_emit_json(log->state, TEVRA_LEVEL_INFO, "m", kPortAndTls, 2);
    EXPECT_EQ(sink.text(), "");
    log->destroy(log);
}

TEST(JsonLine, LongLinesArriveWholeAndInOrderThroughASmallBuffer) {
    Logger t([](tevra_config &cfg) { cfg.buffer_size = 64; });
    std::vector<std::string> values;
    for (int i = 0; i < 6; ++i) values.push_back(std::string(1000 * (i + 1), static_cast<char>('a' + i)));
    std::string quoted(3000, 'q');
    quoted[1500] = '"';
    for (int i = 0; i < 6; ++i) {
        const tevra_field fields[] = {tevra_i64("n", i), tevra_str("big", values[i].c_str()),
                                      tevra_str("esc", quoted.c_str())};
        tevra_info(t.log, values[5 - i].c_str(), fields, 3);
    }
    const std::vector<std::string> lines = t.sink.lines();
    ASSERT_EQ(lines.size(), 6u);
    for (int i = 0; i < 6; ++i) {
        const nlohmann::json j = nlohmann::json::parse(lines[i]);
        EXPECT_EQ(j["n"], i);
        EXPECT_EQ(j["msg"], values[5 - i]);
        EXPECT_EQ(j["big"], values[i]);
        EXPECT_EQ(j["esc"], quoted);
    }
    for (size_t size : t.sink.write_sizes()) EXPECT_LE(size, 64u);
}

TEST(JsonLine, EveryKindOfLineParsesAsJson) {
    Logger t([](tevra_config &cfg) {
        cfg.timestamps = 1;
        cfg.level_field = 1;
        cfg.time_format = "RFC3339Nano";
    });
    const unsigned char raw[] = {0xC3, 0x28, 0x00, 0xFF};
    const tevra_field fields[] = {
        tevra_str("s\x01\xfe", "\x7f\x1f\xe2\x82"),
        tevra_bytes_field("b", raw, sizeof raw),
        tevra_f64("nan", __builtin_nan("")),
        tevra_time_field("t", tevra_time{-5, -1, -90}),
        tevra_ptr("p", nullptr),
        tevra_errno("e", 9999),
    };
    tevra_warn(t.log, "\xed\xa0\x80 [", fields, 6);
    const std::string line = t.take();
    EXPECT_TRUE(nlohmann::json::accept(line)) << line;
}

}  // namespace

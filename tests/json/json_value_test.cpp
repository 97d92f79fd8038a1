#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <tevra.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>

#include "support/default_palette.hpp"
#include "support/logger.hpp"

namespace {

using tevra_test::Logger;

// The JSON text of one field's value, as a plain line writes it.
std::string value_of(Logger &t, const tevra_field &field) {
    tevra_info(t.log, nullptr, &field, 1);
    std::string line = t.take();
    const std::string head = R"({"lvl":"info",)";
    EXPECT_EQ(line.compare(0, head.size(), head), 0) << line;
    EXPECT_EQ(line.back(), '}') << line;
    EXPECT_TRUE(nlohmann::json::accept(line)) << line;
    const size_t colon = line.find("\":", head.size());
    return line.substr(colon + 2, line.size() - colon - 3);
}

constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(JsonValue, NullStringsAndBooleans) {
    Logger t;
    EXPECT_EQ(value_of(t, tevra_null("k")), "null");
    EXPECT_EQ(value_of(t, tevra_str("k", "plain text")), R"("plain text")");
    EXPECT_EQ(value_of(t, tevra_str("k", nullptr)), R"("")");
    EXPECT_EQ(value_of(t, tevra_str("k", "")), R"("")");
    EXPECT_EQ(value_of(t, tevra_bool("k", 42)), "true");
    EXPECT_EQ(value_of(t, tevra_bool("k", 0)), "false");
}

TEST(JsonValue, UntrustedStringsAreEscapedAndTrustedOnesCopied) {
    Logger t;
    EXPECT_EQ(value_of(t, tevra_str("k", "a\"b\\c")), R"("a\"b\\c")");
    EXPECT_EQ(value_of(t, tevra_str("k", "A\nB\tC\r\x08")), R"("A\nB\tC\r\u0008")");
    // Plain lines escape '[' in text that needs the escaping writer at all.
    EXPECT_EQ(value_of(t, tevra_str("k", "caf\xc3\xa9 [1]")), "\"caf\xc3\xa9 \\u005b1]\"");
    EXPECT_EQ(value_of(t, tevra_trusted_str("k", "caf\xc3\xa9 [1]")), "\"caf\xc3\xa9 [1]\"");
    EXPECT_EQ(value_of(t, tevra_str("k", "\xff")), R"("\u00ff")");

    // A trusted value is exactly value_len bytes, never scanned.
    tevra_field cut = tevra_str("k", "abcdef");
    cut.value_len = 3;
    EXPECT_EQ(value_of(t, cut), R"("abc")");
}

TEST(JsonValue, UntrustedKeysAreEscaped) {
    Logger t;
    const tevra_field f = tevra_i64("a\"b\n", 1);
    tevra_info(t.log, nullptr, &f, 1);
    EXPECT_EQ(t.take(), R"({"lvl":"info","a\"b\n":1})");
}

TEST(JsonValue, IntegersAreBareDecimals) {
    Logger t;
    EXPECT_EQ(value_of(t, tevra_i64("k", 0)), "0");
    EXPECT_EQ(value_of(t, tevra_i64("k", INT64_MIN)), "-9223372036854775808");
    EXPECT_EQ(value_of(t, tevra_i64("k", INT64_MAX)), "9223372036854775807");
    EXPECT_EQ(value_of(t, tevra_u64("k", UINT64_MAX)), "18446744073709551615");
}

TEST(JsonValue, FiniteDoublesUseTheShortestExactText) {
    Logger t;
    EXPECT_EQ(value_of(t, tevra_f64("k", 1.5)), "1.5");
    EXPECT_EQ(value_of(t, tevra_f64("k", 0.1)), "0.10000000000000001");
    EXPECT_EQ(value_of(t, tevra_f64("k", 100.0)), "100");
    EXPECT_EQ(value_of(t, tevra_f64("k", -0.0)), "-0");
    EXPECT_EQ(value_of(t, tevra_f64("k", std::numeric_limits<double>::max())),
              "1.7976931348623157e+308");
}

TEST(JsonValue, NonFiniteDoublesAreStringsOrNull) {
    Logger words;
    EXPECT_EQ(value_of(words, tevra_f64("k", __builtin_nan(""))), R"("NaN")");
    EXPECT_EQ(value_of(words, tevra_f64("k", kInf)), R"("+Inf")");
    EXPECT_EQ(value_of(words, tevra_f64("k", -kInf)), R"("-Inf")");

    Logger nulls([](tevra_config &cfg) { cfg.non_finite_null = 1; });
    EXPECT_EQ(value_of(nulls, tevra_f64("k", __builtin_nan(""))), "null");
    EXPECT_EQ(value_of(nulls, tevra_f64("k", kInf)), "null");
    EXPECT_EQ(value_of(nulls, tevra_f64("k", -kInf)), "null");
    EXPECT_EQ(value_of(nulls, tevra_f64("k", 2.5)), "2.5");

    // Only exactly 1 selects null.
    Logger two([](tevra_config &cfg) { cfg.non_finite_null = 2; });
    EXPECT_EQ(value_of(two, tevra_f64("k", kInf)), R"("+Inf")");
}

TEST(JsonValue, PointersAreQuotedPlatformText) {
    Logger t;
    int target = 0;
    char expected[64];
    std::snprintf(expected, sizeof expected, "\"%p\"", static_cast<void *>(&target));
    EXPECT_EQ(value_of(t, tevra_ptr("k", &target)), expected);
    std::snprintf(expected, sizeof expected, "\"%p\"", static_cast<void *>(nullptr));
    EXPECT_EQ(value_of(t, tevra_ptr("k", nullptr)), expected);
}

TEST(JsonValue, BytesAreLowercaseHex) {
    Logger t;
    const unsigned char raw[] = {0x00, 0xAB, 0xFF, 0x10};
    EXPECT_EQ(value_of(t, tevra_bytes_field("k", raw, 3)), R"("00abff")");
    EXPECT_EQ(value_of(t, tevra_bytes_field("k", raw, 0)), R"("")");
}

TEST(JsonValue, BytesWithoutDataAreEmptyWhateverTheLength) {
    Logger t;
    EXPECT_EQ(value_of(t, tevra_bytes_field("k", nullptr, 16)), R"("")");
    Logger c(tevra_test::colored());
    const tevra_field f = tevra_bytes_field("k", nullptr, 16);
    tevra_info(c.log, nullptr, &f, 1);
    EXPECT_NE(c.take().find(tevra_test::default_palette::kString + "\"\"" + tevra_test::default_palette::kReset),
              std::string::npos);
}

TEST(JsonValue, TimesAreRfc3339AtTheirOwnOffset) {
    Logger t;
    EXPECT_EQ(value_of(t, tevra_time_field("k", tevra_time{1700000000, 123000000, 60})),
              R"("2023-11-14T23:13:20.123+01:00")");
    EXPECT_EQ(value_of(t, tevra_time_field("k", tevra_time{1700000000, 0, 0})),
              R"("2023-11-14T22:13:20Z")");
    EXPECT_EQ(value_of(t, tevra_time_field("k", tevra_time{1700000000, 0, -90})),
              R"("2023-11-14T20:43:20-01:30")");
}

TEST(JsonValue, DurationsAreQuotedWithTheirUnit) {
    Logger t;
    EXPECT_EQ(value_of(t, tevra_duration_field("k", tevra_duration{1, 500000000})), R"("1.500s")");
    EXPECT_EQ(value_of(t, tevra_duration_field("k", tevra_duration{-1, 0})), R"("-1.000s")");
    EXPECT_EQ(value_of(t, tevra_duration_field("k", tevra_duration{0, 250})), R"("250ns")");
}

TEST(JsonValue, ErrnoValuesAreTheirMessageText) {
    Logger t;
    const std::string enoent = std::string("\"") + std::strerror(ENOENT) + "\"";
    EXPECT_EQ(value_of(t, tevra_errno("k", ENOENT)), enoent);
    EXPECT_EQ(value_of(t, tevra_errno("k", 9999)), R"("Unknown error 9999")");
    // Only the low 32 bits name the error.
    tevra_field wide = tevra_errno("k", ENOENT);
    wide.value.i64 = (int64_t{1} << 32) | ENOENT;
    EXPECT_EQ(value_of(t, wide), enoent);
}

TEST(JsonValue, UnknownKindStillLeavesValidJson) {
    Logger t;
    tevra_field odd = tevra_i64("k", 5);
    const int unknown = 42;
    std::memcpy(&odd.kind, &unknown, sizeof unknown);
    EXPECT_EQ(value_of(t, odd), "null");
}

TEST(JsonValue, MemberWritersHonourFirstAndNullArguments) {
    tevra_buffer b;
    tevra_buffer_init(&b, nullptr, 0);
    const tevra_field f = tevra_i64("n", 7);
    tevra_append_json_field_plain(nullptr, &b, &f, 1);
    tevra_append_json_field_plain(nullptr, &b, &f, 0);
    tevra_append_json_field_plain(nullptr, &b, nullptr, 0);
    tevra_append_json_field_plain(nullptr, nullptr, &f, 0);
    tevra_append_json_value_plain(nullptr, &b, &f);
    tevra_append_json_message_field_plain(nullptr, &b, "hi");
    EXPECT_STREQ(b.data, R"("n":7,"n":77,"msg":"hi")");
    tevra_buffer_destroy(&b);
}

TEST(JsonValue, PrefixWriterLeadsEveryMemberWithAComma) {
    Logger t;
    tevra_buffer b;
    tevra_buffer_init(&b, nullptr, 8);
    const tevra_field fields[] = {tevra_str("a", "x"), tevra_null(nullptr), tevra_bool("b", 1)};
    tevra_append_json_field_prefix(t.shared(), &b, fields, 3);
    tevra_append_json_field_prefix(nullptr, &b, fields, 3);
    EXPECT_STREQ(b.data, R"(,"a":"x","b":true)");
    tevra_buffer_destroy(&b);
}

}  // namespace

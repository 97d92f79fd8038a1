// SPDX-License-Identifier: MIT
// The two loosely filled parts of a field record, read alike by every
// writer: which fields have a key, and a kind code the enumeration does not
// name. Per-call and bound fields, JSON and console lines all agree.
#include <gtest/gtest.h>
#include <tevra.h>

#include <string>

#include "support/capture_sink.hpp"

namespace {

using tevra_test::CaptureSink;

// Four fields: a trusted key whose recorded length is 0 (so it has none),
// an untrusted key (read to its NUL), a NULL key and a kind code past the
// enumeration.
struct LooseFields {
    tevra_field fields[4];
    LooseFields() {
        fields[0] = tevra_i64("skipped", 1);
        fields[0].key_len = 0;
        fields[1] = tevra_i64("read", 2);
        fields[1].key_trusted = 0;
        fields[1].key_len = 0;
        fields[2] = tevra_i64(nullptr, 3);
        fields[3] = tevra_i64("odd", 4);
        fields[3].kind = static_cast<tevra_field_kind>(99);
    }
};

// The line of one call with the fields, and the line of a logger that
// bound them.
std::pair<std::string, std::string> lines(int mode, bool colour = false) {
    LooseFields loose;
    CaptureSink sink;
    tevra_config cfg = tevra_test::capture_config(sink, mode);
    if (colour) cfg.color = TEVRA_COLOR_ALWAYS;
    tevra_logger *log = tevra_new(&cfg);
    tevra_info(log, "m", loose.fields, 4);
    tevra_logger *bound = tevra_with(log, loose.fields, 4);
    tevra_info(bound, "m", nullptr, 0);
    tevra_logger_destroy(bound);
    tevra_logger_destroy(log);
    const auto got = sink.lines();
    if (got.size() != 2) return {};
    return {got[0], got[1]};
}

TEST(FieldRecord, JsonLinesSkipKeylessFieldsAndWriteUnknownKindsAsNull) {
    const auto [call, bound] = lines(TEVRA_MODE_JSON);
    EXPECT_EQ(call, R"({"lvl":"info","msg":"m","read":2,"odd":null})");
    EXPECT_EQ(bound, call);
}

TEST(FieldRecord, ConsoleLinesSkipKeylessFieldsAndShowUnknownKindsEmpty) {
    const auto [call, bound] = lines(TEVRA_MODE_CONSOLE);
    EXPECT_EQ(call, "INF m read=2 odd=");
    EXPECT_EQ(bound, call);
}

TEST(FieldRecord, UnknownKindsTakeTheNullColourInJsonAndNoneOnTheConsole) {
    const auto [json, json_bound] = lines(TEVRA_MODE_JSON, true);
    EXPECT_EQ(json,
              "{\x1b[36m\"lvl\":\x1b[1;32m\"info\"\x1b[0m,\x1b[36m\"msg\":\x1b[1m\"m\"\x1b[0m,"
              "\x1b[36m\"read\":\x1b[35m2\x1b[0m,\x1b[36m\"odd\":\x1b[90mnull\x1b[0m}");
    EXPECT_EQ(json_bound, json);
    const auto [console, console_bound] = lines(TEVRA_MODE_CONSOLE, true);
    EXPECT_EQ(console,
              // "read" is untrusted, so written uncached: space before reset.
              "\x1b[1;32mINF\x1b[0m \x1b[1mm \x1b[0m\x1b[36mread=\x1b[0m\x1b[35m2"
              "\x1b[0m \x1b[36modd=\x1b[0m\x1b[0m");
    EXPECT_EQ(console_bound, console);
}

}  // namespace

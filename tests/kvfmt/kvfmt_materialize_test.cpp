#include <gtest/gtest.h>
#include <tevra.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <string>

#include "kvfmt_support.hpp"
#include "support/alloc_hook.hpp"
#include "support/logger.hpp"

namespace {

using kvfmt_test::materialize;
using tevra_test::Logger;
using kvfmt_test::parse_fields;

std::string key_of(const tevra_field &f) { return std::string(f.key, f.key_len); }

// One %s value materialised for the given mode.
tevra_field string_field(const char *value, int json_mode) {
    tevra_field fields[TEVRA_KVFMT_MAX_ITEMS];
    size_t count = 0;
    EXPECT_EQ(parse_fields(nullptr, fields, &count, json_mode, "v=%s", 0, value), 0);
    EXPECT_EQ(count, 1u);
    return fields[0];
}

TEST(KvfmtMaterialize, EveryVerbReadsItsArgumentIntoTheMatchingKind) {
    int target = 0;
    tevra_field f[TEVRA_KVFMT_MAX_ITEMS];
    size_t count = 0;
    ASSERT_EQ(parse_fields(nullptr, f, &count, 1, "s=%s d=%d ld=%ld u=%u lu=%lu f=%f p=%p b=%b m=%m x=%d",
                           EACCES, "txt", -5, LONG_MIN, UINT_MAX, ULONG_MAX, 2.5,
                           static_cast<void *>(&target), 42, 9),
              0);
    ASSERT_EQ(count, 10u);
    const char *keys[] = {"s", "d", "ld", "u", "lu", "f", "p", "b", "m", "x"};
    for (size_t i = 0; i < count; ++i) {
        EXPECT_EQ(key_of(f[i]), keys[i]);
        EXPECT_EQ(f[i].key_trusted, 1);
        // Keys point into the template and end only by their length.
        EXPECT_EQ(f[i].key[f[i].key_len], '=');
    }
    EXPECT_EQ(f[0].kind, TEVRA_FIELD_STRING);
    EXPECT_STREQ(f[0].value.str, "txt");
    EXPECT_EQ(f[1].kind, TEVRA_FIELD_INT64);
    EXPECT_EQ(f[1].value.i64, -5);
    EXPECT_EQ(f[2].kind, TEVRA_FIELD_INT64);
    EXPECT_EQ(f[2].value.i64, static_cast<int64_t>(LONG_MIN));
    EXPECT_EQ(f[3].kind, TEVRA_FIELD_UINT64);
    EXPECT_EQ(f[3].value.u64, 4294967295u);  // zero-extended, not -1
    EXPECT_EQ(f[4].kind, TEVRA_FIELD_UINT64);
    EXPECT_EQ(f[4].value.u64, static_cast<uint64_t>(ULONG_MAX));
    EXPECT_EQ(f[5].kind, TEVRA_FIELD_FLOAT64);
    EXPECT_EQ(f[5].value.f64, 2.5);
    EXPECT_EQ(f[6].kind, TEVRA_FIELD_POINTER);
    EXPECT_EQ(f[6].value.ptr, &target);
    EXPECT_EQ(f[7].kind, TEVRA_FIELD_BOOL);
    EXPECT_EQ(f[7].value.boolean, 1);
    // %m reads no argument: the item after it gets the next one.
    EXPECT_EQ(f[8].kind, TEVRA_FIELD_ERRNO);
    EXPECT_EQ(f[8].value.i64, EACCES);
    EXPECT_EQ(f[9].value.i64, 9);
    for (size_t i = 1; i < count; ++i) {
        EXPECT_EQ(f[i].value_trusted, 0);
        EXPECT_EQ(f[i].value_len, 0u);
        EXPECT_EQ(f[i].value_console_simple, 0);
    }
}

TEST(KvfmtMaterialize, NegativeErrnoAndFalseBoolKeepTheirValues) {
    tevra_field f[TEVRA_KVFMT_MAX_ITEMS];
    size_t count = 0;
    ASSERT_EQ(parse_fields(nullptr, f, &count, 1, "e=%m b=%b", -3, 0), 0);
    EXPECT_EQ(f[0].value.i64, -3);
    EXPECT_EQ(f[1].value.boolean, 0);
}

TEST(KvfmtMaterialize, NullStringBecomesAnEmptyTrustedString) {
    for (int json_mode : {0, 1}) {
        const tevra_field f = string_field(nullptr, json_mode);
        ASSERT_NE(f.value.str, nullptr);
        EXPECT_STREQ(f.value.str, "");
        EXPECT_EQ(f.value_trusted, 1);
        EXPECT_EQ(f.value_len, 0u);
        EXPECT_EQ(f.value_console_simple, 0);
    }
}

TEST(KvfmtMaterialize, StringTrustFollowsTheAsciiRule) {
    const tevra_field plain = string_field("two words", 1);
    EXPECT_EQ(plain.value_trusted, 1);
    EXPECT_EQ(plain.value_len, 9u);
    for (const char *text : {"say \"hi\"", "back\\slash", "tab\there", "caf\xc3\xa9"}) {
        const tevra_field f = string_field(text, 1);
        EXPECT_EQ(f.value_trusted, 0) << text;
        EXPECT_EQ(f.value_len, 0u) << text;
    }
}

TEST(KvfmtMaterialize, ConsoleModeMarksBareValues) {
    const tevra_field plain = string_field("plain", 0);
    EXPECT_EQ(plain.value_console_simple, 1);
    EXPECT_EQ(plain.value_len, 5u);
    EXPECT_EQ(string_field("two words", 0).value_console_simple, 0);
    EXPECT_EQ(string_field("a=b", 0).value_console_simple, 0);
    EXPECT_EQ(string_field("", 0).value_console_simple, 0);
    // JSON lines never need the console test.
    EXPECT_EQ(string_field("plain", 1).value_console_simple, 0);
}

TEST(KvfmtMaterialize, BareUtf8ValueKeepsItsLengthForTheConsole) {
    // Not ASCII-trusted, yet console-simple: the console copies value_len
    // bytes of a bare value, so the length must be there.
    const tevra_field f = string_field("h\xc3\xa9llo", 0);
    EXPECT_EQ(f.value_console_simple, 1);
    EXPECT_EQ(f.value_trusted, 0);
    EXPECT_EQ(f.value_len, 6u);
    // In JSON mode nothing changes: untrusted text has no length.
    const tevra_field j = string_field("h\xc3\xa9llo", 1);
    EXPECT_EQ(j.value_len, 0u);
    EXPECT_EQ(j.value_console_simple, 0);
}

TEST(KvfmtMaterialize, BareUtf8ValueAppearsWholeInConsoleLines) {
    Logger l(TEVRA_MODE_CONSOLE);
    tevra_logger *child = tevra_withf(l.log, "city=%s", "Z\xc3\xbcrich");
    ASSERT_NE(child, nullptr);
    tevra_info(child, "moved", nullptr, 0);
    tevra_infof(l.log, "moved", "city=%s", "Z\xc3\xbcrich");
    child->destroy(child);
    const auto lines = l.sink.lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "INF moved city=Z\xc3\xbcrich");
    EXPECT_EQ(lines[1], lines[0]);
}

TEST(KvfmtMaterialize, UnusableArgumentsAreRejected) {
    tevra_field f[TEVRA_KVFMT_MAX_ITEMS];
    size_t count = 7;
    tevra_kvfmt_layout layout{};
    layout.count = TEVRA_KVFMT_MAX_ITEMS + 1;
    // A count above 32 would overrun the caller's 32 records.
    EXPECT_EQ(materialize(&layout, f, &count), -1);
    EXPECT_EQ(count, 0u);
    count = 7;
    EXPECT_EQ(materialize(nullptr, f, &count), -1);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(materialize(&layout, f, nullptr), -1);
    layout.count = 0;
    count = 7;
    EXPECT_EQ(materialize(&layout, f, &count), 0);
    EXPECT_EQ(count, 0u);
}

TEST(KvfmtMaterialize, ParseWithoutSharedRecordBorrowsTheCallersText) {
    static const char text[] = "a=%d";
    tevra_field f[TEVRA_KVFMT_MAX_ITEMS];
    size_t count = 0;
    ASSERT_EQ(parse_fields(nullptr, f, &count, 1, text, 0, 4), 0);
    ASSERT_EQ(count, 1u);
    EXPECT_EQ(f[0].key, text);
}

TEST(KvfmtMaterialize, ParseWithSharedRecordBorrowsTheCachedCopy) {
    Logger l;
    char text[] = "a=%d b=%s";
    tevra_field f[TEVRA_KVFMT_MAX_ITEMS];
    size_t count = 0;
    ASSERT_EQ(parse_fields(l.shared(), f, &count, 1, text, 0, 4, "x"), 0);
    ASSERT_EQ(count, 2u);
    EXPECT_NE(f[0].key, text);
    bool from_cache = false;
    for (const tevra_kvfmt_layout &slot : tevra_test::kvfmt_slots(l.shared())) {
        from_cache = from_cache || (slot.template_text != nullptr && f[0].key == slot.template_text);
    }
    EXPECT_TRUE(from_cache);
    // The caller may reuse its buffer; the records stay valid.
    std::memset(text, 'x', sizeof text - 1);
    EXPECT_EQ(key_of(f[1]), "b");
}

TEST(KvfmtMaterialize, ParseOfAnUncachedTemplateLeaksNothing) {
    Logger l;
    const auto texts = kvfmt_test::colliding_templates(9);
    tevra_field f[TEVRA_KVFMT_MAX_ITEMS];
    size_t count = 0;
    for (const std::string &t : texts) {
        ASSERT_EQ(parse_fields(l.shared(), f, &count, 0, t.c_str(), 0, 3), 0) << t;
        EXPECT_EQ(f[0].value.i64, 3);
    }
    EXPECT_EQ(f[0].key, texts[8].c_str());
}

TEST(KvfmtMaterialize, ParseReportsNullAndInvalidTemplates) {
    Logger l;
    tevra_field f[TEVRA_KVFMT_MAX_ITEMS];
    size_t count = 9;
    EXPECT_EQ(parse_fields(l.shared(), f, &count, 1, nullptr, 0), 0);
    EXPECT_EQ(count, 0u);
    count = 9;
    EXPECT_EQ(parse_fields(l.shared(), f, &count, 1, "a=%d b", 0, 1), -1);
    EXPECT_EQ(count, 0u);
    count = 9;
    EXPECT_EQ(parse_fields(nullptr, f, &count, 1, "a=%y", 0, 1), -1);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(parse_fields(nullptr, f, nullptr, 1, "a=%d", 0, 1), -1);
    EXPECT_EQ(parse_fields(nullptr, nullptr, &count, 1, "a=%d", 0, 1), -1);
}

TEST(KvfmtMaterialize, ErrnoIsTheCallersEvenWhenTheLibraryDisturbsIt) {
    Logger l;
    errno = ENOENT;
    tevra_test::ClobberErrno(ENOMEM);
    tevra_logger *child = tevra_withf(l.log, "err=%m");
    tevra_test::ClobberErrno(0);
    ASSERT_NE(child, nullptr);
    ASSERT_EQ(child->state->field_count, 1u);
    EXPECT_EQ(child->state->fields[0].kind, TEVRA_FIELD_ERRNO);
    EXPECT_EQ(child->state->fields[0].value.i64, ENOENT);
    child->destroy(child);
}

}  // namespace

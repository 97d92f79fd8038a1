#include <gtest/gtest.h>
#include <tevra.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <string>

namespace {

// Bytes as a NUL-terminated C string, for the byte-level cases.
std::string bytes(std::initializer_list<unsigned char> b) { return std::string(b.begin(), b.end()); }

const std::string kAccented = bytes({0x63, 0x61, 0x66, 0xC3, 0xA9});  // "café"

TEST(Fields, NullStringValueBecomesTrustedEmptyString) {
    tevra_field f = tevra_str("k", nullptr);
    EXPECT_EQ(f.kind, TEVRA_FIELD_STRING);
    ASSERT_NE(f.value.str, nullptr);
    EXPECT_STREQ(f.value.str, "");
    EXPECT_EQ(f.value_len, 0u);
    EXPECT_EQ(f.value_trusted, 1);

    tevra_field t = tevra_trusted_str("k", nullptr);
    ASSERT_NE(t.value.str, nullptr);
    EXPECT_STREQ(t.value.str, "");
    EXPECT_EQ(t.value_trusted, 1);
}

TEST(Fields, NullAndEmptyKeysAreTrustedWithLengthZero) {
    for (tevra_field f : {tevra_null(nullptr), tevra_i64(nullptr, 1), tevra_trusted_str(nullptr, "v")}) {
        EXPECT_EQ(f.key, nullptr);
        EXPECT_EQ(f.key_len, 0u);
        EXPECT_EQ(f.key_trusted, 1);
    }
    const char *empty = "";
    for (tevra_field f : {tevra_null(empty), tevra_str(empty, "v"), tevra_trusted_str(empty, "v")}) {
        EXPECT_EQ(f.key, empty);
        EXPECT_EQ(f.key_len, 0u);
        EXPECT_EQ(f.key_trusted, 1);
    }
}

TEST(Fields, KeysAreBorrowedAndMeasuredByTheAsciiRule) {
    const char *key = "request_id";
    tevra_field f = tevra_u64(key, 7);
    EXPECT_EQ(f.key, key);
    EXPECT_EQ(f.key_len, 10u);
    EXPECT_EQ(f.key_trusted, 1);
    for (const char *bad : {"a\"b", "a\\b", "a\tb", "a\x7f", kAccented.c_str()}) {
        tevra_field g = tevra_bool(bad, 1);
        EXPECT_EQ(g.key, bad);
        EXPECT_EQ(g.key_trusted, 0) << bad;
        EXPECT_EQ(g.key_len, 0u) << bad;
    }
}

TEST(Fields, AccentedValueIsTrustedOnlyUnderTheUtf8Rule) {
    EXPECT_EQ(tevra_str("k", "hello world").value_len, 11u);
    tevra_field plain = tevra_str("k", kAccented.c_str());
    EXPECT_EQ(plain.value_trusted, 0);
    EXPECT_EQ(plain.value_len, 0u);
    tevra_field trusted = tevra_trusted_str("k", kAccented.c_str());
    EXPECT_EQ(trusted.value_trusted, 1);
    EXPECT_EQ(trusted.value_len, 5u);
    EXPECT_EQ(trusted.value.str, kAccented.c_str());
    // The same goes for a key.
    tevra_field key = tevra_trusted_str(kAccented.c_str(), "v");
    EXPECT_EQ(key.key_trusted, 1);
    EXPECT_EQ(key.key_len, 5u);
}

TEST(Fields, QuoteBackslashTabAndDelAreUntrustedUnderBothRules) {
    for (const char *bad : {"say \"hi\"", "a\\b", "a\tb", "del\x7f"}) {
        for (tevra_field f : {tevra_str("k", bad), tevra_trusted_str(bad, bad)}) {
            EXPECT_EQ(f.value_trusted, 0) << bad;
            EXPECT_EQ(f.value_len, 0u) << bad;
            EXPECT_EQ(f.value.str, bad);
        }
        tevra_field k = tevra_trusted_str(bad, "v");
        EXPECT_EQ(k.key_trusted, 0) << bad;
        EXPECT_EQ(k.key_len, 0u) << bad;
    }
}

TEST(Fields, NonStringKindsCarryNoValueFlags) {
    const unsigned char raw[] = {1, 2, 3};
    tevra_field b = tevra_bytes_field("k", raw, 3);
    EXPECT_EQ(b.kind, TEVRA_FIELD_BYTES);
    EXPECT_EQ(b.value.bytes.data, raw);
    EXPECT_EQ(b.value.bytes.len, 3u);
    const tevra_field all[] = {tevra_null("k"),
                               tevra_i64("k", 1),
                               tevra_u64("k", 1),
                               tevra_f64("k", 1),
                               tevra_bool("k", 1),
                               tevra_ptr("k", raw),
                               b,
                               tevra_time_field("k", tevra_time{1, 2, 3}),
                               tevra_duration_field("k", tevra_duration{-2, 500}),
                               tevra_errno("k", 2)};
    for (size_t i = 0; i < std::size(all); ++i) {
        EXPECT_EQ(static_cast<size_t>(all[i].kind), i == 0 ? 0 : i + 1);
        EXPECT_EQ(all[i].key_len, 1u);
        EXPECT_EQ(all[i].value_len, 0u);
        EXPECT_EQ(all[i].value_trusted, 0);
        EXPECT_EQ(all[i].value_console_simple, 0);
    }
}

TEST(Fields, BoolIsNormalisedToOneOrZero) {
    EXPECT_EQ(tevra_bool("k", 42).value.boolean, 1);
    EXPECT_EQ(tevra_bool("k", -1).value.boolean, 1);
    EXPECT_EQ(tevra_bool("k", 0).value.boolean, 0);
}

TEST(Fields, ErrnoIsSignExtended) {
    tevra_field f = tevra_errno("err", -3);
    EXPECT_EQ(f.kind, TEVRA_FIELD_ERRNO);
    EXPECT_EQ(f.value.i64, INT64_C(-3));
    EXPECT_EQ(tevra_errno("err", ENOENT).value.i64, ENOENT);
}

TEST(Utf8Trust, MalformedSequencesFail) {
    const std::string cases[] = {
        bytes({0xC0, 0xAF}),              // overlong '/'
        bytes({0xE0, 0x80, 0xAF}),        // overlong three-byte form
        bytes({0xF0, 0x80, 0x80, 0xAF}),  // overlong four-byte form
        bytes({0xED, 0xA0, 0x80}),        // surrogate U+D800
        bytes({0xF4, 0x90, 0x80, 0x80}),  // above U+10FFFF
        bytes({0xE2, 0x82}),              // cut short by the NUL
        bytes({0xF0, 0x9F, 0x98}),        // cut short by the NUL
        bytes({0x80}),                    // stray continuation
        bytes({0xC1, 0xBF}),              // lead that only forms overlongs
        bytes({0xF5, 0x80, 0x80, 0x80}),  // lead beyond the code space
        bytes({0xFF}),
        bytes({0xC3, 0x28}),              // lead followed by ASCII
        bytes({0x61, 0x01}),              // control byte
    };
    for (const std::string &s : cases) {
        size_t len = 99;
        EXPECT_EQ(tevra_string_is_trusted(s.c_str()), 0) << testing::PrintToString(s);
        EXPECT_EQ(tevra_string_is_trusted_measure(s.c_str(), &len), 0);
        EXPECT_EQ(len, 0u);
    }
}

TEST(Utf8Trust, WellFormedSequencesPassWithTheirByteLength) {
    struct Case {
        std::string text;
        size_t len;
    };
    const Case cases[] = {
        {bytes({0xF0, 0x9F, 0x98, 0x80}), 4},  // emoji
        {bytes({0xC2, 0x85}), 2},              // C1 control U+0085
        {bytes({0xE2, 0x80, 0xA8}), 3},        // U+2028
        {bytes({0xEF, 0xBF, 0xBF}), 3},        // U+FFFF
        {bytes({0xED, 0x9F, 0xBF}), 3},        // U+D7FF, last before the surrogates
        {bytes({0xF4, 0x8F, 0xBF, 0xBF}), 4},  // U+10FFFF
        {bytes({0xE0, 0xA0, 0x80}), 3},        // U+0800, shortest three-byte form
        {"plain ascii [ok]", 16},
    };
    for (const Case &c : cases) {
        size_t len = 0;
        EXPECT_EQ(tevra_string_is_trusted_measure(c.text.c_str(), &len), 1) << testing::PrintToString(c.text);
        EXPECT_EQ(len, c.len);
        EXPECT_EQ(tevra_string_is_trusted(c.text.c_str()), 1);
    }
}

TEST(Utf8Trust, NullAndEmptyPass) {
    size_t len = 99;
    EXPECT_EQ(tevra_string_is_trusted(nullptr), 1);
    EXPECT_EQ(tevra_string_is_trusted(""), 1);
    EXPECT_EQ(tevra_string_is_trusted_measure(nullptr, &len), 1);
    EXPECT_EQ(len, 0u);
    EXPECT_EQ(tevra_string_is_trusted_measure("abc", nullptr), 1);
}

TEST(Utf8Trust, ConsoleSimpleRejectsSyntaxBytesButNotHighBytes) {
    EXPECT_EQ(tevra_string_is_console_simple_internal(nullptr), 0);
    EXPECT_EQ(tevra_string_is_console_simple_internal(""), 0);
    for (const char *bad : {"a=b", "a b", "a\"b", "a\\b", "a\x7f", "a\tb"}) {
        EXPECT_EQ(tevra_string_is_console_simple_internal(bad), 0) << bad;
    }
    EXPECT_EQ(tevra_string_is_console_simple_internal(kAccented.c_str()), 1);
    EXPECT_EQ(tevra_string_is_console_simple_internal("\xff\x80"), 1);  // no UTF-8 check
    EXPECT_EQ(tevra_string_is_console_simple_internal("alice,42:[x]"), 1);
}

TEST(ErrnoString, KnownNumberGivesThePlatformMessage) {
    char buf[128];
    EXPECT_EQ(tevra_errno_string(ENOENT, buf, sizeof buf), buf);
    EXPECT_STREQ(buf, std::strerror(ENOENT));
}

TEST(ErrnoString, UnknownNumberGivesUnknownErrorWithTheNumber) {
    char buf[128];
    EXPECT_STREQ(tevra_errno_string(9999, buf, sizeof buf), "Unknown error 9999");
    EXPECT_STREQ(tevra_errno_string(-7, buf, sizeof buf), "Unknown error -7");
}

TEST(ErrnoString, MissingBufferGivesEmptyTextAndWritesNothing) {
    char buf[4] = {'x', 'y', 'z', '\0'};
    const char *r = tevra_errno_string(ENOENT, buf, 0);
    ASSERT_NE(r, nullptr);
    EXPECT_STREQ(r, "");
    EXPECT_NE(r, buf);
    EXPECT_STREQ(buf, "xyz");
    EXPECT_STREQ(tevra_errno_string(ENOENT, nullptr, 128), "");
}

TEST(ErrnoString, SmallBufferIsAlwaysTerminated) {
    char buf[8];
    std::memset(buf, 'x', sizeof buf);
    tevra_errno_string(ENOENT, buf, sizeof buf);
    EXPECT_LT(std::strlen(buf), sizeof buf);
    char one[1] = {'x'};
    EXPECT_STREQ(tevra_errno_string(9999, one, 1), "");
}

}  // namespace

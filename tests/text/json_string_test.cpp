#include <gtest/gtest.h>
#include <tevra.h>

#include <cstdint>
#include <nlohmann/json.hpp>
#include <random>
#include <vector>
#include <string>

#include "support/buffer_text.hpp"
#include "support/logger.hpp"

namespace {

using Writer = void (*)(tevra_buffer *, const char *);

std::string render(Writer w, const char *s) {
    return tevra_test::buffer_text([&](tevra_buffer *b) { w(b, s); });
}

std::string escaped(const std::string &s) { return render(tevra_buffer_append_json_string, s.c_str()); }
std::string maybe(const std::string &s) {
    return render(tevra_buffer_append_json_string_maybe_trusted, s.c_str());
}

std::string bytes(std::initializer_list<unsigned char> b) { return std::string(b.begin(), b.end()); }

void append_utf8(std::string &out, uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Length of the character starting at s[i] when it decodes to a valid
// scalar value in its shortest form, else 0. Works from the code point's
// arithmetic rather than a table of byte ranges.
size_t decode_length(const std::string &s, size_t i) {
    const auto lead = static_cast<unsigned char>(s[i]);
    if (lead < 0x80) return 1;
    size_t n;
    uint32_t cp;
    if ((lead & 0xE0) == 0xC0) {
        n = 2, cp = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        n = 3, cp = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        n = 4, cp = lead & 0x07;
    } else {
        return 0;
    }
    if (i + n > s.size()) return 0;
    for (size_t k = 1; k < n; ++k) {
        const auto c = static_cast<unsigned char>(s[i + k]);
        if ((c & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (c & 0x3F);
    }
    const uint32_t shortest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < shortest[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return n;
}

// What a JSON reader must see: valid characters as they are, every other
// byte as the code point of the same number.
std::string expected_reading(const std::string &s, bool *valid) {
    std::string out;
    *valid = true;
    for (size_t i = 0; i < s.size();) {
        const size_t n = decode_length(s, i);
        if (n == 0) {
            append_utf8(out, static_cast<unsigned char>(s[i]));
            *valid = false;
            ++i;
        } else {
            out.append(s, i, n);
            i += n;
        }
    }
    return out;
}

// Byte strings meant to break an escaper: mostly high bytes, control bytes,
// quotes, backslashes, brackets, valid characters and truncated ones.
std::string random_text(std::mt19937 &rng) {
    std::uniform_int_distribution<int> pick(0, 99);
    const size_t len = pick(rng) < 5 ? 200 + rng() % 400 : rng() % 24;
    std::string s;
    while (s.size() < len) {
        const int kind = pick(rng);
        if (kind < 30) {
            s += static_cast<char>(0x80 + rng() % 0x80);
        } else if (kind < 45) {
            s += static_cast<char>(pick(rng) < 10 ? 0x7F : 1 + rng() % 0x1F);
        } else if (kind < 55) {
            s += "\"\\[]= "[rng() % 6];
        } else if (kind < 70) {
            uint32_t cp;
            do cp = rng() % 0x110000;
            while (cp == 0 || (cp >= 0xD800 && cp <= 0xDFFF));
            append_utf8(s, cp);
        } else if (kind < 80) {
            std::string whole;
            append_utf8(whole, 0x80 + rng() % (0x110000 - 0x80));
            s.append(whole, 0, 1 + rng() % (whole.size() - 1));  // cut short
        } else {
            s += static_cast<char>(0x20 + rng() % 0x5F);
        }
    }
    return s;
}

TEST(JsonString, NullAndEmptyGiveEmptyLiteralFromEveryWriter) {
    for (Writer w : {tevra_buffer_append_json_string, tevra_buffer_append_json_string_maybe_trusted,
                     tevra_buffer_append_json_trusted_string}) {
        EXPECT_EQ(render(w, nullptr), "\"\"");
        EXPECT_EQ(render(w, ""), "\"\"");
    }
    tevra_buffer b;
    tevra_buffer_init(&b, nullptr, 0);
    tevra_buffer_append_json_trusted_string_n(&b, nullptr, 5);
    tevra_buffer_append_json_trusted_string_n(&b, "abc", 0);
    EXPECT_STREQ(b.data, "\"\"\"\"");
    tevra_buffer_destroy(&b);
}

TEST(JsonString, EscapeTableGivesShortFormsAndU00ForOtherControls) {
    for (Writer w : {tevra_buffer_append_json_string, tevra_buffer_append_json_string_maybe_trusted}) {
        EXPECT_EQ(render(w, "a\"b\\c"), R"("a\"b\\c")");
        EXPECT_EQ(render(w, "A\nB\tC\r"), R"("A\nB\tC\r")");
        EXPECT_EQ(render(w, "\x08\x0c\x1f"), R"("\u0008\u000c\u001f")");
        EXPECT_EQ(render(w, "\x01x\x0b"), R"("\u0001x\u000b")");
        EXPECT_EQ(render(w, "del\x7f"), "\"del\x7f\"");
        EXPECT_EQ(render(w, "{a}]~"), "\"{a}]~\"");
    }
}

TEST(JsonString, OpeningBracketIsEscapedOnlyByTheEscapingWriter) {
    EXPECT_EQ(escaped("[1]"), R"("\u005b1]")");
    EXPECT_EQ(maybe("[1]"), R"("[1]")");
    // Untrusted text falls back to escaping, brackets included.
    EXPECT_EQ(maybe("[\n]"), R"("\u005b\n]")");
}

TEST(JsonString, InvalidUtf8BytesBecomeU00Escapes) {
    EXPECT_EQ(escaped(bytes({0xC3, 0xA9})), bytes({'"', 0xC3, 0xA9, '"'}));
    EXPECT_EQ(escaped(bytes({0xFF})), R"("\u00ff")");
    EXPECT_EQ(escaped(bytes({0xC3, 0x28})), R"("\u00c3(")");
    EXPECT_EQ(escaped(bytes({0xE2, 0x82})), R"("\u00e2\u0082")");
    EXPECT_EQ(escaped(bytes({0xED, 0xA0, 0x80})), R"("\u00ed\u00a0\u0080")");
    EXPECT_EQ(escaped(bytes({0xC0, 0xAF})), R"("\u00c0\u00af")");
    EXPECT_EQ(escaped(bytes({0xF4, 0x90, 0x80, 0x80})), R"("\u00f4\u0090\u0080\u0080")");
    // A valid character right after a stray byte is kept whole.
    EXPECT_EQ(escaped(bytes({0x80, 0xF0, 0x9F, 0x98, 0x80, 'x'})),
              bytes({'"', '\\', 'u', '0', '0', '8', '0', 0xF0, 0x9F, 0x98, 0x80, 'x', '"'}));
}

TEST(JsonString, TrustedWritersCopyBytesUnchecked) {
    tevra_buffer b;
    tevra_buffer_init(&b, nullptr, 0);
    tevra_buffer_append_json_trusted_string_n(&b, "abcdef", 3);
    tevra_buffer_append_json_trusted_string(&b, "[x]");
    EXPECT_STREQ(b.data, "\"abc\"\"[x]\"");
    tevra_buffer_destroy(&b);
}

TEST(JsonString, WritersIgnoreNullAndUnusableBuffers) {
    tevra_buffer_append_json_string(nullptr, "x");
    tevra_buffer_append_json_string_maybe_trusted(nullptr, "x");
    tevra_buffer_append_json_trusted_string(nullptr, "x");
    tevra_buffer_append_json_trusted_string_n(nullptr, "x", 1);
    tevra_buffer b;
    tevra_buffer_init(&b, nullptr, 0);
    b.cap = 0;
    tevra_buffer_append_json_string(&b, "x");
    tevra_buffer_append_json_string_maybe_trusted(&b, "x");
    EXPECT_EQ(b.len, 0u);
    tevra_buffer_destroy(&b);
}

TEST(JsonString, ArbitraryBytesAlwaysParseAndReadBackAsTheirCodePoints) {
    std::mt19937 rng(20240611);
    int invalid_seen = 0;
    for (int i = 0; i < 5000; ++i) {
        const std::string input = random_text(rng);
        bool valid = false;
        const std::string want = expected_reading(input, &valid);
        invalid_seen += valid ? 0 : 1;
        for (const std::string &literal : {escaped(input), maybe(input)}) {
            const auto parsed = nlohmann::json::parse(literal, nullptr, false);
            ASSERT_FALSE(parsed.is_discarded()) << testing::PrintToString(input) << " -> " << literal;
            ASSERT_TRUE(parsed.is_string());
            ASSERT_EQ(parsed.get<std::string>(), want) << testing::PrintToString(input);
        }
    }
    // The generator must exercise both sides.
    EXPECT_GT(invalid_seen, 1000);
    EXPECT_LT(invalid_seen, 4900);
}

TEST(JsonString, MaybeTrustedMatchesEscapingExceptForRawBrackets) {
    std::mt19937 rng(7);
    for (int i = 0; i < 3000; ++i) {
        const std::string input = random_text(rng);
        std::string want = escaped(input);
        if (tevra_string_is_trusted(input.c_str())) {
            for (size_t at; (at = want.find("\\u005b")) != std::string::npos;) want.replace(at, 6, "[");
        }
        ASSERT_EQ(maybe(input), want) << testing::PrintToString(input);
    }
}

// The test logger with the given line buffer size.
tevra_test::Logger::Tune buffer_of(size_t size) {
    return [size](tevra_config &cfg) { cfg.buffer_size = size; };
}

TEST(JsonString, LongCleanTextArrivesIntactAcrossFlushes) {
    tevra_test::Logger l(buffer_of(1024));
    std::string text(3000, ' ');
    for (size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char>('a' + i % 26);
    for (Writer w : {tevra_buffer_append_json_string, tevra_buffer_append_json_string_maybe_trusted,
                     tevra_buffer_append_json_trusted_string}) {
        l.sink.clear();
        tevra_buffer b;
        tevra_buffer_init(&b, l.shared(), 1024);
        ASSERT_EQ(b.cap, 1024u);
        w(&b, text.c_str());
        tevra_buffer_finish_line(&b);
        tevra_write_buffer(l.shared(), &b);
        tevra_buffer_destroy(&b);
        EXPECT_EQ(l.sink.text(), "\"" + text + "\"\n");
        EXPECT_EQ(l.sink.write_sizes(), (std::vector<size_t>{1024, 1024, 955}));
    }
}

TEST(JsonString, EscapesSplitAcrossFlushesStayWhole) {
    tevra_test::Logger l(buffer_of(7));
    std::mt19937 rng(99);
    for (int i = 0; i < 300; ++i) {
        const std::string input = random_text(rng);
        l.sink.clear();
        tevra_buffer b;
        tevra_buffer_init(&b, l.shared(), 7);
        tevra_buffer_append_json_string(&b, input.c_str());
        tevra_write_buffer(l.shared(), &b);
        tevra_buffer_destroy(&b);
        ASSERT_EQ(l.sink.text(), escaped(input));
    }
}

}  // namespace

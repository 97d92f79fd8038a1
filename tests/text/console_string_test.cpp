#include <gtest/gtest.h>
#include <tevra.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "support/buffer_text.hpp"
#include "support/logger.hpp"

namespace {

using Writer = void (*)(tevra_buffer *, const char *);

std::string render(Writer w, const std::string &s) {
    return tevra_test::buffer_text([&](tevra_buffer *b) { w(b, s.c_str()); });
}

std::string value(const std::string &s) { return render(tevra_buffer_append_console_string, s); }
std::string message(const std::string &s) { return render(tevra_buffer_append_console_message, s); }

// Reads a written value back: bare text as it is, quoted text with its
// escapes undone. Fails the test on anything a reader could not split.
std::string read_value(const std::string &out) {
    if (out.empty() || out[0] != '"') return out;
    std::string s;
    size_t i = 1;
    for (; i < out.size() && out[i] != '"'; ++i) {
        if (out[i] != '\\') {
            s += out[i];
            continue;
        }
        if (++i >= out.size()) break;
        switch (out[i]) {
            case 't': s += '\t'; break;
            case 'n': s += '\n'; break;
            case 'r': s += '\r'; break;
            case '"': s += '"'; break;
            case '\\': s += '\\'; break;
            case 'x':
                if (i + 2 >= out.size()) break;
                s += static_cast<char>(std::stoi(out.substr(i + 1, 2), nullptr, 16));
                i += 2;
                break;
            default: ADD_FAILURE() << "unknown escape in " << testing::PrintToString(out);
        }
    }
    EXPECT_EQ(i, out.size() - 1) << "the closing quote must end the value: " << testing::PrintToString(out);
    return s;
}

bool has_raw_control(const std::string &s) {
    for (unsigned char c : s) {
        if (c < 0x20 || c == 0x7F) return true;
    }
    return false;
}

std::string random_text(std::mt19937 &rng) {
    std::uniform_int_distribution<int> pick(0, 99);
    const size_t len = pick(rng) < 5 ? 100 + rng() % 300 : rng() % 20;
    std::string s;
    while (s.size() < len) {
        const int kind = pick(rng);
        if (kind < 30) {
            s += static_cast<char>(0x80 + rng() % 0x80);
        } else if (kind < 50) {
            s += static_cast<char>(pick(rng) < 10 ? 0x7F : 1 + rng() % 0x1F);
        } else if (kind < 70) {
            s += "\"\\= x"[rng() % 5];
        } else {
            s += static_cast<char>(0x20 + rng() % 0x5F);
        }
    }
    return s;
}

TEST(ConsoleQuoting, PlainValuesStandBare) {
    EXPECT_EQ(value("alice"), "alice");
    EXPECT_EQ(value("42"), "42");
    EXPECT_EQ(value("h\xc3\xa9llo"), "h\xc3\xa9llo");
    EXPECT_EQ(value("\xff\xfe"), "\xff\xfe");  // no UTF-8 check
    EXPECT_EQ(value("a,b:c[1]{}"), "a,b:c[1]{}");
}

TEST(ConsoleQuoting, SpaceAndEqualsForceQuotesButStayUnescaped) {
    EXPECT_EQ(value("hello world"), "\"hello world\"");
    EXPECT_EQ(value("a=b"), "\"a=b\"");
    EXPECT_EQ(value(" "), "\" \"");
}

TEST(ConsoleQuoting, QuotesAndBackslashesAreEscapedInsideQuotes) {
    EXPECT_EQ(value("say \"hi\""), R"("say \"hi\"")");
    EXPECT_EQ(value("a\\b"), R"("a\\b")");
    EXPECT_EQ(value("ends\\"), R"("ends\\")");
    EXPECT_EQ(value("\""), R"("\"")");
}

TEST(ConsoleQuoting, ControlBytesGetShortOrHexEscapes) {
    EXPECT_EQ(value("a\nb"), R"("a\nb")");
    EXPECT_EQ(value("a\tb\rc"), R"("a\tb\rc")");
    EXPECT_EQ(value("\x01"), R"("\x01")");
    EXPECT_EQ(value("\x7f"), R"("\x7f")");
    EXPECT_EQ(value("red\x1b[31m"), R"("red\x1b[31m")");
}

TEST(ConsoleQuoting, EmptyAndNullValuesAppendNothing) {
    tevra_buffer b;
    tevra_buffer_init(&b, nullptr, 0);
    tevra_buffer_append_console_string(&b, "");
    tevra_buffer_append_console_string(&b, nullptr);
    tevra_buffer_append_console_message(&b, "");
    tevra_buffer_append_console_message(&b, nullptr);
    EXPECT_EQ(b.len, 0u);
    tevra_buffer_destroy(&b);
    tevra_buffer_append_console_string(nullptr, "x y");
    tevra_buffer_append_console_message(nullptr, "x");
}

TEST(ConsoleQuoting, ArbitraryBytesReadBackWithoutRawControls) {
    std::mt19937 rng(424242);
    int quoted = 0;
    for (int i = 0; i < 5000; ++i) {
        const std::string input = random_text(rng);
        const std::string out = value(input);
        ASSERT_FALSE(has_raw_control(out)) << testing::PrintToString(input);
        if (!out.empty() && out[0] == '"') {
            ++quoted;
            ASSERT_GE(out.size(), 2u);
            ASSERT_EQ(out.back(), '"');
            // Bare output only when nothing would confuse a reader.
            ASSERT_EQ(tevra_string_is_console_simple_internal(input.c_str()), 0);
        } else {
            ASSERT_EQ(out, input);
            ASSERT_EQ(tevra_string_is_console_simple_internal(input.c_str()), input.empty() ? 0 : 1);
        }
        ASSERT_EQ(read_value(out), input) << testing::PrintToString(input) << " -> " << out;
    }
    EXPECT_GT(quoted, 1000);
}

TEST(ConsoleMessage, QuotesBackslashesAndEqualsAreCopied) {
    EXPECT_EQ(message("a \"b\" c=d"), "a \"b\" c=d");
    EXPECT_EQ(message("path C:\\tmp"), "path C:\\tmp");
    EXPECT_EQ(message("h\xc3\xa9llo \xff"), "h\xc3\xa9llo \xff");
}

TEST(ConsoleMessage, ControlBytesAreEscapedInPlaceWithoutQuotes) {
    EXPECT_EQ(message("a\tb\nc"), R"(a\tb\nc)");
    EXPECT_EQ(message("\r\x01\x1b\x7f!"), R"(\r\x01\x1b\x7f!)");
}

TEST(ConsoleMessage, ArbitraryBytesNeverLeaveARawControl) {
    std::mt19937 rng(5150);
    for (int i = 0; i < 5000; ++i) {
        const std::string input = random_text(rng);
        const std::string out = message(input);
        ASSERT_FALSE(has_raw_control(out)) << testing::PrintToString(input);
        ASSERT_FALSE(!input.empty() && out.empty());
        if (!has_raw_control(input)) {
            ASSERT_EQ(out, input);
        }
    }
}

TEST(ConsoleQuoting, WritersAcrossMidLineFlushesKeepEveryByte) {
    tevra_test::Logger l(TEVRA_MODE_CONSOLE, [](tevra_config &cfg) { cfg.buffer_size = 5; });
    ASSERT_NE(l.log, nullptr);
    tevra_shared *shared = l.shared();
    std::mt19937 rng(31337);
    for (int i = 0; i < 300; ++i) {
        const std::string input = random_text(rng);
        l.sink.clear();
        tevra_buffer b;
        tevra_buffer_init(&b, shared, 5);
        tevra_buffer_append_console_string(&b, input.c_str());
        tevra_buffer_append_char(&b, '|');
        tevra_buffer_append_console_message(&b, input.c_str());
        tevra_write_buffer(shared, &b);
        tevra_buffer_destroy(&b);
        ASSERT_EQ(l.sink.text(), value(input) + "|" + message(input));
    }
}

}  // namespace

// tevra_str_n: a string value of exactly its length, through the record,
// both encoders in both colour modes and the bound fields of a derived
// logger.
#include <gtest/gtest.h>
#include <tevra.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "support/logger.hpp"

namespace {

using tevra_test::color_policy;
using tevra_test::Logger;

// One line of `mode` and colour policy logging `field`, directly or as the
// bound field of a derived logger.
std::string line_with(const tevra_field &field, int mode, int color, bool bound = false) {
    Logger l(mode, color_policy(color));
    if (bound) {
        tevra_logger *child = tevra_with(l.log, &field, 1);
        tevra_info(child, "m", nullptr, 0);
        child->destroy(child);
    } else {
        tevra_info(l.log, "m", &field, 1);
    }
    return l.take_text();
}

constexpr int kModes[] = {TEVRA_MODE_JSON, TEVRA_MODE_CONSOLE};
constexpr int kColors[] = {TEVRA_COLOR_NEVER, TEVRA_COLOR_ALWAYS};

TEST(SizedString, RecordSaysItsLengthIsExact) {
    tevra_field f = tevra_str_n("k", "abcdef", 3);
    EXPECT_EQ(f.kind, TEVRA_FIELD_STRING);
    EXPECT_EQ(f.value_len, 3u);
    EXPECT_EQ(f.value_sized, 1);
    EXPECT_EQ(f.value_trusted, 1);
    EXPECT_EQ(f.value_console_simple, 0);

    tevra_field nul = tevra_str_n("k", "a\0b", 3);
    EXPECT_EQ(nul.value_len, 3u);
    EXPECT_EQ(nul.value_trusted, 0);

    tevra_field none = tevra_str_n("k", nullptr, 5);
    EXPECT_STREQ(none.value.str, "");
    EXPECT_EQ(none.value_len, 0u);

    // The flag lives in what was padding: nothing else moved.
    EXPECT_EQ(offsetof(tevra_field, value_sized), offsetof(tevra_field, value_console_simple) + 1);
    EXPECT_EQ(offsetof(tevra_field, value) % 8, 0u);
    EXPECT_EQ(offsetof(tevra_field, value), offsetof(tevra_field, value_sized) + 1);
    EXPECT_EQ(tevra_str("k", "v").value_sized, 0);
}

TEST(SizedString, NulBytesAreEscapedLikeAnyControlByte) {
    const tevra_field f = tevra_str_n("k", "a\0b", 3);
    EXPECT_EQ(line_with(f, TEVRA_MODE_JSON, TEVRA_COLOR_NEVER), "{\"lvl\":\"info\",\"msg\":\"m\",\"k\":\"a\\u0000b\"}\n");
    EXPECT_EQ(line_with(f, TEVRA_MODE_CONSOLE, TEVRA_COLOR_NEVER), "INF m k=\"a\\x00b\"\n");
    EXPECT_NE(line_with(f, TEVRA_MODE_JSON, TEVRA_COLOR_ALWAYS).find("\"a\\u0000b\""), std::string::npos);
    EXPECT_NE(line_with(f, TEVRA_MODE_CONSOLE, TEVRA_COLOR_ALWAYS).find("\"a\\x00b\""), std::string::npos);
}

TEST(SizedString, NothingPastTheLengthIsRead) {
    // A heap block of exactly these bytes, without a NUL: a sanitizer build
    // reports any read past it.
    const char text[] = {'o', 'k', ' ', '\xC3', '\xA9'};
    char *block = static_cast<char *>(std::malloc(sizeof text));
    std::memcpy(block, text, sizeof text);
    for (int mode : kModes) {
        for (int color : kColors) {
            const std::string all = line_with(tevra_str_n("k", block, 5), mode, color);
            const std::string cut = line_with(tevra_str_n("k", block, 4), mode, color);
            EXPECT_NE(all, cut);
            if (mode == TEVRA_MODE_JSON) {
                // The accented letter cut in half is a stray byte.
                EXPECT_NE(cut.find("ok \\u00c3\""), std::string::npos) << cut;
            } else {
                EXPECT_NE(cut.find("ok \xC3\""), std::string::npos) << cut;
            }
        }
    }
    std::free(block);
}

TEST(SizedString, WritesWhatTheTextWritersWriteForTheSameBytes) {
    const std::vector<std::string> texts = {
        "plain", "two words", "a=b", "q\"uote", "back\\slash", "tab\there", "br[acket]",
        "caf\xC3\xA9", "stray\x80", "cut\xE2\x82", "del\x7F", "", "\xF0\x9F\x98\x80 emoji",
    };
    for (const std::string &t : texts) {
        for (int mode : kModes) {
            for (int color : kColors) {
                for (bool bound : {false, true}) {
                    EXPECT_EQ(line_with(tevra_str_n("k", t.data(), t.size()), mode, color, bound),
                              line_with(tevra_str("k", t.c_str()), mode, color, bound))
                        << t << " mode " << mode << " color " << color << " bound " << bound;
                }
            }
        }
    }
}

TEST(SizedString, DerivedLoggerKeepsEveryByteOfItsOwnCopy) {
    std::string value(300, '\0');
    value[0] = 'x';
    const tevra_field f = tevra_str_n("k", value.data(), value.size());
    for (int mode : kModes) {
        for (int color : kColors) {
            Logger l(mode, color_policy(color));
            tevra_logger *child = tevra_with(l.log, &f, 1);
            ASSERT_NE(child, nullptr);
            tevra_info(l.log, "m", &f, 1);
            value.assign(300, 'y');  // the child's copy must not see this
            tevra_info(child, "m", nullptr, 0);
            value.assign(300, '\0');
            value[0] = 'x';
            child->destroy(child);
            const std::vector<std::string> lines = l.sink.lines();
            ASSERT_EQ(lines.size(), 2u);
            EXPECT_EQ(lines[0], lines[1]);
            const std::string nul = mode == TEVRA_MODE_JSON ? "\\u0000" : "\\x00";
            size_t count = 0;
            for (size_t at = lines[1].find(nul); at != std::string::npos; at = lines[1].find(nul, at + 1)) {
                ++count;
            }
            EXPECT_EQ(count, 299u);
        }
    }
}

}  // namespace

// SPDX-License-Identifier: MIT
// Level colours from a palette and from a logger's cached colour lengths,
// and appending colours to a line buffer.
#include <gtest/gtest.h>
#include <tevra.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/shared.hpp"
#include "support/capture_sink.hpp"
#include "support/private_state.hpp"

namespace {

// Every role a different text of a different length, so a wrong slot shows.
const tevra_palette kMarked = {
    "k", "s2", "n33", "b444", "N5555", "T66666", "D777777", "I8888888", "W99999999", "E0000000000",
    "F11111111111", "P222222222222", "t3333333333333", "m44444444444444", "M555555555555555",
    "r6666666666666666",
};

struct LevelCase {
    int level;
    const char *color;
};

const LevelCase kLevels[] = {
    {TEVRA_LEVEL_TRACE, kMarked.trace_color}, {TEVRA_LEVEL_DEBUG, kMarked.debug_color},
    {TEVRA_LEVEL_INFO, kMarked.info_color},   {TEVRA_LEVEL_WARN, kMarked.warn_color},
    {TEVRA_LEVEL_ERROR, kMarked.error_color}, {TEVRA_LEVEL_FATAL, kMarked.fatal_color},
    {TEVRA_LEVEL_PANIC, kMarked.panic_color}, {TEVRA_LEVEL_NOLEVEL, kMarked.null_color},
    {TEVRA_LEVEL_DISABLED, kMarked.info_color}, {7, kMarked.info_color},
    {-2, kMarked.info_color},                 {INT_MIN, kMarked.info_color},
    {INT_MAX, kMarked.info_color},
};

TEST(LevelColor, EachLevelPicksItsRoleAndUnknownCodesAreInfo) {
    for (const LevelCase &c : kLevels) {
        EXPECT_STREQ(tevra_level_color(&kMarked, c.level), c.color) << c.level;
    }
    EXPECT_EQ(tevra_level_color(&tevra_builtin_palette_nord, TEVRA_LEVEL_DISABLED),
              tevra_builtin_palette_nord.info_color);
    EXPECT_EQ(tevra_level_color(&tevra_builtin_palette_nord, TEVRA_LEVEL_NOLEVEL),
              tevra_builtin_palette_nord.null_color);
}

TEST(LevelColor, MissingPaletteOrColourGivesTheEmptyString) {
    const char *color = tevra_level_color(nullptr, TEVRA_LEVEL_INFO);
    ASSERT_NE(color, nullptr);
    EXPECT_STREQ(color, "");
    const tevra_palette sparse{};
    color = tevra_level_color(&sparse, TEVRA_LEVEL_ERROR);
    ASSERT_NE(color, nullptr);
    EXPECT_STREQ(color, "");
}

TEST(LevelColor, CachedLengthsFollowTheSameRolesAsTheColours) {
    tevra_test::CaptureSink sink;
    tevra_config cfg = tevra_test::capture_config(sink, TEVRA_MODE_CONSOLE);
    cfg.palette = &kMarked;
    tevra_logger *log = tevra_new(&cfg);
    ASSERT_NE(log, nullptr);
    const tevra_shared *shared = tevra_test::shared_of(log);
    for (const LevelCase &c : kLevels) {
        EXPECT_EQ(tevra_level_color_len(shared, c.level), std::strlen(c.color)) << c.level;
    }
    log->destroy(log);
}

TEST(LevelColor, LengthsAreReadFromTheirCacheSlots) {
    auto *shared = static_cast<tevra_shared *>(std::calloc(1, sizeof(tevra_shared)));
    ASSERT_NE(shared, nullptr);
    for (int i = 0; i < tev::kColorLensCount; ++i) shared->color_lens[i] = 100 + static_cast<size_t>(i);
    EXPECT_EQ(tevra_level_color_len(shared, TEVRA_LEVEL_TRACE), 100u + tev::kTraceColor);
    EXPECT_EQ(tevra_level_color_len(shared, TEVRA_LEVEL_WARN), 100u + tev::kWarnColor);
    EXPECT_EQ(tevra_level_color_len(shared, TEVRA_LEVEL_PANIC), 100u + tev::kPanicColor);
    EXPECT_EQ(tevra_level_color_len(shared, TEVRA_LEVEL_NOLEVEL), 100u + tev::kNolevelColor);
    EXPECT_EQ(tevra_level_color_len(shared, TEVRA_LEVEL_DISABLED), 100u + tev::kInfoColor);
    EXPECT_EQ(tevra_level_color_len(shared, INT_MIN), 100u + tev::kInfoColor);
    std::free(shared);
    EXPECT_EQ(tevra_level_color_len(nullptr, TEVRA_LEVEL_INFO), 0u);
}

// A detached buffer that is destroyed with the test.
struct Buffer {
    tevra_buffer buf;
    explicit Buffer(size_t size = 0) { tevra_buffer_init(&buf, nullptr, size); }
    ~Buffer() { tevra_buffer_destroy(&buf); }
    std::string text() const { return std::string(buf.data, buf.len); }
};

TEST(ApplyColor, AppendsTheColourOnlyWhenEnabledAndNonEmpty) {
    Buffer b;
    tevra_apply_color(&b.buf, "\x1b[31m", 1);
    EXPECT_EQ(b.text(), "\x1b[31m");
    tevra_apply_color(&b.buf, "\x1b[32m", 0);
    tevra_apply_color(&b.buf, nullptr, 1);
    tevra_apply_color(&b.buf, "", 1);
    EXPECT_EQ(b.text(), "\x1b[31m");
    tevra_apply_color(&b.buf, "\x1b[0m", 7);
    EXPECT_EQ(b.text(), "\x1b[31m\x1b[0m");
    tevra_apply_color(nullptr, "\x1b[31m", 1);
}

TEST(ApplyColor, LengthFormAppendsExactlyThatManyBytes) {
    Buffer b;
    tevra_apply_color_len(&b.buf, "\x1b[31mtail", 5, 1);
    EXPECT_EQ(b.text(), "\x1b[31m");
    tevra_apply_color_len(&b.buf, "\x1b[32m", 5, 0);
    tevra_apply_color_len(&b.buf, "\x1b[32m", 0, 1);
    tevra_apply_color_len(&b.buf, nullptr, 5, 1);
    tevra_apply_color_len(nullptr, "\x1b[32m", 5, 1);
    EXPECT_EQ(b.text(), "\x1b[31m");
}

TEST(ApplyColor, ColoursLongerThanTheRoomLeftAreKeptWhole) {
    Buffer b(4);
    const char *bold = tevra_builtin_palette_tokyo_night.message_color;
    tevra_apply_color(&b.buf, bold, 1);
    tevra_apply_color_len(&b.buf, bold, std::strlen(bold), 1);
    EXPECT_EQ(b.text(), std::string(bold) + bold);
}

}  // namespace

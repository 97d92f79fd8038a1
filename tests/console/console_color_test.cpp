#include <gtest/gtest.h>
#include <tevra.h>

#include <cerrno>
#include <string>

#include "console/console_fixture.hpp"
#include "support/default_palette.hpp"

namespace {

using console_test::ConsoleLogger;
using console_test::group;
using namespace tevra_test::default_palette;

const unsigned char kDeadBytes[] = {0xDE, 0xAD};

// A line that touches every part of the layout: timestamp, message, bound
// fields, every kind, an untrusted key, an over-long key and "loglevel".
std::string rich_line(ConsoleLogger &l) {
    console_test::use_fixed_clock(l);
    const tevra_field bound[] = {tevra_str("svc", "api")};
    tevra_logger *child = tevra_with(l.log, bound, 1);
    EXPECT_NE(child, nullptr);
    const std::string long_key(130, 'k');
    const tevra_field fields[] = {
        tevra_null("n"),
        tevra_str("s", "two words"),
        tevra_i64("i", -4),
        tevra_u64("u", 4),
        tevra_f64("f", 1.5),
        tevra_bool("b", 1),
        tevra_ptr("p", nullptr),
        tevra_bytes_field("y", kDeadBytes, 2),
        tevra_time_field("t", tevra_time{1700000000, 0, 0}),
        tevra_duration_field("d", tevra_duration{1, 500000000}),
        tevra_errno("e", ENOENT),
        tevra_i64("bad\nkey", 1),
        tevra_i64(long_key.c_str(), 2),
    };
    tevra_warn(child, "msg", fields, sizeof fields / sizeof fields[0]);
    child->destroy(child);
    return l.take();
}

void rich_config(tevra_config &cfg) {
    cfg.timestamps = 1;
    cfg.utc = 1;
    cfg.level_field = 1;
}

TEST(ConsoleColor, RequestDoneExampleInTheDefaultPalette) {
    ConsoleLogger l([](tevra_config &cfg) {
        cfg.color = TEVRA_COLOR_ALWAYS;
        cfg.timestamps = 1;
        cfg.utc = 1;
    });
    console_test::use_fixed_clock(l);
    EXPECT_EQ(l.info("request done",
                     {tevra_str("user", "alice"), tevra_i64("status", 200), tevra_bool("ok", 1),
                      tevra_str("path", "/a b"), tevra_bytes_field("data", kDeadBytes, 2)}),
              "\x1b[90m071215 \x1b[1;32mINF\x1b[0m \x1b[1mrequest done\x1b[0m \x1b[36muser=\x1b[0m"
              "\x1b[1;34malice\x1b[0m \x1b[36mstatus=\x1b[0m\x1b[35m200\x1b[0m \x1b[36mok=\x1b[0m"
              "\x1b[33mtrue\x1b[0m \x1b[36mpath=\x1b[0m\x1b[1;34m\"/a b\"\x1b[0m \x1b[36mdata=\x1b[0m"
              "\x1b[1;34m\"dead\"\x1b[0m");
}

TEST(ConsoleColor, EveryKindHasItsValueColour) {
    ConsoleLogger l(tevra_test::colored());
    tevra_field odd = tevra_i64("odd", 1);
    odd.kind = static_cast<tevra_field_kind>(12);
    const std::string line = l.info(
        nullptr, {tevra_null("n"), tevra_str("s", "v"), tevra_bytes_field("y", nullptr, 0),
                  tevra_duration_field("d", tevra_duration{0, 5}), tevra_i64("i", 1),
                  tevra_u64("u", 2), tevra_f64("f", 2.5), tevra_bool("b", 0),
                  tevra_time_field("t", tevra_time{0, 0, 0}), tevra_errno("e", 9999), odd});
    EXPECT_EQ(line, kInfo + "INF" + kReset + group("n", kNull, "null") + group("s", kString, "v") +
                        group("y", kString, "\"\"") + group("d", kString, "5ns") +
                        group("i", kNumber, "1") + group("u", kNumber, "2") +
                        group("f", kNumber, "2.5") + group("b", kBool, "false") +
                        group("t", kTimestamp, "1970-01-01T00:00:00Z") +
                        group("e", kError, "\"Unknown error 9999\"") + group("odd", "", "") +
                        kReset);
}

TEST(ConsoleColor, PointersAreColouredAsNumbers) {
    ConsoleLogger l(tevra_test::colored());
    const std::string line = l.info(nullptr, {tevra_ptr("p", &l)});
    EXPECT_EQ(line.rfind(kInfo + "INF" + kReset + group("p", kNumber, ""), 0), 0u) << line;
}

TEST(ConsoleColor, UnknownLevelsTakeInfoColourAndNolevelTakesNullColour) {
    ConsoleLogger l([](tevra_config &cfg) {
        cfg.color = TEVRA_COLOR_ALWAYS;
        cfg.level = TEVRA_LEVEL_TRACE;
    });
    tevra_emit_console(l.log->state, TEVRA_LEVEL_DISABLED, "x", nullptr, 0);
    EXPECT_EQ(l.take(), kInfo + "INF" + kReset + " " + kMessage + "x" + kReset);
    tevra_emit_console(l.log->state, TEVRA_LEVEL_NOLEVEL, "x", nullptr, 0);
    EXPECT_EQ(l.take(), kNull + "---" + kReset + " " + kMessage + "x" + kReset);
    tevra_emit_console(l.log->state, TEVRA_LEVEL_ERROR, nullptr, nullptr, 0);
    EXPECT_EQ(l.take(), kError + "ERR" + kReset + kReset);
}

TEST(ConsoleColor, LoglevelGroupIsAStringGroup) {
    ConsoleLogger l([](tevra_config &cfg) {
        cfg.color = TEVRA_COLOR_ALWAYS;
        cfg.level = TEVRA_LEVEL_INFO;
        cfg.level_field = 1;
    });
    EXPECT_EQ(l.info(nullptr, {}), kInfo + "INF" + kReset + group("loglevel", kString, "info") + kReset);
}

// Keys that are not cached are written with the space before the reset.
TEST(ConsoleColor, UncachedGroupsPutTheSpaceBeforeTheReset) {
    ConsoleLogger l(tevra_test::colored());
    const std::string long_key(120, 'k');
    EXPECT_EQ(l.info(nullptr, {tevra_i64("a\tb", 1), tevra_str(long_key.c_str(), "v")}),
              kInfo + "INF" + kReset + " " + kReset + kKey + "a\\tb=" + kReset + kNumber + "1" +
                  " " + kReset + kKey + long_key + "=" + kReset + kString + "v" + kReset);
}

TEST(ConsoleColor, ColourOffNeverWritesAnEscapeByte) {
    ConsoleLogger l(rich_config);
    const std::string line = rich_line(l);
    EXPECT_EQ(line.find('\x1b'), std::string::npos) << line;
    EXPECT_EQ(line.rfind("071215 WRN msg svc=api n=null s=\"two words\" i=-4", 0), 0u) << line;
}

TEST(ConsoleColor, PaletteWithoutColoursMatchesTheUncolouredLine) {
    // NULL and "" both mean no colour.
    const tevra_palette blank = {nullptr, "", nullptr, "", nullptr, "", nullptr, "",
                                 nullptr, "", nullptr, "", nullptr, "", nullptr, ""};
    ConsoleLogger plain(rich_config);
    ConsoleLogger coloured([&](tevra_config &cfg) {
        rich_config(cfg);
        cfg.color = TEVRA_COLOR_ALWAYS;
        cfg.palette = &blank;
    });
    const std::string expected = rich_line(plain);
    EXPECT_EQ(rich_line(coloured), expected);
    // Again, now that every prefix comes from the cache.
    EXPECT_EQ(rich_line(coloured), expected);
}

TEST(ConsoleColor, EmptyKeyColourIsLeftOut) {
    tevra_palette palette = *tevra_palette_default();
    palette.key_color = "";
    ConsoleLogger l([&](tevra_config &cfg) {
        cfg.color = TEVRA_COLOR_ALWAYS;
        cfg.palette = &palette;
    });
    const std::string expected = kInfo + "INF" + kReset + " " + kMessage + "m" + kReset +
                                 " user=" + kReset + kString + "alice" + kReset;
    EXPECT_EQ(l.info("m", {tevra_str("user", "alice")}), expected);
    EXPECT_EQ(l.info("m", {tevra_str("user", "alice")}), expected);
}

TEST(ConsoleColor, LevelColourTooLongForItsFragmentLeavesThePlainLabel) {
    // Colour, label and reset must fit in 63 bytes.
    const std::string fits = "\x1b[" + std::string(54, '1') + "m";      // 57 bytes: 64 in all
    const std::string just_fits = "\x1b[" + std::string(53, '1') + "m";  // 56 bytes: 63 in all
    tevra_palette palette = *tevra_palette_default();
    palette.info_color = fits.c_str();
    palette.warn_color = just_fits.c_str();
    palette.message_color = nullptr;
    ConsoleLogger l([&](tevra_config &cfg) {
        cfg.color = TEVRA_COLOR_ALWAYS;
        cfg.palette = &palette;
    });
    EXPECT_EQ(l.info("m", {}), "INF m" + kReset);
    tevra_warn(l.log, "m", nullptr, 0);
    EXPECT_EQ(l.take(), just_fits + "WRN" + kReset + " m" + kReset);
}

TEST(ConsoleColor, MessageColourTooLongForTheLiteralIsWrittenPieceByPiece) {
    const std::string long_colour = "\x1b[" + std::string(124, '1') + "m";  // 127 bytes
    tevra_palette palette = *tevra_palette_default();
    palette.message_color = long_colour.c_str();
    ConsoleLogger l([&](tevra_config &cfg) {
        cfg.color = TEVRA_COLOR_ALWAYS;
        cfg.palette = &palette;
    });
    EXPECT_EQ(l.shared()->console_literal_len, 0u);
    EXPECT_EQ(l.info("hello", {}), kInfo + "INF" + kReset + " " + long_colour + "hello" + kReset);
}

TEST(ConsoleColor, MessageLiteralIsBuiltWithOrWithoutColour) {
    ConsoleLogger plain;
    EXPECT_EQ(std::string(plain.shared()->console_literal, plain.shared()->console_literal_len), " ");
    ConsoleLogger coloured(tevra_test::colored());
    EXPECT_EQ(std::string(coloured.shared()->console_literal,
                          coloured.shared()->console_literal_len),
              " " + kMessage);
}

}  // namespace

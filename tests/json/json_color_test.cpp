#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <tevra.h>

#include <cstring>
#include <string>
#include <vector>

#include "support/logger.hpp"

namespace {

using tevra_test::colored;
using tevra_test::Logger;
using tevra_test::strip_escapes;

// Expected lines are written with \e for ESC.
std::string E(std::string text) {
    for (size_t at = text.find("\\e"); at != std::string::npos; at = text.find("\\e", at)) {
        text.replace(at, 2, "\x1b");
    }
    return text;
}

bool literals_are_zero(const tevra_shared *s) {
    const auto &lit = s->json_color_literals;
    const auto *bytes = reinterpret_cast<const unsigned char *>(&lit);
    for (size_t i = 0; i < sizeof lit; ++i) {
        if (bytes[i] != 0) return false;
    }
    return true;
}

TEST(JsonColor, DefaultPaletteColoursEveryToken) {
    Logger t([](tevra_config &cfg) {
        cfg.color = TEVRA_COLOR_ALWAYS;
        cfg.timestamps = 1;
    });
    t.use_fixed_clock();
    const tevra_field port = tevra_i64("port", 8080);
    tevra_info(t.log, "listening", &port, 1);
    EXPECT_EQ(t.take(),
              E(R"({\e[36m"ts":\e[0m\e[90m"2025-03-01T10:15:30Z"\e[0m,\e[36m"lvl":\e[1;32m"info"\e[0m,)"
                R"(\e[36m"msg":\e[1m"listening"\e[0m,\e[36m"port":\e[35m8080\e[0m})"));
}

TEST(JsonColor, EveryValueKindTakesItsRoleColour) {
    Logger t([](tevra_config &cfg) {
        cfg.color = TEVRA_COLOR_ALWAYS;
        cfg.level_field = 1;
    });
    const unsigned char raw[] = {0x0F, 0xA0};
    const tevra_field fields[] = {
        tevra_null("n"),
        tevra_str("s", "x[y"),
        tevra_i64("i", -3),
        tevra_u64("u", 4),
        tevra_f64("f", 0.5),
        tevra_f64("nan", __builtin_nan("")),
        tevra_bool("b", 1),
        tevra_bytes_field("h", raw, 2),
        tevra_time_field("t", tevra_time{1700000000, 0, 0}),
        tevra_duration_field("d", tevra_duration{1, 500000000}),
        tevra_errno("e", 9999),
    };
    tevra_warn(t.log, nullptr, fields, sizeof fields / sizeof fields[0]);
    EXPECT_EQ(t.take(),
              E(R"({\e[36m"lvl":\e[1;33m"warn"\e[0m,\e[36m"n":\e[90mnull\e[0m,)"
                R"(\e[36m"s":\e[1;34m"x[y"\e[0m,\e[36m"i":\e[35m-3\e[0m,\e[36m"u":\e[35m4\e[0m,)"
                R"(\e[36m"f":\e[35m0.5\e[0m,\e[36m"nan":\e[1;34m"NaN"\e[0m,\e[36m"b":\e[33mtrue\e[0m,)"
                R"(\e[36m"h":\e[1;34m"0fa0"\e[0m,\e[36m"t":\e[90m"2023-11-14T22:13:20Z"\e[0m,)"
                R"(\e[36m"d":\e[1;34m"1.500s"\e[0m,\e[36m"e":\e[1;31m"Unknown error 9999"\e[0m,)"
                R"(\e[36m"loglevel":\e[32m"debug"\e[0m})"));

    int target = 0;
    const tevra_field p = tevra_ptr("p", &target);
    tevra_info(t.log, nullptr, &p, 1);
    char pointer[64];
    std::snprintf(pointer, sizeof pointer, "%p", static_cast<void *>(&target));
    EXPECT_NE(t.take().find(E(R"(\e[36m"p":\e[1;34m")") + pointer + E(R"("\e[0m)")),
              std::string::npos);
}

TEST(JsonColor, NonFiniteNullTakesTheNullColour) {
    Logger t([](tevra_config &cfg) {
        cfg.color = TEVRA_COLOR_ALWAYS;
        cfg.non_finite_null = 1;
    });
    const tevra_field f = tevra_f64("x", __builtin_nan(""));
    tevra_info(t.log, nullptr, &f, 1);
    EXPECT_EQ(t.take(), E(R"({\e[36m"lvl":\e[1;32m"info"\e[0m,\e[36m"x":\e[90mnull\e[0m})"));
}

TEST(JsonColor, StrippedLineIsThePlainLine) {
    auto settings = [](bool color) {
        return [color](tevra_config &cfg) {
            cfg.color = color ? TEVRA_COLOR_ALWAYS : TEVRA_COLOR_NEVER;
            cfg.timestamps = 1;
            cfg.level_field = 1;
            cfg.verbose_fields = 1;
            cfg.level = TEVRA_LEVEL_TRACE;
        };
    };
    Logger plain(settings(false));
    Logger color(settings(true));
    plain.use_fixed_clock();
    color.use_fixed_clock();
    const unsigned char raw[] = {1, 2, 3};
    const tevra_field bound[] = {tevra_str("svc", "a\"b"), tevra_u64("pid", 42)};
    const tevra_field fields[] = {
        tevra_null("n"),       tevra_str("s", "tab\there"), tevra_f64("inf", -__builtin_inf()),
        tevra_bool("b", 0),    tevra_bytes_field("h", raw, 3),
        tevra_errno("e", 2),   tevra_duration_field("d", tevra_duration{125, 500000000}),
        tevra_str("k\x01", "v"),
    };
    tevra_logger *pc = tevra_with(plain.log, bound, 2);
    tevra_logger *cc = tevra_with(color.log, bound, 2);
    ASSERT_NE(pc, nullptr);
    ASSERT_NE(cc, nullptr);
    for (int level = -1; level <= 6; ++level) {
        tevra_fields(pc, level, "m\xc3\xa9ssage", fields, sizeof fields / sizeof fields[0]);
        tevra_fields(cc, level, "m\xc3\xa9ssage", fields, sizeof fields / sizeof fields[0]);
        const std::string colored_line = color.take();
        EXPECT_NE(colored_line.find('\x1b'), std::string::npos);
        EXPECT_EQ(strip_escapes(colored_line), plain.take()) << level;
    }
    pc->destroy(pc);
    cc->destroy(cc);
}

TEST(JsonColor, LiteralsAreBuiltOnlyForColouredJsonLoggers) {
    Logger plain;
    EXPECT_TRUE(literals_are_zero(plain.shared()));
    Logger console([](tevra_config &cfg) {
        cfg.mode = TEVRA_MODE_CONSOLE;
        cfg.color = TEVRA_COLOR_ALWAYS;
    });
    EXPECT_TRUE(literals_are_zero(console.shared()));

    Logger color(colored());
    const auto &lit = color.shared()->json_color_literals;
    EXPECT_EQ(std::string(lit.level_members[2], lit.level_member_lens[2]),
              E(R"(\e[36m"lvl":\e[1;32m"info"\e[0m)"));
    EXPECT_EQ(std::string(lit.loglevel_members[0], lit.loglevel_member_lens[0]),
              E(R"(\e[36m"loglevel":\e[34m"trace"\e[0m)"));
    EXPECT_EQ(std::string(lit.message_open, lit.message_open_len), E(R"(\e[36m"msg":\e[1m)"));
    EXPECT_EQ(std::string(lit.time_open, lit.time_open_len), E(R"(\e[36m"ts":\e[0m\e[90m")"));
    EXPECT_EQ(std::string(lit.time_close, lit.time_close_len), E(R"("\e[0m)"));
    EXPECT_EQ(lit.level_members[2][lit.level_member_lens[2]], '\0');
}

TEST(JsonColor, VerboseFieldsReachTheStoredLiterals) {
    Logger t([](tevra_config &cfg) {
        cfg.color = TEVRA_COLOR_ALWAYS;
        cfg.verbose_fields = 1;
        cfg.timestamps = 1;
    });
    t.use_fixed_clock();
    const auto &lit = t.shared()->json_color_literals;
    EXPECT_EQ(std::string(lit.level_members[7], lit.level_member_lens[7]),
              E(R"(\e[36m"level":\e[90m"nolevel"\e[0m)"));
    EXPECT_EQ(std::string(lit.message_open, lit.message_open_len), E(R"(\e[36m"message":\e[1m)"));
    tevra_warn(t.log, "m", nullptr, 0);
    EXPECT_EQ(t.take(), E(R"({\e[36m"time":\e[0m\e[90m"2025-03-01T10:15:30Z"\e[0m,)"
                          R"(\e[36m"level":\e[1;33m"warn"\e[0m,\e[36m"message":\e[1m"m"\e[0m})"));
}

TEST(JsonColor, NolevelTakesTheNullColourAndUnknownLevelsReadInfo) {
    Logger t([](tevra_config &cfg) {
        cfg.color = TEVRA_COLOR_ALWAYS;
        cfg.level = TEVRA_LEVEL_TRACE;
    });
    tevra_fields(t.log, TEVRA_LEVEL_NOLEVEL, nullptr, nullptr, 0);
    EXPECT_EQ(t.take(), E(R"({\e[36m"lvl":\e[90m"nolevel"\e[0m})"));
    tevra_fields(t.log, 127, nullptr, nullptr, 0);
    EXPECT_EQ(t.take(), E(R"({\e[36m"lvl":\e[1;32m"info"\e[0m})"));
}

TEST(JsonColor, EmptyMessageWritesNoMessageEscapes) {
    Logger t(colored());
    tevra_info(t.log, "", nullptr, 0);
    EXPECT_EQ(t.take(), E(R"({\e[36m"lvl":\e[1;32m"info"\e[0m})"));
}

TEST(JsonColor, MissingKeyColourLeavesKeysBareAndValuesColoured) {
    for (const char *none : {"", static_cast<const char *>(nullptr)}) {
        tevra_palette palette = tevra_builtin_palette_default;
        palette.key_color = none;
        Logger t([&](tevra_config &cfg) {
            cfg.color = TEVRA_COLOR_ALWAYS;
            cfg.palette = &palette;
            cfg.timestamps = 1;
            cfg.level_field = 1;
        });
        t.use_fixed_clock();
        const tevra_field port = tevra_i64("port", 8080);
        tevra_info(t.log, "hi", &port, 1);
        EXPECT_EQ(t.take(), E(R"({"ts":\e[0m\e[90m"2025-03-01T10:15:30Z"\e[0m,"lvl":\e[1;32m"info"\e[0m,)"
                              R"(\e[36m"msg":\e[1m"hi"\e[0m,"port":\e[35m8080\e[0m,)"
                              R"("loglevel":\e[32m"debug"\e[0m})"));
    }
}

TEST(JsonColor, LinesAreTheSameWhetherLiteralsAreStoredOrRendered) {
    auto tune = [](tevra_config &cfg) {
        cfg.color = TEVRA_COLOR_ALWAYS;
        cfg.timestamps = 1;
        cfg.level_field = 1;
        cfg.level = TEVRA_LEVEL_TRACE;
    };
    Logger t(tune);
    t.use_fixed_clock();
    std::vector<std::string> stored;
    for (int level : {-1, 0, 1, 2, 3, 4, 5, 6, 127, 9}) {
        tevra_fields(t.log, level, "m", nullptr, 0);
        stored.push_back(t.take());
    }
    std::memset(&t.shared()->json_color_literals, 0, sizeof t.shared()->json_color_literals);
    size_t i = 0;
    for (int level : {-1, 0, 1, 2, 3, 4, 5, 6, 127, 9}) {
        tevra_fields(t.log, level, "m", nullptr, 0);
        EXPECT_EQ(t.take(), stored[i++]) << level;
    }
}

TEST(JsonColor, LongPaletteMemberLeavesLiteralsUnstoredAndLinesWhole) {
    const std::string long_key = "\x1b[" + std::string(196, '0') + "6m";
    ASSERT_EQ(long_key.size(), 200u);
    tevra_palette palette = tevra_builtin_palette_default;
    palette.key_color = long_key.c_str();
    Logger t([&](tevra_config &cfg) {
        cfg.color = TEVRA_COLOR_ALWAYS;
        cfg.palette = &palette;
        cfg.timestamps = 1;
        cfg.level_field = 1;
        cfg.level = TEVRA_LEVEL_TRACE;
    });
    t.use_fixed_clock();
    const auto &lit = t.shared()->json_color_literals;
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(lit.level_member_lens[i], 0u);
        EXPECT_EQ(lit.loglevel_member_lens[i], 0u);
        EXPECT_EQ(lit.level_members[i][0], '\0');
    }
    EXPECT_EQ(lit.time_open_len, 0u);
    EXPECT_NE(lit.time_close_len, 0u);
    EXPECT_NE(lit.message_open_len, 0u);

    const char *colors[] = {"\\e[34m", "\\e[32m", "\\e[1;32m", "\\e[1;33m", "\\e[1;31m",
                            "\\e[1;31m", "\\e[1;31m", "\\e[90m"};
    const char *names[] = {"trace", "debug", "info", "warn", "error", "fatal", "panic", "nolevel"};
    for (int level = -1; level <= 6; ++level) {
        tevra_fields(t.log, level, "m", nullptr, 0);
        const std::string expected =
            "{" + long_key + E(R"("ts":\e[0m\e[90m"2025-03-01T10:15:30Z"\e[0m,)") + long_key +
            E(R"("lvl":)" + std::string(colors[level + 1]) + "\"" + names[level + 1] +
              R"("\e[0m,\e[36m"msg":\e[1m"m"\e[0m,)") +
            long_key + E(R"("loglevel":\e[34m"trace"\e[0m})");
        EXPECT_EQ(t.take(), expected) << level;
    }
    // A code outside the table reads info here too, as with stored literals.
    tevra_fields(t.log, 127, nullptr, nullptr, 0);
    EXPECT_NE(t.take().find(long_key + E(R"("lvl":\e[1;32m"info"\e[0m)")), std::string::npos);
}

TEST(JsonColor, DerivedLoggerPrefixIsColoured) {
    Logger t(colored());
    const tevra_field bound[] = {tevra_str("service", "api")};
    tevra_logger *child = tevra_with(t.log, bound, 1);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(std::string(child->state->prefix, child->state->prefix_len),
              E(R"(,\e[36m"service":\e[1;34m"api"\e[0m)"));
    tevra_info(child, nullptr, nullptr, 0);
    EXPECT_EQ(t.take(), E(R"({\e[36m"lvl":\e[1;32m"info"\e[0m,\e[36m"service":\e[1;34m"api"\e[0m})"));
    child->destroy(child);
}

TEST(JsonColor, ExportedWritersAppendTheirPieces) {
    Logger t(colored());
    tevra_buffer b;
    tevra_buffer_init(&b, nullptr, 0);
    tevra_append_json_color_literal(&b, "\x1b[1m", 4, "ab", 2);
    tevra_append_json_color_string(&b, nullptr, 4, "\"", 1);
    tevra_append_json_color_string(&b, "\x1b[2m", 0, "c", 1);
    tevra_append_json_level_field_color_cached_or_dynamic(t.shared(), &b, TEVRA_LEVEL_ERROR, 1);
    const tevra_field f = tevra_bool("ok", 1);
    tevra_append_json_field_color(t.shared(), &b, &f, 1);
    tevra_append_json_message_field_color(t.shared(), &b, "x");
    tevra_append_json_field_color(t.shared(), nullptr, &f, 0);
    tevra_append_json_message_field_color(nullptr, &b, "x");
    EXPECT_EQ(std::string(b.data, b.len),
              E(R"(\e[1mab"c\e[36m"loglevel":\e[1;31m"error"\e[0m\e[36m"ok":\e[33mtrue\e[0m,)"
                R"(\e[36m"msg":\e[1m"x"\e[0m)"));
    tevra_buffer_destroy(&b);
}

}  // namespace

#include <gtest/gtest.h>
#include <tevra.h>

#include <cstring>
#include <iterator>
#include <string>

#include "core/shared.hpp"
#include "env_support.hpp"
#include "support/capture_sink.hpp"
#include "support/private_state.hpp"

namespace {

using tevra_test::CaptureSink;
using tevra_test::EnvGuard;

std::string trimmed(std::string s) {
    const char *space = " \t\n\v\f\r";
    s.erase(0, s.find_first_not_of(space));
    s.erase(s.find_last_not_of(space) + 1);
    return s;
}

TEST(EnvParse, LevelNamesAreTrimmedAndMatchedWithoutRegardToCase) {
    const struct {
        const char *text;
        int level;
    } known[] = {
        {"trace", -1},   {" DEBUG", 0},     {"Info\n", 1},   {"  Warning  ", 2}, {"warn", 2},
        {"\terror\t", 3}, {"FATAL", 4},     {"panic", 5},    {"no", 6},          {"None", 6},
        {"nolevel", 6},  {"disabled", 127}, {" OFF \r\n", 127},
    };
    for (const auto &k : known) {
        int level = 99;
        EXPECT_EQ(tevra_parse_level(k.text, &level), 1) << k.text;
        EXPECT_EQ(level, k.level) << k.text;
    }
    for (const char *text : {"7", "", "   ", "inf", "warnings", "info x", "-1", "error   \x01",
                             "information-overload-level"}) {
        int level = 99;
        EXPECT_EQ(tevra_parse_level(text, &level), 0) << text;
        EXPECT_EQ(level, 99) << text;
    }
    int level = 99;
    EXPECT_EQ(tevra_parse_level(nullptr, &level), 0);
    EXPECT_EQ(tevra_parse_level("info", nullptr), 0);
    EXPECT_EQ(level, 99);
}

TEST(EnvParse, BooleansKnowFourWordsEachWay) {
    for (const char *yes : {"1", "true", " YES", "On\t"}) {
        int value = 7;
        EXPECT_EQ(tevra_parse_bool_value(yes, &value), 1) << yes;
        EXPECT_EQ(value, 1) << yes;
    }
    for (const char *no : {"0", "FALSE", "no ", "\noff"}) {
        int value = 7;
        EXPECT_EQ(tevra_parse_bool_value(no, &value), 1) << no;
        EXPECT_EQ(value, 0) << no;
    }
    for (const char *other : {"please", "2", "", "y", "truefalse", "ye s"}) {
        int value = 7;
        EXPECT_EQ(tevra_parse_bool_value(other, &value), 0) << other;
        EXPECT_EQ(value, 7) << other;
    }
    int value = 7;
    EXPECT_EQ(tevra_parse_bool_value(nullptr, &value), 0);
    EXPECT_EQ(tevra_parse_bool_value("1", nullptr), 0);
}

TEST(EnvParse, TrimCopyDropsOuterWhiteSpaceAndCutsToTheBuffer) {
    char buf[8];
    EXPECT_EQ(tevra_trim_copy(buf, sizeof buf, " \t value \r\n"), buf);
    EXPECT_STREQ(buf, "value");
    EXPECT_STREQ(tevra_trim_copy(buf, sizeof buf, "  inner space  "), "inner s");
    EXPECT_STREQ(tevra_trim_copy(buf, sizeof buf, " \v\f "), "");
    EXPECT_STREQ(tevra_trim_copy(buf, 1, "abc"), "");
    std::memcpy(buf, "keep", 5);
    EXPECT_EQ(tevra_trim_copy(buf, 0, "abc"), buf);
    EXPECT_STREQ(buf, "keep");
    EXPECT_EQ(tevra_trim_copy(nullptr, 4, "abc"), nullptr);
}

struct EnvLogger {
    CaptureSink sink;
    tevra_logger *log = nullptr;

    explicit EnvLogger(const char *prefix = nullptr, int mode = TEVRA_MODE_JSON) {
        tevra_config base = tevra_test::capture_config(sink, mode);
        base.color = TEVRA_COLOR_AUTO;
        log = tevra_new_from_env(prefix, &base);
    }
    ~EnvLogger() {
        if (log) log->destroy(log);
    }
    tevra_shared *shared() const { return tevra_test::shared_of(log); }
};

TEST(EnvConfig, WithoutVariablesItIsTheDefaultLogger) {
    EnvGuard env;
    tevra_logger *from_env = tevra_new_from_env(nullptr, nullptr);
    tevra_logger *plain = tevra_new(nullptr);
    ASSERT_NE(from_env, nullptr);
    const tevra_shared *a = tevra_test::shared_of(from_env);
    const tevra_shared *b = tevra_test::shared_of(plain);
    EXPECT_EQ(a->mode, b->mode);
    EXPECT_EQ(from_env->state->level, plain->state->level);
    EXPECT_EQ(a->timestamps, b->timestamps);
    EXPECT_EQ(a->utc, b->utc);
    EXPECT_EQ(a->verbose_fields, b->verbose_fields);
    EXPECT_EQ(a->color, b->color);
    EXPECT_EQ(a->palette, b->palette);
    EXPECT_EQ(a->time_format, nullptr);
    EXPECT_EQ(std::memcmp(&a->output, &b->output, sizeof a->output), 0);
    EXPECT_EQ(from_env->state->closes_output, 0);
    from_env->destroy(from_env);
    plain->destroy(plain);
}

TEST(EnvConfig, LevelNamesSetTheMinimumAndOthersAreIgnored) {
    EnvGuard env;
    env.set("LOG_LEVEL", "  Warning ");
    {
        EnvLogger l;
        EXPECT_EQ(l.log->state->level, TEVRA_LEVEL_WARN);
    }
    env.set("LOG_LEVEL", "7");
    {
        EnvLogger l;
        EXPECT_EQ(l.log->state->level, TEVRA_LEVEL_DEBUG);
    }
    env.set("LOG_LEVEL", "off");
    {
        EnvLogger l;
        tevra_error(l.log, "silenced", nullptr, 0);
        EXPECT_EQ(l.sink.text(), "");
    }
}

TEST(EnvConfig, ModeWordsSelectTheFormat) {
    EnvGuard env;
    for (const char *word : {"JSON", " structured "}) {
        env.set("LOG_MODE", word);
        EnvLogger l(nullptr, TEVRA_MODE_CONSOLE);
        EXPECT_EQ(l.shared()->mode, TEVRA_MODE_JSON) << word;
    }
    env.set("LOG_MODE", "Console");
    EXPECT_EQ(EnvLogger().shared()->mode, TEVRA_MODE_CONSOLE);
    env.set("LOG_MODE", "text");
    EXPECT_EQ(EnvLogger(nullptr, TEVRA_MODE_JSON).shared()->mode, TEVRA_MODE_JSON);
    EXPECT_EQ(EnvLogger(nullptr, TEVRA_MODE_CONSOLE).shared()->mode, TEVRA_MODE_CONSOLE);
}

TEST(EnvConfig, TimeFormatIsTakenAsWritten) {
    EnvGuard env;
    env.set("LOG_TIME_FORMAT", " %H:%M ");
    EXPECT_STREQ(EnvLogger().shared()->time_format, " %H:%M ");
    env.set("LOG_TIME_FORMAT", "RFC3339Nano");
    EXPECT_EQ(EnvLogger().shared()->ts_cacheable, 0);
    env.set("LOG_TIME_FORMAT", "");
    EXPECT_EQ(EnvLogger().shared()->time_format, nullptr);
}

TEST(EnvConfig, BooleanSwitchesOverrideTheBase) {
    EnvGuard env;
    // The base turns timestamps off; "false" turns them back on.
    env.set("LOG_DISABLE_TIMESTAMP", "false");
    env.set("LOG_VERBOSE_FIELDS", "yes");
    env.set("LOG_UTC", "ON");
    {
        EnvLogger l;
        EXPECT_EQ(l.shared()->timestamps, 1);
        EXPECT_EQ(l.shared()->verbose_fields, 1);
        EXPECT_EQ(l.shared()->utc, 1);
    }
    env.set("LOG_DISABLE_TIMESTAMP", "1");
    env.set("LOG_VERBOSE_FIELDS", "maybe");
    env.set("LOG_UTC", "0");
    {
        EnvLogger l;
        EXPECT_EQ(l.shared()->timestamps, 0);
        EXPECT_EQ(l.shared()->verbose_fields, 0);
        EXPECT_EQ(l.shared()->utc, 0);
        tevra_info(l.log, "plain", nullptr, 0);
        EXPECT_EQ(l.sink.text(), "{\"lvl\":\"info\",\"msg\":\"plain\"}\n");
    }
}

TEST(EnvConfig, NoColorWinsOverForceColor) {
    EnvGuard env;
    struct Case {
        const char *no_color;
        const char *force_color;
        int isatty;
        int base_color;
        int coloured;
    } cases[] = {
        {"1", "1", 1, TEVRA_COLOR_AUTO, 0},
        {"0", "yes", 0, TEVRA_COLOR_AUTO, 1},
        {"please", nullptr, 1, TEVRA_COLOR_AUTO, 1},  // not a boolean: still automatic
        {nullptr, "true", 0, TEVRA_COLOR_NEVER, 0},   // a base that says never wins
        {nullptr, "off", 1, TEVRA_COLOR_AUTO, 1},
        {nullptr, nullptr, 0, TEVRA_COLOR_ALWAYS, 1},
    };
    for (const Case &c : cases) {
        c.no_color ? env.set("LOG_NO_COLOR", c.no_color) : env.unset("LOG_NO_COLOR");
        c.force_color ? env.set("LOG_FORCE_COLOR", c.force_color) : env.unset("LOG_FORCE_COLOR");
        CaptureSink sink;
        sink.isatty_result = c.isatty;
        tevra_config base = tevra_test::capture_config(sink);
        base.color = c.base_color;
        tevra_logger *log = tevra_new_from_env(nullptr, &base);
        EXPECT_EQ(tevra_test::shared_of(log)->color, c.coloured)
            << (c.no_color ? c.no_color : "-") << " " << (c.force_color ? c.force_color : "-");
        log->destroy(log);
    }
}

TEST(EnvConfig, PaletteIsLookedUpByNameAndUnknownNamesGiveTheDefault) {
    EnvGuard env;
    CaptureSink sink;
    tevra_config base = tevra_test::capture_config(sink);
    base.palette = &tevra_builtin_palette_dracula;

    env.set("LOG_PALETTE", "  nord ");
    tevra_logger *log = tevra_new_from_env(nullptr, &base);
    EXPECT_EQ(tevra_test::shared_of(log)->palette, tevra_palette_by_name("nord"));
    log->destroy(log);

    env.set("LOG_PALETTE", "no-such-palette");
    log = tevra_new_from_env(nullptr, &base);
    EXPECT_EQ(tevra_test::shared_of(log)->palette, tevra_palette_default());
    log->destroy(log);

    env.set("LOG_PALETTE", "   ");
    log = tevra_new_from_env(nullptr, &base);
    EXPECT_EQ(tevra_test::shared_of(log)->palette, &tevra_builtin_palette_dracula);
    log->destroy(log);

    base.palette = nullptr;
    env.unset("LOG_PALETTE");
    log = tevra_new_from_env(nullptr, &base);
    EXPECT_EQ(tevra_test::shared_of(log)->palette, tevra_palette_default());
    log->destroy(log);
}

TEST(EnvConfig, PrefixNamesTheVariablesAndOverlongNamesAreSkipped) {
    EnvGuard env;
    env.set("LOG_LEVEL", "error");
    env.set("SVC_LEVEL", "warn");
    EXPECT_EQ(EnvLogger("SVC_").log->state->level, TEVRA_LEVEL_WARN);
    EXPECT_EQ(EnvLogger("").log->state->level, TEVRA_LEVEL_ERROR);
    EXPECT_EQ(EnvLogger(nullptr).log->state->level, TEVRA_LEVEL_ERROR);

    // 124 + "LEVEL" + NUL is 130 bytes, over the limit; 124 + "UTC" + NUL fits.
    const std::string prefix(124, 'P');
    env.set(prefix + "LEVEL", "error");
    env.set(prefix + "UTC", "1");
    EnvLogger l(prefix.c_str());
    EXPECT_EQ(l.log->state->level, TEVRA_LEVEL_DEBUG);
    EXPECT_EQ(l.shared()->utc, 1);
}

TEST(EnvConfig, InvalidFileModeIsReportedAsTheFirstLine) {
    EnvGuard env;
    for (const char *bad : {"0o", "0999", "rw", "1000", " 0o778 ", "0x1ff", "-644", "6 44"}) {
        env.set("LOG_OUTPUT_FILE_MODE", bad);
        EnvLogger l;
        const std::string shown = trimmed(bad);
        EXPECT_EQ(l.sink.text(),
                  "{\"lvl\":\"error\",\"msg\":\"logger.output.file_mode.invalid\",\"error\":"
                  "\"invalid OUTPUT_FILE_MODE \\\"" + shown +
                      "\\\" (expected octal permissions in range 0000-0777)\","
                      "\"output_file_mode\":\"" + shown + "\"}\n")
            << bad;
    }
    for (const char *good : {"644", "0644", "0o640", "0O600", "0", "  ", "777"}) {
        env.set("LOG_OUTPUT_FILE_MODE", good);
        EXPECT_EQ(EnvLogger().sink.text(), "") << good;
    }
}

TEST(EnvConfig, ErrorLinesObeyTheLevelAndUseThePrefixFreeKeyName) {
    EnvGuard env;
    env.set("APP_OUTPUT_FILE_MODE", "abc");
    env.set("APP_LEVEL", "fatal");
    EXPECT_EQ(EnvLogger("APP_").sink.text(), "");
    env.set("APP_LEVEL", "console");  // not a level: the minimum stays debug
    EnvLogger l("APP_", TEVRA_MODE_CONSOLE);
    EXPECT_EQ(l.sink.text(),
              "ERR logger.output.file_mode.invalid error=\"invalid OUTPUT_FILE_MODE \\\"abc\\\" "
              "(expected octal permissions in range 0000-0777)\" output_file_mode=abc\n");
}

TEST(EnvConfig, OverlongFileModeIsRefusedAndShownCut) {
    EnvGuard env;
    // Cut to its buffer this would read as mode 0; it must be refused whole.
    const std::string zeros(40, '0');
    env.set("LOG_OUTPUT_FILE_MODE", zeros);
    EnvLogger l;
    const auto lines = l.sink.lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("\"output_file_mode\":\"" + std::string(31, '0') + "\"}"),
              std::string::npos);
}

}  // namespace

namespace {

TEST(EnvConfig, BufferSizeTakesDecimalBytesInRangeAndIgnoresTheRest) {
    EnvGuard env;
    CaptureSink sink;
    tevra_config base = tevra_test::capture_config(sink);
    base.buffer_size = 4096;
    const struct {
        const char *text;
        size_t size;  // 4096: ignored, the base stays
    } cases[] = {
        {"8192", 8192},       {" 64\t", 64},      {"1048576", 1048576}, {"0100", 100},
        {"63", 4096},         {"0", 4096},        {"1048577", 4096},    {"8k", 4096},
        {"-128", 4096},       {"+128", 4096},     {"0x100", 4096},      {"1e4", 4096},
        {"  ", 4096},         {"12 34", 4096},    {"99999999999999999999999", 4096},
    };
    for (const auto &c : cases) {
        env.set("LOG_BUFFER_SIZE", c.text);
        tevra_logger *log = tevra_new_from_env(nullptr, &base);
        ASSERT_NE(log, nullptr);
        EXPECT_EQ(tevra_test::shared_of(log)->buffer_size, c.size) << c.text;
        tevra_info(log, "quiet", nullptr, 0);
        log->destroy(log);
    }
    // An ignored value is silent, as every unrecognised value is.
    EXPECT_EQ(sink.lines().size(), std::size(cases));
    for (const std::string &line : sink.lines()) EXPECT_EQ(line, "{\"lvl\":\"info\",\"msg\":\"quiet\"}");
}

// Under tr_TR the C library lower-cases 'I' to itself (its lower case is
// the dotless i, which is no single byte), so keywords must not go through
// the locale.
TEST(EnvConfig, KeywordsMatchInEveryCaseUnderATurkishLocale) {
    EnvGuard env;
    tevra_test::LocaleGuard locale;
    ASSERT_TRUE(locale.set("tr_TR.UTF-8")) << "locale tr_TR.UTF-8 is missing: run scripts/deps.sh";
    const struct {
        const char *text;
        int level;
    } levels[] = {{"INFO", 1},  {"WARNING", 2},  {"PANIC", 5},   {"DISABLED", 127},
                  {"TRACE", -1}, {"NOLEVEL", 6}, {" Info ", 1}, {"wArNiNg", 2}};
    for (const auto &l : levels) {
        int level = 99;
        EXPECT_EQ(tevra_parse_level(l.text, &level), 1) << l.text;
        EXPECT_EQ(level, l.level) << l.text;
    }
    for (const char *yes : {"YES", "TRUE", "ON"}) {
        int value = 0;
        EXPECT_EQ(tevra_parse_bool_value(yes, &value), 1) << yes;
        EXPECT_EQ(value, 1) << yes;
    }

    env.set("LOG_LEVEL", "INFO");
    env.set("LOG_MODE", "STRUCTURED");
    env.set("LOG_VERBOSE_FIELDS", "YES");
    env.set("LOG_PALETTE", "NIGHT_OWL");
    env.set("LOG_OUTPUT", "DEFAULT");
    EnvLogger l(nullptr, TEVRA_MODE_CONSOLE);
    EXPECT_EQ(l.log->state->level, TEVRA_LEVEL_INFO);
    EXPECT_EQ(l.shared()->mode, TEVRA_MODE_JSON);
    EXPECT_EQ(l.shared()->verbose_fields, 1);
    EXPECT_EQ(l.shared()->palette, &tevra_builtin_palette_night_owl);
    EXPECT_EQ(l.shared()->output.user_data, &l.sink);
    tevra_debug(l.log, "filtered", nullptr, 0);
    tevra_info(l.log, "kept", nullptr, 0);
    EXPECT_EQ(l.sink.text(), "{\"level\":\"info\",\"message\":\"kept\"}\n");
    for (const char *name : {"IOSVKEM", "Doom_Iosvkem", "PAPERCOLOR LIGHT", "PALETTE-KANAGAWA"}) {
        EXPECT_NE(tevra_palette_by_name(name), tevra_palette_default()) << name;
    }
}

}  // namespace

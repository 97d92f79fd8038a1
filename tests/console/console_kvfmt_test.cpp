#include <gtest/gtest.h>
#include <tevra.h>

#include <cerrno>
#include <cstdarg>
#include <climits>
#include <string>

#include "console/console_fixture.hpp"
#include "support/default_palette.hpp"

namespace {

using console_test::ConsoleLogger;
using console_test::group;
using namespace tevra_test::default_palette;

// The encoder called directly, with a real argument list.
void emit_kvfmt(const tevra_logger_state *state, const char *msg, const tevra_kvfmt_layout *layout,
                ...) {
    va_list args;
    va_start(args, layout);
    tevra_emit_console_kvfmt(state, TEVRA_LEVEL_INFO, msg, layout, 0, args);
    va_end(args);
}

TEST(ConsoleKvfmt, LoginExample) {
    ConsoleLogger l;
    tevra_infof(l.log, "login", "user=%s n=%d ok=%b path=%s", "alice", 7, 1, "/a b");
    EXPECT_EQ(l.take(), "INF login user=alice n=7 ok=true path=\"/a b\"");
}

// Each verb must give the bytes of the field record it stands for.
void expect_verbs_match_fields(ConsoleLogger &l) {
    int target = 0;
    struct Case {
        std::string via_template;
        tevra_field field;
    };
    auto templ = [&](auto... args) {
        tevra_infof(l.log, "m", args...);
        return l.take();
    };
    auto fields = [&](tevra_field f) {
        tevra_info(l.log, "m", &f, 1);
        return l.take();
    };
    const Case cases[] = {
        {templ("s=%s", "two words"), tevra_str("s", "two words")},
        {templ("s=%ls", "bare"), tevra_str("s", "bare")},
        {templ("s=%s", static_cast<const char *>(nullptr)), tevra_str("s", nullptr)},
        {templ("s=%s", ""), tevra_str("s", "")},
        {templ("d=%d", -5), tevra_i64("d", -5)},
        {templ("ld=%ld", LONG_MIN), tevra_i64("ld", LONG_MIN)},
        {templ("u=%u", static_cast<unsigned>(-1)), tevra_u64("u", 4294967295u)},
        {templ("lu=%lu", ULONG_MAX), tevra_u64("lu", ULONG_MAX)},
        {templ("f=%f", 0.1), tevra_f64("f", 0.1)},
        {templ("lf=%lf", 1e21), tevra_f64("lf", 1e21)},
        {templ("p=%p", static_cast<void *>(&target)), tevra_ptr("p", &target)},
        {templ("lp=%lp", static_cast<void *>(nullptr)), tevra_ptr("lp", nullptr)},
        {templ("b=%b", 2), tevra_bool("b", 2)},
        {templ("lb=%lb", 0), tevra_bool("lb", 0)},
    };
    for (const Case &c : cases) EXPECT_EQ(c.via_template, fields(c.field));

    errno = ENOENT;
    tevra_infof(l.log, "m", "err=%m");
    const std::string via_template = l.take();
    EXPECT_EQ(via_template, fields(tevra_errno("err", ENOENT)));
}

TEST(ConsoleKvfmt, EveryVerbMatchesItsFieldPlain) {
    ConsoleLogger l;
    expect_verbs_match_fields(l);
    tevra_infof(l.log, nullptr, "d=%d u=%u b=%b s=%s", -5, static_cast<unsigned>(-1), 2,
                static_cast<const char *>(nullptr));
    EXPECT_EQ(l.take(), "INF d=-5 u=4294967295 b=true s=");
}

TEST(ConsoleKvfmt, EveryVerbMatchesItsFieldColoured) {
    ConsoleLogger l(tevra_test::colored());
    expect_verbs_match_fields(l);
    errno = EACCES;
    tevra_infof(l.log, nullptr, "e=%m");
    char text[128];
    tevra_errno_string(EACCES, text, sizeof text);
    EXPECT_EQ(l.take(), kInfo + "INF" + kReset +
                                 group("e", kError, "\"" + std::string(text) + "\"") +
                                 kReset);
}

TEST(ConsoleKvfmt, ErrnoVerbReadsNoArgument) {
    ConsoleLogger l;
    char text[128];
    tevra_errno_string(EACCES, text, sizeof text);
    errno = EACCES;
    tevra_infof(l.log, nullptr, "a=%m b=%d c=%s", 5, "six");
    EXPECT_EQ(l.take(), "INF a=\"" + std::string(text) + "\" b=5 c=six");
}

TEST(ConsoleKvfmt, TemplateWithoutItemsGivesTheFieldlessLine) {
    ConsoleLogger l([](tevra_config &cfg) { cfg.level_field = 1; });
    tevra_info(l.log, "m", nullptr, 0);
    const std::string expected = l.take();
    EXPECT_EQ(expected, "INF m loglevel=debug");
    tevra_infof(l.log, "m", "");
    EXPECT_EQ(l.take(), expected);
    tevra_infof(l.log, "m", "   ");
    EXPECT_EQ(l.take(), expected);
    tevra_infof(l.log, "m", nullptr);
    EXPECT_EQ(l.take(), expected);
    emit_kvfmt(l.log->state, "m", nullptr);
    EXPECT_EQ(l.take(), expected);
    tevra_kvfmt_layout empty{};
    emit_kvfmt(l.log->state, "m", &empty);
    EXPECT_EQ(l.take(), expected);
}

TEST(ConsoleKvfmt, PairsSitBetweenBoundFieldsAndLoglevel) {
    ConsoleLogger l([](tevra_config &cfg) {
        cfg.level = TEVRA_LEVEL_WARN;
        cfg.level_field = 1;
    });
    const tevra_field bound = tevra_str("svc", "api");
    tevra_logger *child = tevra_with(l.log, &bound, 1);
    ASSERT_NE(child, nullptr);
    tevra_errorf(child, "failed", "attempt=%d", 3);
    EXPECT_EQ(l.take(), "ERR failed svc=api attempt=3 loglevel=warn");
    child->destroy(child);
}

TEST(ConsoleKvfmt, KeyTooLongForAStoredLeadInIsRenderedInPlace) {
    const std::string key(200, 'k');
    const std::string templ = key + "=%d";
    ConsoleLogger plain;
    tevra_infof(plain.log, nullptr, templ.c_str(), 1);
    EXPECT_EQ(plain.take(), "INF " + key + "=1");
    ConsoleLogger coloured(tevra_test::colored());
    tevra_infof(coloured.log, nullptr, templ.c_str(), 1);
    EXPECT_EQ(coloured.take(), kInfo + "INF" + kReset + group(key, kNumber, "1") + kReset);
}

TEST(ConsoleKvfmt, KeysThatAreNotUtf8KeepTheirBytesAlsoWhenBound) {
    for (bool colour : {false, true}) {
        ConsoleLogger l([colour](tevra_config &cfg) {
            if (colour) cfg.color = TEVRA_COLOR_ALWAYS;
        });
        tevra_infof(l.log, "m", "caf\xe9=%d", 1);
        const std::string from_template = l.take();
        if (!colour) {
            EXPECT_EQ(from_template, "INF m caf\xe9=1");
        }
        tevra_logger *child = tevra_withf(l.log, "caf\xe9=%d", 1);
        ASSERT_NE(child, nullptr);
        tevra_info(child, "m", nullptr, 0);
        EXPECT_EQ(l.take(), from_template) << colour;
        child->destroy(child);
    }
}

TEST(ConsoleKvfmt, EmitIgnoresMissingState) {
    emit_kvfmt(nullptr, "x", nullptr);
    tevra_logger_state empty{};
    emit_kvfmt(&empty, "x", nullptr);
}

}  // namespace

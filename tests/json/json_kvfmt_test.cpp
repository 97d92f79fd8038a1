#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <tevra.h>

#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstring>
#include <functional>
#include <limits>
#include <string>

#include "support/logger.hpp"

namespace {

using tevra_test::Logger;

constexpr double kInf = std::numeric_limits<double>::infinity();

void emit(const tevra_logger_state *state, const char *msg, const tevra_kvfmt_layout *layout, ...) {
    va_list args;
    va_start(args, layout);
    tevra_emit_json_kvfmt(state, TEVRA_LEVEL_INFO, msg, layout, 0, args);
    va_end(args);
}

TEST(JsonKvfmt, TemplateItemsBecomeMembersInOrder) {
    Logger t;
    errno = ENOENT;
    tevra_warnf(t.log, "login failed", "user=%s attempts=%d ok=%b err=%m", "ann", 3, 0);
    EXPECT_EQ(t.take(), std::string(R"({"lvl":"warn","msg":"login failed","user":"ann","attempts":3,)"
                                    R"("ok":false,"err":")") +
                            std::strerror(ENOENT) + "\"}");
}

struct VerbCase {
    const char *name;
    std::function<void(tevra_logger *)> with_template;
    tevra_field field;
};

// Each template call must write the line its field twin writes.
void expect_template_matches_fields(Logger &t) {
    static int target;
    const VerbCase cases[] = {
        {"s", [](tevra_logger *l) { tevra_infof(l, "m", "v=%s", "ann"); }, tevra_str("v", "ann")},
        {"s utf8", [](tevra_logger *l) { tevra_infof(l, "m", "v=%ls", "caf\xc3\xa9"); },
         tevra_str("v", "caf\xc3\xa9")},
        {"s escaped", [](tevra_logger *l) { tevra_infof(l, "m", "v=%s", "a\"b\n"); },
         tevra_str("v", "a\"b\n")},
        {"s null", [](tevra_logger *l) { tevra_infof(l, "m", "v=%s", static_cast<char *>(nullptr)); },
         tevra_str("v", nullptr)},
        {"d", [](tevra_logger *l) { tevra_infof(l, "m", "v=%d", INT_MIN); }, tevra_i64("v", INT_MIN)},
        {"ld", [](tevra_logger *l) { tevra_infof(l, "m", "v=%ld", LONG_MIN); }, tevra_i64("v", LONG_MIN)},
        {"u", [](tevra_logger *l) { tevra_infof(l, "m", "v=%u", UINT_MAX); }, tevra_u64("v", UINT_MAX)},
        {"lu", [](tevra_logger *l) { tevra_infof(l, "m", "v=%lu", ULONG_MAX); },
         tevra_u64("v", ULONG_MAX)},
        {"f", [](tevra_logger *l) { tevra_infof(l, "m", "v=%f", 2.5); }, tevra_f64("v", 2.5)},
        {"lf inf", [](tevra_logger *l) { tevra_infof(l, "m", "v=%lf", -kInf); }, tevra_f64("v", -kInf)},
        {"f nan", [](tevra_logger *l) { tevra_infof(l, "m", "v=%f", __builtin_nan("")); },
         tevra_f64("v", __builtin_nan(""))},
        {"p", [](tevra_logger *l) { tevra_infof(l, "m", "v=%p", static_cast<void *>(&target)); },
         tevra_ptr("v", &target)},
        {"b", [](tevra_logger *l) { tevra_infof(l, "m", "v=%b", 7); }, tevra_bool("v", 7)},
        {"lb", [](tevra_logger *l) { tevra_infof(l, "m", "v=%lb", 0); }, tevra_bool("v", 0)},
        {"m",
         [](tevra_logger *l) {
             errno = EACCES;
             tevra_infof(l, "m", "v=%m");
         },
         tevra_errno("v", EACCES)},
    };
    for (const VerbCase &c : cases) {
        c.with_template(t.log);
        const std::string from_template = t.take();
        tevra_info(t.log, "m", &c.field, 1);
        EXPECT_EQ(from_template, t.take()) << c.name;
        EXPECT_TRUE(nlohmann::json::accept(tevra_test::strip_escapes(from_template)))
            << from_template;
    }
}

TEST(JsonKvfmt, EveryVerbWritesWhatItsFieldWrites) {
    Logger plain;
    expect_template_matches_fields(plain);
    Logger nulls([](tevra_config &cfg) { cfg.non_finite_null = 1; });
    expect_template_matches_fields(nulls);
}

TEST(JsonKvfmt, EveryColouredVerbWritesWhatItsFieldWrites) {
    Logger color(tevra_test::colored());
    expect_template_matches_fields(color);
}

TEST(JsonKvfmt, ErrnoItemsReadNoArgumentAndReportTheSavedValue) {
    Logger t;
    errno = EACCES;
    tevra_infof(t.log, nullptr, "a=%m n=%d b=%m", 5);
    const std::string text = std::strerror(EACCES);
    EXPECT_EQ(t.take(), R"({"lvl":"info","a":")" + text + R"(","n":5,"b":")" + text + "\"}");
}

TEST(JsonKvfmt, NonFiniteDoublesFollowTheNullSetting) {
    Logger words;
    tevra_infof(words.log, nullptr, "a=%f b=%f c=%f", __builtin_nan(""), kInf, -kInf);
    EXPECT_EQ(words.take(), R"({"lvl":"info","a":"NaN","b":"+Inf","c":"-Inf"})");
    Logger nulls([](tevra_config &cfg) { cfg.non_finite_null = 1; });
    tevra_infof(nulls.log, nullptr, "a=%f b=%f", __builtin_nan(""), 0.1);
    EXPECT_EQ(nulls.take(), R"({"lvl":"info","a":null,"b":0.10000000000000001})");
}

TEST(JsonKvfmt, ColouredBoolAndErrnoTakeTheirColours) {
    Logger t(tevra_test::colored());
    errno = 9999;
    tevra_infof(t.log, nullptr, "ok=%b e=%m", 1);
    EXPECT_EQ(t.take(), std::string("{\x1b[36m\"lvl\":\x1b[1;32m\"info\"\x1b[0m,") +
                            "\x1b[36m\"ok\":\x1b[33mtrue\x1b[0m,\x1b[36m\"e\":\x1b[1;31m\"Unknown error 9999\"\x1b[0m}");
}

TEST(JsonKvfmt, LongKeysAreBuiltOnTheFly) {
    const std::string key(200, 'k');
    const std::string tmpl = key + "=%d";
    for (bool color : {false, true}) {
        Logger t([color](tevra_config &cfg) { cfg.color = color ? TEVRA_COLOR_ALWAYS : TEVRA_COLOR_NEVER; });
        tevra_infof(t.log, "m", tmpl.c_str(), 5);
        const std::string from_template = t.take();
        const tevra_field f = tevra_i64(key.c_str(), 5);
        tevra_info(t.log, "m", &f, 1);
        EXPECT_EQ(from_template, t.take()) << color;
        EXPECT_NE(from_template.find("\"" + key + "\":"), std::string::npos);
    }
}

TEST(JsonKvfmt, KeysThatAreNotUtf8AreEscapedPreRenderedOnTheFlyAndBound) {
    // A short key (pre-rendered), one too long for a stored text (built on
    // the fly), and a well-formed UTF-8 key that stays as it is.
    const std::string k130(130, 'k');
    const std::string tmpl = "caf\xe9=%d " + k130 + "\xe9=%d ok\xc3\xa9=%d";
    const std::string expected =
        R"({"lvl":"info","msg":"m","caf\u00e9":1,")" + k130 + R"(\u00e9":2,"ok)" "\xc3\xa9" R"(":3})";
    for (bool color : {false, true}) {
        Logger t(color ? tevra_test::colored() : tevra_test::Logger::Tune{});
        tevra_infof(t.log, "m", tmpl.c_str(), 1, 2, 3);
        const std::string from_template = t.take();
        EXPECT_EQ(tevra_test::strip_escapes(from_template), expected) << color;
        EXPECT_TRUE(nlohmann::json::accept(tevra_test::strip_escapes(from_template)));
        // Bound by a derivation, the keys are written the same way.
        tevra_logger *child = tevra_withf(t.log, tmpl.c_str(), 1, 2, 3);
        ASSERT_NE(child, nullptr);
        tevra_info(child, "m", nullptr, 0);
        EXPECT_EQ(t.take(), from_template) << color;
        child->destroy(child);
    }
}

TEST(JsonKvfmt, LineAroundTheItemsIsTheFieldLine) {
    auto tune = [](tevra_config &cfg) {
        cfg.timestamps = 1;
        cfg.level_field = 1;
        cfg.verbose_fields = 1;
    };
    for (bool color : {false, true}) {
        Logger t([&](tevra_config &cfg) {
            tune(cfg);
            if (color) cfg.color = TEVRA_COLOR_ALWAYS;
        });
        t.use_fixed_clock();
        const tevra_field bound[] = {tevra_str("svc", "api")};
        tevra_logger *child = tevra_with(t.log, bound, 1);
        ASSERT_NE(child, nullptr);
        tevra_errorf(child, "boom", "id=%lu", 77ul);
        const std::string from_template = t.take();
        const tevra_field f = tevra_u64("id", 77);
        tevra_error(child, "boom", &f, 1);
        EXPECT_EQ(from_template, t.take()) << color;
        tevra_errorf(child, "", "");
        const std::string empty = t.take();
        tevra_error(child, nullptr, nullptr, 0);
        EXPECT_EQ(empty, t.take()) << color;
        child->destroy(child);
    }
}

TEST(JsonKvfmt, WithoutLayoutOrStateNothingOfTheTemplateIsWritten) {
    Logger t;
    emit(t.log->state, "m", nullptr, 1, 2);
    EXPECT_EQ(t.take(), R"({"lvl":"info","msg":"m"})");
    emit(nullptr, "m", nullptr);
    tevra_logger_state orphan{};
    emit(&orphan, "m", nullptr);
    EXPECT_EQ(t.sink.text(), "");
}

TEST(JsonKvfmt, ManyItemsThroughASmallBufferStayOneLine) {
    Logger t([](tevra_config &cfg) { cfg.buffer_size = 16; });
    std::string tmpl;
    for (int i = 0; i < 32; ++i) tmpl += "key" + std::to_string(i) + "=%s ";
    const char *v = "a value that is longer than the buffer";
    tevra_infof(t.log, "m", tmpl.c_str(), v, v, v, v, v, v, v, v, v, v, v, v, v, v, v, v, v, v, v,
                v, v, v, v, v, v, v, v, v, v, v, v, v);
    const nlohmann::json j = nlohmann::json::parse(t.take());
    EXPECT_EQ(j.size(), 34u);
    EXPECT_EQ(j["key31"], v);
}

}  // namespace

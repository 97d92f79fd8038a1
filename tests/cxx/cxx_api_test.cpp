// The C++ interface against the C calls it stands for: every tvr:: call
// must write exactly the bytes of the equivalent C call, in JSON and in
// console lines. Built twice, as C++17 and as C++20.
#include <gtest/gtest.h>
#include <tevra.hpp>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "support/capture_sink.hpp"

namespace {

using namespace std::chrono_literals;
using tevra_test::CaptureSink;

// Two loggers alike but for their sinks: one driven through tvr::, one
// through the C functions.
class SameLines : public ::testing::TestWithParam<int> {
  protected:
    SameLines() {
        tevra_config cfg = tevra_test::capture_config(cxx_sink_, GetParam());
        cfg.level = TEVRA_LEVEL_TRACE;
        cxx_ = tvr::logger(cfg);
        cfg.output = c_sink_.output();
        c_ = tevra_new(&cfg);
    }
    ~SameLines() override { c_->destroy(c_); }

    // Both sinks hold the same, non-empty text; then both are cleared.
    void expect_same(const char *what) {
        EXPECT_FALSE(c_sink_.text().empty()) << what;
        EXPECT_EQ(cxx_sink_.text(), c_sink_.text()) << what;
        cxx_sink_.clear();
        c_sink_.clear();
    }

    CaptureSink cxx_sink_;
    CaptureSink c_sink_;
    tvr::logger cxx_{nullptr};
    tevra_logger *c_ = nullptr;
};

TEST_P(SameLines, EveryFieldValueTypeWritesItsCRecord) {
    const std::string user = "ann lee";
    const std::string with_nul("a\0b", 3);
    const std::string_view view = std::string_view("abcdef").substr(1, 3);
    int target = 0;
    const unsigned char digest[] = {0xde, 0xad};
    cxx_.info("values", {{"user", user},
                         {"nul", with_nul},
                         {"view", view},
                         {"literal", "lit"},
                         {"ok", true},
                         {"status", 200},
                         {"small", static_cast<short>(-7)},
                         {"tiny", static_cast<std::int8_t>(-8)},
                         {"byte", static_cast<std::uint8_t>(250)},
                         {"big", -5000000000LL},
                         {"count", 7u},
                         {"huge", 18000000000000000000ull},
                         {"half", 0.5f},
                         {"ratio", 0.1},
                         {"none", nullptr},
                         {"ptr", &target},
                         {"vptr", static_cast<const void *>(&target)},
                         {"digest", tvr::bytes{digest, sizeof digest}},
                         {"err", tvr::errno_value{ENOENT}}});
    const tevra_field fields[] = {tevra_str_n("user", user.data(), user.size()),
                                  tevra_str_n("nul", with_nul.data(), 3),
                                  tevra_str_n("view", view.data(), view.size()),
                                  tevra_str("literal", "lit"),
                                  tevra_bool("ok", 1),
                                  tevra_i64("status", 200),
                                  tevra_i64("small", -7),
                                  tevra_i64("tiny", -8),
                                  tevra_u64("byte", 250),
                                  tevra_i64("big", -5000000000LL),
                                  tevra_u64("count", 7),
                                  tevra_u64("huge", 18000000000000000000ull),
                                  tevra_f64("half", 0.5),
                                  tevra_f64("ratio", 0.1),
                                  tevra_null("none"),
                                  tevra_ptr("ptr", &target),
                                  tevra_ptr("vptr", &target),
                                  tevra_bytes_field("digest", digest, sizeof digest),
                                  tevra_errno("err", ENOENT)};
    tevra_info(c_, "values", fields, std::size(fields));
    expect_same("every value type");
}

TEST_P(SameLines, DurationsAndTimesBecomeTheirCRecords) {
    using namespace std::chrono;
    const system_clock::time_point moment = system_clock::time_point(seconds(1700000000) + 250ms);
    const system_clock::time_point before_1970 = system_clock::time_point(-1500ms);
    cxx_.info("time", {{"took", 18ms},
                       {"back", -1500ms},
                       {"long", 90min},
                       {"frac", duration<double>(1.25)},
                       {"at", moment},
                       {"old", before_1970},
                       {"whole", time_point_cast<seconds>(moment)}});
    const tevra_field fields[] = {tevra_duration_field("took", tevra_duration{0, 18000000}),
                                  tevra_duration_field("back", tevra_duration{-1, -500000000}),
                                  tevra_duration_field("long", tevra_duration{5400, 0}),
                                  tevra_duration_field("frac", tevra_duration{1, 250000000}),
                                  tevra_time_field("at", tevra_time{1700000000, 250000000, 0}),
                                  tevra_time_field("old", tevra_time{-2, 500000000, 0}),
                                  tevra_time_field("whole", tevra_time{1700000000, 0, 0})};
    tevra_info(c_, "time", fields, std::size(fields));
    expect_same("durations and times");
}

#if __cplusplus >= 202002L
TEST_P(SameLines, ByteSpansAreByteFields) {
    const std::byte raw[] = {std::byte{1}, std::byte{0xab}};
    cxx_.info("span",
              {{"raw", std::span<const std::byte>(raw)}, {"fixed", std::span<const std::byte, 2>(raw)}});
    const tevra_field fields[] = {tevra_bytes_field("raw", raw, 2), tevra_bytes_field("fixed", raw, 2)};
    tevra_info(c_, "span", fields, 2);
    expect_same("spans");
}
#endif

TEST_P(SameLines, EveryLevelAndMessageForm) {
    const std::string msg = "from a std::string";
    cxx_.trace("t", {{"n", 1}});
    cxx_.debug(msg);
    cxx_.info(nullptr);
    cxx_.warn("w", {});
    cxx_.error("e", {{"n", 2}});
    cxx_.log(tvr::level::nolevel, msg, {{"n", 3}});
    cxx_.log(tvr::level::panic, "no exit through log");
    const tevra_field one = tevra_i64("n", 1), two = tevra_i64("n", 2), three = tevra_i64("n", 3);
    tevra_trace(c_, "t", &one, 1);
    tevra_debug(c_, msg.c_str(), nullptr, 0);
    tevra_info(c_, nullptr, nullptr, 0);
    tevra_warn(c_, "w", nullptr, 0);
    tevra_error(c_, "e", &two, 1);
    tevra_fields(c_, TEVRA_LEVEL_NOLEVEL, msg.c_str(), &three, 1);
    tevra_fields(c_, TEVRA_LEVEL_PANIC, "no exit through log", nullptr, 0);
    expect_same("levels");
}

TEST_P(SameLines, TemplateCallsPassWhatEachVerbReads) {
    const std::string name = "ann";
    char buffer[] = "buf";
    int target = 0;
    const short small = -3;
    const unsigned char octet = 200;
    const long long wide = -5000000000LL;
    const unsigned long long uwide = 18000000000000000000ull;
    errno = EACCES;
    cxx_.infof("login", "user=%s attempts=%d ok=%b err=%m", name, 3, true);
    errno = EACCES;
    tevra_infof(c_, "login", "user=%s attempts=%d ok=%b err=%m", name.c_str(), 3, 1);
    expect_same("the example");

    cxx_.warnf(name, "s=%s b=%s d=%d u=%u ld=%ld lu=%lu f=%f g=%f p=%p q=%p i=%b", "lit", buffer, small,
               octet, wide, uwide, 0.5f, 2.5, &target, name.c_str(), 7);
    tevra_warnf(c_, name.c_str(), "s=%s b=%s d=%d u=%u ld=%ld lu=%lu f=%f g=%f p=%p q=%p i=%b", "lit",
                buffer, static_cast<int>(small), static_cast<int>(octet), static_cast<long>(wide),
                static_cast<unsigned long>(uwide), 0.5, 2.5, static_cast<void *>(&target), name.c_str(), 7);
    expect_same("every verb");

    cxx_.tracef("t", "n=%u", 4u);
    cxx_.debugf("d", "");
    cxx_.errorf("e", "n=%lu", 9ul);
    cxx_.logf(tvr::level::warn, "l", "n=%d", 5);
    cxx_.infof("no template", nullptr);
    tevra_tracef(c_, "t", "n=%u", 4u);
    tevra_debugf(c_, "d", "");
    tevra_errorf(c_, "e", "n=%lu", 9ul);
    tevra_warnf(c_, "l", "n=%d", 5);
    tevra_infof(c_, "no template", nullptr);
    expect_same("every level");
}

TEST_P(SameLines, DerivedLoggersMatchTheCDerivations) {
    const std::string id = "7f3a";
    tvr::logger bound = cxx_.with({{"service", "api"}, {"id", id}});
    tvr::logger formatted = bound.withf("request_id=%s try=%d", id, 2);
    tvr::logger quiet = formatted.with_level(tvr::level::warn);
    tvr::logger tagged = quiet.with_level_field();
    ASSERT_TRUE(bound && formatted && quiet && tagged);
    bound.info("bound");
    formatted.info("formatted");
    quiet.info("dropped");
    tagged.warn("tagged", {{"n", 1}});

    const tevra_field fields[] = {tevra_str("service", "api"), tevra_str_n("id", id.data(), id.size())};
    tevra_logger *c_bound = tevra_with(c_, fields, 2);
    tevra_logger *c_formatted = tevra_withf(c_bound, "request_id=%s try=%d", id.c_str(), 2);
    tevra_logger *c_quiet = tevra_with_level(c_formatted, TEVRA_LEVEL_WARN);
    tevra_logger *c_tagged = tevra_with_level_field(c_quiet);
    tevra_info(c_bound, "bound", nullptr, 0);
    tevra_info(c_formatted, "formatted", nullptr, 0);
    tevra_info(c_quiet, "dropped", nullptr, 0);
    const tevra_field n = tevra_i64("n", 1);
    tevra_warn(c_tagged, "tagged", &n, 1);
    for (tevra_logger *l : {c_tagged, c_quiet, c_formatted, c_bound}) l->destroy(l);
    expect_same("derived loggers");
}

INSTANTIATE_TEST_SUITE_P(Modes, SameLines, ::testing::Values(TEVRA_MODE_JSON, TEVRA_MODE_CONSOLE),
                         [](const ::testing::TestParamInfo<int> &info) {
                             return std::string(info.param == TEVRA_MODE_JSON ? "Json" : "Console");
                         });

TEST(CxxLogger, OwnsItsHandleAndMovesIt) {
    CaptureSink sink;
    tevra_config cfg = tevra_test::capture_config(sink);
    cfg.output = sink.output(true);
    tvr::logger a(cfg);
    ASSERT_TRUE(a);
    tevra_logger *handle = a.get();
    tvr::logger b = std::move(a);
    EXPECT_FALSE(a);
    EXPECT_EQ(b.get(), handle);
    a.info("ignored by an empty logger", {{"n", 1}});
    a.infof("ignored", "n=%d", 1);
    EXPECT_FALSE(a.with({{"n", 1}}));
    b.info("kept");
    a = std::move(b);
    EXPECT_EQ(a.get(), handle);

    tevra_logger *released = a.release();
    EXPECT_FALSE(a);
    tvr::logger adopted(released);
    EXPECT_EQ(adopted.close(), 0);
    EXPECT_EQ(sink.close_calls(), 1);
    adopted.info("after close");
    EXPECT_EQ(sink.lines(), std::vector<std::string>{R"({"lvl":"info","msg":"kept"})"});
}

TEST(CxxLogger, FromEnvReadsItsPrefix) {
    setenv("TVRTEST_MODE", "json", 1);
    setenv("TVRTEST_DISABLE_TIMESTAMP", "1", 1);
    CaptureSink sink;
    tevra_config base = tevra_test::capture_config(sink, TEVRA_MODE_CONSOLE);
    tvr::logger log = tvr::logger::from_env("TVRTEST_", &base);
    log.info("env");
    EXPECT_EQ(sink.lines(), std::vector<std::string>{R"({"lvl":"info","msg":"env"})"});
    unsetenv("TVRTEST_MODE");
    unsetenv("TVRTEST_DISABLE_TIMESTAMP");
    EXPECT_TRUE(tvr::logger());
}

TEST(CxxLogger, ManyThreadsShareOneLogger) {
    CaptureSink sink;
    const tvr::logger log(tevra_test::capture_config(sink));
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&log, t] {
            const tvr::logger child = log.with({{"thread", t}});
            for (int i = 0; i < 200; ++i) child.infof("tick", "i=%d", i);
        });
    }
    for (std::thread &t : threads) t.join();
    const std::vector<std::string> lines = sink.lines();
    EXPECT_EQ(lines.size(), 800u);
    for (const std::string &l : lines) EXPECT_EQ(l.rfind(R"({"lvl":"info","msg":"tick","thread":)", 0), 0u) << l;
}

TEST(CxxLoggerDeathTest, FatalAndPanicEndTheProcessEvenWithoutAHandle) {
    CaptureSink sink;
    const tvr::logger log(tevra_test::capture_config(sink));
    const tvr::logger empty(nullptr);
    EXPECT_EXIT(log.fatal("bye", {{"n", 1}}), ::testing::ExitedWithCode(1), "");
    EXPECT_EXIT(empty.fatal("bye"), ::testing::ExitedWithCode(1), "");
    EXPECT_EXIT(empty.fatalf("bye", "n=%d", 1), ::testing::ExitedWithCode(1), "");
    EXPECT_DEATH(log.panicf("boom", "n=%d", 1), "");
    EXPECT_DEATH(empty.panic("boom"), "");
}

}  // namespace

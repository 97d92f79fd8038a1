#include <gtest/gtest.h>
#include <tevra.h>

#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstring>

#include "core/shared.hpp"
#include "support/alloc_hook.hpp"
#include "support/capture_sink.hpp"
#include "support/logger.hpp"

namespace {

using tevra_test::CaptureSink;
using tevra_test::new_logger;
using tevra_test::owning_output;

TEST(LevelNames, KnownCodesHaveNamesAndEverythingElseIsInfo) {
    EXPECT_STREQ(tevra_level_string(-1), "trace");
    EXPECT_STREQ(tevra_level_string(6), "nolevel");
    EXPECT_STREQ(tevra_level_string(127), "disabled");
    for (int code : {7, -2, 100, 126, 128}) {
        EXPECT_STREQ(tevra_level_string(code), "info") << code;
        EXPECT_EQ(tevra_level_string_len(code), 4u) << code;
    }
    for (int code = -1; code <= 6; ++code) {
        EXPECT_EQ(tevra_level_string_len(code), std::strlen(tevra_level_string(code)));
    }
    EXPECT_EQ(tevra_level_string_len(127), 8u);
}

TEST(DefaultConfig, FillsTheDocumentedDefaults) {
    tevra_config cfg;
    std::memset(&cfg, 0x5A, sizeof cfg);
    tevra_default_config(&cfg);
    EXPECT_EQ(cfg.mode, TEVRA_MODE_CONSOLE);
    EXPECT_EQ(cfg.color, TEVRA_COLOR_AUTO);
    EXPECT_EQ(cfg.buffer_size, 1024u);
    EXPECT_EQ(cfg.level, TEVRA_LEVEL_DEBUG);
    EXPECT_EQ(cfg.timestamps, 1);
    EXPECT_EQ(cfg.utc, 0);
    EXPECT_EQ(cfg.time_format, nullptr);
    EXPECT_EQ(cfg.palette, tevra_palette_default());
    EXPECT_EQ(cfg.output.write, &tevra_file_write);
    EXPECT_EQ(cfg.output.close, nullptr);
    EXPECT_EQ(cfg.output.user_data, stdout);
    EXPECT_EQ(cfg.output.owns, 0);
    tevra_default_config(nullptr);
}

TEST(NewLogger, NullConfigGivesConsoleDebugLoggerOnStandardOutput) {
    tevra_logger *log = tevra_new(nullptr);
    ASSERT_NE(log, nullptr);
    tevra_shared *s = tevra_test::shared_of(log);
    EXPECT_EQ(s->mode, TEVRA_MODE_CONSOLE);
    EXPECT_EQ(log->state->level, TEVRA_LEVEL_DEBUG);
    EXPECT_EQ(s->timestamps, 1);
    EXPECT_EQ(s->output.user_data, stdout);
    EXPECT_EQ(s->color, isatty(fileno(stdout)) ? 1 : 0);
    EXPECT_EQ(tevra_test::refcount(log), 1u);
    EXPECT_NE(tevra_test::kvfmt_index(s), nullptr);
    EXPECT_EQ(log->state->closes_output, 0);
    log->destroy(log);
}

TEST(NewLogger, FillsEverySlotWithTheLibrarysOwnFunctions) {
    tevra_logger *log = tevra_new(nullptr);
    EXPECT_EQ(log->close, &tevra_logger_close);
    EXPECT_EQ(log->destroy, &tevra_logger_destroy);
    EXPECT_EQ(log->with, &tevra_logger_with);
    EXPECT_EQ(log->withf, &tevra_logger_withf);
    EXPECT_EQ(log->with_level, &tevra_logger_with_level);
    EXPECT_EQ(log->with_level_field, &tevra_logger_with_level_field);
    EXPECT_EQ(log->log, &tevra_logger_log);
    EXPECT_EQ(log->trace, &tevra_logger_trace);
    EXPECT_EQ(log->info, &tevra_logger_info);
    EXPECT_EQ(log->panic, &tevra_logger_panic);
    EXPECT_EQ(log->logf, &tevra_logger_logf);
    EXPECT_EQ(log->tracef, &tevra_logger_tracef);
    EXPECT_EQ(log->errorf, &tevra_logger_errorf);
    EXPECT_EQ(log->panicf, &tevra_logger_panicf);
    log->destroy(log);
}

TEST(NewLogger, CopiesAndNormalisesTheSettings) {
    CaptureSink sink;
    tevra_config cfg = tevra_test::capture_config(sink);
    cfg.buffer_size = 0;
    cfg.non_finite_null = 2;
    cfg.palette = nullptr;
    cfg.level = 42;
    cfg.level_field = 5;
    char format[] = "RFC3339";
    cfg.time_format = format;
    tevra_logger *log = tevra_new(&cfg);
    ASSERT_NE(log, nullptr);
    tevra_shared *s = tevra_test::shared_of(log);
    EXPECT_EQ(s->buffer_size, 1024u);
    EXPECT_EQ(s->non_finite_null, 0);
    EXPECT_EQ(s->palette, tevra_palette_default());
    EXPECT_EQ(log->state->level, 42);
    EXPECT_EQ(log->state->level_field, 1);
    format[0] = 'X';  // the logger keeps its own copy
    EXPECT_STREQ(s->time_format, "RFC3339");
    EXPECT_EQ(s->ts_cacheable, 1);
    EXPECT_EQ(s->color_lens[tev::kReset], std::strlen(tevra_palette_default()->reset));
    EXPECT_EQ(s->color_lens[tev::kNolevelColor], std::strlen(tevra_palette_default()->null_color));
    log->destroy(log);
}

TEST(NewLogger, OnlyRfc3339NanoDisablesTheTimestampCache) {
    for (auto [format, cacheable] : {std::pair<const char *, int>{"RFC3339Nano", 0},
                                     {"RFC3339", 1}, {"%H:%M", 1}, {nullptr, 1}, {"rfc3339nano", 1}}) {
        tevra_config cfg;
        tevra_default_config(&cfg);
        cfg.time_format = format;
        tevra_logger *log = tevra_new(&cfg);
        EXPECT_EQ(tevra_test::shared_of(log)->ts_cacheable, cacheable) << (format ? format : "(null)");
        log->destroy(log);
    }
}

TEST(NewLogger, OutputWithoutWriteBecomesUnownedStandardOutput) {
    CaptureSink sink;
    tevra_config cfg = tevra_test::capture_config(sink);
    cfg.output = sink.output(true);
    cfg.output.write = nullptr;
    tevra_logger *log = tevra_new(&cfg);
    tevra_shared *s = tevra_test::shared_of(log);
    EXPECT_EQ(s->output.write, &tevra_file_write);
    EXPECT_EQ(s->output.user_data, stdout);
    EXPECT_EQ(s->output.owns, 0);
    EXPECT_EQ(s->output.close, nullptr);
    EXPECT_EQ(tevra_close(log), 0);
    log->destroy(log);
    EXPECT_EQ(sink.close_calls(), 0);
}

TEST(NewLogger, ColourPolicyAsksTheSinkOnlyWhenAutomatic) {
    CaptureSink sink;
    sink.isatty_result = 1;
    struct Case {
        int policy;
        bool has_isatty;
        int want;
    };
    for (Case c : {Case{TEVRA_COLOR_AUTO, true, 1}, Case{3, true, 1}, Case{TEVRA_COLOR_AUTO, false, 0},
                   Case{TEVRA_COLOR_NEVER, true, 0}, Case{TEVRA_COLOR_ALWAYS, false, 1}}) {
        tevra_config cfg = tevra_test::capture_config(sink);
        cfg.color = c.policy;
        if (!c.has_isatty) cfg.output.isatty = nullptr;
        tevra_logger *log = tevra_new(&cfg);
        EXPECT_EQ(tevra_test::shared_of(log)->color, c.want) << c.policy << " " << c.has_isatty;
        log->destroy(log);
    }
}

TEST(LevelFilter, MinimumLevelsFilterAsDocumented) {
    CaptureSink sink;
    tevra_logger *log = new_logger(sink);
    tevra_logger_state *st = log->state;
    auto passes = [&](int minimum, int level) {
        st->level = minimum;
        return tevra_should_log(st, level);
    };
    for (int level = -1; level <= 6; ++level) {
        EXPECT_EQ(passes(127, level), 0);
        EXPECT_EQ(passes(-1, level), 1);
        EXPECT_EQ(passes(6, level), level >= 1 ? 1 : 0) << level;
    }
    for (int minimum : {-1, 0, 1, 2, 3, 4, 5, 6, 42}) EXPECT_EQ(passes(minimum, 6), minimum <= 6 ? 1 : 0);
    EXPECT_EQ(passes(3, 2), 0);
    EXPECT_EQ(passes(3, 3), 1);
    EXPECT_EQ(tevra_should_log(nullptr, 3), 0);
    tevra_logger_state orphan = *st;
    orphan.shared = nullptr;
    EXPECT_EQ(tevra_should_log(&orphan, 3), 0);
    log->destroy(log);
}

TEST(CloseLogger, OwnedSinkIsClosedOnceAndTheResultRepeated) {
    CaptureSink sink;
    sink.close_result = 28;
    tevra_logger *log = new_logger(sink, TEVRA_MODE_JSON, owning_output());
    tevra_logger *child = tevra_with_level(log, TEVRA_LEVEL_INFO);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(tevra_close(child), 0);
    EXPECT_EQ(sink.close_calls(), 0);
    EXPECT_EQ(tevra_should_log(child->state, TEVRA_LEVEL_ERROR), 1);
    EXPECT_EQ(log->close(log), 28);
    EXPECT_EQ(tevra_close(log), 28);
    EXPECT_EQ(tevra_close(child), 28);
    EXPECT_EQ(sink.close_calls(), 1);
    for (int level = -1; level <= 6; ++level) {
        EXPECT_EQ(tevra_should_log(log->state, level), 0);
        EXPECT_EQ(tevra_should_log(child->state, level), 0);
    }
    child->destroy(child);
    log->destroy(log);
    EXPECT_EQ(sink.close_calls(), 1);
    EXPECT_EQ(tevra_close(nullptr), 0);
}

TEST(CloseLogger, UnownedSinkIsNeverClosedAndKeepsReceivingLines) {
    CaptureSink sink;
    tevra_logger *log = new_logger(sink);
    EXPECT_EQ(tevra_close(log), 0);
    EXPECT_EQ(tevra_should_log(log->state, TEVRA_LEVEL_INFO), 1);
    tevra_info(log, "still here", nullptr, 0);
    log->destroy(log);
    EXPECT_EQ(sink.close_calls(), 0);
    EXPECT_EQ(sink.lines(), std::vector<std::string>{R"({"lvl":"info","msg":"still here"})"});
}

TEST(DestroyLogger, SinkStaysOpenUntilTheLastLoggerOfTheTreeGoes) {
    CaptureSink sink;
    tevra_logger *root = new_logger(sink, TEVRA_MODE_JSON, owning_output());
    tevra_logger *child = tevra_with_level_field(root);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(tevra_test::refcount(root), 2u);
    root->destroy(root);
    EXPECT_EQ(sink.close_calls(), 0);
    tevra_warn(child, "after root", nullptr, 0);
    EXPECT_EQ(sink.lines().size(), 1u);
    child->destroy(child);
    EXPECT_EQ(sink.close_calls(), 1);
    tevra_logger_destroy(nullptr);
}

TEST(SharedRecord, RetainAndReleaseCountReferences) {
    CaptureSink sink;
    tevra_logger *log = new_logger(sink, TEVRA_MODE_JSON, owning_output());
    tevra_shared *s = tevra_test::shared_of(log);
    EXPECT_EQ(tevra_retain_shared(s), 0);
    EXPECT_EQ(tevra_test::refcount(log), 2u);
    tevra_release_shared(s);
    EXPECT_EQ(tevra_test::refcount(log), 1u);
    EXPECT_EQ(tevra_retain_shared(nullptr), 0);
    tevra_release_shared(nullptr);
    EXPECT_EQ(tevra_close_shared(nullptr, 1), 0);
    EXPECT_EQ(tevra_allocate_logger(nullptr), nullptr);
    log->destroy(log);
    EXPECT_EQ(sink.close_calls(), 1);
}

TEST(NewLoggerAllocation, EveryFailedAllocationGivesNullAndLeaksNothing) {
    for (const char *format : {static_cast<const char *>(nullptr), "RFC3339"}) {
        CaptureSink sink;
        tevra_config cfg = tevra_test::capture_config(sink);
        cfg.output = sink.output(true);
        cfg.time_format = format;
        const long before = tevra_test::AllocationCount();
        tevra_logger *probe = tevra_new(&cfg);
        const long allocations = tevra_test::AllocationCount() - before;
        probe->destroy(probe);
        ASSERT_GE(allocations, 4);
        int closes = sink.close_calls();
        for (long n = 1; n <= allocations; ++n) {
            const long live = tevra_test::LiveAllocations();
            tevra_test::FailAllocation(n);
            tevra_logger *log = tevra_new(&cfg);
            tevra_test::FailAllocation(0);
            if (log != nullptr) {
                // Only the template index may fail silently.
                EXPECT_EQ(tevra_test::kvfmt_index(tevra_test::shared_of(log)), nullptr) << n;
                log->destroy(log);
            }
            EXPECT_EQ(tevra_test::LiveAllocations(), live) << "allocation " << n;
            // Failed or destroyed, the owned sink is closed exactly once.
            EXPECT_EQ(sink.close_calls(), closes + 1) << "allocation " << n;
            closes = sink.close_calls();
        }
        EXPECT_GE(closes, 1);  // failures after the settings copy close the owned sink
    }
}

TEST(EntryPoints, NullHandlesReturnWithoutEffect) {
    tevra_info(nullptr, "x", nullptr, 0);
    tevra_fields(nullptr, 3, "x", nullptr, 0);
    tevra_fatal(nullptr, "x", nullptr, 0);
    tevra_panic(nullptr, "x", nullptr, 0);
    tevra_infof(nullptr, "x", "a=%d", 1);
    tevra_fatalf(nullptr, "x", "a=%d", 1);
    tevra_panicf(nullptr, "x", "a=%d", 1);
    tevra_log_impl(nullptr, 1, "x", nullptr, 0);
    tevra_logger empty{};
    tevra_log_impl(&empty, 1, "x", nullptr, 0);
    SUCCEED();
}

TEST(EntryPoints, NolevelLineIsWrittenByEveryMinimumButDisabled) {
    CaptureSink sink;
    tevra_logger *log = new_logger(sink);
    log->state->level = TEVRA_LEVEL_PANIC;
    tevra_fields(log, TEVRA_LEVEL_NOLEVEL, "plain", nullptr, 0);
    tevra_fields(log, TEVRA_LEVEL_ERROR, "dropped", nullptr, 0);
    log->state->level = TEVRA_LEVEL_DISABLED;
    tevra_fields(log, TEVRA_LEVEL_NOLEVEL, "silenced", nullptr, 0);
    log->destroy(log);
    EXPECT_EQ(sink.lines(), std::vector<std::string>{R"({"lvl":"nolevel","msg":"plain"})"});
}

TEST(EntryPoints, ExportedCallsAndSlotsWriteTheSameLines) {
    CaptureSink sink;
    tevra_logger *log = new_logger(sink);
    log->state->level = TEVRA_LEVEL_TRACE;
    tevra_field f = tevra_i64("n", 1);
    tevra_trace(log, "m", &f, 1);
    log->trace(log, "m", &f, 1);
    tevra_error(log, "m", &f, 1);
    log->log(log, TEVRA_LEVEL_ERROR, "m", &f, 1);
    tevra_errorf(log, "m", "n=%d", 1);
    log->errorf(log, "m", "n=%d", 1);
    log->logf(log, TEVRA_LEVEL_TRACE, "m", "n=%d", 1);
    log->destroy(log);
    const std::string trace = R"({"lvl":"trace","msg":"m","n":1})";
    const std::string error = R"({"lvl":"error","msg":"m","n":1})";
    EXPECT_EQ(sink.lines(), (std::vector<std::string>{trace, trace, error, error, error, error, trace}));
}

TEST(EntryPoints, EveryTemplateCallAndItsSlotWriteTheirOwnLevel) {
    using Call = void (*)(tevra_logger *, const char *, const char *, ...);
    struct Case {
        Call exported;
        Call slot;
        const char *name;
    };
    const Case cases[] = {{tevra_tracef, tevra_logger_tracef, "trace"},
                          {tevra_debugf, tevra_logger_debugf, "debug"},
                          {tevra_infof, tevra_logger_infof, "info"},
                          {tevra_warnf, tevra_logger_warnf, "warn"},
                          {tevra_errorf, tevra_logger_errorf, "error"}};
    for (const Case &c : cases) {
        CaptureSink sink;
        tevra_logger *log = new_logger(sink);
        log->state->level = TEVRA_LEVEL_TRACE;
        c.exported(log, "m", "n=%d", 1);
        c.slot(log, "m", "n=%d", 1);
        log->destroy(log);
        const std::string line = std::string(R"({"lvl":")") + c.name + R"(","msg":"m","n":1})";
        EXPECT_EQ(sink.lines(), (std::vector<std::string>{line, line})) << c.name;
    }
}

TEST(EntryPoints, AfterTheRootClosesItsSinkNoLoggerOfTheTreeWrites) {
    CaptureSink sink;
    tevra_logger *log = new_logger(sink, TEVRA_MODE_JSON, owning_output());
    tevra_logger *child = tevra_with_level(log, TEVRA_LEVEL_TRACE);
    tevra_close(log);
    tevra_error(log, "x", nullptr, 0);
    tevra_error(child, "x", nullptr, 0);
    tevra_errorf(child, "x", "a=%d", 1);
    EXPECT_TRUE(sink.text().empty());
    child->destroy(child);
    log->destroy(log);
}

void expect_exit(void (*call)(tevra_logger *), bool want_abort) {
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        // Static, so the leak checker sees them reachable when the call ends
        // the process.
        static CaptureSink sink;
        static tevra_logger *log;
        log = new_logger(sink);
        log->state->level = TEVRA_LEVEL_DISABLED;
        call(log);
        _exit(77);  // not reached when the call ends the process
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    if (want_abort) {
        ASSERT_TRUE(WIFSIGNALED(status));
        EXPECT_EQ(WTERMSIG(status), SIGABRT);
    } else {
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 1);
    }
}

TEST(EntryPoints, FatalExitsWithStatusOneAndPanicAbortsEvenWhenFiltered) {
    expect_exit([](tevra_logger *log) { tevra_fatal(log, "bye", nullptr, 0); }, false);
    expect_exit([](tevra_logger *log) { log->fatal(log, "bye", nullptr, 0); }, false);
    expect_exit([](tevra_logger *log) { tevra_fatalf(log, "bye", "a=%d", 1); }, false);
    expect_exit([](tevra_logger *log) { log->fatalf(log, "bye", nullptr); }, false);
    expect_exit([](tevra_logger *log) { tevra_panic(log, "bye", nullptr, 0); }, true);
    expect_exit([](tevra_logger *log) { log->panic(log, "bye", nullptr, 0); }, true);
    expect_exit([](tevra_logger *log) { tevra_panicf(log, "bye", "a=%d", 1); }, true);
    expect_exit([](tevra_logger *log) { log->panicf(log, "bye", nullptr); }, true);
    // Unlike the exported calls, the template slots end the process even
    // without a handle.
    expect_exit([](tevra_logger *) { tevra_logger_fatalf(nullptr, "bye", "a=%d", 1); }, false);
    expect_exit([](tevra_logger *) { tevra_logger_panicf(nullptr, "bye", "a=%d", 1); }, true);
}

}  // namespace

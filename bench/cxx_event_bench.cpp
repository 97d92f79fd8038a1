// The events of log_event_bench.cpp written through the C++ interface, to
// set beside their C twins (BM_JsonFields and BM_CxxJsonFields, ...): a
// tvr:: call must cost what the C call costs.
#include <benchmark/benchmark.h>
#include <tevra.hpp>

#include <string>

#include "bench_logger.hpp"

namespace {

tvr::logger cxx_logger(int mode, int color) { return tvr::logger(bench::make_logger(mode, color)); }

void fields_event(benchmark::State &state, int mode, int color) {
    const tvr::logger log = cxx_logger(mode, color);
    for (auto _ : state) {
        log.info("request done", {{"user", "alice"},
                                  {"status", 200},
                                  {"cached", true},
                                  {"ratio", 0.75},
                                  {"path", "/cart/items"}});
    }
}

void template_event(benchmark::State &state, int mode, int color) {
    const tvr::logger log = cxx_logger(mode, color);
    for (auto _ : state) {
        log.infof("request done", "user=%s status=%d cached=%b ratio=%f path=%s", "alice", 200, true, 0.75,
                  "/cart/items");
    }
}

// std::string values go through tevra_str_n on both sides.
void BM_StringFields(benchmark::State &state) {
    tevra_logger *log = bench::make_logger(TEVRA_MODE_JSON, TEVRA_COLOR_NEVER);
    const std::string user = "alice", path = "/cart/items";
    for (auto _ : state) {
        tevra_field fields[2] = {tevra_str_n("user", user.data(), user.size()),
                                 tevra_str_n("path", path.data(), path.size())};
        tevra_info(log, "request done", fields, 2);
    }
    log->destroy(log);
}

void BM_CxxStringFields(benchmark::State &state) {
    const tvr::logger log = cxx_logger(TEVRA_MODE_JSON, TEVRA_COLOR_NEVER);
    const std::string user = "alice", path = "/cart/items";
    for (auto _ : state) log.info("request done", {{"user", user}, {"path", path}});
}

void BM_CxxJsonFields(benchmark::State &s) { fields_event(s, TEVRA_MODE_JSON, TEVRA_COLOR_NEVER); }
void BM_CxxJsonTemplate(benchmark::State &s) { template_event(s, TEVRA_MODE_JSON, TEVRA_COLOR_NEVER); }
void BM_CxxConsoleFields(benchmark::State &s) { fields_event(s, TEVRA_MODE_CONSOLE, TEVRA_COLOR_NEVER); }
void BM_CxxConsoleTemplate(benchmark::State &s) { template_event(s, TEVRA_MODE_CONSOLE, TEVRA_COLOR_NEVER); }

void BM_CxxFilteredOut(benchmark::State &state) {
    const tvr::logger quiet = cxx_logger(TEVRA_MODE_JSON, TEVRA_COLOR_NEVER).with_level(tvr::level::error);
    for (auto _ : state) quiet.info("request done", {{"user", "alice"}, {"status", 200}});
}

void BM_CxxFilteredOutTemplate(benchmark::State &state) {
    const tvr::logger quiet = cxx_logger(TEVRA_MODE_JSON, TEVRA_COLOR_NEVER).with_level(tvr::level::error);
    for (auto _ : state) quiet.infof("request done", "user=%s status=%d", "alice", 200);
}

}  // namespace

BENCHMARK(BM_CxxJsonFields);
BENCHMARK(BM_CxxJsonTemplate);
BENCHMARK(BM_CxxConsoleFields);
BENCHMARK(BM_CxxConsoleTemplate);
BENCHMARK(BM_CxxFilteredOut);
BENCHMARK(BM_CxxFilteredOutTemplate);
BENCHMARK(BM_StringFields);
BENCHMARK(BM_CxxStringFields);

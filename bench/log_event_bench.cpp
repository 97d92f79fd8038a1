// Cost of one event: a message and five typical fields, rendered and
// handed to a sink that discards, in both modes, as field records and as a
// template; and the cost of a call the level filter drops.
#include <benchmark/benchmark.h>
#include <tevra.h>

#include "bench_logger.hpp"

namespace {

using bench::make_logger;

void fields_event(benchmark::State &state, int mode, int color) {
    tevra_logger *log = make_logger(mode, color);
    for (auto _ : state) {
        tevra_field fields[5] = {
            tevra_str("user", "alice"),       tevra_i64("status", 200),
            tevra_bool("cached", 1),          tevra_f64("ratio", 0.75),
            tevra_str("path", "/cart/items"),
        };
        tevra_info(log, "request done", fields, 5);
    }
    log->destroy(log);
}

void template_event(benchmark::State &state, int mode, int color) {
    tevra_logger *log = make_logger(mode, color);
    for (auto _ : state) {
        tevra_infof(log, "request done", "user=%s status=%d cached=%b ratio=%f path=%s", "alice", 200, 1,
                    0.75, "/cart/items");
    }
    log->destroy(log);
}

void BM_JsonFields(benchmark::State &s) { fields_event(s, TEVRA_MODE_JSON, TEVRA_COLOR_NEVER); }
void BM_JsonTemplate(benchmark::State &s) { template_event(s, TEVRA_MODE_JSON, TEVRA_COLOR_NEVER); }
void BM_JsonColorFields(benchmark::State &s) { fields_event(s, TEVRA_MODE_JSON, TEVRA_COLOR_ALWAYS); }
void BM_ConsoleFields(benchmark::State &s) { fields_event(s, TEVRA_MODE_CONSOLE, TEVRA_COLOR_NEVER); }
void BM_ConsoleTemplate(benchmark::State &s) { template_event(s, TEVRA_MODE_CONSOLE, TEVRA_COLOR_NEVER); }
void BM_ConsoleColorFields(benchmark::State &s) { fields_event(s, TEVRA_MODE_CONSOLE, TEVRA_COLOR_ALWAYS); }

void BM_FilteredOut(benchmark::State &state) {
    tevra_logger *log = make_logger(TEVRA_MODE_JSON, TEVRA_COLOR_NEVER);
    tevra_logger *quiet = tevra_with_level(log, TEVRA_LEVEL_ERROR);
    for (auto _ : state) {
        tevra_field fields[2] = {tevra_str("user", "alice"), tevra_i64("status", 200)};
        tevra_info(quiet, "request done", fields, 2);
    }
    quiet->destroy(quiet);
    log->destroy(log);
}

void BM_FilteredOutTemplate(benchmark::State &state) {
    tevra_logger *log = make_logger(TEVRA_MODE_JSON, TEVRA_COLOR_NEVER);
    tevra_logger *quiet = tevra_with_level(log, TEVRA_LEVEL_ERROR);
    for (auto _ : state) tevra_infof(quiet, "request done", "user=%s status=%d", "alice", 200);
    quiet->destroy(quiet);
    log->destroy(log);
}

}  // namespace

BENCHMARK(BM_JsonFields);
BENCHMARK(BM_JsonTemplate);
BENCHMARK(BM_JsonColorFields);
BENCHMARK(BM_ConsoleFields);
BENCHMARK(BM_ConsoleTemplate);
BENCHMARK(BM_ConsoleColorFields);
BENCHMARK(BM_FilteredOut);
BENCHMARK(BM_FilteredOutTemplate);

// SPDX-License-Identifier: MIT
// Cost of the text scans: a short and a long message, and a short and a long
// string value, in both modes. The long texts hold spaces, so a console value
// is quoted and copied in runs; the line has no timestamp, so the scans and
// copies are most of what is measured.
#include <benchmark/benchmark.h>
#include <tevra.h>

#include "bench_logger.hpp"

namespace {

using bench::make_logger;

// 12 bytes.
constexpr char kShort[] = "cart emptied";
// 200 bytes of ordinary prose.
constexpr char kLong[] =
    "the request for the shopping cart took longer than the configured limit, "
    "so the worker gave up, released its connection to the pool and asked the "
    "client to retry after a short pause of ninety seconds!";
static_assert(sizeof kShort - 1 == 12 && sizeof kLong - 1 == 200);

void message_event(benchmark::State &state, int mode, const char *msg) {
    tevra_logger *log = make_logger(mode, TEVRA_COLOR_NEVER, 0);
    for (auto _ : state) tevra_info(log, msg, nullptr, 0);
    log->destroy(log);
}

void value_event(benchmark::State &state, int mode, const char *value) {
    tevra_logger *log = make_logger(mode, TEVRA_COLOR_NEVER, 0);
    for (auto _ : state) {
        tevra_field f = tevra_str("text", value);
        tevra_info(log, "m", &f, 1);
    }
    log->destroy(log);
}

void BM_JsonMessage12(benchmark::State &s) { message_event(s, TEVRA_MODE_JSON, kShort); }
void BM_JsonMessage200(benchmark::State &s) { message_event(s, TEVRA_MODE_JSON, kLong); }
void BM_ConsoleMessage12(benchmark::State &s) { message_event(s, TEVRA_MODE_CONSOLE, kShort); }
void BM_ConsoleMessage200(benchmark::State &s) { message_event(s, TEVRA_MODE_CONSOLE, kLong); }
void BM_JsonValue12(benchmark::State &s) { value_event(s, TEVRA_MODE_JSON, kShort); }
void BM_JsonValue200(benchmark::State &s) { value_event(s, TEVRA_MODE_JSON, kLong); }
void BM_ConsoleValue12(benchmark::State &s) { value_event(s, TEVRA_MODE_CONSOLE, kShort); }
void BM_ConsoleValue200(benchmark::State &s) { value_event(s, TEVRA_MODE_CONSOLE, kLong); }

}  // namespace

BENCHMARK(BM_JsonMessage12);
BENCHMARK(BM_JsonMessage200);
BENCHMARK(BM_ConsoleMessage12);
BENCHMARK(BM_ConsoleMessage200);
BENCHMARK(BM_JsonValue12);
BENCHMARK(BM_JsonValue200);
BENCHMARK(BM_ConsoleValue12);
BENCHMARK(BM_ConsoleValue200);

// SPDX-License-Identifier: MIT
// One run, every case three times: tevra, spdlog writing the same bytes,
// and the floor (copy the finished line, one lock, the sink). Benchmarks are
// named case/side; bench/compare.sh turns their times into ratios.
#include <benchmark/benchmark.h>

#include <string>
#include <type_traits>
#include <utility>

#include "cases.hpp"
#include "floor_side.hpp"
#include "spdlog_side.hpp"
#include "tevra_side.hpp"

namespace tevra_compare {

namespace {

// The first thread builds the side and the others share it: Google Benchmark
// holds all threads of a run at a barrier on entering and on leaving the loop.
template <class Side, const Case &C>
void run(benchmark::State &state) {
    static Side *side;
    if (state.thread_index() == 0) side = new Side(C, nullptr);
    DoubleFeed feed(C);
    for (auto _ : state) side->template write<C.call>(feed.next());
    if (state.thread_index() == 0) {
        // Counters add up over threads, so one thread reports the length.
        if constexpr (std::is_same_v<Side, FloorSide>) state.counters["bytes"] = static_cast<double>(side->line_size());
        delete side;
    }
}

template <const Case &C>
void register_case() {
    auto add = [](const char *side, void (*fn)(benchmark::State &)) {
        benchmark::internal::Benchmark *b =
            benchmark::RegisterBenchmark((std::string(C.name) + "/" + side).c_str(), fn);
        // Several threads: the time of one line is wall time over the lines
        // of all threads, so contention shows.
        if (C.threads > 1) b->Threads(C.threads)->UseRealTime();
    };
    add("tevra", &run<TevraSide, C>);
    add("spdlog", &run<SpdlogSide, C>);
    if constexpr (C.call != Call::filtered) add("floor", &run<FloorSide, C>);
}

template <size_t... I>
bool register_all(std::index_sequence<I...>) {
    (register_case<*kAllCases[I]>(), ...);
    return true;
}

const bool registered = register_all(std::make_index_sequence<kAllCases.size()>());

}  // namespace

}  // namespace tevra_compare

// SPDX-License-Identifier: MIT
// tevra, spdlog writing the same bytes, and the floor (copy the finished
// line, one lock, the sink), measured side by side: every iteration writes a
// short block of lines through each side of each case in turn, so that a
// busy spell of the machine falls on all of them alike, and the median block
// gives each side's time per line. The counters ("json_fields.tevra_ns",
// "json_fields.bytes", ...) are what bench/compare.sh turns into ratios.
#include "cases.hpp"
#include "floor_side.hpp"
#include "spdlog_side.hpp"
#include "tevra_side.hpp"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <barrier>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tevra_compare {

namespace {

// Long enough to dwarf reading the clock (a few hundred ns even for the
// floor), short enough that a preemption spoils few blocks.
constexpr int kBlockLines = 512;

// The three sides of a case, shared by the threads that run it.
struct Sides {
    explicit Sides(const Case &c) : tevra(c, nullptr), spdlog(c, nullptr) {
        if (c.call != Call::filtered) floor.emplace(c, nullptr);
    }
    TevraSide tevra;
    SpdlogSide spdlog;
    std::optional<FloorSide> floor;  // a filtered call has no line
};

// What one thread keeps for a case: the doubles of each side and the
// nanoseconds per line of each block it timed.
struct Times {
    explicit Times(const Case &c) : feeds{DoubleFeed(c), DoubleFeed(c), DoubleFeed(c)} {}
    std::array<DoubleFeed, 3> feeds;
    std::array<std::vector<double>, 3> blocks;
};
constexpr std::array<const char *, 3> kSideNames{"tevra", "spdlog", "floor"};

// One block through one side. With several threads, all of them write a
// block through the same side between two barriers, and the block's wall
// time is spread over the lines of all threads.
template <const Case &C, class Side>
double block(Side &side, DoubleFeed &feed, std::barrier<> &blocks) {
    if constexpr (C.threads > 1) blocks.arrive_and_wait();
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kBlockLines; ++i) side.template write<C.call>(feed.next());
    if constexpr (C.threads > 1) blocks.arrive_and_wait();
    std::chrono::duration<double, std::nano> spent = std::chrono::steady_clock::now() - start;
    return spent.count() / (kBlockLines * C.threads);
}

// A block through each side of a case.
template <const Case &C>
void round(Sides &sides, Times &times, std::barrier<> &blocks) {
    times.blocks[0].push_back(block<C>(sides.tevra, times.feeds[0], blocks));
    times.blocks[1].push_back(block<C>(sides.spdlog, times.feeds[1], blocks));
    if constexpr (C.call != Call::filtered) times.blocks[2].push_back(block<C>(*sides.floor, times.feeds[2], blocks));
}

using Round = void (*)(Sides &, Times &, std::barrier<> &);

template <size_t... I>
constexpr std::array<Round, sizeof...(I)> rounds(std::index_sequence<I...>) {
    return {&round<*kAllCases[I]>...};
}
constexpr std::array<Round, kAllCases.size()> kRounds = rounds(std::make_index_sequence<kAllCases.size()>());

// Every case meant for this many threads, side by side.
void side_by_side(benchmark::State &state, int threads) {
    std::vector<size_t> cases;
    for (size_t i = 0; i < kAllCases.size(); ++i)
        if (kAllCases[i]->threads == threads) cases.push_back(i);

    // The first thread builds the sides and the others share them: Google
    // Benchmark holds all threads of a run at a barrier on entering and on
    // leaving the loop.
    struct Shared {
        std::vector<std::unique_ptr<Sides>> sides;
        std::barrier<> blocks;
    };
    static Shared *shared;
    if (state.thread_index() == 0) {
        shared = new Shared{{}, std::barrier<>(threads)};
        for (size_t i : cases) shared->sides.push_back(std::make_unique<Sides>(*kAllCases[i]));
    }
    std::vector<Times> times;
    for (size_t i : cases) times.emplace_back(*kAllCases[i]);

    for (auto _ : state)
        for (size_t k = 0; k < cases.size(); ++k) kRounds[cases[k]](*shared->sides[k], times[k], shared->blocks);

    for (size_t k = 0; k < cases.size(); ++k) {
        std::string name = kAllCases[cases[k]]->name;
        for (size_t side = 0; side < kSideNames.size(); ++side) {
            std::vector<double> &ns = times[k].blocks[side];
            if (ns.empty()) continue;
            std::nth_element(ns.begin(), ns.begin() + ns.size() / 2, ns.end());
            // Every thread timed the same blocks: their average, not their sum.
            state.counters[name + "." + kSideNames[side] + "_ns"] =
                benchmark::Counter(ns[ns.size() / 2], benchmark::Counter::kAvgThreads);
        }
        // Counters add up over threads, so one thread gives the length.
        if (state.thread_index() == 0 && shared->sides[k]->floor)
            state.counters[name + ".bytes"] = static_cast<double>(shared->sides[k]->floor->line_size());
    }
    // Past the loop's closing barrier only this thread uses the sides.
    if (state.thread_index() == 0) delete shared;
}

bool register_all() {
    std::string order;
    std::vector<int> thread_counts;
    for (const Case *c : kAllCases) {
        order += order.empty() ? c->name : std::string(",") + c->name;
        if (std::find(thread_counts.begin(), thread_counts.end(), c->threads) == thread_counts.end())
            thread_counts.push_back(c->threads);
    }
    // The cases in the order of the tables bench/compare.sh prints.
    benchmark::AddCustomContext("cases", order);
    for (int threads : thread_counts)
        benchmark::RegisterBenchmark("side_by_side", side_by_side, threads)->Threads(threads);
    return true;
}

const bool registered = register_all();

}  // namespace

}  // namespace tevra_compare

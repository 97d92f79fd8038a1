// SPDX-License-Identifier: MIT
// The comparison is fair only while every side writes the same bytes: these
// tests capture the lines of each case from tevra, spdlog and the floor and
// compare them whole, and pin the lines themselves so that all sides cannot
// drift together.
#include "cases.hpp"
#include "floor_side.hpp"
#include "spdlog_side.hpp"
#include "tevra_side.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <regex>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace tevra_compare {
namespace {

// `count` lines of a case from one side, with the doubles the benchmark uses.
template <class Side>
std::string lines_of(const Case &c, int count) {
    std::string text;
    Side side(c, &text);
    DoubleFeed feed(c);
    for (int i = 0; i < count; ++i) write_call(side, c.call, feed.next());
    return text;
}

// tevra's and another side's lines. Their timestamps can straddle a second
// boundary (tevra reads the coarse clock, which may lag spdlog's by a few
// milliseconds), so a pair that differs is taken again a little later.
template <class Side>
std::pair<std::string, std::string> pair_of(const Case &c, int count = 1) {
    std::pair<std::string, std::string> taken;
    for (int attempt = 0; attempt < 5; ++attempt) {
        taken = {lines_of<TevraSide>(c, count), lines_of<Side>(c, count)};
        if (taken.first == taken.second) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return taken;
}

std::string without_time(const std::string &line) {
    static const std::regex json_time(R"("ts":"\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ")");
    static const std::regex console_time(R"(^\d{6} )");
    return std::regex_replace(std::regex_replace(line, json_time, R"("ts":"T")"), console_time, "T ");
}

TEST(SameLine, SpdlogWritesTevrasBytesInEveryCase) {
    for (const Case *c : kAllCases) {
        SCOPED_TRACE(c->name);
        auto [tevra, spdlog] = pair_of<SpdlogSide>(*c);
        if (c->call != Call::filtered) {
            ASSERT_FALSE(tevra.empty());
        }
        EXPECT_EQ(spdlog, tevra);
    }
}

TEST(SameLine, FloorCopiesTevrasLine) {
    for (const Case *c : kAllCases) {
        if (c->call == Call::filtered) continue;
        SCOPED_TRACE(c->name);
        auto [tevra, floor] = pair_of<FloorSide>(*c);
        EXPECT_EQ(floor, tevra);
    }
}

TEST(SameLine, FreshDoublesNeverRepeatAndPrintAlikeInBothLoggers) {
    constexpr int kLines = 2000;
    auto [tevra, spdlog] = pair_of<SpdlogSide>(kJsonFreshDouble, kLines);
    EXPECT_EQ(spdlog, tevra);

    // Every value is new, and most need all seventeen digits (%.17g drops
    // trailing zeros from the others).
    std::set<std::string> ratios;
    int full = 0;
    static const std::regex ratio(R"("ratio":([^,]+),)");
    for (std::sregex_iterator it(tevra.begin(), tevra.end(), ratio), end; it != end; ++it) {
        ratios.insert((*it)[1]);
        full += (*it)[1].length() == 18;
    }
    EXPECT_GT(full, kLines * 8 / 10);
    EXPECT_EQ(ratios.size(), static_cast<size_t>(kLines));
}

TEST(SameLine, CachedDoubleTwinPrintsAsManyDigitsAsTheFreshOne) {
    std::string fresh = without_time(lines_of<TevraSide>(kJsonFreshDouble, 1));
    std::string cached = without_time(lines_of<TevraSide>(kJsonCachedDouble, 1));
    EXPECT_EQ(cached.size(), fresh.size());
    EXPECT_EQ(cached,
              "{\"ts\":\"T\",\"lvl\":\"info\",\"msg\":\"request done\",\"user\":\"alice\",\"status\":200,"
              "\"ratio\":1234.5678901234567,\"cached\":true,\"path\":\"/cart/items\"}\n");
}

TEST(SameLine, PlainLinesAreTheRequestEvent) {
    const std::string json =
        "{\"ts\":\"T\",\"lvl\":\"info\",\"msg\":\"request done\",\"user\":\"alice\",\"status\":200,"
        "\"ratio\":0.75,\"cached\":true,\"path\":\"/cart/items\"}\n";
    const std::string console = "T INF request done user=alice status=200 ratio=0.75 cached=true path=/cart/items\n";
    EXPECT_EQ(without_time(lines_of<SpdlogSide>(kJsonFields, 1)), json);
    EXPECT_EQ(without_time(lines_of<SpdlogSide>(kJsonKvfmt, 1)), json);
    EXPECT_EQ(without_time(lines_of<SpdlogSide>(kConsoleFields, 1)), console);
    EXPECT_EQ(without_time(lines_of<SpdlogSide>(kConsoleKvfmt, 1)), console);
    EXPECT_EQ(without_time(lines_of<SpdlogSide>(kJsonBound, 1)),
              "{\"ts\":\"T\",\"lvl\":\"info\",\"msg\":\"request done\",\"service\":\"checkout\","
              "\"region\":\"eu-west-1\",\"host\":\"web-07\",\"pid\":4242,\"version\":\"1.4.2\",\"zone\":\"b\","
              "\"shard\":17,\"build\":\"a1b2c3d\",\"env\":\"prod\",\"worker\":3}\n");
}

TEST(SameLine, ColouredLinesStripToTheirPlainTwins) {
    static const std::regex escape("\x1b\\[[0-9;]*m");
    for (auto [colored, plain] : {std::pair{&kJsonColor, &kJsonFields}, std::pair{&kConsoleColor, &kConsoleFields}}) {
        SCOPED_TRACE(colored->name);
        std::string line = lines_of<SpdlogSide>(*colored, 1);
        EXPECT_NE(line.find('\x1b'), std::string::npos);
        EXPECT_EQ(without_time(std::regex_replace(line, escape, "")), without_time(lines_of<SpdlogSide>(*plain, 1)));
    }
}

// The two-thread case shares each side between threads: every side must
// keep lines whole, so both threads' lines come out intact and all counted.
template <class Side>
std::vector<std::string> lines_from_two_threads(int per_thread) {
    std::string text;
    Side side(kJsonTwoThreads, &text);
    auto write = [&] {
        DoubleFeed feed(kJsonTwoThreads);
        for (int i = 0; i < per_thread; ++i) side.template write<Call::fields>(feed.next());
    };
    std::thread other(write);
    write();
    other.join();
    std::vector<std::string> lines;
    for (size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(without_time(text.substr(start, end - start + 1)));
    return lines;
}

TEST(SameLine, EverySideKeepsLinesWholeUnderTwoThreads) {
    constexpr int kPerThread = 300;
    const std::string expected = without_time(lines_of<TevraSide>(kJsonFields, 1));
    for (const auto &lines : {lines_from_two_threads<TevraSide>(kPerThread),
                              lines_from_two_threads<SpdlogSide>(kPerThread),
                              lines_from_two_threads<FloorSide>(kPerThread)}) {
        ASSERT_EQ(lines.size(), 2u * kPerThread);
        for (const std::string &line : lines) ASSERT_EQ(line, expected);
    }
}

TEST(SameLine, FilteredCallWritesNothingOnEitherSide) {
    EXPECT_EQ(lines_of<TevraSide>(kFiltered, 3), "");
    EXPECT_EQ(lines_of<SpdlogSide>(kFiltered, 3), "");
}

}  // namespace
}  // namespace tevra_compare

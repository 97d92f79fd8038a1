// Console loggers writing into memory, for whole-line comparisons.
#pragma once

#include <gtest/gtest.h>
#include <tevra.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/shared.hpp"
#include "support/capture_sink.hpp"
#include "support/default_palette.hpp"

namespace console_test {

// A console logger on a capture sink; no timestamps, no colour unless the
// test asks for them.
struct ConsoleLogger {
    tevra_test::CaptureSink sink;
    tevra_logger *log = nullptr;

    template <class Tweak>
    explicit ConsoleLogger(Tweak tweak) {
        tevra_config cfg = tevra_test::capture_config(sink, TEVRA_MODE_CONSOLE);
        tweak(cfg);
        log = tevra_new(&cfg);
    }
    ConsoleLogger() : ConsoleLogger([](tevra_config &) {}) {}
    ~ConsoleLogger() {
        if (log != nullptr) log->destroy(log);
    }
    ConsoleLogger(const ConsoleLogger &) = delete;
    ConsoleLogger &operator=(const ConsoleLogger &) = delete;

    tevra_shared *shared() const { return log->state->shared; }

    // The one line written since the last call, without its line feed.
    std::string take_line() {
        std::string text = sink.text();
        sink.clear();
        EXPECT_FALSE(text.empty());
        if (text.empty()) return text;
        EXPECT_EQ(text.back(), '\n');
        EXPECT_EQ(text.find('\n'), text.size() - 1) << "more than one line: " << text;
        text.pop_back();
        return text;
    }

    std::string info(const char *msg, std::vector<tevra_field> fields) {
        tevra_info(log, msg, fields.data(), fields.size());
        return take_line();
    }
};

inline void colour_on(tevra_config &cfg) { cfg.color = TEVRA_COLOR_ALWAYS; }

// A fixed clock: 2023-12-07 12:15:30 UTC.
constexpr int64_t kFixedSecond = 1701951330;
inline int fixed_clock(void *, int64_t *sec, long *nsec) {
    if (sec != nullptr) *sec = kFixedSecond;
    if (nsec != nullptr) *nsec = 0;
    return 0;
}
inline void use_fixed_clock(ConsoleLogger &l) { l.shared()->time_now = &fixed_clock; }

// The layout of one cached group under a palette: reset, space, key
// colour, key, '=', reset, value colour.
inline std::string group(const std::string &key, const std::string &value_colour,
                         const std::string &value) {
    using namespace tevra_test::default_palette;
    return kReset + " " + kKey + key + "=" + kReset + value_colour + value;
}

}  // namespace console_test

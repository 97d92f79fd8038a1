// SPDX-License-Identifier: MIT
// Console loggers writing into memory, for whole-line comparisons: the
// shared test logger in console mode, the clock the console lines show and
// the layout of one coloured field.
#pragma once

#include <tevra.h>

#include <cstdint>
#include <string>

#include "support/default_palette.hpp"
#include "support/logger.hpp"

namespace console_test {

// The shared test logger in console mode.
struct ConsoleLogger : tevra_test::Logger {
    explicit ConsoleLogger(const Tune &tune = {}) : Logger(TEVRA_MODE_CONSOLE, tune) {}
};

// The fixed clock of the console lines: 2023-12-07 12:15:30 UTC.
constexpr int64_t kFixedSecond = 1701951330;
inline void use_fixed_clock(ConsoleLogger &l) { l.use_fixed_clock(kFixedSecond); }

// The layout of one cached group under a palette: reset, space, key
// colour, key, '=', reset, value colour.
inline std::string group(const std::string &key, const std::string &value_colour,
                         const std::string &value) {
    using namespace tevra_test::default_palette;
    return kReset + " " + kKey + key + "=" + kReset + value_colour + value;
}

}  // namespace console_test

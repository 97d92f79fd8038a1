// SPDX-License-Identifier: MIT
// The command line of tevra-pretty.
#pragma once

#include <string>
#include <vector>

namespace tevra_pretty {

struct Options {
    bool follow = false;
    std::string palette;      // empty: LOG_PALETTE, else the default palette
    bool palette_set = false;
    enum class Color { Auto, Always, Never } color = Color::Auto;
    std::string time_format;  // empty: timestamps as they stand
    bool utc = false;
    int min_level = -1;       // TEVRA_LEVEL_TRACE: everything
    std::vector<std::string> files;  // none, or "-": standard input
};

// Fills `opts` from argv. On a bad command line prints a message to
// standard error and returns 2; for --help prints the usage and returns 0;
// otherwise returns -1 and the program goes on.
int parse_options(int argc, char **argv, Options *opts);

}  // namespace tevra_pretty

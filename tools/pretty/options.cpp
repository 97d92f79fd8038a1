// SPDX-License-Identifier: MIT
// Options of tevra-pretty: long options take their value as the next
// argument or after '='; "--" ends the options.
#include "pretty/options.hpp"

#include <tevra.h>

#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace tevra_pretty {
namespace {

constexpr const char *kUsage =
    "usage: tevra-pretty [OPTION]... [FILE]...\n"
    "Writes JSON log lines (from the FILEs or standard input) as tevra console lines.\n"
    "\n"
    "  -f, --follow            keep reading FILE as it grows (one FILE)\n"
    "      --palette NAME      colour palette (default: $LOG_PALETTE, else default)\n"
    "      --color WHEN        auto, always or never (default: auto)\n"
    "      --time-format LAYOUT  RFC3339, RFC3339Nano or a strftime layout\n"
    "                          (default: the timestamp text as it stands)\n"
    "      --utc               show reformatted times in UTC\n"
    "      --level LEVEL       drop lines below LEVEL (trace ... panic)\n"
    "  -h, --help              show this help\n"
    "\n"
    "Lines that are not JSON objects pass through unchanged. See tevra-pretty(1).\n";

int bad(const char *what, std::string_view arg = {}) {
    if (arg.empty()) {
        std::fprintf(stderr, "tevra-pretty: %s\n", what);
    } else {
        std::fprintf(stderr, "tevra-pretty: %s: %.*s\n", what, static_cast<int>(arg.size()), arg.data());
    }
    std::fprintf(stderr, "Try 'tevra-pretty --help'.\n");
    return 2;
}

}  // namespace

int parse_options(int argc, char **argv, Options *opts) {
    bool options_done = false;
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (options_done || arg == "-" || arg.empty() || arg[0] != '-') {
            opts->files.emplace_back(arg);
            continue;
        }
        if (arg == "--") {
            options_done = true;
            continue;
        }
        if (arg == "-h" || arg == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg == "-f" || arg == "--follow") {
            opts->follow = true;
            continue;
        }
        if (arg == "--utc") {
            opts->utc = true;
            continue;
        }
        // Options with a value.
        std::string_view name = arg;
        std::string_view value;
        bool has_value = false;
        if (const size_t eq = arg.find('='); arg.starts_with("--") && eq != std::string_view::npos) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
            has_value = true;
        }
        if (name != "--palette" && name != "--color" && name != "--colour" && name != "--time-format" &&
            name != "--level") {
            return bad("unknown option", arg);
        }
        if (!has_value) {
            if (i + 1 >= argc) return bad("missing value for", name);
            value = argv[++i];
        }
        if (name == "--palette") {
            opts->palette = std::string(value);
            opts->palette_set = true;
        } else if (name == "--color" || name == "--colour") {
            if (value == "auto") {
                opts->color = Options::Color::Auto;
            } else if (value == "always") {
                opts->color = Options::Color::Always;
            } else if (value == "never") {
                opts->color = Options::Color::Never;
            } else {
                return bad("--color takes auto, always or never, not", value);
            }
        } else if (name == "--time-format") {
            if (value.empty()) return bad("empty layout for", name);
            opts->time_format = std::string(value);
        } else {
            const std::string text(value);
            int level = 0;
            if (!tevra_parse_level(text.c_str(), &level) || level == TEVRA_LEVEL_DISABLED) {
                return bad("unknown level", value);
            }
            opts->min_level = level;
        }
    }
    if (opts->follow && (opts->files.size() != 1 || opts->files[0] == "-")) {
        return bad("--follow needs exactly one FILE");
    }
    return -1;
}

}  // namespace tevra_pretty

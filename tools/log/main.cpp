// SPDX-License-Identifier: MIT
// tevra-log: one log line from a shell script, through a logger made by
// tevra_new_from_env, so it goes where and as the script's tevra programs
// write (LOG_OUTPUT, LOG_MODE and the other LOG_ variables).
#include <tevra.h>

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "log/fields.hpp"

namespace {

constexpr const char *kUsage =
    "usage: tevra-log [-l LEVEL] [--] MESSAGE [KEY=VALUE | KEY:=VALUE]...\n"
    "       tevra-log [-l LEVEL] --stdin [KEY=VALUE | KEY:=VALUE]...\n"
    "Writes one log line through a logger configured by the LOG_ variables.\n"
    "\n"
    "  -l, --level LEVEL  trace, debug, info (default), warn, error, fatal, panic or nolevel\n"
    "      --stdin        log every line of standard input as the message of one event\n"
    "  -h, --help         show this help\n"
    "\n"
    "KEY=VALUE adds a string field; KEY:=VALUE a typed one: an integer, a\n"
    "double, true, false or null. See tevra-log(1) and tevra-env(7).\n";

int usage_error(const std::string &message) {
    std::fprintf(stderr, "tevra-log: %s\nTry 'tevra-log --help'.\n", message.c_str());
    return 2;
}

struct Command {
    int level = TEVRA_LEVEL_INFO;
    bool from_stdin = false;
    std::string message;
    std::vector<tevra_log::FieldArg> args;
};

// Returns -1 to go on, or the exit status.
int parse(int argc, char **argv, Command *cmd) {
    std::vector<std::string> positional;
    bool options_done = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (options_done || arg.size() < 2 || arg[0] != '-') {
            positional.push_back(arg);
        } else if (arg == "--") {
            options_done = true;
        } else if (arg == "-h" || arg == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (arg == "--stdin") {
            cmd->from_stdin = true;
        } else if (arg == "-l" || arg == "--level" || arg.starts_with("--level=") || arg.starts_with("-l")) {
            std::string name;
            if (arg == "-l" || arg == "--level") {
                if (i + 1 >= argc) return usage_error("missing LEVEL after " + arg);
                name = argv[++i];
            } else {
                name = arg.substr(arg[1] == 'l' ? 2 : 8);
            }
            // A threshold ("off") is no level for an event.
            if (!tevra_parse_level(name.c_str(), &cmd->level) || cmd->level == TEVRA_LEVEL_DISABLED) {
                return usage_error("unknown level '" + name + "'");
            }
        } else {
            return usage_error("unknown option '" + arg + "'");
        }
    }
    size_t first_field = 0;
    if (!cmd->from_stdin) {
        if (positional.empty()) return usage_error("missing MESSAGE");
        cmd->message = positional[0];
        first_field = 1;
    }
    for (size_t i = first_field; i < positional.size(); ++i) {
        tevra_log::FieldArg field;
        std::string error;
        if (!tevra_log::parse_field_arg(positional[i], &field, &error)) return usage_error(error);
        cmd->args.push_back(std::move(field));
    }
    return -1;
}

}  // namespace

int main(int argc, char **argv) {
    Command cmd;
    if (const int status = parse(argc, argv, &cmd); status >= 0) return status;

    std::vector<tevra_field> fields(cmd.args.size());
    for (size_t i = 0; i < cmd.args.size(); ++i) {
        if (!tevra_log::field_of(cmd.args[i], &fields[i])) {
            return usage_error("'" + cmd.args[i].value + "' for " + cmd.args[i].key +
                               " is not an integer, a double, true, false or null");
        }
    }

    tevra_logger *log = tevra_new_from_env(nullptr, nullptr);
    if (log == nullptr) {
        std::fprintf(stderr, "tevra-log: cannot create a logger\n");
        return 1;
    }
    // The generic call: a fatal or panic line does not end this program.
    if (cmd.from_stdin) {
        for (std::string line; std::getline(std::cin, line);) {
            tevra_fields(log, cmd.level, line.c_str(), fields.data(), fields.size());
        }
    } else {
        tevra_fields(log, cmd.level, cmd.message.c_str(), fields.data(), fields.size());
    }
    log->destroy(log);
    return 0;
}

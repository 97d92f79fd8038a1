// SPDX-License-Identifier: MIT
// tevra-pretty: JSON log lines in, tevra console lines out.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "pretty/input.hpp"
#include "pretty/options.hpp"
#include "pretty/printer.hpp"

namespace {

// Pipes and terminals get every line at once; files are read in bulk and
// written through the stdio buffer.
bool interactive(int fd) {
    struct stat st;
    return fstat(fd, &st) != 0 || !S_ISREG(st.st_mode);
}

}  // namespace

int main(int argc, char **argv) {
    tevra_pretty::Options opts;
    if (const int status = tevra_pretty::parse_options(argc, argv, &opts); status >= 0) return status;

    tevra_pretty::Printer printer(opts);
    if (!printer.ok()) {
        std::fprintf(stderr, "tevra-pretty: cannot create a logger\n");
        return 1;
    }
    bool flush_each = opts.follow;
    const tevra_pretty::LineFn fn = [&](std::string_view line, bool newline) {
        printer.line(line, newline);
        if (flush_each) std::fflush(stdout);
    };

    if (opts.follow) {
        const int err = tevra_pretty::follow_file(opts.files[0].c_str(), fn);
        std::fprintf(stderr, "tevra-pretty: %s: %s\n", opts.files[0].c_str(), std::strerror(err));
        return 1;
    }
    if (opts.files.empty()) opts.files.emplace_back("-");
    int status = 0;
    for (const std::string &file : opts.files) {
        const bool is_stdin = file == "-";
        const int fd = is_stdin ? STDIN_FILENO : ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            std::fprintf(stderr, "tevra-pretty: %s: %s\n", file.c_str(), std::strerror(errno));
            status = 1;
            continue;
        }
        flush_each = interactive(fd);
        if (const int err = tevra_pretty::read_lines(fd, fn); err != 0) {
            std::fprintf(stderr, "tevra-pretty: %s: %s\n", file.c_str(), std::strerror(err));
            status = 1;
        }
        if (!is_stdin) ::close(fd);
    }
    return status;
}

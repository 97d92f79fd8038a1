// SPDX-License-Identifier: MIT
// Process handling for the tool tests: fork and exec with descriptors set
// up, a prepared environment, and pipes read with a time limit.
#include "tool_runner.hpp"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

extern char **environ;

namespace tevra_tools_test {
namespace {

bool removed_by_default(const std::string &name) {
    return name.rfind("LOG_", 0) == 0 || name == "NO_COLOR" || name == "FORCE_COLOR" || name == "TERM" ||
           name == "TZ";
}

std::vector<std::string> child_environment(const EnvChanges &changes) {
    std::map<std::string, std::string> vars;
    for (char **e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        const size_t eq = entry.find('=');
        if (eq == std::string::npos || removed_by_default(entry.substr(0, eq))) continue;
        vars[entry.substr(0, eq)] = entry.substr(eq + 1);
    }
    vars["TZ"] = "UTC";
    for (const auto &[name, value] : changes) {
        if (value) {
            vars[name] = *value;
        } else {
            vars.erase(name);
        }
    }
    std::vector<std::string> out;
    for (const auto &[name, value] : vars) out.push_back(name + "=" + value);
    return out;
}

// In the child: replaces the process image; never returns.
[[noreturn]] void exec_program(const std::string &program, const std::vector<std::string> &args,
                               const std::vector<std::string> &env) {
    std::vector<char *> argv{const_cast<char *>(program.c_str())};
    for (const std::string &a : args) argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<char *> envp;
    for (const std::string &e : env) envp.push_back(const_cast<char *>(e.c_str()));
    envp.push_back(nullptr);
    execve(program.c_str(), argv.data(), envp.data());
    _exit(127);
}

int exit_status(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

TempFile::TempFile() {
    char pattern[] = "/tmp/tevra-tool-XXXXXX";
    const int fd = mkstemp(pattern);
    if (fd >= 0) close(fd);
    path_ = pattern;
}

TempFile::~TempFile() { unlink(path_.c_str()); }

void TempFile::write(const std::string &text, bool append) const {
    std::ofstream f(path_, append ? std::ios::binary | std::ios::app : std::ios::binary | std::ios::trunc);
    f << text;
}

std::string TempFile::read() const {
    std::ifstream f(path_, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

Result run(const std::string &program, const std::vector<std::string> &args, const std::string &input,
           const EnvChanges &env) {
    TempFile in, out, err;
    in.write(input);
    const std::vector<std::string> child_env = child_environment(env);
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        const int fds[3] = {open(in.path().c_str(), O_RDONLY), open(out.path().c_str(), O_WRONLY | O_TRUNC),
                            open(err.path().c_str(), O_WRONLY | O_TRUNC)};
        for (int i = 0; i < 3; ++i) dup2(fds[i], i);
        exec_program(program, args, child_env);
    }
    Result r;
    if (pid < 0) return r;
    r.status = exit_status(pid);
    r.out = out.read();
    r.err = err.read();
    return r;
}

Running::Running(const std::string &program, const std::vector<std::string> &args, const EnvChanges &env) {
    int fds[2];
    if (pipe(fds) != 0) return;
    const std::vector<std::string> child_env = child_environment(env);
    std::fflush(nullptr);
    pid_ = fork();
    if (pid_ == 0) {
        dup2(fds[1], 1);
        close(fds[0]);
        close(fds[1]);
        const int null = open("/dev/null", O_RDONLY);
        dup2(null, 0);
        exec_program(program, args, child_env);
    }
    close(fds[1]);
    out_fd_ = fds[0];
}

Running::~Running() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        exit_status(pid_);
    }
    if (out_fd_ >= 0) close(out_fd_);
}

std::string Running::read_lines(size_t count, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    auto lines = [&] { return static_cast<size_t>(std::count(out_.begin(), out_.end(), '\n')); };
    while (out_fd_ >= 0 && lines() < count) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        pollfd p{out_fd_, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
        char buf[4096];
        const ssize_t n = ::read(out_fd_, buf, sizeof buf);
        if (n <= 0) break;
        out_.append(buf, static_cast<size_t>(n));
    }
    return out_;
}

std::vector<std::string> lines_of(const std::string &text) {
    std::vector<std::string> out;
    size_t start = 0;
    for (size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1) {
        out.push_back(text.substr(start, nl - start));
    }
    if (start < text.size()) out.push_back(text.substr(start));
    return out;
}

std::string visible(const std::string &text) {
    std::string out;
    for (unsigned char c : text) {
        if (c < 0x20 || c == 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", c);
            out += hex;
        } else {
            out.push_back(static_cast<char>(c));
        }
    }
    return out;
}

}  // namespace tevra_tools_test

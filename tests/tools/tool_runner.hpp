// SPDX-License-Identifier: MIT
// Runs the project's programs for tests: with given arguments, standard
// input and environment changes, capturing what they write.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tevra_tools_test {

// Variables to set (a value) or remove (nullopt) on top of the test's own
// environment, from which every LOG_ variable, NO_COLOR, FORCE_COLOR and
// TERM are removed first, and where TZ is UTC.
using EnvChanges = std::map<std::string, std::optional<std::string>>;

struct Result {
    int status = -1;  // exit status, or -1 when the program did not exit normally
    std::string out;
    std::string err;
};

Result run(const std::string &program, const std::vector<std::string> &args, const std::string &input = "",
           const EnvChanges &env = {});

// A program left running, its standard output read through a pipe.
class Running {
  public:
    Running(const std::string &program, const std::vector<std::string> &args, const EnvChanges &env = {});
    ~Running();
    Running(const Running &) = delete;
    Running &operator=(const Running &) = delete;

    // Reads until the output holds `count` line feeds or the time is up;
    // returns everything read so far.
    std::string read_lines(size_t count, std::chrono::milliseconds limit = std::chrono::seconds(10));

  private:
    pid_t pid_ = -1;
    int out_fd_ = -1;
    std::string out_;
};

// The lines of a text, without their line feeds.
std::vector<std::string> lines_of(const std::string &text);

// A text with escape and other control bytes shown as \xHH, for messages.
std::string visible(const std::string &text);

// A fresh file under /tmp, removed when destroyed.
class TempFile {
  public:
    TempFile();
    ~TempFile();
    TempFile(const TempFile &) = delete;
    TempFile &operator=(const TempFile &) = delete;
    const std::string &path() const { return path_; }
    void write(const std::string &text, bool append = false) const;
    std::string read() const;

  private:
    std::string path_;
};

}  // namespace tevra_tools_test

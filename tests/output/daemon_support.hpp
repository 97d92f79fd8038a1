// Running a real daemon for a test: a private temporary directory, a child
// process that is stopped with SIGTERM, waiting for files to fill, and
// feeding the daemon's sink by hand.
#pragma once

#include <gtest/gtest.h>
#include <tevra.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace tevra_test {

class Daemon {
  public:
    // Starts `argv` with stdout and stderr in `log_path`; false when the
    // program is missing or cannot start.
    bool start(const std::vector<std::string> &argv, const std::string &log_path);
    void stop();
    ~Daemon() { stop(); }
    int pid() const { return pid_; }

  private:
    int pid_ = -1;
};

std::string make_temp_dir(const char *stem);
void remove_tree(const std::string &dir);
std::string read_file(const std::string &path);
void write_file(const std::string &path, const std::string &text);
std::vector<std::string> split_lines(const std::string &text);
// A loopback port nobody listens on right now, for `type` (SOCK_DGRAM...).
int free_port(int type);
// Polls `done` every 20 ms until it holds or `limit` passes.
bool wait_until(const std::function<bool()> &done,
                std::chrono::milliseconds limit = std::chrono::seconds(10));
// Hands a message sink "first half\n" in two pieces, then "unfinished"
// without its newline, and closes it: every write must report all its bytes
// taken, and the close (also of a NULL context) must return 0.
void write_pieces_and_close(const tevra_output &out);

}  // namespace tevra_test

// An in-memory sink for tests: records every write call and the bytes, and
// can be scripted to accept only part of a write or to fail.
#pragma once

#include <tevra.h>

#include <cstddef>
#include <mutex>
#include <string>
#include <vector>

namespace tevra_test {

class CaptureSink {
  public:
    // The record to place in a configuration; not owned unless `owns` is set.
    tevra_output output(bool owns = false);

    std::string text() const;
    // Complete lines, without their line feeds.
    std::vector<std::string> lines() const;
    // Byte counts of every write call, in order.
    std::vector<size_t> write_sizes() const;
    void clear();
    int close_calls() const;

    // Script: accept at most this many bytes per call.
    size_t max_accept = static_cast<size_t>(-1);
    // Script: return this error from every write (after accepting nothing).
    int fail_error = 0;
    // Script: what isatty and close report.
    int isatty_result = 0;
    int close_result = 0;

  private:
    static int write_cb(void *user, const void *data, size_t len, size_t *written);
    static int close_cb(void *user);
    static int isatty_cb(void *user);

    mutable std::mutex mutex_;
    std::string data_;
    std::vector<size_t> sizes_;
    int close_calls_ = 0;
};

// A configuration that writes to `sink` in `mode`, without timestamps or
// colour, so that whole lines can be compared.
tevra_config capture_config(CaptureSink &sink, int mode = TEVRA_MODE_JSON);

}  // namespace tevra_test

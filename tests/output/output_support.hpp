// Helpers shared by the output tests: temporary files, tees, loggers over a
// given output, and the lines such a logger is expected to write.
#pragma once

#include <tevra.h>

#include <string>
#include <vector>

namespace tevra_test {

// A fresh directory for one test, removed with its files afterwards.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;
    bool ok() const { return !dir_.empty(); }
    std::string path(const std::string &name);

  private:
    std::string dir_;
    std::vector<std::string> files_;
};

// The whole file, empty when it is missing (daemon_support.cpp).
std::string read_file(const std::string &path);

// A tee record from the library's allocator, as its close frees it there.
tevra_output make_tee(const tevra_output &first, const tevra_output &second);

// A JSON logger without timestamps or colour over `out`.
tevra_logger *logger_over(const tevra_output &out, size_t buffer_size = 0);

// `n` printable bytes that differ from one seed to the next.
std::string message_of(size_t n, unsigned seed);

// The lines, line feeds included, that logger_over writes for info calls
// with these messages, rendered through a capture sink.
std::string lines_for(const std::vector<std::string> &messages);
inline std::string line_for(const std::string &message) { return lines_for({message}); }

}  // namespace tevra_test

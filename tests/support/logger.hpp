// SPDX-License-Identifier: MIT
// The logger every line test starts from: a root logger writing into its
// own capture sink, without timestamps or colour unless the test asks, and
// destroyed with the test.
#pragma once

#include <tevra.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "support/capture_sink.hpp"
#include "support/private_state.hpp"

namespace tevra_test {

// The second a fixed clock reads by default: 2025-03-01T10:15:30Z.
constexpr int64_t kFixedSecond = 1740824130;

class Logger {
  public:
    // Changes the configuration before the logger is made.
    using Tune = std::function<void(tevra_config &)>;

    explicit Logger(int mode = TEVRA_MODE_JSON, const Tune &tune = {});
    explicit Logger(const Tune &tune) : Logger(TEVRA_MODE_JSON, tune) {}
    ~Logger();
    Logger(const Logger &) = delete;
    Logger &operator=(const Logger &) = delete;

    tevra_shared *shared() const { return shared_of(log); }
    // From now on every timestamp shows `second`.
    void use_fixed_clock(int64_t second = kFixedSecond);

    // The one line written since the last call, without its line feed;
    // fails the test unless exactly one whole line was written.
    std::string take();
    // Everything written since the last call, line feeds included.
    std::string take_text();
    // The line of one info event with these fields.
    std::string info(const char *msg, std::vector<tevra_field> fields);

    CaptureSink sink;
    tevra_logger *log = nullptr;

  private:
    int64_t clock_second_ = 0;
};

// A root logger on `sink` configured like Logger's, for tests that manage
// the handle themselves; NULL when creation fails.
tevra_logger *new_logger(CaptureSink &sink, int mode = TEVRA_MODE_JSON, const Logger::Tune &tune = {});

// The line with every ESC [ ... m sequence removed.
std::string strip_escapes(const std::string &line);

// Colour always, in `palette` when one is given, else in the default one.
Logger::Tune colored(const tevra_palette *palette = nullptr);
// The colour policy `color` (TEVRA_COLOR_NEVER, _ALWAYS or _AUTO).
Logger::Tune color_policy(int color);
// The logger owns the sink's output record, so closing it calls the sink's
// close.
Logger::Tune owning_output();

}  // namespace tevra_test

// Helpers for the JSON encoder tests: a JSON logger on a capture sink with
// a configuration the test may adjust, a fixed clock, and escape stripping.
#pragma once

#include <gtest/gtest.h>
#include <tevra.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/shared.hpp"
#include "support/capture_sink.hpp"

namespace json_test {

// 2025-03-01T10:15:30Z.
constexpr int64_t kFixedSecond = 1740824130;

inline int fixed_clock(void *, int64_t *sec, long *nsec) {
    if (sec != nullptr) *sec = kFixedSecond;
    if (nsec != nullptr) *nsec = 0;
    return 0;
}

// A JSON logger writing into its own capture sink. By default: no
// timestamps, no colour; `tune` may change the configuration first.
class Logger {
  public:
    explicit Logger(const std::function<void(tevra_config &)> &tune = {}) {
        tevra_config cfg = tevra_test::capture_config(sink, TEVRA_MODE_JSON);
        if (tune) tune(cfg);
        log = tevra_new(&cfg);
    }
    ~Logger() {
        if (log != nullptr) log->destroy(log);
    }
    Logger(const Logger &) = delete;
    Logger &operator=(const Logger &) = delete;

    tevra_shared *shared() const { return log->state->shared; }
    void use_fixed_clock() const { shared()->time_now = &fixed_clock; }

    // The one line written since the last call, without its line feed;
    // fails the test when there is not exactly one.
    std::string take() {
        std::vector<std::string> all = sink.lines();
        std::string text = sink.text();
        sink.clear();
        EXPECT_EQ(all.size(), 1u) << text;
        EXPECT_TRUE(!text.empty() && text.back() == '\n') << text;
        return all.empty() ? std::string() : all.front();
    }

    tevra_test::CaptureSink sink;
    tevra_logger *log = nullptr;
};

inline std::function<void(tevra_config &)> colored(const tevra_palette *palette = nullptr) {
    return [palette](tevra_config &cfg) {
        cfg.color = TEVRA_COLOR_ALWAYS;
        if (palette != nullptr) cfg.palette = palette;
    };
}

// The line with every ESC [ ... m sequence removed.
inline std::string strip_escapes(const std::string &line) {
    std::string out;
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '\x1b' && i + 1 < line.size() && line[i + 1] == '[') {
            size_t end = line.find('m', i);
            if (end == std::string::npos) break;
            i = end;
            continue;
        }
        out += line[i];
    }
    return out;
}

}  // namespace json_test

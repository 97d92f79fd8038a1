// SPDX-License-Identifier: MIT
// The shared test logger: creation on a capture sink and taking its lines.
#include "support/logger.hpp"

#include <gtest/gtest.h>

namespace tevra_test {

Logger::Logger(int mode, const Tune &tune) : log(new_logger(sink, mode, tune)) {}

Logger::~Logger() {
    if (log != nullptr) log->destroy(log);
}

void Logger::use_fixed_clock(int64_t second) {
    clock_second_ = second;
    set_clock(log, &fixed_clock, &clock_second_);
}

std::string Logger::take() {
    std::string text = take_text();
    EXPECT_FALSE(text.empty());
    if (text.empty()) return text;
    EXPECT_EQ(text.back(), '\n') << text;
    EXPECT_EQ(text.find('\n'), text.size() - 1) << "not one line: " << text;
    if (text.back() == '\n') text.pop_back();
    return text.substr(0, text.find('\n'));
}

std::string Logger::take_text() {
    std::string text = sink.text();
    sink.clear();
    return text;
}

std::string Logger::info(const char *msg, std::vector<tevra_field> fields) {
    tevra_info(log, msg, fields.data(), fields.size());
    return take();
}

tevra_logger *new_logger(CaptureSink &sink, int mode, const Logger::Tune &tune) {
    tevra_config cfg = capture_config(sink, mode);
    if (tune) tune(cfg);
    return tevra_new(&cfg);
}

std::string strip_escapes(const std::string &line) {
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

Logger::Tune colored(const tevra_palette *palette) {
    return [palette](tevra_config &cfg) {
        cfg.color = TEVRA_COLOR_ALWAYS;
        if (palette != nullptr) cfg.palette = palette;
    };
}

Logger::Tune color_policy(int color) {
    return [color](tevra_config &cfg) { cfg.color = color; };
}

Logger::Tune owning_output() {
    return [](tevra_config &cfg) { cfg.output.owns = 1; };
}

}  // namespace tevra_test

// SPDX-License-Identifier: MIT
// Turns input lines into output lines: JSON objects become console lines
// written by a tevra console logger, anything else is copied unchanged.
#pragma once

#include <tevra.h>

#include <string_view>
#include <vector>

#include "pretty/json_line.hpp"
#include "pretty/options.hpp"

namespace tevra_pretty {

class Printer {
  public:
    explicit Printer(const Options &opts);
    ~Printer();
    Printer(const Printer &) = delete;
    Printer &operator=(const Printer &) = delete;

    // False when the logger could not be created.
    bool ok() const { return log_ != nullptr; }

    // One input line without its line feed; `newline` tells whether it had
    // one (only the last line of an input may lack it).
    void line(std::string_view text, bool newline);

  private:
    void event(const std::vector<JsonMember> &members);
    void write_time(const JsonMember &time);

    tevra_logger *log_ = nullptr;
    const tevra_palette *palette_ = nullptr;
    bool color_ = false;
    bool reformat_time_ = false;
    std::vector<JsonMember> members_;  // reused from line to line
};

// Whether --color (and, for auto, the environment and standard output)
// asks for colour.
bool decide_color(Options::Color policy);

}  // namespace tevra_pretty

// SPDX-License-Identifier: MIT
// The level of the line this thread is writing, for sinks that speak to
// syslog or the journal. Set for the span of one line by the log entry
// points; TEVRA_LEVEL_DISABLED outside that span.
#pragma once

#include "tevra.h"

namespace tev {

// Levels outside -1..6 are rendered as info, so that is what a sink sees.
constexpr int line_level_of(int level) {
    return (level >= TEVRA_LEVEL_TRACE && level <= TEVRA_LEVEL_NOLEVEL) ? level : TEVRA_LEVEL_INFO;
}

int exchange_line_level(int level);
// The level of the line this thread is writing, TEVRA_LEVEL_DISABLED
// outside a line.
int line_level();

// Sets the line level for its lifetime and restores the previous value, so
// a sink that logs to another tree leaves the outer line's level intact.
class LineLevelScope {
  public:
    explicit LineLevelScope(int level) : previous_(exchange_line_level(line_level_of(level))) {}
    ~LineLevelScope() { exchange_line_level(previous_); }
    LineLevelScope(const LineLevelScope &) = delete;
    LineLevelScope &operator=(const LineLevelScope &) = delete;

  private:
    int previous_;
};

}  // namespace tev

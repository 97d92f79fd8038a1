// SPDX-License-Identifier: MIT
// The write loop as the line buffer uses it: pieces of one line, with what
// each output remembers between them, so that a line that failed part way
// is never continued and the next line never glued to its remains.
#pragma once

#include <cstddef>
#include <cstdint>

#include "tevra.h"

namespace tev {

// What the loop knows of one output between the pieces of a line and
// between lines. Kept in the shared record and touched only under
// write_lock.
struct OutputLineState {
    uint8_t failed;   // a piece of the current line failed: drop the rest
    uint8_t partial;  // the output took bytes of the current line, but not its end
    uint8_t broken;   // a failed line was left incomplete in the output
};

// Each output inside tees keeps its own state, up to this many outputs per
// logger tree; beyond that the remaining tee is treated as one output.
constexpr size_t kOutputLineSlots = 8;

enum class LinePiece { kFirst, kContinued };

// Hands one piece of a line to the logger tree's output in calls of at most
// `max_piece` bytes (0: no limit). The first piece of a line starts afresh
// on every output, after a line feed where an earlier line was left
// incomplete; later pieces reach only the outputs that took every earlier
// piece. Nothing is written when the record is closed or has no output.
// The caller holds write_lock.
void write_line_locked(tevra_shared *shared, const char *data, size_t len, size_t max_piece,
                       LinePiece piece);

}  // namespace tev

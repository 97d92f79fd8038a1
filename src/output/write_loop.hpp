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

// The road of a line to the output, lock included. A line that fits its
// buffer takes one call of write_finished_line. A longer one is written in
// pieces: start_long_line takes write_lock for the first, which the line
// keeps until its last piece went through write_finished_line (or it gave
// up with end_long_line), so no other line of the tree comes between.

// Takes write_lock for a long line. False when the line is to be dropped:
// the record is closed or has no output, or this thread writes a line of
// the tree already (a sink or a signal handler that logs); the lock is not
// held then.
bool start_long_line(tevra_shared *shared);
void end_long_line(tevra_shared *shared);
// Writes a line, or the last piece of a long line (`lock_held`), and
// releases write_lock. A refused lock drops the line.
void write_finished_line(tevra_shared *shared, const char *data, size_t len, size_t max_piece,
                         bool lock_held);

}  // namespace tev

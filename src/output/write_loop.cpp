// SPDX-License-Identifier: MIT
// The road of a finished line to the logger tree's output: the shared
// record's write_lock, the closed check, and the loop that hands the line
// over in pieces, completing short writes. The lock is held for a whole
// line, so the lines of one tree never interleave.
#include "output/write_loop.hpp"

#include <pthread.h>

#include "core/lock.hpp"
#include "core/shared.hpp"

namespace tev {
namespace {

constexpr unsigned char kLineFeed = '\n';

struct Piece {
    const unsigned char *bytes;
    size_t len;
    size_t max_piece;
    bool starts_line;
};

// The outputs a tee tree ends in, each of which keeps its own state.
size_t count_outputs(const tevra_output &out) {
    if (out.write != &tevra_tee_write || out.user_data == nullptr) return 1;
    const auto *tee = static_cast<const tevra_tee *>(out.user_data);
    return count_outputs(tee->first) + count_outputs(tee->second);
}

// Failures go unreported by design (an observed output is where an
// application learns of them); the output's state remembers them. A zero
// count is a failure too, or it would spin.
bool put(const tevra_output &out, OutputLineState &state, const unsigned char *bytes, size_t len,
         size_t max_piece) {
    size_t offset = 0;
    while (offset < len) {
        size_t piece = len - offset;
        if (max_piece != 0 && max_piece < piece) piece = max_piece;
        size_t got = 0;
        int rc = out.write(out.user_data, bytes + offset, piece, &got);
        // A sink that claims more than it was given took the whole call; the
        // loop never runs past its data.
        if (got > piece) got = piece;
        offset += got;
        if (got != 0) state.partial = bytes[offset - 1] != kLineFeed ? 1 : 0;
        if (rc != 0 || got == 0) {
            state.failed = 1;
            if (state.partial != 0) state.broken = 1;
            return false;
        }
    }
    return true;
}

// Once a piece of a line failed, its later pieces would arrive as a tail
// without a head; they are dropped instead. A line left incomplete in the
// output gets its line feed ahead of the next line, which thus starts on a
// line of its own.
void write_output(const tevra_output &out, OutputLineState &state, const Piece &p) {
    if (p.starts_line) {
        state.failed = 0;
        state.partial = 0;
        if (state.broken != 0) {
            if (!put(out, state, &kLineFeed, 1, 0)) return;
            state.broken = 0;
        }
    }
    if (state.failed == 0) put(out, state, p.bytes, p.len, p.max_piece);
}

// Tees are walked here rather than written through their own operation, so
// that each output they hold fails, drops and recovers on its own: a log
// file keeps receiving a long line whole while a closed terminal beside it
// takes nothing.
void deliver(const tevra_output &out, OutputLineState *states, size_t slots, const Piece &p) {
    if (out.write == nullptr) return;
    if (slots > 1 && out.write == &tevra_tee_write && out.user_data != nullptr) {
        const auto *tee = static_cast<const tevra_tee *>(out.user_data);
        size_t first = count_outputs(tee->first);
        if (first > slots - 1) first = slots - 1;
        deliver(tee->first, states, first, p);
        deliver(tee->second, states + first, slots - first, p);
        return;
    }
    write_output(out, states[0], p);
}

}  // namespace

void write_line_locked(tevra_shared *shared, const char *data, size_t len, size_t max_piece,
                       LinePiece piece) {
    if (shared == nullptr || data == nullptr || len == 0) return;
    // Checked again under the lock: a line rendered just before another
    // thread closed the tree must not reach a closed sink.
    if (closed_flag(shared) != 0 || shared->output.write == nullptr) return;
    const Piece p{reinterpret_cast<const unsigned char *>(data), len, max_piece,
                  piece == LinePiece::kFirst};
    deliver(shared->output, shared->output_lines, kOutputLineSlots, p);
}

bool start_long_line(tevra_shared *shared) {
    // An output without a write swallows everything; no lock is needed to
    // know that, since the output never changes after creation.
    if (shared->output.write == nullptr) return false;
    if (!lock_mutex(shared, &shared->write_lock)) return false;
    if (closed_flag(shared)) {
        pthread_mutex_unlock(&shared->write_lock);
        return false;
    }
    return true;
}

void end_long_line(tevra_shared *shared) { pthread_mutex_unlock(&shared->write_lock); }

void write_finished_line(tevra_shared *shared, const char *data, size_t len, size_t max_piece,
                         bool lock_held) {
    if (!lock_held && !lock_mutex(shared, &shared->write_lock)) return;
    // Without a mid-line flush before it, this is the whole line.
    write_line_locked(shared, data, len, max_piece, lock_held ? LinePiece::kContinued : LinePiece::kFirst);
    pthread_mutex_unlock(&shared->write_lock);
}

}  // namespace tev

extern "C" {

// Called on its own, the loop writes a whole line.
void tevra_write_output_locked(tevra_shared *shared, const void *data, size_t len,
                               size_t max_piece) {
    tev::write_line_locked(shared, static_cast<const char *>(data), len, max_piece,
                             tev::LinePiece::kFirst);
}

}  // extern "C"

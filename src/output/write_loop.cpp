// SPDX-License-Identifier: MIT
// The loop that hands a finished line to the logger tree's output in
// pieces, completing short writes. It runs under the shared record's
// write_lock, so the lines of one tree never interleave.
#include "core/shared.hpp"
#include "tevra.h"

namespace tevra {
namespace {

void write_locked(tevra_shared *shared, const unsigned char *bytes, size_t len, size_t max_piece) {
    const tevra_output &out = shared->output;
    size_t offset = 0;
    while (offset < len) {
        size_t piece = len - offset;
        if (max_piece != 0 && max_piece < piece) piece = max_piece;
        size_t got = 0;
        int rc = out.write(out.user_data, bytes + offset, piece, &got);
        if (got > piece) got = piece;
        // Failures go unreported by design; an observed output is where an
        // application learns of them. A zero count would otherwise spin.
        if (rc != 0 || got == 0) return;
        offset += got;
    }
}

}  // namespace
}  // namespace tevra

extern "C" {

void tevra_write_output_locked(tevra_shared *shared, const void *data, size_t len,
                               size_t max_piece) {
    if (shared == nullptr || data == nullptr || len == 0) return;
    // Checked again under the lock: a line rendered just before another
    // thread closed the tree must not reach a closed sink.
    if (tevra::closed_flag(shared) != 0 || shared->output.write == nullptr) return;
    tevra::write_locked(shared, static_cast<const unsigned char *>(data), len, max_piece);
}

}  // extern "C"

// SPDX-License-Identifier: MIT
// The text a test appends to a line buffer of its own: for the writers that
// tests call directly rather than through a log line.
#pragma once

#include <tevra.h>

#include <cstddef>
#include <string>

namespace tevra_test {

// Runs `append` on a fresh buffer bound to `shared` (NULL: detached) with
// `size` bytes (0: the default) and returns what it holds afterwards.
template <typename Append>
std::string buffer_text(Append &&append, tevra_shared *shared = nullptr, size_t size = 0) {
    tevra_buffer b;
    tevra_buffer_init(&b, shared, size);
    append(&b);
    std::string out(b.data, b.len);
    tevra_buffer_destroy(&b);
    return out;
}

}  // namespace tevra_test

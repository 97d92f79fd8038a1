// SPDX-License-Identifier: MIT
// Text rendered once, with the ordinary writers, for an array of fixed size:
// the literals a logger builds at creation (console level fragments and
// message lead-in, coloured JSON members), the templates' key texts and the
// escaped timestamp. A text too long for its array is never stored cut
// short: the array is left empty and the line is built piece by piece.
#pragma once

#include <cstddef>
#include <cstring>
#include <string_view>

#include "text/buffer.hpp"
#include "tevra.h"

namespace tev {

// N is the size of the array the text goes into, NUL included.
template <size_t N>
class FixedText {
    static_assert(N >= 2 && N <= TEVRA_BUFFER_INLINE_CAPACITY, "rendering never allocates");

  public:
    static constexpr size_t kMax = N - 1;

    // The detached buffer holds one byte more than a stored text may, so a
    // text that is too long always shows as too long, even when growing the
    // buffer for the rest of it failed and the rest was dropped.
    FixedText() { buffer_init(&buf_, nullptr, N); }
    ~FixedText() { buffer_destroy(&buf_); }
    FixedText(const FixedText &) = delete;
    FixedText &operator=(const FixedText &) = delete;

    // Where the writers render to.
    tevra_buffer *buffer() { return &buf_; }
    std::string_view text() const { return {buf_.data, buf_.len}; }
    bool fits() const { return buf_.len <= kMax; }

    // Copies the text and its NUL into `out` when it fits; otherwise `out`
    // holds the empty text. `len` is the stored length, 0 when none.
    bool store(char (&out)[N], size_t &len) const {
        if (!fits()) {
            out[0] = '\0';
            len = 0;
            return false;
        }
        std::memcpy(out, buf_.data, buf_.len + 1);
        len = buf_.len;
        return true;
    }

  private:
    tevra_buffer buf_;
};

}  // namespace tev

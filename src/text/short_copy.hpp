// SPDX-License-Identifier: MIT
// Inline copies of the short runs lines are made of (keys, punctuation,
// numbers, colour escapes): up to 32 bytes without a call into the C
// library, by two possibly overlapping loads and stores of one width.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace tev {

// GCC follows every branch of copy_bytes with each constant source it is
// inlined for and reports the wide loads of branches that n rules out.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Warray-bounds"
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wstringop-overread"
#endif

template <class Word>
inline void copy_two_words(char *dst, const char *src, size_t n) {
    Word head;
    Word tail;
    std::memcpy(&head, src, sizeof head);
    std::memcpy(&tail, src + n - sizeof tail, sizeof tail);
    std::memcpy(dst, &head, sizeof head);
    std::memcpy(dst + n - sizeof tail, &tail, sizeof tail);
}

struct Bytes16 {
    uint64_t lo;
    uint64_t hi;
};

// Copies n bytes; reads and writes nothing outside [src, src + n) and
// [dst, dst + n). The ranges must not overlap.
inline void copy_bytes(char *dst, const char *src, size_t n) {
    if (__builtin_constant_p(n) || n > 32) {
        std::memcpy(dst, src, n);
    } else if (n > 16) {
        copy_two_words<Bytes16>(dst, src, n);
    } else if (n >= 8) {
        copy_two_words<uint64_t>(dst, src, n);
    } else if (n >= 4) {
        copy_two_words<uint32_t>(dst, src, n);
    } else if (n != 0) {
        dst[0] = src[0];
        dst[n / 2] = src[n / 2];
        dst[n - 1] = src[n - 1];
    }
}

#pragma GCC diagnostic pop

}  // namespace tev

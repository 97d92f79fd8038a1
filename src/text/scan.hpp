// SPDX-License-Identifier: MIT
// Finding the first byte of a text that a writer must look at on its own,
// 16 bytes at a time with SSE2 on x86-64 and 8 bytes a word elsewhere, so
// clean runs of text are trusted or copied without a decision per byte.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__x86_64__)
#include <emmintrin.h>
#endif

namespace tev {

// The byte classes the writers stop at. Every class holds the bytes below
// 0x20, NUL included, so a scan of NUL-terminated text also stops at its end.
enum class Stop : unsigned char {
    kJsonTrusted,     // may not stand raw between JSON quotes: controls, DEL, '"', '\', 0x80 and up
    kJsonEscape,      // the escaping writer's business: controls, '"', '\', '[', 0x80 and up
    kConsoleBare,     // forces a console value into quotes: 0x20 and below, '"', '=', '\', DEL
    kConsoleQuoted,   // escaped inside a quoted console value: controls, DEL, '"', '\'
    kConsoleMessage,  // escaped in a console message: controls, DEL
};

// One byte at a time: the tails of sized text, and the definition the word
// and vector forms below must agree with.
constexpr bool stops_at(Stop s, unsigned char c) {
    switch (s) {
        case Stop::kJsonTrusted: return c < 0x20 || c >= 0x7F || c == '"' || c == '\\';
        case Stop::kJsonEscape: return c < 0x20 || c >= 0x80 || c == '"' || c == '\\' || c == '[';
        case Stop::kConsoleBare: return c <= 0x20 || c == 0x7F || c == '"' || c == '=' || c == '\\';
        case Stop::kConsoleQuoted: return c < 0x20 || c == 0x7F || c == '"' || c == '\\';
        case Stop::kConsoleMessage: return c < 0x20 || c == 0x7F;
    }
    return true;
}

// Eight bytes in a 64-bit word. Each test sets the top bit of exactly the
// bytes it matches: no carry crosses from one byte into the next, so the
// result does not depend on byte order and every flagged byte is real.
struct WordScan {
    using Block = uint64_t;
    using Mask = uint64_t;
    static constexpr size_t kWidth = 8;
    static constexpr uint64_t kOnes = 0x0101010101010101ull;
    static constexpr uint64_t kHigh = 0x8080808080808080ull;
    static constexpr uint64_t kLow = 0x7F7F7F7F7F7F7F7Full;

    static Block load(const unsigned char *p) {
        Block w;
        std::memcpy(&w, p, sizeof w);
        return w;
    }

    // Bytes below n, for n in 1..0x80: the low seven bits plus 0x80 - n
    // reach the top bit exactly when they are at least n.
    static constexpr Mask below(Block w, unsigned n) { return ~(((w & kLow) + kOnes * (0x80 - n)) | w) & kHigh; }
    static constexpr Mask equal(Block w, unsigned char c) { return below(w ^ (kOnes * c), 1); }

    template <Stop S>
    static constexpr Mask stops(Block w) {
        if constexpr (S == Stop::kJsonTrusted) {
            return below(w, 0x20) | (w & kHigh) | equal(w, 0x7F) | equal(w, '"') | equal(w, '\\');
        } else if constexpr (S == Stop::kJsonEscape) {
            return below(w, 0x20) | (w & kHigh) | equal(w, '"') | equal(w, '\\') | equal(w, '[');
        } else if constexpr (S == Stop::kConsoleBare) {
            return below(w, 0x21) | equal(w, 0x7F) | equal(w, '"') | equal(w, '=') | equal(w, '\\');
        } else if constexpr (S == Stop::kConsoleQuoted) {
            return below(w, 0x20) | equal(w, 0x7F) | equal(w, '"') | equal(w, '\\');
        } else {
            return below(w, 0x20) | equal(w, 0x7F);
        }
    }

    // Index of the first flagged byte in memory order; `m` is not 0.
    static size_t first(Mask m) {
        if constexpr (std::endian::native == std::endian::little) {
            return static_cast<size_t>(std::countr_zero(m)) / 8;
        } else {
            return static_cast<size_t>(std::countl_zero(m)) / 8;
        }
    }

    // Clears the flags of the first `skip` bytes in memory order.
    static Mask drop_before(Mask m, size_t skip) {
        if constexpr (std::endian::native == std::endian::little) {
            return m & (~uint64_t{0} << (8 * skip));
        } else {
            return m & (~uint64_t{0} >> (8 * skip));
        }
    }

    // See VectorScan::load_aligned.
    using Aliased [[gnu::may_alias]] = uint64_t;
    __attribute__((no_sanitize("address", "thread"))) static Block load_aligned(const unsigned char *p) {
        return *reinterpret_cast<const Aliased *>(p);
    }
};

#if defined(__x86_64__)
// Sixteen bytes in an SSE2 register, one mask bit per byte.
struct VectorScan {
    using Block = __m128i;
    using Mask = unsigned;
    static constexpr size_t kWidth = 16;

    static Block load(const unsigned char *p) { return _mm_loadu_si128(reinterpret_cast<const __m128i *>(p)); }

    static Block equal(Block x, unsigned char c) { return _mm_cmpeq_epi8(x, _mm_set1_epi8(static_cast<char>(c))); }
    // Unsigned x <= c: the smaller of the two is x itself.
    static Block at_most(Block x, unsigned char c) {
        return _mm_cmpeq_epi8(_mm_min_epu8(x, _mm_set1_epi8(static_cast<char>(c))), x);
    }
    // Signed x < 0x20: the bytes below 0x20 and, read as negative, those of
    // 0x80 and up, in one comparison.
    static Block control_or_high(Block x) { return _mm_cmplt_epi8(x, _mm_set1_epi8(0x20)); }

    template <Stop S>
    static Mask stops(Block x) {
        Block m;
        if constexpr (S == Stop::kJsonTrusted) {
            m = _mm_or_si128(_mm_or_si128(control_or_high(x), equal(x, 0x7F)),
                             _mm_or_si128(equal(x, '"'), equal(x, '\\')));
        } else if constexpr (S == Stop::kJsonEscape) {
            m = _mm_or_si128(_mm_or_si128(control_or_high(x), equal(x, '[')),
                             _mm_or_si128(equal(x, '"'), equal(x, '\\')));
        } else if constexpr (S == Stop::kConsoleBare) {
            m = _mm_or_si128(_mm_or_si128(at_most(x, 0x20), equal(x, 0x7F)),
                             _mm_or_si128(_mm_or_si128(equal(x, '"'), equal(x, '\\')), equal(x, '=')));
        } else if constexpr (S == Stop::kConsoleQuoted) {
            m = _mm_or_si128(_mm_or_si128(at_most(x, 0x1F), equal(x, 0x7F)),
                             _mm_or_si128(equal(x, '"'), equal(x, '\\')));
        } else {
            m = _mm_or_si128(at_most(x, 0x1F), equal(x, 0x7F));
        }
        return static_cast<Mask>(_mm_movemask_epi8(m));
    }

    static size_t first(Mask m) { return static_cast<size_t>(std::countr_zero(m)); }
    static Mask drop_before(Mask m, size_t skip) { return m & (~0u << skip); }

    // The aligned block that holds the next bytes of a NUL-terminated text.
    // An aligned load never crosses a page boundary, so the block is mapped
    // even where it runs past the NUL; those bytes lie after the NUL (or
    // before the text, masked) and never decide anything. The sanitizers
    // would still report them as reads outside the object, so this one
    // helper is left uninstrumented.
    __attribute__((no_sanitize("address", "thread"))) static Block load_aligned(const unsigned char *p) {
        return _mm_load_si128(reinterpret_cast<const __m128i *>(p));
    }
};
using NativeScan = VectorScan;
#else
using NativeScan = WordScan;
#endif

// Index of the first byte of s[0, n) in class S, or n when there is none.
// Never reads at or past s + n.
template <Stop S, class Scan = NativeScan>
size_t find_stop_n(const char *s, size_t n) {
    const auto *p = reinterpret_cast<const unsigned char *>(s);
    size_t i = 0;
    for (; n - i >= Scan::kWidth; i += Scan::kWidth) {
        const auto m = Scan::template stops<S>(Scan::load(p + i));
        if (m != 0) return i + Scan::first(m);
    }
    if constexpr (Scan::kWidth > WordScan::kWidth) {
        if (n - i >= WordScan::kWidth) {
            const auto m = WordScan::stops<S>(WordScan::load(p + i));
            if (m != 0) return i + WordScan::first(m);
            i += WordScan::kWidth;
        }
    }
    for (; i < n; ++i) {
        if (stops_at(S, p[i])) return i;
    }
    return n;
}

// Index of the first byte of the NUL-terminated `s` in class S; its NUL
// at the latest. Reads whole aligned blocks (see load_aligned).
template <Stop S, class Scan = NativeScan>
size_t find_stop(const char *s) {
    const auto start = reinterpret_cast<uintptr_t>(s);
    const size_t skip = start % Scan::kWidth;
    auto block = start - skip;
    auto m = Scan::drop_before(Scan::template stops<S>(Scan::load_aligned(reinterpret_cast<const unsigned char *>(block))), skip);
    while (m == 0) {
        block += Scan::kWidth;
        m = Scan::template stops<S>(Scan::load_aligned(reinterpret_cast<const unsigned char *>(block)));
    }
    return block + Scan::first(m) - start;
}

}  // namespace tev

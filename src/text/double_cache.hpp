// SPDX-License-Identifier: MIT
// The shared record's cache of formatted doubles, filled and read by the
// double text writer (text/double_text.cpp) on many threads without a lock.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

namespace tev {

// One formatted double. `seq` is odd while a writer fills the slot; every
// member is only touched through atomic views, so renderers on many threads
// never race on it. The text is kept as words for those views.
struct DoubleCacheSlot {
    uint32_t seq;
    uint32_t text_len;  // 0 while the slot has never been filled
    uint64_t bits;      // the double's bit pattern
    uint64_t text[4];   // the "%.17g" text (at most 24 bytes), NUL-padded
};
constexpr size_t kDoubleCacheSlots = 32;

// The slot of a bit pattern: the top bits of the pattern times a large odd
// constant. One multiplication, and values that differ only in low
// mantissa bits or only in the exponent still spread over the slots.
constexpr size_t double_cache_slot(uint64_t bits) {
    constexpr unsigned kShift = 64 - std::countr_zero(kDoubleCacheSlots);
    return static_cast<size_t>((bits * 0x9E3779B97F4A7C15ull) >> kShift);
}

}  // namespace tev

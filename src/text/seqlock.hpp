// SPDX-License-Identifier: MIT
// The sequence locks of the shared record's caches (double texts, the
// timestamp, console key lead-ins): plain members read and written by
// many threads without a lock, every access through an atomic view.
//
// A writer claims an entry by moving its even sequence to the next odd
// value with an acquire exchange, stores the members with release stores
// and publishes by storing the next even value. A reader takes the
// sequence, loads the members with acquire loads, and trusts its copy only
// when the sequence is still the same even value. Release stores paired
// with acquire loads mean that a reader who saw any member of a new fill
// also sees that fill's claim. Nobody waits: a busy entry is simply not
// used. (Member stores are release and loads acquire rather than relaxed
// accesses with fences: the same instructions on x86, and ThreadSanitizer
// models them.)
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace tev::seq {

template <class T>
T load(T &member) {
    return std::atomic_ref<T>(member).load(std::memory_order_acquire);
}

template <class T>
void store(T &member, T value) {
    std::atomic_ref<T>(member).store(value, std::memory_order_release);
}

// The sequence a reader starts from; odd while a writer holds the entry.
inline uint32_t begin_read(uint32_t &seq) { return load(seq); }
inline bool busy(uint32_t seen) { return (seen & 1u) != 0; }
// True when no writer got in since begin_read returned `seen`.
inline bool still(uint32_t &seq, uint32_t seen) {
    return std::atomic_ref<uint32_t>(seq).load(std::memory_order_relaxed) == seen;
}

// Claims the entry from the even sequence `seen`; false when another writer
// got there first (the caller then does not cache).
inline bool claim(uint32_t &seq, uint32_t seen) {
    if (busy(seen)) return false;
    return std::atomic_ref<uint32_t>(seq).compare_exchange_strong(
        seen, seen + 1, std::memory_order_acquire, std::memory_order_relaxed);
}
inline void publish(uint32_t &seq, uint32_t seen) { store(seq, seen + 2); }

// Copies `words` words of an entry's text to `out`, word by word.
inline void load_words(char *out, uint64_t *text, size_t words) {
    for (size_t i = 0; i < words; ++i) {
        const uint64_t word = load(text[i]);
        std::memcpy(out + i * sizeof word, &word, sizeof word);
    }
}

// Stores `n` bytes as `words` NUL-padded words of an entry's text.
inline void store_words(uint64_t *text, size_t words, const char *bytes, size_t n) {
    for (size_t i = 0; i < words; ++i) {
        uint64_t word = 0;
        const size_t at = i * sizeof word;
        if (at < n) std::memcpy(&word, bytes + at, n - at < sizeof word ? n - at : sizeof word);
        store(text[i], word);
    }
}

}  // namespace tev::seq

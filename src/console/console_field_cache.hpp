// SPDX-License-Identifier: MIT
// The shared record's cache of console key lead-ins (space, colours,
// key, '='), filled and read by console/console_field_cache.cpp on many
// threads without a lock.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tev {

// One lead-in, found by the key's address, length and kind and confirmed
// against the key bytes it was built from. `seq` is even while the entry is
// stable and odd while a writer fills it. Every member is only touched
// through atomic views: readers copy a snapshot and discard it when `seq`
// moved meanwhile.
struct ConsoleFieldCacheEntry {
    uint32_t seq;
    uint32_t kind;
    const char *key;
    size_t key_len;
    size_t text_len;
    // The key's bytes, NUL-padded, for keys of up to 32 bytes: a hit is
    // confirmed word by word against the caller's key, without reading back
    // bytes just copied (longer keys compare the bytes inside `text`).
    uint64_t key_words[4];
    uint64_t text[16];  // the lead-in bytes, NUL-padded to whole words
};
constexpr size_t kConsoleCacheEntries = 256;

}  // namespace tev

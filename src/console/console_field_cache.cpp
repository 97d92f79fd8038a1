// SPDX-License-Identifier: MIT
// Console ` key=value` groups and the shared cache of their key lead-ins.
// The text before a value (reset, space, key colour, key, '=', reset, value
// colour) is rendered once per key and copied afterwards; the cache lives in
// the shared record and is used by every thread without a lock.
#include <bit>
#include <cstdint>
#include <cstring>

#include "text/console_string.hpp"
#include "console/console_encoder.hpp"
#include "console/key_lead_in.hpp"
#include "core/shared.hpp"
#include "text/buffer_fast.hpp"
#include "text/seqlock.hpp"

namespace tev::console {
namespace {

// Concurrency: each entry is a sequence lock (text/seqlock.hpp). Nobody
// ever waits: on any contention the group is written from a locally built
// lead-in, byte-for-byte what the entry would have held.
//
// Transparency: entries are found by key address, but a key's memory can
// be freed and reused for another key of the same length (bound keys are
// heap copies). A hit is therefore confirmed by comparing the key: keys of
// up to 32 bytes against the words of `key_words`, longer ones against the
// bytes stored inside the lead-in; a stale entry is refilled in place.

constexpr size_t kEntries = kConsoleCacheEntries;
constexpr size_t kProbes = 16;
constexpr size_t kTextWords = sizeof(ConsoleFieldCacheEntry::text) / sizeof(uint64_t);
constexpr size_t kTextMax = sizeof(ConsoleFieldCacheEntry::text) - 1;
constexpr size_t kKeyWords = sizeof(ConsoleFieldCacheEntry::key_words) / sizeof(uint64_t);
constexpr size_t kWordKeyMax = kKeyWords * sizeof(uint64_t);
static_assert(kEntries == 256 && kTextMax == 127);

// Whole words that hold `len` text bytes and the NUL after them.
constexpr size_t words_with_nul(size_t len) { return (len + sizeof(uint64_t)) / sizeof(uint64_t); }

// A lead-in as it travels to and from an entry, in whole words.
struct LeadIn {
    alignas(8) char bytes[kTextWords * sizeof(uint64_t)];
    size_t len;

    void add(const char *text, size_t n) {
        if (n == 0) return;
        std::memcpy(bytes + len, text, n);
        len += n;
    }
};

// Word i of the key, NUL-padded, read without touching a byte past the
// key's end. The same function fills and checks `key_words`, so the words
// compare equal exactly when the bytes do, on any byte order.
uint64_t key_word(const char *key, size_t len, size_t i) {
    const size_t start = i * sizeof(uint64_t);
    if (start >= len) return 0;
    const size_t n = len - start;
    uint64_t word;
    if (n >= sizeof word) {
        std::memcpy(&word, key + start, sizeof word);
        return word;
    }
    if constexpr (std::endian::native == std::endian::little) {
        if (len >= sizeof word) {
            // The last eight bytes of the key, shifted down to its tail.
            std::memcpy(&word, key + len - sizeof word, sizeof word);
            return word >> (8 * (sizeof word - n));
        }
    }
    word = 0;
    for (size_t k = 0; k < n; ++k) {
        uint64_t byte = static_cast<unsigned char>(key[start + k]);
        if constexpr (std::endian::native == std::endian::little) {
            word |= byte << (8 * k);
        } else {
            word |= byte << (8 * (sizeof word - 1 - k));
        }
    }
    return word;
}

// The lead-in length the field calls for, or 0 when it does not fit an
// entry (and the group is then written uncached).
size_t lead_in_length(const tevra_shared *s, const tevra_field &f, uint32_t kind) {
    if (f.key_len > kTextMax) return 0;
    size_t len = f.key_len + 2;
    if (s->color) {
        len += s->color_lens[kKeyColor] + 2 * s->color_lens[kReset] + value_color(s, kind).len;
    }
    return len <= kTextMax ? len : 0;
}

// Where the key bytes start inside a lead-in of this shared record.
size_t key_offset(const tevra_shared *s) {
    return s->color ? s->color_lens[kReset] + 1 + s->color_lens[kKeyColor] : 1;
}

void build_lead_in(const tevra_shared *s, const tevra_field &f, uint32_t kind, LeadIn &p) {
    p.len = 0;
    auto add = [&p](const char *text, size_t n) { p.add(text, n); };
    build_key_lead_in(
        s, add, [&] { p.add(f.key, f.key_len); }, kind_row(kind).console_color,
        LeadInSpace::kAfterReset);
}

void write_group(tevra_buffer *b, const LeadIn &p, const tevra_field &f) {
    put(b, p.bytes, p.len);
    append_value(b, f);
}

// Written straight into the line: the space comes before the first reset,
// and an untrusted key, which has no recorded length, is read to its NUL
// with its control bytes escaped so it can neither end the line nor reach
// the terminal as an escape sequence.
void write_uncached(const tevra_shared *s, tevra_buffer *b, const tevra_field &f, uint32_t kind) {
    auto add = [b](const char *text, size_t n) { put(b, text, n); };
    auto key = [&] {
        if (f.key_trusted) {
            put(b, f.key, f.key_len);
        } else {
            tev::append_console_message(b, f.key);
        }
    };
    build_key_lead_in(s, add, key, kind_row(kind).console_color, LeadInSpace::kBeforeReset);
    append_value(b, f);
}

// Claims the entry from the even sequence `seen`, fills it and publishes it;
// the group is written either way.
void fill(const tevra_shared *s, ConsoleFieldCacheEntry &e, uint32_t seen, tevra_buffer *b,
          const tevra_field &f, uint32_t kind) {
    LeadIn p;
    build_lead_in(s, f, kind, p);
    if (seq::claim(e.seq, seen)) {
        seq::store(e.kind, kind);
        seq::store(e.key, f.key);
        seq::store(e.key_len, f.key_len);
        seq::store(e.text_len, p.len);
        for (size_t i = 0; i < kKeyWords; ++i) {
            seq::store(e.key_words[i], f.key_len <= kWordKeyMax ? key_word(f.key, f.key_len, i) : 0);
        }
        seq::store_words(e.text, kTextWords, p.bytes, p.len);
        seq::publish(e.seq, seen);
    }
    write_group(b, p, f);
}

// Copies the lead-in of an entry already matched by key, kind and length.
// False when a writer interfered; `p` then holds nothing usable.
bool snapshot(ConsoleFieldCacheEntry &e, uint32_t seen, LeadIn &p) {
    p.len = seq::load(e.text_len);
    if (p.len > kTextMax) return false;
    seq::load_words(p.bytes, e.text, words_with_nul(p.len));
    return seq::still(e.seq, seen);
}

// True when the entry's key words are those of the field's key (of at most
// kWordKeyMax bytes).
bool same_key_words(ConsoleFieldCacheEntry &e, const tevra_field &f) {
    const size_t words = (f.key_len + sizeof(uint64_t) - 1) / sizeof(uint64_t);
    for (size_t i = 0; i < words; ++i) {
        if (seq::load(e.key_words[i]) != key_word(f.key, f.key_len, i)) {
            return false;
        }
    }
    return true;
}

// Copies an entry confirmed by key words straight into the line, as whole
// words. False when the room for the words is short or a writer interfered;
// nothing is then added to the line.
bool copy_into_line(ConsoleFieldCacheEntry &e, uint32_t seen, tevra_buffer *b, size_t len) {
    const size_t words = words_with_nul(len);
    if (b->cap - b->len < words * sizeof(uint64_t)) return false;
    seq::load_words(b->data + b->len, e.text, words);
    if (!seq::still(e.seq, seen)) return false;
    b->len += len;
    b->data[b->len] = '\0';
    return true;
}

void write_local(const tevra_shared *s, tevra_buffer *b, const tevra_field &f, uint32_t kind) {
    LeadIn p;
    build_lead_in(s, f, kind, p);
    write_group(b, p, f);
}

void append_cached(tevra_shared *s, tevra_buffer *b, const tevra_field &f, uint32_t kind,
                   size_t expected_len) {
    const auto address = reinterpret_cast<uintptr_t>(f.key);
    const size_t home = (f.key_len ^ (size_t{kind} << 3) ^ (address >> 4)) & (kEntries - 1);
    for (size_t k = 0; k < kProbes; ++k) {
        ConsoleFieldCacheEntry &e = s->console_field_cache[(home + k) & (kEntries - 1)];
        const uint32_t seen = seq::begin_read(e.seq);
        if (seq::busy(seen)) {
            // Being filled by another thread: never wait for it.
            write_local(s, b, f, kind);
            return;
        }
        const char *key = seq::load(e.key);
        if (key == nullptr) {
            fill(s, e, seen, b, f, kind);
            return;
        }
        if (key != f.key || seq::load(e.kind) != kind || seq::load(e.key_len) != f.key_len) {
            continue;
        }
        if (f.key_len <= kWordKeyMax) {
            if (seq::load(e.text_len) != expected_len || !same_key_words(e, f)) {
                // The key's memory now holds another key: the entry is stale.
                fill(s, e, seen, b, f, kind);
                return;
            }
            if (copy_into_line(e, seen, b, expected_len)) {
                append_value(b, f);
                return;
            }
            // Short of room, or being rewritten: the entry is read as below.
        }
        LeadIn p;
        if (!snapshot(e, seen, p)) {
            write_local(s, b, f, kind);
            return;
        }
        if (p.len != expected_len ||
            std::memcmp(p.bytes + key_offset(s), f.key, f.key_len) != 0) {
            // The key's memory now holds another key: the entry is stale.
            fill(s, e, seen, b, f, kind);
            return;
        }
        write_group(b, p, f);
        return;
    }
    // Every probe passed over: the key takes its home entry.
    ConsoleFieldCacheEntry &e = s->console_field_cache[home];
    const uint32_t seen = seq::begin_read(e.seq);
    if (seq::busy(seen)) {
        write_local(s, b, f, kind);
    } else {
        fill(s, e, seen, b, f, kind);
    }
}

}  // namespace

void append_field(tevra_shared *s, tevra_buffer *b, const tevra_field &f) {
    const uint32_t kind = kind_code(f);
    // Untrusted keys have no length to key the cache with.
    const size_t len = f.key_trusted ? lead_in_length(s, f, kind) : 0;
    if (len == 0) {
        write_uncached(s, b, f, kind);
        return;
    }
    append_cached(s, b, f, kind, len);
}

void append_fields(tevra_shared *s, tevra_buffer *b, const tevra_field *fields, size_t count) {
    if (fields == nullptr) return;
    for (size_t i = 0; i < count; ++i) {
        const tevra_field &f = fields[i];
        if (!has_key(f)) continue;
        append_field(s, b, f);
    }
}

}  // namespace tev::console

extern "C" {

void tevra_append_console_field_cached(tevra_shared *shared, tevra_buffer *buf,
                                       const tevra_field *field) {
    if (shared == nullptr || !tev::usable(buf) || field == nullptr || field->key == nullptr) {
        return;
    }
    tev::console::append_field(shared, buf, *field);
}

void tevra_append_console_field_prefix(tevra_shared *shared, tevra_buffer *buf,
                                       const tevra_field *fields, size_t count) {
    if (shared == nullptr || !tev::usable(buf)) return;
    tev::console::append_fields(shared, buf, fields, count);
}

}  // extern "C"

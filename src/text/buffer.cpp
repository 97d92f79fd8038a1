// SPDX-License-Identifier: MIT
// The line buffer. Bound to a shared record it flushes to the output when
// full and keeps write_lock from the first mid-line flush to the end of the
// line, so a long line never interleaves with another; detached it grows on
// the heap and serves as a string builder for the literal caches.

#include <atomic>
#include <cstring>

#include "core/shared.hpp"
#include "text/hex_digits.hpp"
#include "text/buffer.hpp"
#include "text/buffer_fast.hpp"

namespace tev {
namespace {

constexpr size_t kDefaultSize = TEVRA_BUFFER_DEFAULT_SIZE;
constexpr size_t kInlineCapacity = TEVRA_BUFFER_INLINE_CAPACITY;

void discard(tevra_buffer *b) {
    b->len = 0;
    b->data[0] = '\0';
}

void unlock_write(tevra_buffer *b) {
    end_long_line(b->shared);
    b->lock_held = 0;
}

// Writes what the buffer holds and empties it; write_lock is held.
void write_held(tevra_buffer *b, LinePiece piece) {
    write_line_locked(b->shared, b->data, b->len, b->write_chunk, piece);
    discard(b);
}

std::atomic_ref<char *> spare_slot(tevra_shared *s, size_t i) {
    return std::atomic_ref<char *>(s->spare_line_blocks[i]);
}

// Line buffers larger than the inline area come from the shared record's
// spare blocks, so that a logger configured with a large buffer costs no
// allocation per line. Every bound buffer of a record has its buffer_size,
// so every spare block fits every line. Any thread may take or give back a
// block at any time, hence the atomic exchanges.
char *take_spare_block(tevra_shared *s) {
    for (size_t i = 0; i < kSpareLineBlocks; ++i) {
        if (spare_slot(s, i).load(std::memory_order_relaxed) == nullptr) continue;
        char *block = spare_slot(s, i).exchange(nullptr, std::memory_order_acquire);
        if (block != nullptr) return block;
    }
    return nullptr;
}

bool give_back_block(tevra_shared *s, char *block) {
    for (size_t i = 0; i < kSpareLineBlocks; ++i) {
        char *empty = nullptr;
        if (spare_slot(s, i).compare_exchange_strong(empty, block, std::memory_order_release,
                                                     std::memory_order_relaxed)) {
            return true;
        }
    }
    return false;
}

// A heap block of `size` + 1 bytes for a line buffer; NULL when none can be
// had. SIZE_MAX leaves no room for the NUL and counts as a failure.
char *line_block(tevra_shared *s, size_t size) {
    if (size == ~size_t{0}) return nullptr;
    if (s != nullptr && size == s->buffer_size) {
        if (char *spare = take_spare_block(s)) return spare;
    }
    return static_cast<char *>(tevra_malloc_internal(size + 1));
}

}  // namespace

void free_spare_line_blocks(tevra_shared *s) {
    for (size_t i = 0; i < kSpareLineBlocks; ++i) {
        tevra_free_internal(spare_slot(s, i).exchange(nullptr, std::memory_order_acquire));
    }
}

char *buffer_init(tevra_buffer *b, tevra_shared *shared, size_t size) {
    b->shared = shared;
    b->lock_held = 0;
    b->owns_data = 0;
    b->data = b->inline_storage;
    if (size == 0) size = kDefaultSize;
    b->cap = size;
    b->write_chunk = size;
    if (size > kInlineCapacity) {
        // One more byte for the NUL; on failure fall back to the inline area
        // but keep handing the output pieces of the requested size.
        char *heap = line_block(shared, size);
        if (heap != nullptr) {
            b->data = heap;
            b->owns_data = 1;
        } else {
            b->cap = kInlineCapacity;
        }
    }
    discard(b);
    return b->data;
}

int buffer_reserve(tevra_buffer *b, size_t need) {
    if (b->cap >= need) return 0;
    size_t cap = b->cap == 0 ? 1 : b->cap;
    constexpr size_t kTopBit = ~(~size_t{0} >> 1);
    while (cap < need) {
        if (cap & kTopBit) {
            cap = need;
            break;
        }
        cap *= 2;
    }
    if (cap == ~size_t{0}) return -1;  // no room for the NUL
    char *grown;
    if (b->owns_data) {
        grown = static_cast<char *>(tevra_realloc_internal(b->data, cap + 1));
        if (grown == nullptr) return -1;
    } else {
        grown = static_cast<char *>(tevra_malloc_internal(cap + 1));
        if (grown == nullptr) return -1;
        std::memcpy(grown, b->data, b->len);
        grown[b->len] = '\0';
        b->owns_data = 1;
    }
    b->data = grown;
    b->cap = cap;
    return 0;
}

void buffer_make_room(tevra_buffer *b) {
    if (b->len == 0) return;
    tevra_shared *s = b->shared;
    if (s == nullptr) {
        buffer_reserve(b, b->cap == 0 ? 1 : 2 * b->cap);
        return;
    }
    if (!b->lock_held) {
        // A refused line is dropped piece by piece. No tail can follow
        // without its head: a re-entered call ends before the outer line
        // releases the lock, so every later attempt of the inner line is
        // refused as well.
        if (!start_long_line(s)) {
            discard(b);
            return;
        }
        b->lock_held = 1;
        write_held(b, LinePiece::kFirst);
        return;
    }
    if (closed_flag(s)) {
        unlock_write(b);
        discard(b);
        return;
    }
    write_held(b, LinePiece::kContinued);
}

void buffer_append_n(tevra_buffer *b, const char *src, size_t n) {
    while (n > 0) {
        if (b->len == b->cap) {
            buffer_make_room(b);
            if (!usable(b) || b->len == b->cap) return;
        }
        size_t room = b->cap - b->len;
        size_t take = n < room ? n : room;
        std::memcpy(b->data + b->len, src, take);
        b->len += take;
        b->data[b->len] = '\0';
        src += take;
        n -= take;
    }
}

void buffer_append_char(tevra_buffer *b, char c) {
    if (b->len == b->cap) {
        buffer_make_room(b);
        if (!usable(b) || b->len == b->cap) return;
    }
    b->data[b->len++] = c;
    b->data[b->len] = '\0';
}

void buffer_append_bytes_hex(tevra_buffer *b, const void *p, size_t n) {
    const auto *bytes = static_cast<const unsigned char *>(p);
    for (size_t i = 0; i < n; ++i) {
        put_char(b, kHexDigits[bytes[i] >> 4]);
        put_char(b, kHexDigits[bytes[i] & 0x0F]);
    }
}

void buffer_finish_line(tevra_buffer *b) { buffer_append_char(b, '\n'); }

void write_buffer(tevra_shared *s, tevra_buffer *b) {
    if (b->len == 0) {
        // Normal use always ends a line with '\n', but never leave a lock
        // behind whatever the caller did.
        if (b->lock_held && b->shared != nullptr) unlock_write(b);
        b->lock_held = 0;
        return;
    }
    if (s == nullptr) {
        if (b->lock_held && b->shared != nullptr) unlock_write(b);
        discard(b);
        return;
    }
    write_finished_line(s, b->data, b->len, b->write_chunk, b->lock_held != 0);
    b->lock_held = 0;
    discard(b);
}

void buffer_destroy(tevra_buffer *b) {
    // A line abandoned after a mid-line flush still holds write_lock; left
    // held, it would stop every later line of the tree.
    if (b->lock_held && b->shared != nullptr) unlock_write(b);
    // An owned block always holds cap + 1 bytes, so one of the record's
    // line size can serve the next line.
    if (b->owns_data) {
        tevra_shared *s = b->shared;
        bool kept = s != nullptr && b->cap == s->buffer_size && give_back_block(s, b->data);
        if (!kept) tevra_free_internal(b->data);
    }
    b->shared = nullptr;
    b->data = b->inline_storage;
    b->len = 0;
    b->cap = kInlineCapacity;
    b->write_chunk = kDefaultSize;
    b->lock_held = 0;
    b->owns_data = 0;
    b->inline_storage[0] = '\0';
}

}  // namespace tev

extern "C" {

char *tevra_buffer_init(tevra_buffer *buf, tevra_shared *shared, size_t size) {
    return buf ? tev::buffer_init(buf, shared, size) : nullptr;
}

int tevra_buffer_reserve(tevra_buffer *buf, size_t need) {
    return buf ? tev::buffer_reserve(buf, need) : -1;
}

void tevra_buffer_flush(tevra_buffer *buf) {
    if (tev::usable(buf)) tev::buffer_make_room(buf);
}

void tevra_buffer_append_char(tevra_buffer *buf, char c) {
    if (tev::usable(buf)) tev::buffer_append_char(buf, c);
}

void tevra_buffer_append_n(tevra_buffer *buf, const char *src, size_t n) {
    if (tev::usable(buf) && src != nullptr) tev::buffer_append_n(buf, src, n);
}

void tevra_buffer_append_cstr(tevra_buffer *buf, const char *s) {
    if (tev::usable(buf) && s != nullptr) tev::buffer_append_n(buf, s, std::strlen(s));
}

void tevra_buffer_append_bytes_hex(tevra_buffer *buf, const void *p, size_t n) {
    if (tev::usable(buf) && p != nullptr) tev::buffer_append_bytes_hex(buf, p, n);
}

void tevra_buffer_finish_line(tevra_buffer *buf) {
    if (tev::usable(buf)) tev::buffer_finish_line(buf);
}

void tevra_write_buffer(tevra_shared *shared, tevra_buffer *buf) {
    if (buf != nullptr && buf->data != nullptr) tev::write_buffer(shared, buf);
}

void tevra_buffer_destroy(tevra_buffer *buf) {
    if (buf != nullptr) tev::buffer_destroy(buf);
}

}  // extern "C"

// SPDX-License-Identifier: MIT
// The line buffer. Bound to a shared record it flushes to the output when
// full and keeps write_lock from the first mid-line flush to the end of the
// line, so a long line never interleaves with another; detached it grows on
// the heap and serves as a string builder for the literal caches.
#include <pthread.h>

#include <cstring>

#include "core/lock.hpp"
#include "core/shared.hpp"
#include "text/buffer_fast.hpp"

namespace tevra {
namespace {

constexpr size_t kDefaultSize = TEVRA_BUFFER_DEFAULT_SIZE;
constexpr size_t kInlineCapacity = TEVRA_BUFFER_INLINE_CAPACITY;
constexpr char kHexDigits[] = "0123456789abcdef";

void discard(tevra_buffer *b) {
    b->len = 0;
    b->data[0] = '\0';
}

void unlock_write(tevra_buffer *b) {
    pthread_mutex_unlock(&b->shared->write_lock);
    b->lock_held = 0;
}

// Writes what the buffer holds and empties it; write_lock is held.
void write_held(tevra_buffer *b) {
    tevra_write_output_locked(b->shared, b->data, b->len, b->write_chunk);
    discard(b);
}

}  // namespace

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
        // SIZE_MAX leaves no room for the NUL: treat it as a failed allocation.
        auto *heap = size == ~size_t{0} ? nullptr : static_cast<char *>(tevra_malloc_internal(size + 1));
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

void buffer_flush(tevra_buffer *b) {
    if (b->len == 0) return;
    tevra_shared *s = b->shared;
    if (s == nullptr) {
        buffer_reserve(b, b->cap == 0 ? 1 : 2 * b->cap);
        return;
    }
    if (!b->lock_held) {
        // An output without a write swallows everything; no lock is needed
        // to know that, since the output never changes after creation.
        if (s->output.write == nullptr) {
            discard(b);
            return;
        }
        // Refused when this thread is already writing a line of the tree
        // (a sink or a signal handler that logs): this line is dropped,
        // piece by piece, since every later attempt is refused as well.
        if (!lock_mutex(s, &s->write_lock)) {
            discard(b);
            return;
        }
        b->lock_held = 1;
        if (closed_flag(s) || s->output.write == nullptr) {
            unlock_write(b);
            discard(b);
            return;
        }
        write_held(b);
        return;
    }
    if (closed_flag(s)) {
        unlock_write(b);
        discard(b);
        return;
    }
    write_held(b);
}

void buffer_append_n(tevra_buffer *b, const char *src, size_t n) {
    while (n > 0) {
        if (b->len == b->cap) {
            buffer_flush(b);
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
    if (!b->lock_held && !lock_mutex(s, &s->write_lock)) {
        discard(b);
        return;
    }
    tevra_write_output_locked(s, b->data, b->len, b->write_chunk);
    pthread_mutex_unlock(&s->write_lock);
    b->lock_held = 0;
    discard(b);
}

void buffer_destroy(tevra_buffer *b) {
    if (b->owns_data) tevra_free_internal(b->data);
    b->shared = nullptr;
    b->data = b->inline_storage;
    b->len = 0;
    b->cap = kInlineCapacity;
    b->write_chunk = kDefaultSize;
    b->lock_held = 0;
    b->owns_data = 0;
    b->inline_storage[0] = '\0';
}

}  // namespace tevra

extern "C" {

char *tevra_buffer_init(tevra_buffer *buf, tevra_shared *shared, size_t size) {
    return buf ? tevra::buffer_init(buf, shared, size) : nullptr;
}

int tevra_buffer_reserve(tevra_buffer *buf, size_t need) {
    return buf ? tevra::buffer_reserve(buf, need) : -1;
}

void tevra_buffer_flush(tevra_buffer *buf) {
    if (tevra::usable(buf)) tevra::buffer_flush(buf);
}

void tevra_buffer_append_char(tevra_buffer *buf, char c) {
    if (!tevra::usable(buf)) return;
    if (buf->len == buf->cap) {
        tevra::buffer_flush(buf);
        if (!tevra::usable(buf) || buf->len == buf->cap) return;
    }
    buf->data[buf->len++] = c;
    buf->data[buf->len] = '\0';
}

void tevra_buffer_append_n(tevra_buffer *buf, const char *src, size_t n) {
    if (tevra::usable(buf) && src != nullptr) tevra::buffer_append_n(buf, src, n);
}

void tevra_buffer_append_cstr(tevra_buffer *buf, const char *s) {
    if (s != nullptr) tevra_buffer_append_n(buf, s, std::strlen(s));
}

void tevra_buffer_append_bytes_hex(tevra_buffer *buf, const void *p, size_t n) {
    if (!tevra::usable(buf) || p == nullptr) return;
    const auto *bytes = static_cast<const unsigned char *>(p);
    for (size_t i = 0; i < n; ++i) {
        tevra::put_char(buf, tevra::kHexDigits[bytes[i] >> 4]);
        tevra::put_char(buf, tevra::kHexDigits[bytes[i] & 0x0F]);
    }
}

void tevra_buffer_finish_line(tevra_buffer *buf) { tevra_buffer_append_char(buf, '\n'); }

void tevra_write_buffer(tevra_shared *shared, tevra_buffer *buf) {
    if (buf != nullptr && buf->data != nullptr) tevra::write_buffer(shared, buf);
}

void tevra_buffer_destroy(tevra_buffer *buf) {
    if (buf != nullptr) tevra::buffer_destroy(buf);
}

}  // extern "C"

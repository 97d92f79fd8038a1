// SPDX-License-Identifier: MIT
// Text of doubles: "nan", "inf", "-inf" or the "%.17g" text, with a 32-slot
// cache in the shared record so that repeated values skip the formatter. The
// cache is filled while lines are rendered, on many threads and without a lock.
#include <atomic>
#include <cfloat>
#include <cstdint>
#include <cstring>

#include "core/shared.hpp"
#include "text/buffer_fast.hpp"
#include "text/double_format.hpp"
#include "text/number_text.hpp"
#include "text/seqlock.hpp"

namespace tev {
namespace {

// Each slot is a sequence lock (text/seqlock.hpp); a writer that loses the
// claim just does not cache.
using Slot = DoubleCacheSlot;

constexpr size_t kTextWords = sizeof(Slot::text) / sizeof(Slot::text[0]);
constexpr size_t kSlotTextMax = sizeof(Slot::text) - 1;
// "%.17g" is at most 24 characters: sign, 17 digits, point, "e-308".
static_assert(kSlotTextMax >= 24, "a slot holds every %.17g text");
static_assert(std::atomic_ref<uint64_t>::is_always_lock_free && std::atomic_ref<uint32_t>::is_always_lock_free,
              "the slots are read and written without locks");
static_assert(alignof(Slot) >= std::atomic_ref<uint64_t>::required_alignment);

constexpr size_t kScratch = 64;
static_assert(kScratch >= kG17Room, "the formatter has the room it writes in");
static_assert(sizeof(Slot::text) == kDoubleTextRoom, "a cached text is copied as whole words");

struct Text {
    char bytes[kScratch];
    size_t len;
};

// Finite values only: the words for NaN and the infinities are written
// before this is reached.
Text format_g17(double x) {
    Text t;
    t.len = format_double_g17(x, t.bytes);
    return t;
}

uint64_t bits_of(double x) {
    uint64_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    return bits;
}

// Copies the slot's words to `out` (kDoubleTextRoom bytes of room) and
// returns the text's length when the slot holds `bits` and was stable for
// the whole copy. Otherwise returns 0 and leaves in `seen` the even
// sequence a writer may claim, or an odd one when it must not; `out` then
// holds bytes to be overwritten.
size_t read_slot(Slot &slot, uint64_t bits, char *out, uint32_t &seen) {
    seen = seq::begin_read(slot.seq);
    if (seq::busy(seen)) return 0;
    const uint32_t len = seq::load(slot.text_len);
    if (len == 0 || len > kSlotTextMax || seq::load(slot.bits) != bits) return 0;
    seq::load_words(out, slot.text, kTextWords);
    if (!seq::still(slot.seq, seen)) {
        seen = 1;  // someone is rewriting it: leave the slot to them
        return 0;
    }
    return len;
}

void fill_slot(Slot &slot, uint32_t seen, uint64_t bits, const Text &text) {
    if (text.len == 0 || text.len > kSlotTextMax || !seq::claim(slot.seq, seen)) return;
    seq::store(slot.text_len, static_cast<uint32_t>(text.len));
    seq::store(slot.bits, bits);
    seq::store_words(slot.text, kTextWords, text.bytes, text.len);
    seq::publish(slot.seq, seen);
}

}  // namespace

char *write_finite_double(tevra_shared *shared, char *out, double x) {
    if (shared == nullptr) {
        const Text t = format_g17(x);
        copy_bytes(out, t.bytes, t.len);
        return out + t.len;
    }
    // 0.0 and -0.0 differ in their bits, so they are different keys.
    const uint64_t bits = bits_of(x);
    Slot &slot = shared->double_cache[double_cache_slot(bits)];
    uint32_t seen = 1;
    if (const size_t len = read_slot(slot, bits, out, seen); len != 0) return out + len;
    const Text t = format_g17(x);
    fill_slot(slot, seen, bits, t);
    copy_bytes(out, t.bytes, t.len);
    return out + t.len;
}

void append_double(tevra_buffer *b, double x) {
    if (x != x) {
        put(b, "nan", 3);
        return;
    }
    if (x > DBL_MAX) {
        put(b, "inf", 3);
        return;
    }
    if (x < -DBL_MAX) {
        put(b, "-inf", 4);
        return;
    }
    if (b->cap - b->len >= kDoubleTextRoom) {
        char *end = write_finite_double(b->shared, b->data + b->len, x);
        b->len = static_cast<size_t>(end - b->data);
        b->data[b->len] = '\0';
        return;
    }
    char text[kDoubleTextRoom];
    const size_t n = static_cast<size_t>(write_finite_double(b->shared, text, x) - text);
    put(b, text, n);
}

}  // namespace tev

extern "C" void tevra_buffer_append_double(tevra_buffer *buf, double value) {
    if (!tev::usable(buf)) return;
    tev::append_double(buf, value);
}

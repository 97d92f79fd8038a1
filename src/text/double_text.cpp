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
#include "text/fnv1a.hpp"

namespace tev {
namespace {

// Each slot is a small seqlock. A writer claims a slot by moving its
// sequence from even to odd with a CAS, stores the members, and publishes by
// storing the next even value; a writer that loses the claim just does not
// cache. A reader takes the sequence, copies the members, and trusts the
// copy only when the sequence is still the same even value. Every member
// access is atomic, so a torn copy is detected rather than racing. Member
// stores are release and member loads acquire instead of relaxed access
// with fences: same instructions on x86, and ThreadSanitizer models them.
using Slot = DoubleCacheSlot;

constexpr size_t kTextWords = sizeof(Slot::text) / sizeof(Slot::text[0]);
constexpr size_t kSlotTextMax = sizeof(Slot::text) - 1;
// "%.17g" is at most 24 characters: sign, 17 digits, point, "e-308".
static_assert(kSlotTextMax >= 24, "a slot holds every %.17g text");
static_assert(kDoubleCacheSlots == 32, "the slot is hash & 31");
static_assert(std::atomic_ref<uint64_t>::is_always_lock_free && std::atomic_ref<uint32_t>::is_always_lock_free,
              "the slots are read and written without locks");
static_assert(alignof(Slot) >= std::atomic_ref<uint64_t>::required_alignment);

constexpr size_t kScratch = 64;
static_assert(kScratch >= kG17Room, "the formatter has the room it writes in");

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

// Hashes the double's bytes as they lie in memory.
size_t slot_index(double x) {
    unsigned char bytes[sizeof x];
    std::memcpy(bytes, &x, sizeof x);
    return fnv1a(bytes, sizeof bytes) & (kDoubleCacheSlots - 1);
}

template <typename T>
T load(T &member) {
    return std::atomic_ref<T>(member).load(std::memory_order_acquire);
}

template <typename T>
void store(T &member, T value) {
    std::atomic_ref<T>(member).store(value, std::memory_order_release);
}

// Copies the slot's text into `out` when it holds `bits` and was stable for
// the whole copy. Otherwise returns false and leaves in `seen` the even
// sequence a writer may claim, or an odd one when it must not.
bool read_slot(Slot &slot, uint64_t bits, Text &out, uint32_t &seen) {
    seen = load(slot.seq);
    if (seen & 1u) return false;
    const uint32_t len = load(slot.text_len);
    if (len == 0 || len > kSlotTextMax || load(slot.bits) != bits) return false;
    uint64_t words[kTextWords];
    for (size_t i = 0; i < kTextWords; ++i) words[i] = load(slot.text[i]);
    if (load(slot.seq) != seen) {
        seen = 1;  // someone is rewriting it: leave the slot to them
        return false;
    }
    std::memcpy(out.bytes, words, sizeof words);
    out.len = len;
    return true;
}

void fill_slot(Slot &slot, uint32_t seen, uint64_t bits, const Text &text) {
    if ((seen & 1u) || text.len == 0 || text.len > kSlotTextMax) return;
    if (!std::atomic_ref<uint32_t>(slot.seq)
             .compare_exchange_strong(seen, seen + 1, std::memory_order_acquire, std::memory_order_relaxed)) {
        return;
    }
    uint64_t words[kTextWords] = {};
    std::memcpy(words, text.bytes, text.len);
    store(slot.text_len, static_cast<uint32_t>(text.len));
    store(slot.bits, bits);
    for (size_t i = 0; i < kTextWords; ++i) store(slot.text[i], words[i]);
    store(slot.seq, seen + 2);
}

}  // namespace

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
    if (b->shared == nullptr) {
        const Text t = format_g17(x);
        put(b, t.bytes, t.len);
        return;
    }
    // 0.0 and -0.0 differ in their bits, so they are different keys.
    const uint64_t bits = bits_of(x);
    Slot &slot = b->shared->double_cache[slot_index(x)];
    Text t;
    uint32_t seen = 1;
    if (read_slot(slot, bits, t, seen)) {
        put(b, t.bytes, t.len);
        return;
    }
    t = format_g17(x);
    fill_slot(slot, seen, bits, t);
    put(b, t.bytes, t.len);
}

}  // namespace tev

extern "C" void tevra_buffer_append_double(tevra_buffer *buf, double value) {
    if (!tev::usable(buf)) return;
    tev::append_double(buf, value);
}

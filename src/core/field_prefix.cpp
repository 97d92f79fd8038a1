// SPDX-License-Identifier: MIT
// The bound-field prefix of a derived logger: its fields rendered once, in
// the logger's mode and colours, into the exact bytes every line pastes
// after the message.
#include <cstring>
#include <limits>

#include "core/core.hpp"
#include "core/field_copy.hpp"
#include "core/kind_table.hpp"
#include "core/shared.hpp"
#include "text/buffer.hpp"
#include "text/field_record.hpp"

namespace tev {
namespace {

constexpr size_t kMax = std::numeric_limits<size_t>::max();
constexpr size_t kInline = TEVRA_BUFFER_INLINE_CAPACITY;

// Saturating arithmetic: an absurd estimate must fail the allocation, not
// wrap around into a small one.
size_t add(size_t a, size_t b) { return a > kMax - b ? kMax : a + b; }
size_t mul(size_t a, size_t b) { return (b != 0 && a > kMax / b) ? kMax : a * b; }

// The kind table's allowance, plus the room the value's length calls for.
size_t kind_allowance(const tevra_field &f, bool json) {
    const uint32_t kind = kind_code(f);
    const size_t fixed = kind_row(kind).allowance;
    // value_len is recorded for trusted and for sized values (whose NUL
    // bytes take six bytes each in JSON and four in console lines); other
    // text has none, and the rendering loop grows for it.
    if (kind == TEVRA_FIELD_STRING) return add(mul(f.value_len, json ? 6 : 4), fixed);
    if (kind == TEVRA_FIELD_BYTES) return add(mul(f.value.bytes.len, 2), fixed);
    return fixed;
}

// Sized so that rendering normally fits without growing; the keys count
// six times in JSON for worst-case escaping.
size_t estimate_capacity(const tevra_logger_state *state) {
    const tevra_shared *s = state->shared;
    const bool json = s->mode == TEVRA_MODE_JSON;
    size_t overhead = json ? 4 : 2;
    if (s->color && s->palette != nullptr) {
        constexpr ColorSlot kUsed[] = {kKeyColor,       kStringColor,  kNumberColor, kBoolColor,
                                       kNullColor,      kTimestampColor, kMessageColor, kReset};
        for (ColorSlot slot : kUsed) overhead = add(overhead, s->color_lens[slot]);
    }
    size_t total = 32;
    for (size_t i = 0; i < state->field_count; ++i) {
        const tevra_field &f = state->fields[i];
        if (!has_key(f)) continue;
        total = add(total, overhead);
        total = add(total, mul(f.key_len, json ? 6 : 1));
        total = add(total, kind_allowance(f, json));
    }
    return total;
}

// A detached buffer drops text it cannot grow for, and a later growth may
// still succeed, so a dropped piece leaves no mark in the result. Rendering
// that never needed to grow lost nothing; otherwise it is done again with
// room to spare, until it fits or an allocation fails.
[[nodiscard]] int render_prefix(tevra_logger_state *state) {
    size_t want = estimate_capacity(state);
    for (;;) {
        // Growing through reserve keeps an absurd estimate from overflowing
        // the size computation of the first block.
        const size_t first = want < kInline ? want : kInline;
        tevra_buffer b;
        buffer_init(&b, nullptr, first);
        if (buffer_reserve(&b, want) != 0) {
            buffer_destroy(&b);
            return -1;
        }
        const size_t room = b.cap;
        state->shared->encoder->bound_fields(state->shared, &b, state->fields, state->field_count);
        if (b.cap == room && b.len < room) {
            if (b.len != 0) {
                auto *copy = static_cast<char *>(memdup_local(b.data, b.len + 1));
                if (copy == nullptr) {
                    buffer_destroy(&b);
                    return -1;
                }
                state->prefix = copy;
                state->prefix_len = b.len;
            }
            buffer_destroy(&b);
            return 0;
        }
        const size_t grown = b.cap > room ? b.cap : room;
        buffer_destroy(&b);
        if (grown >= kMax / 2) return -1;
        want = grown * 2;
    }
}

}  // namespace

int build_field_prefix(tevra_logger_state *state) {
    tevra_free_internal(state->prefix);
    state->prefix = nullptr;
    state->prefix_len = 0;
    if (state->field_count == 0 || state->fields == nullptr) return 0;
    return render_prefix(state);
}

}  // namespace tev

extern "C" int tevra_build_field_prefix(tevra_logger_state *state) {
    if (state == nullptr || state->shared == nullptr) return -1;
    return tev::build_field_prefix(state);
}

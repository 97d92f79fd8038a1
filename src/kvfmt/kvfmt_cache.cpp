// SPDX-License-Identifier: MIT
// The per-tree template cache: 512 layouts found by text hash in an 8-slot
// probe window, with a 256-slot index by template address in front. Every
// lookup and fill runs under the shared record's `lock`; a filled slot is
// never changed while the record lives, so encoders read it unlocked.
#include <cstdint>
#include <cstring>
#include <string_view>

#include "console/key_lead_in.hpp"
#include "core/kind_table.hpp"
#include "core/lock.hpp"
#include "core/shared.hpp"
#include "kvfmt/kvfmt.hpp"
#include "text/buffer_fast.hpp"
#include "text/fixed_text.hpp"
#include "text/fnv1a.hpp"
#include "text/json_string.hpp"

namespace tev::kvfmt {
namespace {

constexpr size_t kProbeWindow = 8;

size_t index_slot(const char *address) {
    auto a = reinterpret_cast<uintptr_t>(address);
    uintptr_t x = a ^ (a >> 4);
    return static_cast<size_t>((x ^ (x >> 9)) & 0xFF);
}

bool same_text(const tevra_kvfmt_layout &layout, const char *text, size_t len) {
    return layout.template_text != nullptr && layout.template_len == len &&
           std::memcmp(layout.template_text, text, len) == 0;
}

// A key text: rendered whole, stored only when it fits. Too long, it is
// left empty and the encoders build the text on the fly.
using KeyText = FixedText<sizeof(tevra_kvfmt_entry::json_key)>;
static_assert(sizeof(tevra_kvfmt_entry::console_prefix) == sizeof(tevra_kvfmt_entry::json_key));

}  // namespace

void prepare_entry(const tevra_shared *s, tevra_kvfmt_layout *layout) {
    for (uint32_t i = 0; i < layout->count; ++i) {
        tevra_kvfmt_entry &e = layout->entries[i];
        {
            KeyText t;
            tevra_buffer *b = t.buffer();
            auto add = [b](const char *p, size_t n) { put(b, p, n); };
            console::build_key_lead_in(
                s, add, [&] { put(b, e.key, e.key_len); }, verb_lead_in_color(e.verb),
                console::LeadInSpace::kAfterReset);
            t.store(e.console_prefix, e.console_prefix_len);
        }
        {
            KeyText t;
            tevra_buffer *b = t.buffer();
            if (const Color key = color(s, kKeyColor); s->color && key.present()) put(b, key.text, key.len);
            // Raw when it is UTF-8, escaped otherwise (the grammar lets any
            // byte above 0x7F into a key).
            append_json_string_maybe_trusted_n(b, e.key, e.key_len);
            put_char(b, ':');
            t.store(e.json_key, e.json_key_len);
        }
    }
}

int resolve_locked(tevra_shared *s, const char *text, tevra_kvfmt_layout *scratch, tevra_kvfmt_layout **out) {
    *out = nullptr;
    // The scratch is caller storage in any state and never owns a copy:
    // cleared first, the parser's reset frees nothing of it and the caller
    // may free its copy whatever the answer.
    scratch->template_copy = nullptr;
    if (text == nullptr) return 0;
    if (s == nullptr) {
        if (parse_layout(scratch, text, 0) != 0) return -1;
        *out = scratch;
        return 0;
    }
    const size_t len = std::strlen(text);
    const size_t slot = index_slot(text);
    KvfmtIndexSlot *index = s->kvfmt_index;
    if (index != nullptr && index[slot].address == text && index[slot].layout != nullptr &&
        same_text(*index[slot].layout, text, len)) {
        *out = index[slot].layout;
        return 0;
    }

    const uint32_t hash = fnv1a(std::string_view(text, len));
    tevra_kvfmt_layout *found = nullptr;
    tevra_kvfmt_layout *empty = nullptr;
    for (size_t k = 0; k < kProbeWindow; ++k) {
        tevra_kvfmt_layout &candidate = s->kvfmt_entries[(hash + k) & (kKvfmtCacheSlots - 1)];
        if (candidate.template_text == nullptr) {
            if (empty == nullptr) empty = &candidate;
            continue;
        }
        if (candidate.hash == hash && same_text(candidate, text, len)) {
            found = &candidate;
            break;
        }
    }
    if (found == nullptr && empty != nullptr && parse_layout(empty, text, 1) == 0) {
        prepare_entry(s, empty);
        found = empty;
    }
    if (found == nullptr) {
        // A full window, or no memory for the slot's copy of the text (the
        // slot then stays empty): the template is parsed into the caller's
        // scratch on every use and nothing is evicted. So only a template
        // that does not parse fails here; a good event is never lost to a
        // failed allocation.
        if (parse_layout(scratch, text, 0) != 0) return -1;
        prepare_entry(s, scratch);
        *out = scratch;
        return 0;
    }
    if (index != nullptr) index[slot] = KvfmtIndexSlot{text, found};
    *out = found;
    return 0;
}

int resolve(tevra_shared *s, const char *text, tevra_kvfmt_layout *scratch,
                   tevra_kvfmt_layout **out) {
    if (s == nullptr) return resolve_locked(nullptr, text, scratch, out);
    MutexLock guard(s, &s->lock);
    // Re-entered while this thread resolves a template: parsed uncached.
    if (!guard.held()) return resolve_locked(nullptr, text, scratch, out);
    return resolve_locked(s, text, scratch, out);
}

}  // namespace tev::kvfmt

extern "C" {

void tevra_prepare_kvfmt_cache_entry(tevra_shared *shared, tevra_kvfmt_layout *layout) {
    if (shared != nullptr && layout != nullptr && layout->count != 0) {
        tev::kvfmt::prepare_entry(shared, layout);
    }
}

int tevra_resolve_kvfmt_entry(tevra_shared *shared, const char *kvfmt, tevra_kvfmt_layout *scratch,
                              tevra_kvfmt_layout **out) {
    if (out == nullptr) return -1;
    *out = nullptr;
    if (scratch == nullptr) return -1;
    return tev::kvfmt::resolve_locked(shared, kvfmt, scratch, out);
}

}  // extern "C"

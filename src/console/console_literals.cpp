// SPDX-License-Identifier: MIT
// The fixed pieces of a console line, rendered once when a logger is made:
// the eight level fragments (label, in the level's colour when colour is on)
// and the message lead-in, the text that precedes the message.
#include <string_view>

#include "console/console.hpp"
#include "console/console_encoder.hpp"
#include "core/level_table.hpp"
#include "core/shared.hpp"
#include "text/buffer_fast.hpp"
#include "text/fixed_text.hpp"

namespace tev::console {
namespace {

constexpr std::string_view label(int level) { return level_row(level).label; }
static_assert(label(TEVRA_LEVEL_DISABLED) == "INF" && label(7) == "INF");
static_assert(label(TEVRA_LEVEL_NOLEVEL) == "---");

using FragmentText = FixedText<sizeof(tevra_shared::level_fragments[0])>;
using MessageLeadInText = FixedText<sizeof(tevra_shared::console_literal)>;

}  // namespace

void build_level_fragment(tevra_shared *s, int level, int index) {
    const std::string_view text = label(level);
    const Color colour = level_color(s, level);
    if (s->color && colour.present()) {
        FragmentText coloured;
        put_color(coloured.buffer(), colour);
        put(coloured.buffer(), text);
        put_color(coloured.buffer(), color(s, kReset));
        if (coloured.store(s->level_fragments[index], s->level_fragment_lens[index])) return;
    }
    // A colour too long for the slot leaves the label plain rather than
    // dropping it or its reset.
    FragmentText plain;
    put(plain.buffer(), text);
    plain.store(s->level_fragments[index], s->level_fragment_lens[index]);
}

// The space before the message and, with colour on, the message colour.
// Too long, it is left unbuilt and written piece by piece.
void build_message_literal(tevra_shared *s) {
    MessageLeadInText t;
    put_char(t.buffer(), ' ');
    if (s->color) put_color(t.buffer(), color(s, kMessageColor));
    t.store(s->console_literal, s->console_literal_len);
}

void build_literals(tevra_shared *s) {
    for (int level = TEVRA_LEVEL_TRACE; level <= TEVRA_LEVEL_NOLEVEL; ++level) {
        build_level_fragment(s, level, level_index(level));
    }
    build_message_literal(s);
}

void append_message_lead_in(const tevra_shared *s, tevra_buffer *b) {
    if (s->console_literal_len != 0) {
        put(b, s->console_literal, s->console_literal_len);
        return;
    }
    put_char(b, ' ');
    if (s->color) put_color(b, color(s, kMessageColor));
}

void append_level_label(const tevra_shared *s, tevra_buffer *b, int level) {
    const int index = level_index(level);
    put(b, s->level_fragments[index], s->level_fragment_lens[index]);
}

}  // namespace tev::console

extern "C" {

const char *tevra_level_console_label(int level) { return tev::console::label(level).data(); }

void tevra_build_console_level_fragment(tevra_shared *shared, int level, int index) {
    if (shared == nullptr || index < 0 || index >= tev::kLevelSlots) return;
    tev::console::build_level_fragment(shared, level, index);
}

void tevra_build_console_literals(tevra_shared *shared) {
    if (shared != nullptr) tev::console::build_message_literal(shared);
}

void tevra_append_level_label(tevra_shared *shared, tevra_buffer *buf, int level) {
    if (shared == nullptr || !tev::usable(buf)) return;
    tev::console::append_level_label(shared, buf, level);
}

void tevra_append_console_message_prefix(tevra_shared *shared, tevra_buffer *buf) {
    if (shared == nullptr || !tev::usable(buf)) return;
    tev::console::append_message_lead_in(shared, buf);
}

}  // extern "C"

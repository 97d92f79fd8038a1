// SPDX-License-Identifier: MIT
// The fixed pieces of a console line, rendered once when a logger is made:
// the eight level fragments (label, in the level's colour when colour is on)
// and the text that precedes the message.
#include <cstring>
#include <string_view>

#include "console/console.hpp"
#include "console/console_encoder.hpp"
#include "core/level_table.hpp"
#include "core/shared.hpp"
#include "text/buffer_fast.hpp"

namespace tev::console {
namespace {

constexpr std::string_view label(int level) { return level_row(level).label; }
static_assert(label(TEVRA_LEVEL_DISABLED) == "INF" && label(7) == "INF");
static_assert(label(TEVRA_LEVEL_NOLEVEL) == "---");

constexpr size_t kFragmentText = sizeof(tevra_shared::level_fragments) / kLevelSlots - 1;
constexpr size_t kLiteralText = sizeof(tevra_shared::console_literal) - 1;

}  // namespace

void build_level_fragment(tevra_shared *s, int level, int index) {
    const std::string_view text = label(level);
    char *out = s->level_fragments[index];
    size_t len = 0;
    const Color colour = level_color(s, level);
    const Color reset = color(s, kReset);
    // A colour too long for the slot leaves the label plain rather than
    // dropping it or its reset.
    if (s->color && colour.present() && colour.len + text.size() + reset.len <= kFragmentText) {
        std::memcpy(out, colour.text, colour.len);
        len = colour.len;
        std::memcpy(out + len, text.data(), text.size());
        len += text.size();
        if (reset.present()) {
            std::memcpy(out + len, reset.text, reset.len);
            len += reset.len;
        }
    } else {
        std::memcpy(out, text.data(), text.size());
        len = text.size();
    }
    out[len] = '\0';
    s->level_fragment_lens[index] = len;
}

void build_message_literal(tevra_shared *s) {
    const Color message = s->color ? color(s, kMessageColor) : Color{};
    const size_t len = 1 + (message.present() ? message.len : 0);
    if (len > kLiteralText) {
        // Left unbuilt: the message prefix is then written piece by piece.
        s->console_literal_len = 0;
        s->console_literal[0] = '\0';
        return;
    }
    s->console_literal[0] = ' ';
    if (message.present()) std::memcpy(s->console_literal + 1, message.text, message.len);
    s->console_literal[len] = '\0';
    s->console_literal_len = len;
}

void build_literals(tevra_shared *s) {
    for (int level = TEVRA_LEVEL_TRACE; level <= TEVRA_LEVEL_NOLEVEL; ++level) {
        build_level_fragment(s, level, level_index(level));
    }
    build_message_literal(s);
}

void append_message_prefix(const tevra_shared *s, tevra_buffer *b) {
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
    tev::console::append_message_prefix(shared, buf);
}

}  // extern "C"

// SPDX-License-Identifier: MIT
// The coloured JSON literals that a root logger renders once at creation
// (level and "loglevel" members per level, the opening of the message, the
// text around the timestamp), the renderers they are made with, and the
// palette lookup by role that every coloured writer uses.
#include "text/buffer.hpp"
#include "text/fixed_text.hpp"
#include "core/core.hpp"
#include "palette/palette.hpp"
#include "json/json_constants.hpp"
#include "json/json_writer.hpp"

namespace tev::json {
namespace {

using LiteralText = FixedText<sizeof(JsonColorLiterals::message_open)>;
static_assert(sizeof(JsonColorLiterals::level_members[0]) == sizeof(JsonColorLiterals::message_open));

void put_colored(tevra_buffer *b, std::string_view color, std::string_view text) {
    put(b, color);
    put(b, text);
}

// Renders one literal and stores it when it fits.
template <class Render>
void build(char (&text)[LiteralText::kMax + 1], size_t &len, Render &&render) {
    LiteralText t;
    render(t.buffer());
    t.store(text, len);
}

}  // namespace

void build_color_literals(tevra_shared *s) {
    JsonColorLiterals &lit = s->json_color_literals;
    for (int i = 0; i < kLevelSlots; ++i) {
        const int level = i - 1;
        build(lit.level_members[i], lit.level_member_lens[i],
              [&](tevra_buffer *b) { render_level_member(s, b, level, kLevelMember); });
        build(lit.loglevel_members[i], lit.loglevel_member_lens[i],
              [&](tevra_buffer *b) { render_level_member(s, b, level, kLoglevelMember); });
    }
    build(lit.message_open, lit.message_open_len, [&](tevra_buffer *b) { render_message_open(s, b); });
    build(lit.time_open, lit.time_open_len, [&](tevra_buffer *b) { render_time_open(s, b); });
    build(lit.time_close, lit.time_close_len, [&](tevra_buffer *b) { render_time_close(s, b); });
}

std::string_view palette_color(const tevra_shared *s, ColorSlot slot) {
    if (s == nullptr || s->palette == nullptr) return {};
    const Color c = color(s, slot);
    if (!c.present()) return {};
    return {c.text, c.len};
}

void render_time_open(const tevra_shared *s, tevra_buffer *b) {
    put_colored(b, palette_color(s, kKeyColor), key_fragments(s->verbose_fields != 0).time);
    put(b, palette_color(s, kReset));
    put_colored(b, palette_color(s, kTimestampColor), "\"");
}

void render_time_close(const tevra_shared *s, tevra_buffer *b) {
    put_char(b, '"');
    put(b, palette_color(s, kReset));
}

void render_message_open(const tevra_shared *s, tevra_buffer *b) {
    put_colored(b, palette_color(s, kMessageKeyColor), key_fragments(s->verbose_fields != 0).message);
    put(b, palette_color(s, kMessageColor));
}

void render_level_member(const tevra_shared *s, tevra_buffer *b, int level, LevelSelector which) {
    const std::string_view key =
        which == kLoglevelMember ? kLoglevelKey : key_fragments(s->verbose_fields != 0).level;
    put_colored(b, palette_color(s, kKeyColor), key);
    const std::string_view level_color{tev::level_color_text(*s->palette, level),
                                       tev::level_color_len(s, level)};
    put_colored(b, level_color, "\"");
    put(b, tev::level_name(level).data(), tev::level_name(level).size());
    put_char(b, '"');
    put(b, palette_color(s, kReset));
}

}  // namespace tev::json

extern "C" {

void tevra_build_json_color_literals(tevra_shared *shared) {
    if (shared != nullptr) tev::json::build_color_literals(shared);
}

void tevra_append_json_color_literal(tevra_buffer *buf, const char *color, size_t color_len,
                                     const char *text, size_t text_len) {
    if (!tev::usable(buf)) return;
    if (color != nullptr && color_len != 0) tev::put(buf, color, color_len);
    if (text != nullptr) tev::put(buf, text, text_len);
}

void tevra_append_json_color_string(tevra_buffer *buf, const char *color, size_t color_len,
                                    const char *text, size_t text_len) {
    tevra_append_json_color_literal(buf, color, color_len, text, text_len);
}

}  // extern "C"

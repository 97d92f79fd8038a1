// SPDX-License-Identifier: MIT
// Level colours, from a palette or from a logger's cached colour lengths,
// and the two helpers that append a colour to a line buffer.
#include <cstring>

#include "core/level_table.hpp"
#include "core/shared.hpp"
#include "palette/palette.hpp"
#include "text/buffer_fast.hpp"

namespace tev {
namespace {

// The level table's colour slot; every code outside it is coloured as info,
// as it is labelled.
constexpr int level_color_slot(int level) { return level_row(level).color; }

// trace .. panic have a colour each; nolevel's slot reads the null colour.
const char *palette_level_color(const tevra_palette &p, int level) {
    return p.*kSlotMember[level_color_slot(level)];
}

static_assert(level_color_slot(TEVRA_LEVEL_TRACE) == kTraceColor);
static_assert(level_color_slot(TEVRA_LEVEL_PANIC) == kPanicColor);
static_assert(level_color_slot(TEVRA_LEVEL_NOLEVEL) == kNolevelColor);
static_assert(level_color_slot(TEVRA_LEVEL_DISABLED) == kInfoColor && level_color_slot(-2) == kInfoColor);

void append_color(tevra_buffer *buf, const char *color, size_t len) {
    if (buf == nullptr || color == nullptr || len == 0) return;
    put(buf, color, len);
}

}  // namespace

// A palette of the application's own may leave a colour NULL; callers get
// "" then too, so the result can always be read as a string.
const char *level_color_text(const tevra_palette &p, int level) {
    const char *color = palette_level_color(p, level);
    return color != nullptr ? color : "";
}

size_t level_color_len(const tevra_shared *s, int level) { return s->color_lens[level_color_slot(level)]; }

}  // namespace tev

extern "C" {

const char *tevra_level_color(const tevra_palette *palette, int level) {
    return palette != nullptr ? tev::level_color_text(*palette, level) : "";
}

size_t tevra_level_color_len(const tevra_shared *shared, int level) {
    return shared != nullptr ? tev::level_color_len(shared, level) : 0;
}

void tevra_apply_color(tevra_buffer *buf, const char *color, int enabled) {
    if (enabled == 0 || color == nullptr) return;
    tev::append_color(buf, color, std::strlen(color));
}

void tevra_apply_color_len(tevra_buffer *buf, const char *color, size_t len, int enabled) {
    if (enabled == 0) return;
    tev::append_color(buf, color, len);
}

}  // extern "C"

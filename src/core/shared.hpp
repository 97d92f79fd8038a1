// SPDX-License-Identifier: MIT
// The shared record behind a logger tree: output, settings, both mutexes,
// the reference count and every cache that makes a log call cheap. One
// zeroed heap block per root logger; derived loggers point at it. Each
// cache is declared by the room that fills it; this file only assembles
// them.
#pragma once

#include <pthread.h>

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "console/console_field_cache.hpp"
#include "core/color_slots.hpp"
#include "core/encoder.hpp"
#include "core/level_slots.hpp"
#include "json/json_color_literals.hpp"
#include "kvfmt/kvfmt_cache.hpp"
#include "output/write_loop.hpp"
#include "text/double_cache.hpp"
#include "text/timestamp_cache.hpp"
#include "tevra.h"

namespace tev {

// Twice a cache line: members this far apart never share one.
constexpr size_t kMutexSpacing = 128;
static_assert(sizeof(pthread_mutex_t) <= kMutexSpacing);

using TimeNowFn = int (*)(void *user, int64_t *sec, long *nsec);

// Heap line buffers (buffer_size + 1 bytes) kept for reuse when a line ends;
// slots are taken and filled through atomic views. Freed with the record
// by free_spare_line_blocks (text/buffer.cpp).
constexpr size_t kSpareLineBlocks = 4;
void free_spare_line_blocks(tevra_shared *s);

}  // namespace tev

struct tevra_shared {
    // The two mutexes lie 128 bytes apart and the settings start 128 bytes
    // after the second, so wherever the block starts no cache line holds
    // both mutexes, or a mutex and the settings every line reads.
    pthread_mutex_t lock;  // refcount, kvfmt cache and index, timestamp cache writers
    char lock_line[tev::kMutexSpacing - sizeof(pthread_mutex_t)];
    pthread_mutex_t write_lock;  // output, closed, close_result; held while a line is written
    char write_lock_line[tev::kMutexSpacing - sizeof(pthread_mutex_t)];
    tevra_output output;
    tev::OutputLineState output_lines[tev::kOutputLineSlots];  // under write_lock
    char *spare_line_blocks[tev::kSpareLineBlocks];
    int mode;
    int non_finite_null;
    size_t buffer_size;
    int level;
    int timestamps;
    int ts_cacheable;
    int utc;
    int verbose_fields;
    int color;
    const tev::Encoder *encoder;  // chosen from mode and colour at creation
    char *time_format;
    const tevra_palette *palette;
    size_t color_lens[tev::kColorLensCount];
    size_t level_fragment_lens[tev::kLevelSlots];
    char level_fragments[tev::kLevelSlots][64];
    tev::JsonColorLiterals json_color_literals;
    size_t console_literal_len;
    char console_literal[128];
    int closed;        // read without a lock through closed_flag()
    int close_result;
    unsigned refcount;
    unsigned fork_generation;  // the process's fork count when last locked; see core/lock.hpp
    tev::TimestampCache ts_cache;
    tev::TimeNowFn time_now;
    void *time_user;
    tevra_kvfmt_layout kvfmt_entries[tev::kKvfmtCacheSlots];
    tev::KvfmtIndexSlot *kvfmt_index;
    tev::ConsoleFieldCacheEntry console_field_cache[tev::kConsoleCacheEntries];
    tev::DoubleCacheSlot double_cache[tev::kDoubleCacheSlots];
};

namespace tev {

// The palette member behind each slot of `color_lens`, in that order.
inline constexpr const char *tevra_palette::*kSlotMember[kColorLensCount] = {
    &tevra_palette::key_color,     &tevra_palette::string_color,
    &tevra_palette::number_color,  &tevra_palette::bool_color,
    &tevra_palette::null_color,    &tevra_palette::timestamp_color,
    &tevra_palette::message_color, &tevra_palette::message_key_color,
    &tevra_palette::reset,         &tevra_palette::trace_color,
    &tevra_palette::debug_color,   &tevra_palette::info_color,
    &tevra_palette::warn_color,    &tevra_palette::error_color,
    &tevra_palette::fatal_color,   &tevra_palette::panic_color,
    &tevra_palette::null_color,
};
static_assert(sizeof(kSlotMember) / sizeof(kSlotMember[0]) == kColorLensCount);

// One palette colour with its cached length; absent when NULL or empty.
struct Color {
    const char *text = nullptr;
    size_t len = 0;
    constexpr bool present() const { return text != nullptr && len != 0; }
};

inline Color color(const tevra_shared *s, int slot) {
    return Color{s->palette->*kSlotMember[slot], s->color_lens[slot]};
}

// `closed` is written under write_lock and read by the level filter without
// it; every access goes through an atomic view so the two never race.
inline int closed_flag(const tevra_shared *s) {
    return std::atomic_ref<int>(const_cast<int &>(s->closed)).load(std::memory_order_acquire);
}
inline void set_closed_flag(tevra_shared *s) {
    std::atomic_ref<int>(s->closed).store(1, std::memory_order_release);
}

}  // namespace tev

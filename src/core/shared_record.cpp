// SPDX-License-Identifier: MIT
// Construction of a root logger and the life of its shared record: the
// reference count, closing the owned sink once for the whole tree, and the
// last release that frees everything.
#include <pthread.h>

#include <atomic>
#include <cerrno>
#include <cstring>

#include "core/config.hpp"
#include "core/core.hpp"
#include "core/field_copy.hpp"
#include "core/lock.hpp"
#include "core/shared.hpp"
#include "output/output.hpp"
#include "palette/palette.hpp"

namespace tev {
namespace {

size_t length_of(const char *s) { return s != nullptr ? std::strlen(s) : 0; }

// Measured once so the encoders never call strlen on a colour.
void measure_palette(tevra_shared *s) {
    for (int i = 0; i < kColorLensCount; ++i) s->color_lens[i] = length_of(s->palette->*kSlotMember[i]);
}

int resolve_color(const tevra_config &cfg) {
    if (cfg.color == TEVRA_COLOR_ALWAYS) return 1;
    if (cfg.color == TEVRA_COLOR_NEVER) return 0;
    if (cfg.output.isatty == nullptr) return 0;
    return cfg.output.isatty(cfg.output.user_data) != 0 ? 1 : 0;
}

void destroy_record(tevra_shared *s) {
    close_shared(s, 1);
    for (tevra_kvfmt_layout &layout : s->kvfmt_entries) {
        tevra_free_internal(layout.template_copy);
        std::memset(&layout, 0, sizeof layout);
    }
    tevra_free_internal(s->time_format);
    tevra_free_internal(s->kvfmt_index);
    free_spare_line_blocks(s);
    pthread_mutex_destroy(&s->write_lock);
    pthread_mutex_destroy(&s->lock);
    tevra_free_internal(s);
}

// A creation that fails before the record holds the output: frees what there
// is of the record and closes the output when it is owned.
tevra_logger *fail_before_record(tevra_config cfg, tevra_shared *s) {
    tevra_free_internal(s);
    output_destroy(&cfg.output);
    return nullptr;
}

}  // namespace

tevra_logger *new_logger(const tevra_config *given) {
    const tevra_config cfg = effective_config(given);

    // Every failure closes an owned output, before the record exists as
    // after, so a caller never has to guess whether it is still open.
    auto *s = static_cast<tevra_shared *>(tevra_calloc_internal(1, sizeof(tevra_shared)));
    if (s == nullptr) return fail_before_record(cfg, nullptr);
    if (init_record_mutex(&s->lock) != 0) {
        return fail_before_record(cfg, s);
    }
    if (init_record_mutex(&s->write_lock) != 0) {
        pthread_mutex_destroy(&s->lock);
        return fail_before_record(cfg, s);
    }

    s->fork_generation = fork_generation.load(std::memory_order_relaxed);
    s->output = cfg.output;
    s->mode = cfg.mode;
    s->non_finite_null = cfg.non_finite_null == 1 ? 1 : 0;
    s->buffer_size = cfg.buffer_size == 0 ? TEVRA_BUFFER_DEFAULT_SIZE : cfg.buffer_size;
    s->level = cfg.level;
    s->timestamps = cfg.timestamps;
    s->ts_cacheable =
        (cfg.time_format != nullptr && std::strcmp(cfg.time_format, "RFC3339Nano") == 0) ? 0 : 1;
    s->utc = cfg.utc;
    s->verbose_fields = cfg.verbose_fields;
    s->palette = cfg.palette;
    s->time_now = &tevra_default_time_now;
    s->time_user = nullptr;
    // From here on the record is whole enough for the last-release path,
    // which also closes an owned sink.
    s->refcount = 1;

    if (cfg.time_format != nullptr) {
        s->time_format = static_cast<char *>(
            memdup_local(cfg.time_format, std::strlen(cfg.time_format) + 1));
        if (s->time_format == nullptr) {
            destroy_record(s);
            return nullptr;
        }
    }
    measure_palette(s);
    // Without the index the template cache still works, by text alone.
    s->kvfmt_index = static_cast<KvfmtIndexSlot *>(
        tevra_calloc_internal(kKvfmtIndexSlots, sizeof(KvfmtIndexSlot)));
    s->color = resolve_color(cfg);
    // The one place where mode and colour decide how lines are rendered.
    s->encoder = select_encoder(s->mode, s->color);
    s->encoder->build_literals(s);

    tevra_logger *log = allocate_logger(s);
    if (log == nullptr) {
        destroy_record(s);
        return nullptr;
    }
    if (cfg.level_field) log->state->level_field = 1;
    return log;
}

int retain_shared(tevra_shared *s) {
    MutexLock guard(s, &s->lock);
    // Refused only to a thread that holds `lock` already (a signal handler
    // deriving while its thread resolves a template): no reference taken.
    if (!guard.held()) return -1;
    ++s->refcount;
    return 0;
}

void release_shared(tevra_shared *s) {
    {
        MutexLock guard(s, &s->lock);
        // As above; the reference is kept, which leaks rather than deadlocks.
        if (!guard.held()) return;
        if (s->refcount > 1) {
            --s->refcount;
            return;
        }
    }
    destroy_record(s);
}

int close_shared(tevra_shared *s, int close_output) {
    MutexLock guard(s, &s->write_lock);
    // Closing from inside the tree's own sink: the line being written
    // still uses the output, so it stays open.
    if (!guard.held()) return EDEADLK;
    if (closed_flag(s)) return s->close_result;
    if (!close_output || !s->output.owns) return 0;
    set_closed_flag(s);
    int result = s->output.close != nullptr ? s->output.close(s->output.user_data) : 0;
    s->close_result = result;
    s->output.close = nullptr;
    return result;
}

}  // namespace tev

extern "C" {

tevra_logger *tevra_new(const tevra_config *config) { return tev::new_logger(config); }

int tevra_retain_shared(tevra_shared *shared) {
    return shared != nullptr ? tev::retain_shared(shared) : 0;
}

void tevra_release_shared(tevra_shared *shared) {
    if (shared != nullptr) tev::release_shared(shared);
}

int tevra_close_shared(tevra_shared *shared, int close_output) {
    return shared != nullptr ? tev::close_shared(shared, close_output) : 0;
}

}  // extern "C"

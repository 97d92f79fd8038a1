// SPDX-License-Identifier: MIT
// Derived loggers: a new handle on the parent's shared record with its own
// state (more bound fields, another minimum level, or the "loglevel" field).
// Field copies live in field_copy.cpp, the rendered prefix in
// field_prefix.cpp.
#include <cerrno>
#include <cstdarg>
#include <limits>

#include "core/core.hpp"
#include "core/field_copy.hpp"
#include "core/shared.hpp"
#include "kvfmt/kvfmt.hpp"
#include "text/utf8.hpp"

namespace tev {
namespace {

void free_copies(tevra_field *fields, size_t count) {
    for (size_t i = 0; i < count; ++i) free_field_copy(&fields[i]);
    tevra_free_internal(fields);
}

// The parent's bound fields first, then the new ones, each in its order.
// Returns the owned array, or NULL with nothing left allocated.
tevra_field *copy_all(const tevra_logger_state *parent, const tevra_field *fields, size_t count,
                      size_t total) {
    auto *copies = static_cast<tevra_field *>(tevra_calloc_internal(total, sizeof(tevra_field)));
    if (copies == nullptr) return nullptr;
    size_t made = 0;
    for (size_t i = 0; i < parent->field_count; ++i, ++made) {
        if (copy_field(&copies[made], &parent->fields[i]) != 0) break;
    }
    if (made == parent->field_count) {
        for (size_t i = 0; i < count; ++i, ++made) {
            if (copy_field(&copies[made], &fields[i]) != 0) break;
        }
    }
    if (made != total) {
        free_copies(copies, made);
        return nullptr;
    }
    return copies;
}

// Template keys arrive marked trusted by their length without a UTF-8
// check, and the grammar lets any byte above 0x7F into them. In JSON a key
// that fails the UTF-8 rule must be escaped: its owned copy ends with a NUL,
// so it is marked untrusted and written like any such constructor-made key.
// Console lines keep a key's bytes, so their keys stay as they are.
void classify_template_keys(tevra_field *copies, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        tevra_field &f = copies[i];
        if (!f.key_trusted || f.key_len == 0) continue;
        bool utf8 = false;
        (void)utf8_trusted_length(f.key, &utf8);
        if (utf8) continue;
        f.key_trusted = 0;
        f.key_len = 0;
    }
}

tevra_logger *clone(tevra_logger *parent, const tevra_field *fields, size_t count,
                    bool template_keys) {
    const tevra_logger_state *ps = parent->state;
    if (ps == nullptr || ps->shared == nullptr) return nullptr;
    // A missing array with a count would be read from address 0.
    if (fields == nullptr && count != 0) return nullptr;
    constexpr size_t kMaxFields = std::numeric_limits<size_t>::max() / sizeof(tevra_field);
    if (ps->field_count > kMaxFields || count > kMaxFields - ps->field_count) return nullptr;

    tevra_shared *shared = ps->shared;
    if (retain_shared(shared) != 0) return nullptr;
    tevra_logger *child = allocate_logger(shared);
    if (child == nullptr) {
        release_shared(shared);
        return nullptr;
    }
    // From here on the child's destroy slot gives the reference back and
    // frees whatever the child state owns.
    tevra_logger_state *cs = child->state;
    const size_t total = ps->field_count + count;
    if (total != 0) {
        tevra_field *copies = copy_all(ps, fields, count, total);
        if (copies == nullptr) {
            child->destroy(child);
            return nullptr;
        }
        if (template_keys && shared->mode == TEVRA_MODE_JSON) {
            classify_template_keys(copies + ps->field_count, count);
        }
        cs->fields = copies;
        cs->field_count = total;
    }
    if (build_field_prefix(cs) != 0) {
        child->destroy(child);
        return nullptr;
    }
    cs->level = ps->level;
    cs->level_field = ps->level_field;
    cs->closes_output = 0;
    return child;
}

}  // namespace

tevra_logger *clone_with_fields(tevra_logger *parent, const tevra_field *fields, size_t count) {
    return clone(parent, fields, count, false);
}

tevra_logger *vwithf(tevra_logger *log, const char *kvfmt, va_list args) {
    if (kvfmt == nullptr) return clone_with_fields(log, nullptr, 0);
    const tevra_logger_state *state = log->state;
    if (state == nullptr || state->shared == nullptr) return nullptr;
    // Before anything that could change it: %m reports the caller's errno.
    const int saved_errno = errno;

    tevra_shared *shared = state->shared;
    tevra_kvfmt_layout scratch;
    tevra_kvfmt_layout *layout = nullptr;
    const int rc = kvfmt::resolve(shared, kvfmt, &scratch, &layout);
    if (rc != 0 || layout == nullptr) return nullptr;

    // The records borrow keys from the layout and strings from the
    // arguments; the clone's deep copies make the child independent of both.
    tevra_field fields[TEVRA_KVFMT_MAX_ITEMS];
    size_t count = 0;
    tevra_logger *child = nullptr;
    if (kvfmt::materialize(layout, fields, &count, shared->mode == TEVRA_MODE_JSON, saved_errno,
                           args) == 0) {
        child = clone(log, fields, count, true);
    }
    if (layout == &scratch) tevra_free_internal(scratch.template_copy);
    return child;
}

}  // namespace tev

extern "C" {

tevra_logger *tevra_clone_with_fields(tevra_logger *log, const tevra_field *fields, size_t count) {
    return log != nullptr ? tev::clone_with_fields(log, fields, count) : nullptr;
}

tevra_logger *tevra_vwithf_impl(tevra_logger *log, const char *kvfmt, va_list args) {
    return log != nullptr ? tev::vwithf(log, kvfmt, args) : nullptr;
}

tevra_logger *tevra_logger_with(tevra_logger *log, const tevra_field *fields, size_t count) {
    return log != nullptr ? tev::clone_with_fields(log, fields, count) : nullptr;
}

tevra_logger *tevra_logger_with_level(tevra_logger *log, int level) {
    tevra_logger *child = log != nullptr ? tev::clone_with_fields(log, nullptr, 0) : nullptr;
    // Unchecked, like the configured level: every integer is a threshold.
    if (child != nullptr) child->state->level = level;
    return child;
}

tevra_logger *tevra_logger_with_level_field(tevra_logger *log) {
    tevra_logger *child = log != nullptr ? tev::clone_with_fields(log, nullptr, 0) : nullptr;
    if (child != nullptr) child->state->level_field = 1;
    return child;
}

tevra_logger *tevra_with(tevra_logger *log, const tevra_field *fields, size_t count) {
    return log != nullptr ? log->with(log, fields, count) : nullptr;
}

tevra_logger *tevra_withf(tevra_logger *log, const char *kvfmt, ...) {
    if (log == nullptr) return nullptr;
    va_list args;
    va_start(args, kvfmt);
    tevra_logger *child = tev::vwithf(log, kvfmt, args);
    va_end(args);
    return child;
}

// The withf slot does exactly what the exported call does: one function
// under both exported names, so the two can never drift apart.
[[gnu::alias("tevra_withf")]] tevra_logger *tevra_logger_withf(tevra_logger *log, const char *kvfmt,
                                                                 ...);

tevra_logger *tevra_with_level(tevra_logger *log, int level) {
    return log != nullptr ? log->with_level(log, level) : nullptr;
}

tevra_logger *tevra_with_level_field(tevra_logger *log) {
    return log != nullptr ? log->with_level_field(log) : nullptr;
}

}  // extern "C"

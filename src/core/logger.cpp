// SPDX-License-Identifier: MIT
// The logger handle: allocation with its 22 operation slots, close and
// destroy. Derivation lives in derive.cpp, logging in entry_points.cpp.
#include "core/core.hpp"
#include "core/field_copy.hpp"
#include "core/shared.hpp"

namespace tev {
namespace {

void free_bound_fields(tevra_logger_state *state) {
    for (size_t i = 0; i < state->field_count; ++i) free_field_copy(&state->fields[i]);
    tevra_free_internal(state->fields);
}

int close_logger(tevra_logger *log) {
    if (log == nullptr || log->state == nullptr || log->state->shared == nullptr) return 0;
    return close_shared(log->state->shared, log->state->closes_output);
}

}  // namespace

tevra_logger *allocate_logger(tevra_shared *shared) {
    auto *log = static_cast<tevra_logger *>(tevra_calloc_internal(1, sizeof(tevra_logger)));
    auto *state = static_cast<tevra_logger_state *>(tevra_calloc_internal(1, sizeof(tevra_logger_state)));
    if (log == nullptr || state == nullptr) {
        tevra_free_internal(log);
        tevra_free_internal(state);
        return nullptr;
    }
    state->shared = shared;
    state->level = shared->level;
    state->level_field = 0;
    state->closes_output = shared->output.owns ? 1 : 0;
    *log = tevra_logger{
        state,
        tevra_logger_close,
        tevra_logger_destroy,
        tevra_logger_with,
        tevra_logger_withf,
        tevra_logger_with_level,
        tevra_logger_with_level_field,
        tevra_logger_log,
        tevra_logger_trace,
        tevra_logger_debug,
        tevra_logger_info,
        tevra_logger_warn,
        tevra_logger_error,
        tevra_logger_fatal,
        tevra_logger_panic,
        tevra_logger_logf,
        tevra_logger_tracef,
        tevra_logger_debugf,
        tevra_logger_infof,
        tevra_logger_warnf,
        tevra_logger_errorf,
        tevra_logger_fatalf,
        tevra_logger_panicf,
    };
    return log;
}

void destroy_logger(tevra_logger *log) {
    if (tevra_logger_state *state = log->state) {
        free_bound_fields(state);
        tevra_free_internal(state->prefix);
        if (state->shared != nullptr) release_shared(state->shared);
        tevra_free_internal(state);
    }
    tevra_free_internal(log);
}

}  // namespace tev

extern "C" {

tevra_logger *tevra_allocate_logger(tevra_shared *shared) {
    return shared != nullptr ? tev::allocate_logger(shared) : nullptr;
}

int tevra_close(tevra_logger *log) { return tev::close_logger(log); }

int tevra_logger_close(tevra_logger *log) { return tev::close_logger(log); }

void tevra_logger_destroy(tevra_logger *log) {
    if (log != nullptr) tev::destroy_logger(log);
}

}  // extern "C"

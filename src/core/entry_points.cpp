// SPDX-License-Identifier: MIT
// The road from a log call to its encoder. The life of one event:
//  1. tevra_info (or a handle slot, tevra_infof, ...) -> log_fields / log_template;
//  2. passes_level_filter: the level filter, before any argument is looked at;
//  3. templates only: kvfmt::resolve finds or parses the layout;
//  4. the record's encoder table, chosen once by tevra_new (core/encoder.hpp):
//     fields_line or template_line of json/json_line.cpp or console/console_line.cpp;
//  5. buffer_init binds a line buffer on the stack to the shared record;
//  6. open_line / begin_line: timestamp (append_timestamp), level, message,
//     the bound fields pasted from the logger's prefix;
//  7. the call's fields or template items, then close_line / end_line;
//  8. buffer_finish_line adds the line feed; write_buffer takes write_lock and
//     hands the whole line to the output through the write loop (output/);
//  9. buffer_destroy; fatal ends the process with exit(1), panic with abort().
#include <cerrno>
#include <cstdarg>
#include <cstdlib>

#include "core/core.hpp"
#include "core/level_filter.hpp"
#include "core/line_level.hpp"
#include "core/shared.hpp"
#include "kvfmt/kvfmt.hpp"

namespace tev {
namespace {

void log_fields(tevra_logger *log, int level, const char *msg, const tevra_field *fields,
                size_t count) {
    const tevra_logger_state *state = log->state;
    if (state == nullptr || state->shared == nullptr) return;
    if (!passes_level_filter(state, level)) return;
    const LineLevelScope line_level(level);
    state->shared->encoder->fields_line(state, level, msg, fields, count);
}

void log_template(tevra_logger *log, int level, const char *msg, const char *kvfmt, va_list args) {
    if (kvfmt == nullptr) {
        log_fields(log, level, msg, nullptr, 0);
        return;
    }
    const tevra_logger_state *state = log->state;
    if (state == nullptr || state->shared == nullptr) return;
    // Before anything that could change it: %m reports the caller's errno.
    const int saved_errno = errno;
    // A filtered call never looks at the template or its arguments.
    if (!passes_level_filter(state, level)) return;

    tevra_shared *shared = state->shared;
    tevra_kvfmt_layout scratch;
    tevra_kvfmt_layout *layout = nullptr;
    const int rc = kvfmt::resolve(shared, kvfmt, &scratch, &layout);
    if (rc != 0) {
        log_fields(log, TEVRA_LEVEL_ERROR, "invalid kvfmt", nullptr, 0);
        return;
    }
    const LineLevelScope line_level(level);
    shared->encoder->template_line(state, level, msg, *layout, saved_errno, args);
    if (layout == &scratch) tevra_free_internal(scratch.template_copy);
}

// The handle's slots and the exported calls end here: a NULL handle logs
// nothing.
void log_fields_checked(tevra_logger *log, int level, const char *msg, const tevra_field *fields,
                        size_t count) {
    if (log != nullptr) log_fields(log, level, msg, fields, count);
}

void log_template_checked(tevra_logger *log, int level, const char *msg, const char *kvfmt,
                          va_list args) {
    if (log != nullptr) log_template(log, level, msg, kvfmt, args);
}

}  // namespace
}  // namespace tev

extern "C" {

void tevra_log_impl(tevra_logger *log, int level, const char *msg, const tevra_field *fields,
                    size_t count) {
    tev::log_fields_checked(log, level, msg, fields, count);
}

void tevra_vlogf_impl(tevra_logger *log, int level, const char *msg, const char *kvfmt,
                      va_list args) {
    tev::log_template_checked(log, level, msg, kvfmt, args);
}

// Handle slots for field calls.
void tevra_logger_log(tevra_logger *log, int level, const char *msg, const tevra_field *fields,
                      size_t count) {
    tev::log_fields_checked(log, level, msg, fields, count);
}

#define TEVRA_FIELD_SLOT(name, level)                                                       \
    void tevra_logger_##name(tevra_logger *log, const char *msg, const tevra_field *fields, \
                             size_t count) {                                                \
        tev::log_fields_checked(log, level, msg, fields, count);                                     \
    }
TEVRA_FIELD_SLOT(trace, TEVRA_LEVEL_TRACE)
TEVRA_FIELD_SLOT(debug, TEVRA_LEVEL_DEBUG)
TEVRA_FIELD_SLOT(info, TEVRA_LEVEL_INFO)
TEVRA_FIELD_SLOT(warn, TEVRA_LEVEL_WARN)
TEVRA_FIELD_SLOT(error, TEVRA_LEVEL_ERROR)
#undef TEVRA_FIELD_SLOT

void tevra_logger_fatal(tevra_logger *log, const char *msg, const tevra_field *fields, size_t count) {
    tev::log_fields_checked(log, TEVRA_LEVEL_FATAL, msg, fields, count);
    std::exit(1);
}

void tevra_logger_panic(tevra_logger *log, const char *msg, const tevra_field *fields, size_t count) {
    tev::log_fields_checked(log, TEVRA_LEVEL_PANIC, msg, fields, count);
    std::abort();
}

// Handle slots for template calls. The logf slot is the exported
// tevra() under a second name (defined below).
[[gnu::alias("tevra")]] void tevra_logger_logf(tevra_logger *log, int level, const char *msg,
                                                const char *kvfmt, ...);

// One body for the template calls of both families, the slots
// (tevra_logger_infof) and the exported calls (tevra_infof). `guard` runs
// first: the exported calls return at once for a NULL handle, while the
// slots go on, so that their fatal and panic end the process even then.
// `end` is what follows the call: nothing, or ending the process.
#define TEVRA_TEMPLATE_ENTRY(fn, guard, level, end)                                \
    void fn(tevra_logger *log, const char *msg, const char *kvfmt, ...) {          \
        guard;                                                                     \
        va_list args;                                                              \
        va_start(args, kvfmt);                                                     \
        tev::log_template_checked(log, level, msg, kvfmt, args);                   \
        va_end(args);                                                              \
        end;                                                                       \
    }
#define TEVRA_TEMPLATE_FAMILY(prefix, guard)                                        \
    TEVRA_TEMPLATE_ENTRY(prefix##tracef, guard, TEVRA_LEVEL_TRACE, (void)0)       \
    TEVRA_TEMPLATE_ENTRY(prefix##debugf, guard, TEVRA_LEVEL_DEBUG, (void)0)       \
    TEVRA_TEMPLATE_ENTRY(prefix##infof, guard, TEVRA_LEVEL_INFO, (void)0)         \
    TEVRA_TEMPLATE_ENTRY(prefix##warnf, guard, TEVRA_LEVEL_WARN, (void)0)         \
    TEVRA_TEMPLATE_ENTRY(prefix##errorf, guard, TEVRA_LEVEL_ERROR, (void)0)       \
    TEVRA_TEMPLATE_ENTRY(prefix##fatalf, guard, TEVRA_LEVEL_FATAL, std::exit(1))  \
    TEVRA_TEMPLATE_ENTRY(prefix##panicf, guard, TEVRA_LEVEL_PANIC, std::abort())
TEVRA_TEMPLATE_FAMILY(tevra_logger_, (void)0)

// Exported field calls: through the handle's slots.
void tevra_fields(tevra_logger *log, int level, const char *msg, const tevra_field *fields,
                  size_t count) {
    if (log != nullptr) log->log(log, level, msg, fields, count);
}

#define TEVRA_FIELD_CALL(name)                                                                  \
    void tevra_##name(tevra_logger *log, const char *msg, const tevra_field *fields, size_t count) { \
        if (log != nullptr) log->name(log, msg, fields, count);                                 \
    }
TEVRA_FIELD_CALL(trace)
TEVRA_FIELD_CALL(debug)
TEVRA_FIELD_CALL(info)
TEVRA_FIELD_CALL(warn)
TEVRA_FIELD_CALL(error)
TEVRA_FIELD_CALL(fatal)
TEVRA_FIELD_CALL(panic)
#undef TEVRA_FIELD_CALL

// Exported template calls: straight to the worker.
void tevra(tevra_logger *log, int level, const char *msg, const char *kvfmt, ...) {
    if (log == nullptr) return;
    va_list args;
    va_start(args, kvfmt);
    tev::log_template_checked(log, level, msg, kvfmt, args);
    va_end(args);
}

TEVRA_TEMPLATE_FAMILY(tevra_, if (log == nullptr) return)
#undef TEVRA_TEMPLATE_FAMILY
#undef TEVRA_TEMPLATE_ENTRY

}  // extern "C"

/* SPDX-License-Identifier: MIT */
/*
 * tevra: structured logging for C and C++.
 *
 * Every event becomes exactly one line, JSON or a human-readable console
 * line, handed whole to an output sink. This header is the whole contract:
 * it compiles as C99 and as C++, and every declaration here is exported,
 * unmangled, from libtevra.so.0. Sections follow the path of an event:
 * levels, palettes and output sinks, the configuration that names them,
 * creating a logger, field records, logging with fields, logging with
 * templates, derived loggers, then closing and destroying. The internal
 * block comes last, in the same order: memory, logger core, handle slots,
 * template layouts, field text, the line buffer, text writers, the two
 * encoders and the write loop.
 *
 * Conventions: a function tolerates NULL for its handle or record (log calls
 * do nothing, derivations return NULL, close returns 0) unless its contract
 * says otherwise. Result codes are 0 for success, a positive errno value, -1
 * when no errno value is at hand, or 5 (EIO) for a short write without an
 * errno value. Field records, keys and strings are borrowed for the call;
 * palettes and observed outputs for the life of the loggers that use them.
 *
 * Threads: any number of threads may log through, derive from and close the
 * loggers of one tree at once; destroying a handle must not overlap other
 * use of that same handle. A record the caller fills (configuration, output,
 * buffer, layout) is used by one thread at a time unless said otherwise.
 */
#ifndef TEVRA_H
#define TEVRA_H

#include <stdarg.h>
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

#if defined(_WIN32)
#define TEVRA_API
#elif defined(__GNUC__)
#define TEVRA_API __attribute__((visibility("default")))
#else
#define TEVRA_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Records defined further down (or, for tevra_shared, never), named here so
 * that every section may refer to them. */
typedef struct tevra_shared tevra_shared; /* a logger tree's shared record */
typedef struct tevra_logger tevra_logger;
typedef struct tevra_field tevra_field;
typedef struct tevra_buffer tevra_buffer;

/* ======================================================================
 * Levels, modes and colour policy
 * ====================================================================== */

/* A level code. As the level of a line it is -1..6; as the minimum level of
 * a logger 127 silences it and 6 filters like info. */
typedef int tevra_level;

enum {
    TEVRA_LEVEL_TRACE = -1,
    TEVRA_LEVEL_DEBUG = 0,
    TEVRA_LEVEL_INFO = 1,
    TEVRA_LEVEL_WARN = 2,
    TEVRA_LEVEL_ERROR = 3,
    TEVRA_LEVEL_FATAL = 4,
    TEVRA_LEVEL_PANIC = 5,
    TEVRA_LEVEL_NOLEVEL = 6,
    TEVRA_LEVEL_DISABLED = 127
};

/* The line format, tevra_config.mode. */
enum { TEVRA_MODE_CONSOLE = 0, TEVRA_MODE_JSON = 1 };

/* The colour policy, tevra_config.color; auto colours a terminal output. */
enum { TEVRA_COLOR_AUTO = 0, TEVRA_COLOR_NEVER = 1, TEVRA_COLOR_ALWAYS = 2 };

/* Static name of a level ("trace" ... "nolevel", "disabled"); "info" for
 * every code not in the table. Never NULL. */
TEVRA_API const char *tevra_level_string(int level);
/* Byte length of tevra_level_string(level). */
TEVRA_API size_t tevra_level_string_len(int level);
/* Static three-letter console label ("TRC" ... "PNC", "---"; "INF" otherwise). */
TEVRA_API const char *tevra_level_console_label(int level);
/* 1 and the level stored when the name is recognised ("warning", "off"...;
 * ASCII case and surrounding space ignored); else 0, also for NULL. */
TEVRA_API int tevra_parse_level(const char *text, int *level);

/* ======================================================================
 * Palettes: the escape strings of coloured lines
 * ====================================================================== */

/* Sixteen escape strings; NULL or "" means no colour for that role. */
typedef struct tevra_palette {
    const char *key_color;
    const char *string_color;
    const char *number_color;
    const char *bool_color;
    const char *null_color;
    const char *trace_color;
    const char *debug_color;
    const char *info_color;
    const char *warn_color;
    const char *error_color;
    const char *fatal_color;
    const char *panic_color;
    const char *timestamp_color;
    const char *message_color;
    const char *message_key_color;
    const char *reset;
} tevra_palette;

/* The 32 built-in palettes, read-only ("-" in a name is "_" here). */
TEVRA_API extern const tevra_palette tevra_builtin_palette_ayu_light;
TEVRA_API extern const tevra_palette tevra_builtin_palette_ayu_mirage;
TEVRA_API extern const tevra_palette tevra_builtin_palette_catppuccin_mocha;
TEVRA_API extern const tevra_palette tevra_builtin_palette_default;
TEVRA_API extern const tevra_palette tevra_builtin_palette_dracula;
TEVRA_API extern const tevra_palette tevra_builtin_palette_everforest;
TEVRA_API extern const tevra_palette tevra_builtin_palette_everforest_light;
TEVRA_API extern const tevra_palette tevra_builtin_palette_github_dark;
TEVRA_API extern const tevra_palette tevra_builtin_palette_github_light;
TEVRA_API extern const tevra_palette tevra_builtin_palette_gruvbox;
TEVRA_API extern const tevra_palette tevra_builtin_palette_gruvbox_light;
TEVRA_API extern const tevra_palette tevra_builtin_palette_horizon;
TEVRA_API extern const tevra_palette tevra_builtin_palette_iosvkem;
TEVRA_API extern const tevra_palette tevra_builtin_palette_kanagawa;
TEVRA_API extern const tevra_palette tevra_builtin_palette_monokai_vibrant;
TEVRA_API extern const tevra_palette tevra_builtin_palette_night_owl;
TEVRA_API extern const tevra_palette tevra_builtin_palette_nord;
TEVRA_API extern const tevra_palette tevra_builtin_palette_oceanic_next;
TEVRA_API extern const tevra_palette tevra_builtin_palette_one_dark;
TEVRA_API extern const tevra_palette tevra_builtin_palette_one_dark_aurora;
TEVRA_API extern const tevra_palette tevra_builtin_palette_one_light;
TEVRA_API extern const tevra_palette tevra_builtin_palette_outrun_electric;
TEVRA_API extern const tevra_palette tevra_builtin_palette_palenight;
TEVRA_API extern const tevra_palette tevra_builtin_palette_papercolor_dark;
TEVRA_API extern const tevra_palette tevra_builtin_palette_papercolor_light;
TEVRA_API extern const tevra_palette tevra_builtin_palette_rose_pine;
TEVRA_API extern const tevra_palette tevra_builtin_palette_rose_pine_dawn;
TEVRA_API extern const tevra_palette tevra_builtin_palette_solarized_dark;
TEVRA_API extern const tevra_palette tevra_builtin_palette_solarized_light;
TEVRA_API extern const tevra_palette tevra_builtin_palette_solarized_nightfall;
TEVRA_API extern const tevra_palette tevra_builtin_palette_synthwave_84;
TEVRA_API extern const tevra_palette tevra_builtin_palette_tokyo_night;

/* The built-in "default" palette. Never NULL. */
TEVRA_API const tevra_palette *tevra_palette_default(void);
/* Forgiving lookup ("Solarized Dark", "palette-nord", "doomnord"); a name
 * that matches nothing, and NULL, give the default palette. Never NULL. */
TEVRA_API const tevra_palette *tevra_palette_by_name(const char *name);
/* Number of built-in palettes (32). */
TEVRA_API size_t tevra_palette_count(void);
/* Static name of entry `index` in alphabetical order; NULL past the end. */
TEVRA_API const char *tevra_palette_name(unsigned index);
/* The level's colour (nolevel takes the null colour, unknown codes info's);
 * "" where the palette has NULL, and for a NULL palette. */
TEVRA_API const char *tevra_level_color(const tevra_palette *palette, int level);
/* Byte length of a logger tree's colour of `level`, measured when the tree
 * was created; 0 for a NULL shared record. */
TEVRA_API size_t tevra_level_color_len(const tevra_shared *shared, int level);
/* Appends `color` to the buffer when `enabled` is non-zero; a NULL colour or
 * buffer appends nothing. */
TEVRA_API void tevra_apply_color(tevra_buffer *buf, const char *color, int enabled);
/* As tevra_apply_color, appending the first `len` bytes of `color`. */
TEVRA_API void tevra_apply_color_len(tevra_buffer *buf, const char *color, size_t len, int enabled);

/* ======================================================================
 * Output sinks
 * ====================================================================== */

/* A sink: three operations, their context and an ownership flag. `write` stores the
 * count it took in *written and returns a result code; a tree closes an owned sink
 * once. A NULL write writes nothing and never fails; a NULL isatty: not a terminal. */
typedef struct tevra_output {
    int (*write)(void *user_data, const void *data, size_t len, size_t *written);
    int (*close)(void *user_data);
    int (*isatty)(void *user_data);
    void *user_data;
    int owns;
} tevra_output;

/* A stdio stream sink; with a non-zero close flag it owns the stream and
 * fcloses it. Every write is flushed. A NULL `out` does nothing. */
TEVRA_API void tevra_output_from_fp(tevra_output *out, FILE *fp, int close_flag);
/* An owned sink appending to `path` (truncated first when `mode` holds 'w'), reopened
 * when the path comes to name another file (tevra(3)). 0, the errno value of a failed
 * open, or -1 (NULL argument, no memory); `out` untouched on failure. */
TEVRA_API int tevra_output_init_file(tevra_output *out, const char *path, const char *mode);
/* An owned sink sending each line as one RFC 5424 message to `address` (NULL: /dev/log;
 * other forms in tevra(3)); `facility` a LOG_* value (0: LOG_USER), `ident` NULL: the
 * program's short name. 0 or an errno (EINVAL: NULL `out`, bad address or facility). */
TEVRA_API int tevra_output_init_syslog(tevra_output *out, const char *address, const char *ident,
                                       int facility);
/* An owned sink making each line one entry of the systemd journal (its fields in
 * tevra(3)); `ident` NULL: the program's short name. 0 or an errno (EINVAL for a
 * NULL `out`). */
TEVRA_API int tevra_output_init_journald(tevra_output *out, const char *ident);
/* Periods of a rotating file output, in local time. */
enum { TEVRA_ROTATE_NONE = 0, TEVRA_ROTATE_HOURLY = 1, TEVRA_ROTATE_DAILY = 2 };
/* An owned file sink (`mode_bits` before the umask) rotating before a line would pass
 * `max_bytes` (0: no limit) or as a period `every` begins, keeping `max_files` old files
 * (tevra(3)). 0 or an errno (EINVAL: NULL `out`, NULL or "" path, unknown period). */
TEVRA_API int tevra_output_init_rotating(tevra_output *out, const char *path, uint64_t max_bytes,
                                         int every, unsigned max_files, unsigned mode_bits);
/* Closes an owned sink (ignoring the result) and zeroes the record; an
 * unowned sink is only forgotten. NULL does nothing. */
TEVRA_API void tevra_output_destroy(tevra_output *out);
/* Inside a sink's write called by the library for a line, that line's level
 * (-1 to 6; other levels as 1, as the line shows them); TEVRA_LEVEL_DISABLED
 * anywhere else. Per thread. */
TEVRA_API int tevra_line_level(void);

/* Two outputs fed the same bytes, each to its end on its own: one that
 * fails never holds back the other. Allocate it with tevra_malloc_internal;
 * its close closes the members it owns and frees it. */
typedef struct tevra_tee {
    tevra_output first;
    tevra_output second;
} tevra_tee;

/* The report handed to an observed output's failure callback. */
typedef struct tevra_write_failure {
    int error;         /* the inner write's result; 0 for a short write */
    int short_write;   /* 1 when fewer bytes than asked were accepted */
    size_t written;
    size_t requested;
} tevra_write_failure;

/* Counts and reports the failed writes of an inner output. The application
 * owns the record, which must outlive every logger using its `output`. */
typedef struct tevra_observed_output {
    tevra_output output; /* place this in the configuration */
    tevra_output inner;
    void (*on_failure)(void *failure_user, const tevra_write_failure *failure);
    void *failure_user;
    unsigned int failures;
    unsigned int short_writes;
} tevra_observed_output;

/* A snapshot of an observed output's counters. */
typedef struct tevra_observed_stats {
    unsigned int failures;
    unsigned int short_writes;
} tevra_observed_stats;

/* Sets up `obs` over a copy of `inner` (NULL: swallows all), owning it when `inner` is
 * owned; NULL `obs` does nothing. `on_failure` (may be NULL) runs inside each failed or
 * short write, on the writing thread; a line it logs to the same tree is dropped. */
TEVRA_API void tevra_observed_output_init(tevra_observed_output *obs, const tevra_output *inner,
                                          void (*on_failure)(void *, const tevra_write_failure *),
                                          void *failure_user);
/* The counters so far (zeros for NULL). Safe to call while other threads
 * log through the observed output. */
TEVRA_API tevra_observed_stats tevra_observed_output_stats_get(const tevra_observed_output *obs);

/* The built-in operations, for applications that assemble records by hand
 * (a tee, for instance). Each write accepts a NULL `written`. */
/* Context FILE *: flushes what the stream holds, then writes the bytes
 * through its descriptor under the stream lock. -1 for NULL stream or data. */
TEVRA_API int tevra_file_write(void *user_data, const void *data, size_t len, size_t *written);
/* fcloses the stream, owned or not: 0, or its errno (EIO when none). NULL: 0. */
TEVRA_API int tevra_file_close(void *user_data);
/* 1 when the stream's descriptor is a terminal; 0 otherwise and for NULL. */
TEVRA_API int tevra_file_isatty(void *user_data);
/* Context: an int descriptor from tevra_malloc_internal. One write call,
 * repeated on EINTR and EAGAIN; -1 for NULL, a closed cell or NULL data. */
TEVRA_API int tevra_fd_write(void *user_data, const void *data, size_t len, size_t *written);
/* Closes the descriptor (not retried on EINTR) and frees the cell. NULL: 0. */
TEVRA_API int tevra_fd_close(void *user_data);
/* 1 when the descriptor is a terminal; 0 otherwise, for NULL or closed. */
TEVRA_API int tevra_fd_isatty(void *user_data);
/* Context tevra_tee *: both outputs get every byte; *written is the smaller
 * count, the result the first output's failure, else the second's. NULL: -1. */
TEVRA_API int tevra_tee_write(void *user_data, const void *data, size_t len, size_t *written);
/* Closes the members the tee owns and frees the tee: the first failure. NULL: 0. */
TEVRA_API int tevra_tee_close(void *user_data);
/* 1 when either member is a terminal; 0 for NULL. */
TEVRA_API int tevra_tee_isatty(void *user_data);
/* Context tevra_observed_output *: the inner write, counted and reported.
 * Without an inner write (or for NULL) the bytes vanish and it returns 0. */
TEVRA_API int tevra_observed_write(void *user_data, const void *data, size_t len, size_t *written);
/* Closes the inner output when it is owned; never frees the record. NULL: 0. */
TEVRA_API int tevra_observed_close(void *user_data);
/* The inner output's answer; 0 without one and for NULL. */
TEVRA_API int tevra_observed_isatty(void *user_data);

/* ======================================================================
 * Configuration
 * ====================================================================== */

/* What tevra_new copies; start from tevra_default_config. */
typedef struct tevra_config {
    int mode;                      /* TEVRA_MODE_*; anything but 1 is console */
    int color;                     /* TEVRA_COLOR_*; anything but 1, 2 is auto */
    int non_finite_null;           /* JSON: exactly 1 writes NaN/Inf as null */
    size_t buffer_size;            /* line buffer and largest write; 0 = 1024 */
    int level;                     /* minimum level, stored unchecked */
    int timestamps;                /* non-zero: lines carry the time */
    int utc;                       /* non-zero: times in UTC, else local */
    int level_field;               /* append "loglevel" to every line */
    int verbose_fields;            /* "time"/"level"/"message" keys */
    const char *time_format;       /* NULL, "RFC3339", "RFC3339Nano" or strftime */
    const tevra_palette *palette;  /* borrowed; NULL means the default */
    tevra_output output;           /* NULL write means standard output */
} tevra_config;

/* Zeroes the record, then: buffer_size 1024, timestamps 1, the default
 * palette, the process's standard output (not owned). NULL does nothing. */
TEVRA_API void tevra_default_config(tevra_config *config);

/* ======================================================================
 * Creating a logger: the handle and the two constructors
 * ====================================================================== */

/* Per-logger state, owned by its one handle; never changes after creation. */
typedef struct tevra_logger_state {
    tevra_shared *shared;   /* holds one reference */
    tevra_field *fields;    /* owned deep copies of the bound fields */
    size_t field_count;
    char *prefix;           /* bound fields rendered in the logger's mode */
    size_t prefix_len;
    int level;              /* minimum level, unchecked */
    int level_field;        /* 1: lines end with "loglevel" */
    int closes_output;      /* 1 on a root whose sink is owned */
} tevra_logger_state;

/* The handle: its state and 22 operations, each taking the handle first.
 * The application owns it until it calls `destroy` on it. */
struct tevra_logger {
    tevra_logger_state *state;
    int (*close)(tevra_logger *log);
    void (*destroy)(tevra_logger *log);
    tevra_logger *(*with)(tevra_logger *log, const tevra_field *fields, size_t count);
    tevra_logger *(*withf)(tevra_logger *log, const char *kvfmt, ...);
    tevra_logger *(*with_level)(tevra_logger *log, int level);
    tevra_logger *(*with_level_field)(tevra_logger *log);
    void (*log)(tevra_logger *log, int level, const char *msg, const tevra_field *fields, size_t count);
    void (*trace)(tevra_logger *log, const char *msg, const tevra_field *fields, size_t count);
    void (*debug)(tevra_logger *log, const char *msg, const tevra_field *fields, size_t count);
    void (*info)(tevra_logger *log, const char *msg, const tevra_field *fields, size_t count);
    void (*warn)(tevra_logger *log, const char *msg, const tevra_field *fields, size_t count);
    void (*error)(tevra_logger *log, const char *msg, const tevra_field *fields, size_t count);
    void (*fatal)(tevra_logger *log, const char *msg, const tevra_field *fields, size_t count);
    void (*panic)(tevra_logger *log, const char *msg, const tevra_field *fields, size_t count);
    void (*logf)(tevra_logger *log, int level, const char *msg, const char *kvfmt, ...);
    void (*tracef)(tevra_logger *log, const char *msg, const char *kvfmt, ...);
    void (*debugf)(tevra_logger *log, const char *msg, const char *kvfmt, ...);
    void (*infof)(tevra_logger *log, const char *msg, const char *kvfmt, ...);
    void (*warnf)(tevra_logger *log, const char *msg, const char *kvfmt, ...);
    void (*errorf)(tevra_logger *log, const char *msg, const char *kvfmt, ...);
    void (*fatalf)(tevra_logger *log, const char *msg, const char *kvfmt, ...);
    void (*panicf)(tevra_logger *log, const char *msg, const char *kvfmt, ...);
};

/* A new root logger from a configuration (copied; NULL: the defaults), or NULL on
 * failure; destroy it through its `destroy` slot. An owned output belongs to the
 * logger from this call on: a failure closes it, so the caller never does. */
TEVRA_API tevra_logger *tevra_new(const tevra_config *config);
/* As tevra_new, with the environment variables of tevra-env(7), PREFIX + LEVEL, MODE,
 * OUTPUT..., laid over `base` (prefix NULL or "": "LOG_"). Configuration problems are
 * logged through the new logger. */
TEVRA_API tevra_logger *tevra_new_from_env(const char *prefix, const tevra_config *base);

/* ======================================================================
 * Field records
 * ====================================================================== */

typedef enum tevra_field_kind {
    TEVRA_FIELD_NULL = 0,
    TEVRA_FIELD_STRING = 1,
    TEVRA_FIELD_INT64 = 2,
    TEVRA_FIELD_UINT64 = 3,
    TEVRA_FIELD_FLOAT64 = 4,
    TEVRA_FIELD_BOOL = 5,
    TEVRA_FIELD_POINTER = 6,
    TEVRA_FIELD_BYTES = 7,
    TEVRA_FIELD_TIME = 8,
    TEVRA_FIELD_DURATION = 9,
    TEVRA_FIELD_ERRNO = 10
} tevra_field_kind;

/* A moment, shown at its own UTC offset. */
typedef struct tevra_time {
    long sec;            /* seconds since the Unix epoch, UTC */
    long nsec;
    int offset_minutes;
} tevra_time;

/* A span; the two parts may carry different signs. */
typedef struct tevra_duration {
    long sec;
    long nsec;
} tevra_duration;

/* One typed key/value pair; keys and strings are borrowed for the call. A length
 * counts only under the flag its member names; other text is read to its NUL and
 * escaped. `value_sized` sits in former padding: no size or offset moved for it. */
struct tevra_field {
    const char *key;              /* NULL or "": the field is left out of the line */
    size_t key_len;               /* counts only when key_trusted is 1 */
    size_t value_len;             /* counts only when value_trusted or value_sized is 1 */
    tevra_field_kind kind;
    uint8_t key_trusted;
    uint8_t value_trusted;
    uint8_t value_console_simple;
    uint8_t value_sized;          /* by tevra_str_n only: value_len exact, NULs allowed */
    union {
        const char *str;
        int64_t i64;
        uint64_t u64;
        double f64;
        int boolean;
        const void *ptr;
        struct {
            const void *data;
            size_t len;
        } bytes;
        tevra_time time;
        tevra_duration duration;
    } value;
};

/* Constructors: pure, allocate nothing, classify the key (ASCII rule) and a
 * string value once so that encoders copy clean text without scanning. */
/* A null value. */
TEVRA_API tevra_field tevra_null(const char *key);
/* A string; a NULL value gives "". */
TEVRA_API tevra_field tevra_str(const char *key, const char *value);
/* As tevra_str, but key and value are classified by the UTF-8 rule, so
 * well-formed non-ASCII text is copied into JSON unescaped. */
TEVRA_API tevra_field tevra_trusted_str(const char *key, const char *value);
/* A string of exactly `len` bytes at `data`, nothing read past them: no final NUL needed,
 * a NUL inside written as a control byte (\u0000 in JSON, \x00 in console lines).
 * NULL data gives "". Classified by the ASCII rule over its `len` bytes. */
TEVRA_API tevra_field tevra_str_n(const char *key, const char *data, size_t len);
/* A signed 64-bit integer. */
TEVRA_API tevra_field tevra_i64(const char *key, int64_t value);
/* An unsigned 64-bit integer. */
TEVRA_API tevra_field tevra_u64(const char *key, uint64_t value);
/* A double as "%.17g"; NaN and infinities as strings, or as JSON null when
 * the configuration's non_finite_null is 1. */
TEVRA_API tevra_field tevra_f64(const char *key, double value);
/* A boolean: any non-zero `value` is true. */
TEVRA_API tevra_field tevra_bool(const char *key, int value);
/* A pointer, written as the platform's "%p". */
TEVRA_API tevra_field tevra_ptr(const char *key, const void *value);
/* `len` bytes at `data` (borrowed), written as lower-case hex; NULL data
 * writes no digits. */
TEVRA_API tevra_field tevra_bytes_field(const char *key, const void *data, size_t len);
/* A moment, written as RFC 3339 at its own offset. */
TEVRA_API tevra_field tevra_time_field(const char *key, tevra_time value);
/* A span, written with a unit chosen by size ("250ns", "1.500ms", "2m5.000s"). */
TEVRA_API tevra_field tevra_duration_field(const char *key, tevra_duration value);
/* An errno number, written as its message. */
TEVRA_API tevra_field tevra_errno(const char *key, int err);

/* 1 when the text is well-formed UTF-8 without control bytes, '"' or '\'
 * (NULL and "" pass). */
TEVRA_API int tevra_string_is_trusted(const char *s);
/* 1 when the text can stand unquoted in a console value; 0 for NULL and "". */
TEVRA_API int tevra_string_is_console_simple_internal(const char *s);
/* The message for an errno number ("Unknown error N" when there is none),
 * written into `buf`; a static "" when `buf` is NULL or `size` is 0. */
TEVRA_API const char *tevra_errno_string(int err, char *buf, size_t size);

/* ======================================================================
 * Logging with field records. A filtered call costs a few loads; the
 * line is rendered on the caller's stack and written whole. `fields` may
 * be NULL when `count` is 0.
 * ====================================================================== */

/* A line at any level; unknown levels are written as info. */
TEVRA_API void tevra_fields(tevra_logger *log, int level, const char *msg,
                            const tevra_field *fields, size_t count);
/* A line at the level of the name, through the handle's slot of that name. */
TEVRA_API void tevra_trace(tevra_logger *log, const char *msg, const tevra_field *fields, size_t count);
TEVRA_API void tevra_debug(tevra_logger *log, const char *msg, const tevra_field *fields, size_t count);
TEVRA_API void tevra_info(tevra_logger *log, const char *msg, const tevra_field *fields, size_t count);
TEVRA_API void tevra_warn(tevra_logger *log, const char *msg, const tevra_field *fields, size_t count);
TEVRA_API void tevra_error(tevra_logger *log, const char *msg, const tevra_field *fields, size_t count);
/* Ends the process with exit(1) after the call, even when filtered; returns
 * only for a NULL handle. */
TEVRA_API void tevra_fatal(tevra_logger *log, const char *msg, const tevra_field *fields, size_t count);
/* Ends the process with abort() after the call; returns only for NULL. */
TEVRA_API void tevra_panic(tevra_logger *log, const char *msg, const tevra_field *fields, size_t count);

/* ======================================================================
 * Typed field macros (C11 and later; C++ programs use tevra.hpp instead)
 *
 *   TEVRA_INFO(log, "request done", TEVRA_KV("user", user), TEVRA_KV("status", 200));
 *
 * TEVRA_KV picks the field constructor from the value's type, so a value
 * is never read as another type: char * and const char * give a string,
 * signed integers an int64, unsigned integers a uint64, float and double a
 * float64, _Bool a bool, void * a pointer, tevra_time and tevra_duration
 * themselves. Any other type (a plain char, an int *, a struct) does not
 * compile. Before C23 `true` is an int and gives an int64 field; a _Bool
 * variable gives a bool. The value is evaluated once, the key as given.
 *
 * TEVRA_TRACE ... TEVRA_PANIC(log, msg, fields...) and TEVRA_LOG(log, level,
 * msg, fields...) take zero to 63 TEVRA_KV(...) fields and make the field
 * call with a compound-literal array and its count; with none they pass
 * NULL and 0. TEVRA_FATAL and TEVRA_PANIC end the process as their calls do.
 * ====================================================================== */
#if !defined(__cplusplus) && defined(__STDC_VERSION__) && __STDC_VERSION__ >= 201112L

#define TEVRA_KV(key, value)                                                                   \
    _Generic((value),                                                                         \
        char *: tevra_str,                                                                    \
        const char *: tevra_str,                                                              \
        signed char: tevra_i64,                                                               \
        short: tevra_i64,                                                                     \
        int: tevra_i64,                                                                       \
        long: tevra_i64,                                                                      \
        long long: tevra_i64,                                                                 \
        unsigned char: tevra_u64,                                                             \
        unsigned short: tevra_u64,                                                            \
        unsigned int: tevra_u64,                                                              \
        unsigned long: tevra_u64,                                                             \
        unsigned long long: tevra_u64,                                                        \
        float: tevra_f64,                                                                     \
        double: tevra_f64,                                                                    \
        _Bool: tevra_bool,                                                                    \
        void *: tevra_ptr,                                                                    \
        const void *: tevra_ptr,                                                              \
        tevra_time: tevra_time_field,                                                         \
        tevra_duration: tevra_duration_field)((key), (value))

/* The machinery: whether anything follows the message picks the call with
 * NULL and 0 or the call with an array (C11 has no empty initialiser and
 * no __VA_OPT__). `lead` is the parenthesised handle, or handle and level. */
#define TEVRA_EXPAND_(...) __VA_ARGS__
#define TEVRA_CAT_(a, b) TEVRA_CAT2_(a, b)
#define TEVRA_CAT2_(a, b) a##b
#define TEVRA_PICK64_(_1, _2, _3, _4, _5, _6, _7, _8, _9, _10, _11, _12, _13, _14, _15, _16, \
                      _17, _18, _19, _20, _21, _22, _23, _24, _25, _26, _27, _28, _29, _30, _31, _32, \
                      _33, _34, _35, _36, _37, _38, _39, _40, _41, _42, _43, _44, _45, _46, _47, _48, \
                      _49, _50, _51, _52, _53, _54, _55, _56, _57, _58, _59, _60, _61, _62, _63, _64, \
                      n, ...) n
#define TEVRA_HAS_FIELDS_(...) \
    TEVRA_PICK64_(__VA_ARGS__, \
                  1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, \
                  1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, \
                  1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, \
                  0, 0)
#define TEVRA_KV_CALL_(fn, lead, ...) \
    TEVRA_CAT_(TEVRA_KV_CALL_, TEVRA_HAS_FIELDS_(__VA_ARGS__))(fn, lead, __VA_ARGS__)
#define TEVRA_KV_CALL_0(fn, lead, msg) fn(TEVRA_EXPAND_ lead, (msg), NULL, 0)
#define TEVRA_KV_CALL_1(fn, lead, msg, ...)                     \
    fn(TEVRA_EXPAND_ lead, (msg), (const tevra_field[]){__VA_ARGS__}, \
       sizeof((const tevra_field[]){__VA_ARGS__}) / sizeof(tevra_field))

#define TEVRA_LOG(log, level, ...) TEVRA_KV_CALL_(tevra_fields, ((log), (level)), __VA_ARGS__)
#define TEVRA_TRACE(log, ...) TEVRA_KV_CALL_(tevra_trace, (log), __VA_ARGS__)
#define TEVRA_DEBUG(log, ...) TEVRA_KV_CALL_(tevra_debug, (log), __VA_ARGS__)
#define TEVRA_INFO(log, ...) TEVRA_KV_CALL_(tevra_info, (log), __VA_ARGS__)
#define TEVRA_WARN(log, ...) TEVRA_KV_CALL_(tevra_warn, (log), __VA_ARGS__)
#define TEVRA_ERROR(log, ...) TEVRA_KV_CALL_(tevra_error, (log), __VA_ARGS__)
#define TEVRA_FATAL(log, ...) TEVRA_KV_CALL_(tevra_fatal, (log), __VA_ARGS__)
#define TEVRA_PANIC(log, ...) TEVRA_KV_CALL_(tevra_panic, (log), __VA_ARGS__)

#endif /* C11 */

/* ======================================================================
 * Logging with kvfmt templates: "key=%verb" items separated by spaces.
 * Verbs: %s %ls (const char *), %d (int), %ld (long), %u (unsigned),
 * %lu (unsigned long), %f %lf (double), %p %lp (void *), %b %lb (int as
 * bool), %m (errno on entry; reads no argument). At most 32 items. Text
 * after a verb letter up to the next space is ignored unless it holds a
 * '%'. A template that breaks these rules writes the line "invalid kvfmt"
 * (at error level) instead of the event and reads no argument. A filtered
 * call reads neither the template nor its arguments; a NULL template gives
 * a line without fields. Templates are cached per logger tree.
 * ====================================================================== */

/* Verb codes of a parsed template item. */
enum {
    TEVRA_KVFMT_STRING = 0,
    TEVRA_KVFMT_INT = 1,
    TEVRA_KVFMT_LONG = 2,
    TEVRA_KVFMT_UINT = 3,
    TEVRA_KVFMT_ULONG = 4,
    TEVRA_KVFMT_DOUBLE = 5,
    TEVRA_KVFMT_POINTER = 6,
    TEVRA_KVFMT_BOOL = 7,
    TEVRA_KVFMT_ERRNO = 8
};

/* The most items one template may hold. */
#define TEVRA_KVFMT_MAX_ITEMS 32

/* The generic template call, at any level. */
TEVRA_API void tevra(tevra_logger *log, int level, const char *msg, const char *kvfmt, ...);
/* A line at the level of the name. */
TEVRA_API void tevra_tracef(tevra_logger *log, const char *msg, const char *kvfmt, ...);
TEVRA_API void tevra_debugf(tevra_logger *log, const char *msg, const char *kvfmt, ...);
TEVRA_API void tevra_infof(tevra_logger *log, const char *msg, const char *kvfmt, ...);
TEVRA_API void tevra_warnf(tevra_logger *log, const char *msg, const char *kvfmt, ...);
TEVRA_API void tevra_errorf(tevra_logger *log, const char *msg, const char *kvfmt, ...);
/* Ends the process with exit(1) after the call, even when filtered or
 * invalid; returns only for a NULL handle. */
TEVRA_API void tevra_fatalf(tevra_logger *log, const char *msg, const char *kvfmt, ...);
/* Ends the process with abort() after the call; returns only for NULL. */
TEVRA_API void tevra_panicf(tevra_logger *log, const char *msg, const char *kvfmt, ...);
/* A template and its arguments (consumed; %m gives `saved_errno`) as at most 32 records
 * borrowing from the template or the tree's cached copy (NULL `shared`: no cache) and the
 * arguments. 0 (NULL template: none), or -1 for an invalid template, NULL `count`/`fields`. */
TEVRA_API int tevra_parse_kvfmt(tevra_shared *shared, tevra_field fields[32], size_t *count,
                                int json_mode, const char *kvfmt, int saved_errno, va_list args);

/* ======================================================================
 * Derived loggers: share the parent's output, settings and caches; bound
 * fields are deep copies rendered once. Each is destroyed through its own
 * `destroy`, in any order and from any thread. NULL on failure.
 * ====================================================================== */

/* The parent's bound fields, then copies of `fields` (NULL only with a
 * `count` of 0); the parent's level and "loglevel" setting. */
TEVRA_API tevra_logger *tevra_with(tevra_logger *log, const tevra_field *fields, size_t count);
/* As tevra_with, the new fields from a template and its arguments (%m:
 * errno on entry); NULL for an invalid template, none for a NULL one. */
TEVRA_API tevra_logger *tevra_withf(tevra_logger *log, const char *kvfmt, ...);
/* The same fields under another minimum level, stored unchecked. */
TEVRA_API tevra_logger *tevra_with_level(tevra_logger *log, int level);
/* The same logger whose lines end with "loglevel": its minimum level. */
TEVRA_API tevra_logger *tevra_with_level_field(tevra_logger *log);

/* ======================================================================
 * Closing and destroying. A handle is destroyed through its `destroy`
 * slot: it frees the handle and gives back its reference on the tree; the
 * last one closes an owned sink still open and frees the tree.
 * ====================================================================== */

/* Closes the tree's owned sink once, after which none of its loggers writes; later calls
 * return the same result. An unowned sink, or a derived logger before the root closed:
 * closes nothing, returns 0. From inside the tree's own sink: EDEADLK. */
TEVRA_API int tevra_close(tevra_logger *log);
/* Reopens every file output of the logger's tree by its path now; safe while other
 * threads log. 0 (also once closed) or the first error (errno value); EINVAL for NULL,
 * EDEADLK from inside the tree's sink. */
TEVRA_API int tevra_reopen(tevra_logger *log);

/* ======================================================================
 * Internal: library building blocks, exported for the library's own use
 * and for tests. Applications should not need them. In the order of an
 * event: memory, logger core, handle slots, template layouts, field text,
 * the line buffer, text writers, the JSON and console encoders, the write
 * loop. The encoders and writers take the tree's shared record from a
 * live logger and render on the calling thread.
 * ====================================================================== */

/* --- memory: every block the library obtains or releases goes through
 * these four forwards to the platform allocator --- */
/* malloc(size). */
TEVRA_API void *tevra_malloc_internal(size_t size);
/* calloc(count, size). */
TEVRA_API void *tevra_calloc_internal(size_t count, size_t size);
/* realloc(ptr, size). */
TEVRA_API void *tevra_realloc_internal(void *ptr, size_t size);
/* free(ptr); NULL does nothing. */
TEVRA_API void tevra_free_internal(void *ptr);
/* Heap copy including the NUL (NULL gives ""); NULL on no memory. Free it
 * with tevra_free_internal. */
TEVRA_API char *tevra_strdup_local(const char *s);
/* Heap copy of n bytes; NULL for a NULL pointer, n 0 or no memory. Free it
 * with tevra_free_internal. */
TEVRA_API void *tevra_memdup_local(const void *p, size_t n);

/* --- logger core --- */
/* A new handle with every slot set, adopting a reference on `shared` that
 * the caller holds (destroy gives it back); NULL for NULL or no memory. */
TEVRA_API tevra_logger *tevra_allocate_logger(tevra_shared *shared);
/* Takes a reference on the record: 0, or -1 (none taken) on a thread that
 * holds its `lock` already. NULL: 0. */
TEVRA_API int tevra_retain_shared(tevra_shared *shared);
/* Gives a reference back; the last one closes an owned sink still open and
 * frees the record. Kept on a thread holding `lock`. NULL does nothing. */
TEVRA_API void tevra_release_shared(tevra_shared *shared);
/* tevra_close for a record: with `close_output` set, closes an owned sink
 * once and marks the tree closed. The first result, 0, or EDEADLK. NULL: 0. */
TEVRA_API int tevra_close_shared(tevra_shared *shared, int close_output);
/* 1 when a line at `level` passes: the tree is open and `level` reaches the
 * minimum (nolevel filters as info, disabled drops all). 0 for NULL. */
TEVRA_API int tevra_should_log(const tevra_logger_state *state, int level);
/* The worker behind every field call: filters, then renders and writes the
 * line through the tree's encoder. Never ends the process. */
TEVRA_API void tevra_log_impl(tevra_logger *log, int level, const char *msg,
                              const tevra_field *fields, size_t count);
/* The worker behind every template call (errno read on entry, `args`
 * consumed); resolves the template under the tree's `lock`. */
TEVRA_API void tevra_vlogf_impl(tevra_logger *log, int level, const char *msg, const char *kvfmt,
                                va_list args);
/* The worker behind tevra_with: a child with the parent's bound fields and
 * copies of `fields`. */
TEVRA_API tevra_logger *tevra_clone_with_fields(tevra_logger *log, const tevra_field *fields,
                                                size_t count);
/* The worker behind tevra_withf, with `args` consumed. */
TEVRA_API tevra_logger *tevra_vwithf_impl(tevra_logger *log, const char *kvfmt, va_list args);
/* Deep copy: the key and a string or byte value are copied (each freed with
 * tevra_free_internal). 0, or -1 for NULL or no memory, `dst` owning nothing. */
TEVRA_API int tevra_copy_field(tevra_field *dst, const tevra_field *src);
/* Renders the state's bound fields into its `prefix` (freeing the old one)
 * in the tree's mode and colours. 0, or -1 for NULL or no memory. */
TEVRA_API int tevra_build_field_prefix(tevra_logger_state *state);
/* 1 with *value set for 1/true/yes/on or 0/false/no/off (ASCII case and
 * surrounding space ignored); else 0, also for NULL. */
TEVRA_API int tevra_parse_bool_value(const char *text, int *value);
/* Copies `src` without surrounding white space into `dst`, cut to size - 1
 * bytes and NUL-terminated (NULL src: ""); returns `dst`, as is for size 0. */
TEVRA_API char *tevra_trim_copy(char *dst, size_t size, const char *src);

/* --- handle slots: what tevra_new puts in the handle (tevra_logger_info is the `info`
 * slot), each as the exported call of its name. A NULL handle does nothing, except that
 * the fatal and panic slots end the process even then. --- */
TEVRA_API int tevra_logger_close(tevra_logger *log);
TEVRA_API void tevra_logger_destroy(tevra_logger *log);
TEVRA_API tevra_logger *tevra_logger_with(tevra_logger *log, const tevra_field *fields, size_t count);
TEVRA_API tevra_logger *tevra_logger_withf(tevra_logger *log, const char *kvfmt, ...);
TEVRA_API tevra_logger *tevra_logger_with_level(tevra_logger *log, int level);
TEVRA_API tevra_logger *tevra_logger_with_level_field(tevra_logger *log);
TEVRA_API void tevra_logger_log(tevra_logger *log, int level, const char *msg,
                                const tevra_field *fields, size_t count);
TEVRA_API void tevra_logger_trace(tevra_logger *log, const char *msg, const tevra_field *fields, size_t count);
TEVRA_API void tevra_logger_debug(tevra_logger *log, const char *msg, const tevra_field *fields, size_t count);
TEVRA_API void tevra_logger_info(tevra_logger *log, const char *msg, const tevra_field *fields, size_t count);
TEVRA_API void tevra_logger_warn(tevra_logger *log, const char *msg, const tevra_field *fields, size_t count);
TEVRA_API void tevra_logger_error(tevra_logger *log, const char *msg, const tevra_field *fields, size_t count);
TEVRA_API void tevra_logger_fatal(tevra_logger *log, const char *msg, const tevra_field *fields, size_t count);
TEVRA_API void tevra_logger_panic(tevra_logger *log, const char *msg, const tevra_field *fields, size_t count);
TEVRA_API void tevra_logger_logf(tevra_logger *log, int level, const char *msg, const char *kvfmt, ...);
TEVRA_API void tevra_logger_tracef(tevra_logger *log, const char *msg, const char *kvfmt, ...);
TEVRA_API void tevra_logger_debugf(tevra_logger *log, const char *msg, const char *kvfmt, ...);
TEVRA_API void tevra_logger_infof(tevra_logger *log, const char *msg, const char *kvfmt, ...);
TEVRA_API void tevra_logger_warnf(tevra_logger *log, const char *msg, const char *kvfmt, ...);
TEVRA_API void tevra_logger_errorf(tevra_logger *log, const char *msg, const char *kvfmt, ...);
TEVRA_API void tevra_logger_fatalf(tevra_logger *log, const char *msg, const char *kvfmt, ...);
TEVRA_API void tevra_logger_panicf(tevra_logger *log, const char *msg, const char *kvfmt, ...);

/* --- template layouts --- */
/* One parsed template item: its key, its verb and the key texts rendered
 * for each mode. */
typedef struct tevra_kvfmt_entry {
    const char *key;           /* into the template; not NUL-terminated */
    size_t key_len;
    uint32_t verb;
    size_t console_prefix_len; /* 0 when none is stored */
    char console_prefix[128];  /* the key's console lead-in: " key=" and its colours */
    size_t json_key_len;       /* 0 when none is stored */
    char json_key[128];
} tevra_kvfmt_entry;

/* A parsed template. A slot of a tree's cache is never changed once filled,
 * so encoders read it without a lock. */
typedef struct tevra_kvfmt_layout {
    const char *template_text; /* NULL marks an empty cache slot */
    char *template_copy;       /* owned copy, or NULL */
    size_t template_len;
    uint32_t hash;
    uint32_t count;
    tevra_kvfmt_entry entries[TEVRA_KVFMT_MAX_ITEMS];
} tevra_kvfmt_layout;

/* Parses a template into a zeroed or earlier-parsed `layout` (whose copy is
 * freed first), copying the text when `copy` is set. 0 (a NULL template
 * gives no items) or -1, the layout then zeroed; -1 for a NULL layout. */
TEVRA_API int tevra_parse_kvfmt_layout(tevra_kvfmt_layout *layout, const char *kvfmt, int copy);
/* Renders each item's console " key=" lead-in and JSON key in the tree's
 * colours into the layout. NULL or no items: nothing. */
TEVRA_API void tevra_prepare_kvfmt_cache_entry(tevra_shared *shared, tevra_kvfmt_layout *layout);
/* *out = the tree's cached layout of `kvfmt` (parsed on first use), or
 * `scratch` when the cache has no room or `shared` is NULL. 0, or -1 for an
 * invalid template or NULL `out`/`scratch`. The caller holds the `lock`. */
TEVRA_API int tevra_resolve_kvfmt_entry(tevra_shared *shared, const char *kvfmt,
                                        tevra_kvfmt_layout *scratch, tevra_kvfmt_layout **out);
/* Fills `fields` from the layout's items and `args` (consumed): keys borrowed
 * from the layout, strings from the arguments. 0, or -1 for NULL (count 0). */
TEVRA_API int tevra_materialize_kvfmt_fields(const tevra_kvfmt_layout *layout, tevra_field fields[32],
                                             size_t *count, int json_mode, int saved_errno,
                                             va_list args);

/* --- field text --- */
/* As tevra_string_is_trusted, storing the length in *len when the text
 * passes, 0 otherwise; `len` may be NULL. */
TEVRA_API int tevra_string_is_trusted_measure(const char *s, size_t *len);

/* --- line buffer: appends never fail; a NULL or unusable buffer makes
 * them no-ops, and text that cannot be stored is dropped --- */
/* The line size when none is configured. */
#define TEVRA_BUFFER_DEFAULT_SIZE 1024
/* Bytes a buffer holds without the heap. */
#define TEVRA_BUFFER_INLINE_CAPACITY 1025

/* One line being rendered. Bound to a shared record it flushes to the
 * output when full (holding write_lock until the line ends); detached it
 * grows on the heap. Lives on the caller's stack. */
struct tevra_buffer {
    tevra_shared *shared;
    char *data;          /* always NUL-terminated at data[len] */
    size_t len;
    size_t cap;
    size_t write_chunk;  /* largest piece handed to the output */
    int lock_held;
    int owns_data;
    char inline_storage[TEVRA_BUFFER_INLINE_CAPACITY + 1];
};

/* Starts an empty buffer bound to `shared` (NULL: detached) for lines of
 * `size` bytes (0: 1024); returns its data, NULL for a NULL buffer. */
TEVRA_API char *tevra_buffer_init(tevra_buffer *buf, tevra_shared *shared, size_t size);
/* Grows the room to at least `need` bytes, on the heap, bound or not. 0, or
 * -1 for no memory (buffer unchanged) or NULL. */
TEVRA_API int tevra_buffer_reserve(tevra_buffer *buf, size_t need);
/* A bound buffer writes its text so far and keeps write_lock until
 * tevra_write_buffer; a detached one doubles its room instead. */
TEVRA_API void tevra_buffer_flush(tevra_buffer *buf);
/* Appends one byte. */
TEVRA_API void tevra_buffer_append_char(tevra_buffer *buf, char c);
/* Appends `n` bytes, NUL bytes included; NULL `src` appends nothing. */
TEVRA_API void tevra_buffer_append_n(tevra_buffer *buf, const char *src, size_t n);
/* Appends a string up to its NUL; NULL appends nothing. */
TEVRA_API void tevra_buffer_append_cstr(tevra_buffer *buf, const char *s);
/* Appends `n` bytes as two lower-case hex digits each; NULL appends nothing. */
TEVRA_API void tevra_buffer_append_bytes_hex(tevra_buffer *buf, const void *p, size_t n);
/* Appends the line feed that ends every line. */
TEVRA_API void tevra_buffer_finish_line(tevra_buffer *buf);
/* Writes the buffer's text to `shared`'s output under write_lock (NULL
 * shared: dropped), releases a lock taken by a mid-line flush and empties
 * the buffer. Every line started on a bound buffer ends here. */
TEVRA_API void tevra_write_buffer(tevra_shared *shared, tevra_buffer *buf);
/* Frees a heap block (or keeps it for the tree's next line) and leaves an
 * empty detached buffer. Releases no lock: end a bound line first. */
TEVRA_API void tevra_buffer_destroy(tevra_buffer *buf);

/* --- number, pointer, duration and time text --- */
/* Decimal text of a signed integer. */
TEVRA_API void tevra_buffer_append_signed(tevra_buffer *buf, int64_t value);
/* Decimal text of an unsigned integer. */
TEVRA_API void tevra_buffer_append_unsigned(tevra_buffer *buf, uint64_t value);
/* "%.17g", or "nan", "inf", "-inf"; repeated values come from the tree's
 * cache when the buffer is bound. */
TEVRA_API void tevra_buffer_append_double(tevra_buffer *buf, double value);
/* The platform's "%p" text. */
TEVRA_API void tevra_buffer_append_pointer(tevra_buffer *buf, const void *p);
/* A span with a unit chosen by size ("250ns", "1.500ms", "2m5.000s"), in
 * double quotes when `quoted` is non-zero. */
TEVRA_API void tevra_buffer_append_duration(tevra_buffer *buf, tevra_duration d, int quoted);
/* RFC 3339 text at the value's own offset, quoted when `quoted` is non-zero;
 * a time that cannot be shown gives "" quoted and nothing bare. */
TEVRA_API void tevra_buffer_append_time(tevra_buffer *buf, tevra_time t, int quoted);
/* The instant in the tree's time layout and zone, unescaped, NUL-terminated
 * in `out`; its length, 0 when the layout gives nothing or for NULL. */
TEVRA_API size_t tevra_render_timestamp_value(tevra_shared *shared, int64_t sec, long nsec, char out[64]);
/* The current time in the configured layout, escaped for the logger's mode
 * (as the body of a JSON string, or as a console message), without quotes;
 * nothing when the tree writes no timestamps. */
TEVRA_API void tevra_append_timestamp(tevra_shared *shared, tevra_buffer *buf);
/* The default clock (CLOCK_REALTIME; time() should that fail) into the
 * non-NULL of `sec` and `nsec`; `ctx` is unused. Always returns 0. */
TEVRA_API int tevra_default_time_now(void *ctx, int64_t *sec, long *nsec);

/* --- JSON and console strings --- */
/* A JSON string literal of any bytes: quoted, escaped, bytes outside
 * well-formed UTF-8 as \u00XX. NULL gives "". */
TEVRA_API void tevra_buffer_append_json_string(tevra_buffer *buf, const char *s);
/* As tevra_buffer_append_json_string, copying text that needs no escape
 * in one piece after a single scan. */
TEVRA_API void tevra_buffer_append_json_string_maybe_trusted(tevra_buffer *buf, const char *s);
/* `n` bytes in quotes, unescaped: the caller vouches they need no escape.
 * NULL gives "". */
TEVRA_API void tevra_buffer_append_json_trusted_string_n(tevra_buffer *buf, const char *s, size_t n);
/* As the _n form, up to the NUL. */
TEVRA_API void tevra_buffer_append_json_trusted_string(tevra_buffer *buf, const char *s);
/* A console value: bare when it cannot be mistaken for key=value syntax,
 * else quoted with backslash escapes. NULL or "" appends nothing. */
TEVRA_API void tevra_buffer_append_console_string(tevra_buffer *buf, const char *s);
/* A console message: never quoted, control bytes escaped so the event stays
 * on one line. NULL or "" appends nothing. */
TEVRA_API void tevra_buffer_append_console_message(tevra_buffer *buf, const char *s);

/* --- JSON encoder: the emit functions render and write one line each,
 * without a level filter; a NULL state writes nothing --- */
/* A JSON line, coloured when the tree's colour is on. */
TEVRA_API void tevra_emit_json(const tevra_logger_state *state, int level, const char *msg,
                               const tevra_field *fields, size_t count);
/* A JSON line without colour. */
TEVRA_API void tevra_emit_json_plain(const tevra_logger_state *state, int level, const char *msg,
                                     const tevra_field *fields, size_t count);
/* A JSON line coloured from the tree's palette, whatever its colour policy. */
TEVRA_API void tevra_emit_json_color(const tevra_logger_state *state, int level, const char *msg,
                                     const tevra_field *fields, size_t count);
/* A JSON line from a resolved layout, each item's value read from `args`
 * (consumed); %m gives `saved_errno`. A NULL layout adds no members. */
TEVRA_API void tevra_emit_json_kvfmt(const tevra_logger_state *state, int level, const char *msg,
                                     const tevra_kvfmt_layout *layout, int saved_errno, va_list args);
/* One `"key":value` member, led by ',' unless `first`; the key is not
 * checked. `shared` may be NULL (non-finite doubles then as strings). */
TEVRA_API void tevra_append_json_field_plain(tevra_shared *shared, tevra_buffer *buf,
                                             const tevra_field *field, int first);
/* The JSON value of one field alone. */
TEVRA_API void tevra_append_json_value_plain(tevra_shared *shared, tevra_buffer *buf,
                                             const tevra_field *field);
/* The message member, led by ',' (key "msg", or "message" when verbose);
 * a NULL message gives "". */
TEVRA_API void tevra_append_json_message_field_plain(tevra_shared *shared, tevra_buffer *buf,
                                                     const char *msg);
/* The members of the fields that have a key, coloured when the tree's
 * colour is on: the text of a derived logger's bound fields. */
TEVRA_API void tevra_append_json_field_prefix(tevra_shared *shared, tevra_buffer *buf,
                                              const tevra_field *fields, size_t count);
/* Renders the coloured level, "loglevel", message and timestamp literals
 * into the record, as tevra_new does. Not while the tree logs. */
TEVRA_API void tevra_build_json_color_literals(tevra_shared *shared);
/* As tevra_append_json_field_plain, coloured from the tree's palette. */
TEVRA_API void tevra_append_json_field_color(tevra_shared *shared, tevra_buffer *buf,
                                             const tevra_field *field, int first);
/* As tevra_append_json_message_field_plain, coloured. */
TEVRA_API void tevra_append_json_message_field_color(tevra_shared *shared, tevra_buffer *buf,
                                                     const char *msg);
/* The coloured timestamp member, without a separator after it. */
TEVRA_API void tevra_append_json_timestamp_field_color(tevra_shared *shared, tevra_buffer *buf);
/* The coloured level member (`selector` 1: the "loglevel" member), from the
 * literal built at creation or rendered now when none fitted. */
TEVRA_API void tevra_append_json_level_field_color_cached_or_dynamic(tevra_shared *shared,
                                                                     tevra_buffer *buf, int level,
                                                                     int selector);
/* Appends `color_len` bytes of `color`, then `text_len` bytes of `text`,
 * both raw; a NULL piece is skipped. */
TEVRA_API void tevra_append_json_color_literal(tevra_buffer *buf, const char *color, size_t color_len,
                                               const char *text, size_t text_len);
/* The same as tevra_append_json_color_literal: no quotes, no escaping. */
TEVRA_API void tevra_append_json_color_string(tevra_buffer *buf, const char *color, size_t color_len,
                                              const char *text, size_t text_len);

/* --- console encoder: as the JSON one, for console lines --- */
/* A console line, coloured when the tree's colour is on. */
TEVRA_API void tevra_emit_console(const tevra_logger_state *state, int level, const char *msg,
                                  const tevra_field *fields, size_t count);
/* A console line from a resolved layout, values read from `args` (consumed). */
TEVRA_API void tevra_emit_console_kvfmt(const tevra_logger_state *state, int level, const char *msg,
                                        const tevra_kvfmt_layout *layout, int saved_errno,
                                        va_list args);
/* The " key=value" groups of the fields that have a key, in the tree's
 * colours: the text of a derived logger's bound fields. */
TEVRA_API void tevra_append_console_field_prefix(tevra_shared *shared, tevra_buffer *buf,
                                                 const tevra_field *fields, size_t count);
/* One " key=value" group, its lead-in from the tree's cache (filled on first
 * use, safely from any thread). A NULL field or key appends nothing. */
TEVRA_API void tevra_append_console_field_cached(tevra_shared *shared, tevra_buffer *buf,
                                                 const tevra_field *field);
/* The space before the message and, with colour on, the message colour. */
TEVRA_API void tevra_append_console_message_prefix(tevra_shared *shared, tevra_buffer *buf);
/* The tree's level label, coloured when its colour is on. */
TEVRA_API void tevra_append_level_label(tevra_shared *shared, tevra_buffer *buf, int level);
/* Renders the label of `level` into fragment slot `index` (0 to 7; others
 * ignored), as tevra_new does. Not while the tree logs. */
TEVRA_API void tevra_build_console_level_fragment(tevra_shared *shared, int level, int index);
/* Renders the message lead-in into the record (the level fragments are
 * built one by one above). Not while the tree logs. */
TEVRA_API void tevra_build_console_literals(tevra_shared *shared);

/* --- write loop: the last step of every line --- */
/* 1 when `needle` is `haystack` or lives inside it (through tees); a copy
 * with equal members counts as the same output. 0 for NULL. */
TEVRA_API int tevra_output_contains(const tevra_output *haystack, const tevra_output *needle);
/* Hands a finished line to the output in pieces of at most `max_piece`
 * bytes (0: no limit), completing short writes; failures are not reported,
 * and a closed tree writes nothing. The caller holds write_lock. */
TEVRA_API void tevra_write_output_locked(tevra_shared *shared, const void *data, size_t len,
                                         size_t max_piece);

#ifdef __cplusplus
}
#endif

#endif /* TEVRA_H */

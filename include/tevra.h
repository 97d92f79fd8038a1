/* SPDX-License-Identifier: MIT */
/*
 * tevra: structured logging for C and C++.
 *
 * Every event becomes exactly one line, JSON or a human-readable console
 * line, handed whole to an output sink. This header is the whole contract:
 * it compiles as C99 and as C++, and every declaration here is exported,
 * unmangled, from libtevra.so.0. Sections follow the path of an event:
 * levels and configuration, sinks, fields, the line buffer, text writers,
 * templates, encoders, palettes, then construction and logging.
 *
 * Conventions: every function tolerates NULL for its handle or record (log
 * calls do nothing, derivations return NULL, close returns 0). Result codes
 * are 0 for success, a positive errno value, -1 when no errno value is at
 * hand, or 5 (EIO) for a short write without an errno value.
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

enum { TEVRA_MODE_CONSOLE = 0, TEVRA_MODE_JSON = 1 };

enum { TEVRA_COLOR_AUTO = 0, TEVRA_COLOR_NEVER = 1, TEVRA_COLOR_ALWAYS = 2 };

/* Static name of a level ("trace" ... "nolevel", "disabled"); "info" for
 * every code not in the table. */
TEVRA_API const char *tevra_level_string(int level);
/* Byte length of tevra_level_string(level). */
TEVRA_API size_t tevra_level_string_len(int level);

/* ======================================================================
 * Allocation: every block the library obtains or releases goes through
 * these four forwards to the platform allocator.
 * ====================================================================== */

TEVRA_API void *tevra_malloc_internal(size_t size);
TEVRA_API void *tevra_calloc_internal(size_t count, size_t size);
TEVRA_API void *tevra_realloc_internal(void *ptr, size_t size);
TEVRA_API void tevra_free_internal(void *ptr);

/* ======================================================================
 * Output sinks
 * ====================================================================== */

/* A sink: three operations, their context and an ownership flag. A NULL
 * write means "no output": nothing is written and nothing fails. */
typedef struct tevra_output {
    int (*write)(void *user_data, const void *data, size_t len, size_t *written);
    int (*close)(void *user_data);
    int (*isatty)(void *user_data);
    void *user_data;
    int owns;
} tevra_output;

/* Two outputs written in turn; freed by its close. */
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

typedef struct tevra_observed_stats {
    unsigned int failures;
    unsigned int short_writes;
} tevra_observed_stats;

/* A stdio stream sink. With a non-zero close flag the sink owns the stream
 * and fcloses it. Every write is flushed. `out` must not be NULL. */
TEVRA_API void tevra_output_from_fp(tevra_output *out, FILE *fp, int close_flag);
/* Opens `path` (0666 before the umask) with O_APPEND, truncated first when
 * `mode` contains 'w'; the output reopens the path (appending) when it no
 * longer names the open file, as after log rotation, checking at most about
 * once a second. Returns 0, the errno value of a failed open, or -1. On
 * failure `out` is untouched. */
TEVRA_API int tevra_output_init_file(tevra_output *out, const char *path, const char *mode);
/* Inside a sink's write called by the library for a line, that line's level
 * (-1 to 6; other levels as 1, as the line shows them); TEVRA_LEVEL_DISABLED
 * anywhere else. Per thread. */
TEVRA_API int tevra_line_level(void);
/* A syslog sink sending each line as one RFC 5424 message: `address` NULL or
 * "" for /dev/log, "unix:PATH", "udp://HOST[:PORT]" or "tcp://HOST[:PORT]"
 * (port 514; octet counting, reconnecting when the peer goes away).
 * Severity from the line's level; `facility` a LOG_* value of <syslog.h>,
 * 0 = LOG_USER; `ident` NULL = the program's short name. 0 or an errno. */
TEVRA_API int tevra_output_init_syslog(tevra_output *out, const char *address, const char *ident,
                                       int facility);
/* A journal sink on /run/systemd/journal/socket (native protocol; large
 * entries through a sealed memfd): MESSAGE, PRIORITY as for syslog,
 * SYSLOG_IDENTIFIER (`ident`, NULL = program short name) and, for JSON
 * lines, the event's fields. 0 or an errno. */
TEVRA_API int tevra_output_init_journald(tevra_output *out, const char *ident);
/* Periods of a rotating file output, in local time. */
enum { TEVRA_ROTATE_NONE = 0, TEVRA_ROTATE_HOURLY = 1, TEVRA_ROTATE_DAILY = 2 };
/* A file output (created with `mode_bits` before the umask) that rotates
 * before a line would take it past `max_bytes` (0: no limit) or when a new
 * period `every` begins, keeping `max_files` old files path.1 (newest) to
 * path.N. Lines are never split; several processes may share the path
 * (each line written under flock). 0 or an errno value. */
TEVRA_API int tevra_output_init_rotating(tevra_output *out, const char *path, uint64_t max_bytes,
                                         int every, unsigned max_files, unsigned mode_bits);
/* Closes an owned sink (ignoring the result) and zeroes the record. */
TEVRA_API void tevra_output_destroy(tevra_output *out);
TEVRA_API void tevra_observed_output_init(tevra_observed_output *obs, const tevra_output *inner,
                                          void (*on_failure)(void *, const tevra_write_failure *),
                                          void *failure_user);
/* Safe to call while other threads log through the observed output. */
TEVRA_API tevra_observed_stats tevra_observed_output_stats_get(const tevra_observed_output *obs);

/* The built-in operations, for applications that assemble records by hand
 * (a tee, for instance). */
TEVRA_API int tevra_file_write(void *user_data, const void *data, size_t len, size_t *written);
TEVRA_API int tevra_file_close(void *user_data);
TEVRA_API int tevra_file_isatty(void *user_data);
TEVRA_API int tevra_fd_write(void *user_data, const void *data, size_t len, size_t *written);
TEVRA_API int tevra_fd_close(void *user_data);
TEVRA_API int tevra_fd_isatty(void *user_data);
TEVRA_API int tevra_tee_write(void *user_data, const void *data, size_t len, size_t *written);
TEVRA_API int tevra_tee_close(void *user_data);
TEVRA_API int tevra_tee_isatty(void *user_data);
TEVRA_API int tevra_observed_write(void *user_data, const void *data, size_t len, size_t *written);
TEVRA_API int tevra_observed_close(void *user_data);
TEVRA_API int tevra_observed_isatty(void *user_data);

/* ======================================================================
 * Palettes
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

/* ======================================================================
 * Configuration and logger handle
 * ====================================================================== */

typedef struct tevra_config {
    int mode;                      /* TEVRA_MODE_*; anything but 1 is console */
    int color;                     /* TEVRA_COLOR_*; anything but 1, 2 is auto */
    int non_finite_null;           /* JSON: exactly 1 writes NaN/Inf as null */
    size_t buffer_size;            /* line buffer and largest write; 0 = 1024 */
    int level;                     /* minimum level, stored unchecked */
    int timestamps;
    int utc;
    int level_field;               /* append "loglevel" to every line */
    int verbose_fields;            /* "time"/"level"/"message" keys */
    const char *time_format;       /* NULL, "RFC3339", "RFC3339Nano" or strftime */
    const tevra_palette *palette;  /* borrowed; NULL means the default */
    tevra_output output;           /* NULL write means standard output */
} tevra_config;

typedef struct tevra_shared tevra_shared;
typedef struct tevra_logger tevra_logger;
typedef struct tevra_field tevra_field;

/* Per-logger state, owned by its one handle; never changes after creation. */
typedef struct tevra_logger_state {
    tevra_shared *shared;   /* holds one reference */
    tevra_field *fields;    /* owned deep copies of the bound fields */
    size_t field_count;
    char *prefix;           /* bound fields rendered in the logger's mode */
    size_t prefix_len;
    int level;
    int level_field;
    int closes_output;
} tevra_logger_state;

/* The handle: its state and 22 operations, each taking the handle first. */
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

/* Zeroes the record, then: buffer_size 1024, timestamps 1, the default
 * palette, the process's standard output (not owned). NULL does nothing. */
TEVRA_API void tevra_default_config(tevra_config *config);

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

/* One typed key/value pair. Keys and strings are borrowed for the call.
 * `key_len` counts only when `key_trusted` is 1, `value_len` only when
 * `value_trusted` or `value_sized` is 1; other text is read to its NUL and
 * escaped. `value_sized` (set by tevra_str_n only) makes `value_len` the
 * exact size of a string value, which then need not end in a NUL and may
 * hold NUL bytes; it sits in what was padding, so the record's size and
 * every member's offset are those of a record without it. */
struct tevra_field {
    const char *key;
    size_t key_len;
    size_t value_len;
    tevra_field_kind kind;
    uint8_t key_trusted;
    uint8_t value_trusted;
    uint8_t value_console_simple;
    uint8_t value_sized;
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
TEVRA_API tevra_field tevra_null(const char *key);
TEVRA_API tevra_field tevra_str(const char *key, const char *value);
/* As tevra_str, but key and value are classified by the UTF-8 rule, so
 * well-formed non-ASCII text is copied into JSON unescaped. */
TEVRA_API tevra_field tevra_trusted_str(const char *key, const char *value);
/* A string of exactly `len` bytes at `data`: no NUL needed at its end, and
 * NUL bytes inside are written like any control byte (\u0000 in JSON, \x00
 * in console lines). Nothing is read past `len`. NULL data gives "". The
 * value is classified by the ASCII rule over its `len` bytes. */
TEVRA_API tevra_field tevra_str_n(const char *key, const char *data, size_t len);
TEVRA_API tevra_field tevra_i64(const char *key, int64_t value);
TEVRA_API tevra_field tevra_u64(const char *key, uint64_t value);
TEVRA_API tevra_field tevra_f64(const char *key, double value);
TEVRA_API tevra_field tevra_bool(const char *key, int value);
TEVRA_API tevra_field tevra_ptr(const char *key, const void *value);
TEVRA_API tevra_field tevra_bytes_field(const char *key, const void *data, size_t len);
TEVRA_API tevra_field tevra_time_field(const char *key, tevra_time value);
TEVRA_API tevra_field tevra_duration_field(const char *key, tevra_duration value);
TEVRA_API tevra_field tevra_errno(const char *key, int err);

/* 1 when the text is well-formed UTF-8 without control bytes, '"' or '\'
 * (NULL and "" pass). */
TEVRA_API int tevra_string_is_trusted(const char *s);
/* 1 when the text can stand unquoted in a console value. */
TEVRA_API int tevra_string_is_console_simple_internal(const char *s);
/* The message for an errno number ("Unknown error N" when there is none),
 * written into `buf`; a static "" when `buf` is NULL or `size` is 0. */
TEVRA_API const char *tevra_errno_string(int err, char *buf, size_t size);

/* ======================================================================
 * Line buffer
 * ====================================================================== */

#define TEVRA_BUFFER_DEFAULT_SIZE 1024
#define TEVRA_BUFFER_INLINE_CAPACITY 1025

/* One line being rendered. Bound to a shared record it flushes to the
 * output when full (holding write_lock until the line ends); detached it
 * grows on the heap. Lives on the caller's stack. */
typedef struct tevra_buffer {
    tevra_shared *shared;
    char *data;          /* always NUL-terminated at data[len] */
    size_t len;
    size_t cap;
    size_t write_chunk;  /* largest piece handed to the output */
    int lock_held;
    int owns_data;
    char inline_storage[TEVRA_BUFFER_INLINE_CAPACITY + 1];
} tevra_buffer;

TEVRA_API char *tevra_buffer_init(tevra_buffer *buf, tevra_shared *shared, size_t size);
TEVRA_API int tevra_buffer_reserve(tevra_buffer *buf, size_t need);
TEVRA_API void tevra_buffer_flush(tevra_buffer *buf);
TEVRA_API void tevra_buffer_append_char(tevra_buffer *buf, char c);
TEVRA_API void tevra_buffer_append_n(tevra_buffer *buf, const char *src, size_t n);
TEVRA_API void tevra_buffer_append_cstr(tevra_buffer *buf, const char *s);
TEVRA_API void tevra_buffer_append_bytes_hex(tevra_buffer *buf, const void *p, size_t n);
TEVRA_API void tevra_buffer_finish_line(tevra_buffer *buf);
/* Writes the buffer's text under write_lock and releases a lock taken by a
 * mid-line flush. Every line started on a bound buffer ends here. */
TEVRA_API void tevra_write_buffer(tevra_shared *shared, tevra_buffer *buf);
TEVRA_API void tevra_buffer_destroy(tevra_buffer *buf);

/* ======================================================================
 * Palettes and level colours
 * ====================================================================== */

/* The 32 built-in palettes ("-" in a name is "_" here). */
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

TEVRA_API const tevra_palette *tevra_palette_default(void);
/* Forgiving lookup ("Solarized Dark", "palette-nord", "doomnord"); a name
 * that matches nothing gives the default palette. Never NULL. */
TEVRA_API const tevra_palette *tevra_palette_by_name(const char *name);
TEVRA_API size_t tevra_palette_count(void);
/* Name of entry `index` in alphabetical order; NULL past the end. */
TEVRA_API const char *tevra_palette_name(unsigned index);
/* The level's colour; "" for a NULL palette. */
TEVRA_API const char *tevra_level_color(const tevra_palette *palette, int level);
/* The cached byte length of that colour; 0 for a NULL shared record. */
TEVRA_API size_t tevra_level_color_len(const tevra_shared *shared, int level);
TEVRA_API void tevra_apply_color(tevra_buffer *buf, const char *color, int enabled);
TEVRA_API void tevra_apply_color_len(tevra_buffer *buf, const char *color, size_t len, int enabled);
/* Three-letter console label ("TRC" ... "PNC", "---"; "INF" otherwise). */
TEVRA_API const char *tevra_level_console_label(int level);

/* ======================================================================
 * Construction and lifecycle
 * ====================================================================== */

/* A new root logger from a configuration (copied; NULL uses the defaults),
 * or NULL on failure. Destroy it through its `destroy` slot. An owned output
 * (`owns` set) belongs to the logger from this call on: every failure closes
 * it, so the caller never closes it afterwards. */
TEVRA_API tevra_logger *tevra_new(const tevra_config *config);
/* As tevra_new, with environment values (PREFIX + LEVEL, MODE, TIME_FORMAT,
 * DISABLE_TIMESTAMP, VERBOSE_FIELDS, UTC, NO_COLOR, FORCE_COLOR, PALETTE,
 * BUFFER_SIZE, OUTPUT_FILE_MODE, OUTPUT; prefix NULL or "" means "LOG_")
 * laid over `base`. Keywords match without regard to ASCII case in every
 * locale. BUFFER_SIZE is decimal bytes from 64 to 1048576, else ignored.
 * Configuration problems are logged through the new logger. */
TEVRA_API tevra_logger *tevra_new_from_env(const char *prefix, const tevra_config *base);
/* Closes the owned sink once for the whole logger tree; later calls return
 * the same result. A derived logger never closes anything. */
TEVRA_API int tevra_close(tevra_logger *log);
/* Reopens every file output of the logger's tree by its path now (files
 * also follow their path by themselves, checking about once a second).
 * 0 or the first error (errno value); safe while other threads log. */
TEVRA_API int tevra_reopen(tevra_logger *log);
/* 1 and the level stored when the name is recognised ("warning", "off"...). */
TEVRA_API int tevra_parse_level(const char *text, int *level);

/* ======================================================================
 * Logging with field records
 * ====================================================================== */

TEVRA_API void tevra_fields(tevra_logger *log, int level, const char *msg,
                            const tevra_field *fields, size_t count);
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
 * instead of the event and reads no argument.
 * ====================================================================== */

/* The generic template call, at any level. */
TEVRA_API void tevra(tevra_logger *log, int level, const char *msg, const char *kvfmt, ...);
TEVRA_API void tevra_tracef(tevra_logger *log, const char *msg, const char *kvfmt, ...);
TEVRA_API void tevra_debugf(tevra_logger *log, const char *msg, const char *kvfmt, ...);
TEVRA_API void tevra_infof(tevra_logger *log, const char *msg, const char *kvfmt, ...);
TEVRA_API void tevra_warnf(tevra_logger *log, const char *msg, const char *kvfmt, ...);
TEVRA_API void tevra_errorf(tevra_logger *log, const char *msg, const char *kvfmt, ...);
TEVRA_API void tevra_fatalf(tevra_logger *log, const char *msg, const char *kvfmt, ...);
TEVRA_API void tevra_panicf(tevra_logger *log, const char *msg, const char *kvfmt, ...);

/* ======================================================================
 * Derived loggers: share the parent's output, settings and caches; bound
 * fields are deep copies rendered once. Destroy each through `destroy`.
 * ====================================================================== */

TEVRA_API tevra_logger *tevra_with(tevra_logger *log, const tevra_field *fields, size_t count);
TEVRA_API tevra_logger *tevra_withf(tevra_logger *log, const char *kvfmt, ...);
TEVRA_API tevra_logger *tevra_with_level(tevra_logger *log, int level);
TEVRA_API tevra_logger *tevra_with_level_field(tevra_logger *log);
/* Heap copy including the NUL (NULL gives ""); free with free(). */
TEVRA_API char *tevra_strdup_local(const char *s);
/* Heap copy of n bytes; NULL for a NULL pointer or n 0. */
TEVRA_API void *tevra_memdup_local(const void *p, size_t n);

/* ======================================================================
 * kvfmt layouts
 * ====================================================================== */

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

#define TEVRA_KVFMT_MAX_ITEMS 32

typedef struct tevra_kvfmt_entry {
    const char *key;           /* into the template; not NUL-terminated */
    size_t key_len;
    uint32_t verb;
    size_t console_prefix_len; /* 0 when none is stored */
    char console_prefix[128];
    size_t json_key_len;       /* 0 when none is stored */
    char json_key[128];
} tevra_kvfmt_entry;

typedef struct tevra_kvfmt_layout {
    const char *template_text; /* NULL marks an empty cache slot */
    char *template_copy;       /* owned copy, or NULL */
    size_t template_len;
    uint32_t hash;
    uint32_t count;
    tevra_kvfmt_entry entries[TEVRA_KVFMT_MAX_ITEMS];
} tevra_kvfmt_layout;

/* Turns a template and its arguments into at most 32 field records (keys
 * and strings borrowed). `saved_errno` is reported by %m. 0, or -1 for an
 * invalid template. */
TEVRA_API int tevra_parse_kvfmt(tevra_shared *shared, tevra_field fields[32], size_t *count,
                                int json_mode, const char *kvfmt, int saved_errno, va_list args);

/* ======================================================================
 * Internal: library building blocks, exported for the library's own use
 * and for tests. Applications should not need them.
 * ====================================================================== */

/* --- logger core --- */
TEVRA_API tevra_logger *tevra_allocate_logger(tevra_shared *shared);
TEVRA_API int tevra_retain_shared(tevra_shared *shared);
TEVRA_API void tevra_release_shared(tevra_shared *shared);
TEVRA_API int tevra_close_shared(tevra_shared *shared, int close_output);
TEVRA_API int tevra_should_log(const tevra_logger_state *state, int level);
TEVRA_API void tevra_log_impl(tevra_logger *log, int level, const char *msg,
                              const tevra_field *fields, size_t count);
TEVRA_API void tevra_vlogf_impl(tevra_logger *log, int level, const char *msg, const char *kvfmt,
                                va_list args);
TEVRA_API tevra_logger *tevra_clone_with_fields(tevra_logger *log, const tevra_field *fields,
                                                size_t count);
TEVRA_API tevra_logger *tevra_vwithf_impl(tevra_logger *log, const char *kvfmt, va_list args);
TEVRA_API int tevra_copy_field(tevra_field *dst, const tevra_field *src);
TEVRA_API int tevra_build_field_prefix(tevra_logger_state *state);
TEVRA_API int tevra_parse_bool_value(const char *text, int *value);
TEVRA_API char *tevra_trim_copy(char *dst, size_t size, const char *src);

/* --- handle slots --- */
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

/* --- sinks --- */
/* 1 when `needle` is `haystack` or lives inside it (through tees). */
TEVRA_API int tevra_output_contains(const tevra_output *haystack, const tevra_output *needle);
/* Hands a finished line to the output in pieces of at most `max_piece`
 * bytes (0: no limit). The caller holds write_lock. */
TEVRA_API void tevra_write_output_locked(tevra_shared *shared, const void *data, size_t len,
                                         size_t max_piece);

/* --- fields --- */
TEVRA_API int tevra_string_is_trusted_measure(const char *s, size_t *len);

/* --- number, pointer, duration and time text --- */
TEVRA_API void tevra_buffer_append_signed(tevra_buffer *buf, int64_t value);
TEVRA_API void tevra_buffer_append_unsigned(tevra_buffer *buf, uint64_t value);
/* "%.17g", or "nan", "inf", "-inf"; repeated values come from a cache. */
TEVRA_API void tevra_buffer_append_double(tevra_buffer *buf, double value);
TEVRA_API void tevra_buffer_append_pointer(tevra_buffer *buf, const void *p);
TEVRA_API void tevra_buffer_append_duration(tevra_buffer *buf, tevra_duration d, int quoted);
TEVRA_API void tevra_buffer_append_time(tevra_buffer *buf, tevra_time t, int quoted);
TEVRA_API size_t tevra_render_timestamp_value(tevra_shared *shared, int64_t sec, long nsec, char out[64]);
/* The current time in the configured layout, escaped for the logger's mode
 * (as the body of a JSON string, or as a console message), without quotes. */
TEVRA_API void tevra_append_timestamp(tevra_shared *shared, tevra_buffer *buf);
/* The default clock (CLOCK_REALTIME). Always returns 0. */
TEVRA_API int tevra_default_time_now(void *ctx, int64_t *sec, long *nsec);

/* --- JSON and console strings --- */
TEVRA_API void tevra_buffer_append_json_string(tevra_buffer *buf, const char *s);
TEVRA_API void tevra_buffer_append_json_string_maybe_trusted(tevra_buffer *buf, const char *s);
TEVRA_API void tevra_buffer_append_json_trusted_string_n(tevra_buffer *buf, const char *s, size_t n);
TEVRA_API void tevra_buffer_append_json_trusted_string(tevra_buffer *buf, const char *s);
TEVRA_API void tevra_buffer_append_console_string(tevra_buffer *buf, const char *s);
TEVRA_API void tevra_buffer_append_console_message(tevra_buffer *buf, const char *s);

/* --- kvfmt --- */
TEVRA_API int tevra_parse_kvfmt_layout(tevra_kvfmt_layout *layout, const char *kvfmt, int copy);
TEVRA_API void tevra_prepare_kvfmt_cache_entry(tevra_shared *shared, tevra_kvfmt_layout *layout);
TEVRA_API int tevra_resolve_kvfmt_entry(tevra_shared *shared, const char *kvfmt,
                                        tevra_kvfmt_layout *scratch, tevra_kvfmt_layout **out);
TEVRA_API int tevra_materialize_kvfmt_fields(const tevra_kvfmt_layout *layout, tevra_field fields[32],
                                             size_t *count, int json_mode, int saved_errno,
                                             va_list args);

/* --- JSON encoder --- */
TEVRA_API void tevra_emit_json(const tevra_logger_state *state, int level, const char *msg,
                               const tevra_field *fields, size_t count);
TEVRA_API void tevra_emit_json_plain(const tevra_logger_state *state, int level, const char *msg,
                                     const tevra_field *fields, size_t count);
TEVRA_API void tevra_emit_json_color(const tevra_logger_state *state, int level, const char *msg,
                                     const tevra_field *fields, size_t count);
TEVRA_API void tevra_emit_json_kvfmt(const tevra_logger_state *state, int level, const char *msg,
                                     const tevra_kvfmt_layout *layout, int saved_errno, va_list args);
TEVRA_API void tevra_append_json_field_plain(tevra_shared *shared, tevra_buffer *buf,
                                             const tevra_field *field, int first);
TEVRA_API void tevra_append_json_value_plain(tevra_shared *shared, tevra_buffer *buf,
                                             const tevra_field *field);
TEVRA_API void tevra_append_json_message_field_plain(tevra_shared *shared, tevra_buffer *buf,
                                                     const char *msg);
TEVRA_API void tevra_append_json_field_prefix(tevra_shared *shared, tevra_buffer *buf,
                                              const tevra_field *fields, size_t count);
TEVRA_API void tevra_build_json_color_literals(tevra_shared *shared);
TEVRA_API void tevra_append_json_field_color(tevra_shared *shared, tevra_buffer *buf,
                                             const tevra_field *field, int first);
TEVRA_API void tevra_append_json_message_field_color(tevra_shared *shared, tevra_buffer *buf,
                                                     const char *msg);
TEVRA_API void tevra_append_json_timestamp_field_color(tevra_shared *shared, tevra_buffer *buf);
TEVRA_API void tevra_append_json_level_field_color_cached_or_dynamic(tevra_shared *shared,
                                                                     tevra_buffer *buf, int level,
                                                                     int selector);
TEVRA_API void tevra_append_json_color_literal(tevra_buffer *buf, const char *color, size_t color_len,
                                               const char *text, size_t text_len);
TEVRA_API void tevra_append_json_color_string(tevra_buffer *buf, const char *color, size_t color_len,
                                              const char *text, size_t text_len);

/* --- console encoder --- */
TEVRA_API void tevra_emit_console(const tevra_logger_state *state, int level, const char *msg,
                                  const tevra_field *fields, size_t count);
TEVRA_API void tevra_emit_console_kvfmt(const tevra_logger_state *state, int level, const char *msg,
                                        const tevra_kvfmt_layout *layout, int saved_errno,
                                        va_list args);
TEVRA_API void tevra_append_console_field_prefix(tevra_shared *shared, tevra_buffer *buf,
                                                 const tevra_field *fields, size_t count);
TEVRA_API void tevra_append_console_field_cached(tevra_shared *shared, tevra_buffer *buf,
                                                 const tevra_field *field);
TEVRA_API void tevra_append_console_message_prefix(tevra_shared *shared, tevra_buffer *buf);
TEVRA_API void tevra_append_level_label(tevra_shared *shared, tevra_buffer *buf, int level);
TEVRA_API void tevra_build_console_level_fragment(tevra_shared *shared, int level, int index);
TEVRA_API void tevra_build_console_literals(tevra_shared *shared);

#ifdef __cplusplus
}
#endif

#endif /* TEVRA_H */

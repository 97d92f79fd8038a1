// SPDX-License-Identifier: MIT
// The line timestamp: the configured layout (RFC 3339, RFC 3339 with
// nanoseconds, or a strftime pattern) of the current time, escaped for the
// line's mode, and the once-per-second cache of that text kept in the
// shared record (written under `lock`, read without it).
#include <time.h>

#include <atomic>
#include <cstdint>
#include <cstring>

#include "text/buffer.hpp"
#include "text/values.hpp"
#include "text/console_string.hpp"
#include "core/lock.hpp"
#include "core/shared.hpp"
#include "text/buffer_fast.hpp"
#include "text/fixed_text.hpp"
#include "text/json_string.hpp"
#include "text/seqlock.hpp"

namespace tev {
namespace {

constexpr size_t kTextArea = 64;
constexpr size_t kTextMax = kTextArea - 1;
static_assert(sizeof(TimestampCache::text) == kTextArea);
// Escaped, a text grows at worst sixfold (every byte as \u00XX in JSON;
// console escapes take four bytes at most).
constexpr size_t kEscapedMax = 6 * kTextMax;

enum class Layout { kRfc3339, kRfc3339Nano, kStrftime };

struct Choice {
    Layout layout;
    const char *pattern;  // for kStrftime
};

// Console lines default to the compact day-hour-minute stamp, JSON lines to
// RFC 3339.
Choice choose_layout(const tevra_shared *s) {
    const char *format = s->time_format;
    if (format == nullptr) {
        return s->mode == TEVRA_MODE_JSON ? Choice{Layout::kRfc3339, nullptr} : Choice{Layout::kStrftime, "%d%H%M"};
    }
    if (std::strcmp(format, "RFC3339") == 0) return {Layout::kRfc3339, nullptr};
    if (std::strcmp(format, "RFC3339Nano") == 0) return {Layout::kRfc3339Nano, nullptr};
    return {Layout::kStrftime, format};
}

// The local zone's offset from UTC at this instant, in minutes (truncated
// toward zero), or 0 when the instant has no local time. Read from the
// zone data itself, so that an instant inside daylight saving time carries
// the daylight offset it is shown with locally.
int local_offset_minutes(int64_t sec) {
    const time_t when = static_cast<time_t>(sec);
    struct tm local;
    if (localtime_r(&when, &local) == nullptr) return 0;
    return static_cast<int>(local.tm_gmtoff / 60);
}

size_t render_rfc3339(const tevra_shared *s, int64_t sec, long nsec, char *out) {
    tevra_time t;
    t.sec = static_cast<long>(sec);
    t.nsec = nsec;
    t.offset_minutes = s->utc ? 0 : local_offset_minutes(sec);
    tevra_buffer scratch;
    tev::buffer_init(&scratch, nullptr, kTextMax);
    tev::append_time(&scratch, t, 0);
    const size_t n = scratch.len < kTextMax ? scratch.len : kTextMax;
    std::memcpy(out, scratch.data, n);
    out[n] = '\0';
    tev::buffer_destroy(&scratch);
    return n;
}

size_t render_strftime(const tevra_shared *s, int64_t sec, const char *pattern, char *out) {
    const time_t when = static_cast<time_t>(sec);
    struct tm broken;
    const struct tm *ok = s->utc ? gmtime_r(&when, &broken) : localtime_r(&when, &broken);
    out[0] = '\0';
    if (ok == nullptr) return 0;
    // 0 means empty or longer than 63 characters: no timestamp either way.
    const size_t n = strftime(out, kTextArea, pattern, &broken);
    if (n == 0) out[0] = '\0';
    return n;
}

// Copies the cached text of second `sec` to `out` (kTextArea bytes of room)
// as whole words and returns its length; 0 when the cache holds another
// second, is empty, or a writer got in meanwhile (then `out` holds bytes to
// be overwritten).
size_t read_cache(TimestampCache &c, int64_t sec, char *out) {
    const uint32_t seen = seq::begin_read(c.seq);
    if (seq::busy(seen)) return 0;
    const uint32_t len = seq::load(c.len);
    if (len == 0 || len > kTextMax || seq::load(c.sec) != sec) return 0;
    seq::load_words(out, c.text, (len + sizeof(uint64_t)) / sizeof(uint64_t));
    return seq::still(c.seq, seen) ? len : 0;
}

// Under `lock`, so writers never meet; the odd sequence keeps readers off.
void write_cache(TimestampCache &c, int64_t sec, const char *text, size_t n) {
    const uint32_t seen = seq::begin_read(c.seq);
    if (!seq::claim(c.seq, seen)) return;
    seq::store(c.sec, sec);
    seq::store(c.len, static_cast<uint32_t>(n));
    seq::store_words(c.text, kTextArea / sizeof(uint64_t), text, n);
    seq::publish(c.seq, seen);
}

}  // namespace

size_t render_timestamp_value(const tevra_shared *s, int64_t sec, long nsec, char *out) {
    const Choice choice = choose_layout(s);
    switch (choice.layout) {
        case Layout::kRfc3339:
            return render_rfc3339(s, sec, 0, out);
        case Layout::kRfc3339Nano:
            return render_rfc3339(s, sec, nsec, out);
        case Layout::kStrftime:
            break;
    }
    return render_strftime(s, sec, choice.pattern, out);
}

namespace {

// The timestamp as a line of this mode carries it. A strftime layout is the
// application's own text and may produce any byte, so JSON lines escape it
// as they escape their strings and console lines as they escape their
// messages: no layout can break a string, end a line or send an escape
// sequence to a terminal. Text that needs no escaping (every RFC 3339 text,
// most layouts) comes out unchanged.
using LineText = FixedText<kEscapedMax + 1>;

void render_line_text(const tevra_shared *s, int64_t sec, long nsec, LineText &line) {
    char raw[kTextArea];
    if (render_timestamp_value(s, sec, nsec, raw) == 0) return;
    if (s->mode == TEVRA_MODE_JSON) {
        append_json_escaped(line.buffer(), raw);
    } else {
        tev::append_console_message(line.buffer(), raw);
    }
}

}  // namespace

void append_timestamp(tevra_shared *s, tevra_buffer *b) {
    int64_t sec = 0;
    long nsec = 0;
    const bool cacheable = s->ts_cacheable != 0;
    // Cached text holds whole seconds only, so the cheaper clock will do.
    if (cacheable && s->time_now == &tevra_default_time_now) {
        sec = static_cast<int64_t>(time(nullptr));
    } else if (s->time_now != nullptr) {
        s->time_now(s->time_user, &sec, &nsec);
    } else {
        tevra_default_time_now(nullptr, &sec, &nsec);
    }

    if (!cacheable) {
        LineText line;
        render_line_text(s, sec, nsec, line);
        put(b, line.text());
        return;
    }

    // The cache holds the text escaped, so a hit costs one copy whatever
    // the layout; it is read without a lock.
    if (b->cap - b->len >= kTextArea) {
        char *out = b->data + b->len;
        if (const size_t n = read_cache(s->ts_cache, sec, out); n != 0) {
            b->len += n;
            b->data[b->len] = '\0';
            return;
        }
    } else {
        char text[kTextArea];
        if (const size_t n = read_cache(s->ts_cache, sec, text); n != 0) {
            put(b, text, n);
            return;
        }
    }
    // Rendered outside the lock; two threads may both render one second.
    LineText line;
    render_line_text(s, sec, 0, line);
    const std::string_view text = line.text();
    const size_t n = text.size();
    if (n == 0) return;
    if (n <= kTextMax) {
        MutexLock guard(s, &s->lock);
        // Refused when this thread fills the cache already (re-entered from
        // a signal handler): the text is written uncached.
        if (guard.held()) write_cache(s->ts_cache, sec, text.data(), n);
    }
    // Escaping may make a text too long to hold: written as it is and
    // rendered again on the next line. After unlocking: this append may
    // flush, which takes write_lock.
    put(b, text);
}

}  // namespace tev

extern "C" {

size_t tevra_render_timestamp_value(tevra_shared *shared, int64_t sec, long nsec, char out[64]) {
    if (shared == nullptr || out == nullptr) return 0;
    return tev::render_timestamp_value(shared, sec, nsec, out);
}

void tevra_append_timestamp(tevra_shared *shared, tevra_buffer *buf) {
    if (shared == nullptr || !tev::usable(buf) || shared->timestamps == 0) return;
    tev::append_timestamp(shared, buf);
}

int tevra_default_time_now(void *ctx, int64_t *sec, long *nsec) {
    (void)ctx;
    struct timespec now;
    int64_t s = 0;
    long ns = 0;
    if (clock_gettime(CLOCK_REALTIME, &now) == 0) {
        s = static_cast<int64_t>(now.tv_sec);
        ns = static_cast<long>(now.tv_nsec);
    } else {
        s = static_cast<int64_t>(time(nullptr));
    }
    if (sec != nullptr) *sec = s;
    if (nsec != nullptr) *nsec = ns;
    return 0;
}

}  // extern "C"

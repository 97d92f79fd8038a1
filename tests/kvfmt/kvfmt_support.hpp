// Helpers shared by the template tests: a logger whose shared record the
// tests reach into, and resolution under the shared lock as the library's
// own callers do it.
#pragma once

#include <tevra.h>

#include <pthread.h>

#include <cstdarg>
#include <string>
#include <vector>

#include "support/capture_sink.hpp"
#include "core/shared.hpp"

namespace kvfmt_test {

// A root logger writing to a capture sink; destroyed with the test.
struct Logger {
    explicit Logger(int mode = TEVRA_MODE_JSON, const tevra_palette *palette = nullptr) {
        tevra_config cfg = tevra_test::capture_config(sink, mode);
        if (palette != nullptr) {
            cfg.palette = palette;
            cfg.color = TEVRA_COLOR_ALWAYS;
        }
        log = tevra_new(&cfg);
    }
    ~Logger() {
        if (log != nullptr) log->destroy(log);
    }
    Logger(const Logger &) = delete;
    Logger &operator=(const Logger &) = delete;

    tevra_shared *shared() const { return log->state->shared; }

    tevra_test::CaptureSink sink;
    tevra_logger *log = nullptr;
};

// Resolves exactly as the log entry points do: under the shared `lock`.
inline int resolve(tevra_shared *s, const char *text, tevra_kvfmt_layout *scratch,
                   tevra_kvfmt_layout **out) {
    if (s == nullptr) return tevra_resolve_kvfmt_entry(nullptr, text, scratch, out);
    pthread_mutex_lock(&s->lock);
    const int rc = tevra_resolve_kvfmt_entry(s, text, scratch, out);
    pthread_mutex_unlock(&s->lock);
    return rc;
}

inline bool in_cache(const tevra_shared *s, const tevra_kvfmt_layout *layout) {
    return layout >= &s->kvfmt_entries[0] && layout < &s->kvfmt_entries[tev::kKvfmtCacheSlots];
}

inline size_t filled_slots(const tevra_shared *s) {
    size_t n = 0;
    for (const tevra_kvfmt_layout &l : s->kvfmt_entries) n += l.template_text != nullptr ? 1 : 0;
    return n;
}

inline std::string key_of(const tevra_kvfmt_entry &e) { return std::string(e.key, e.key_len); }

// Valid one-item templates whose hashes share their low nine bits, so they
// all compete for one probe window of the cache.
std::vector<std::string> colliding_templates(size_t n);

// tevra_parse_kvfmt with a real argument list.
inline int parse_fields(tevra_shared *s, tevra_field *fields, size_t *count, int json_mode,
                        const char *text, int saved_errno, ...) {
    va_list args;
    va_start(args, saved_errno);
    const int rc = tevra_parse_kvfmt(s, fields, count, json_mode, text, saved_errno, args);
    va_end(args);
    return rc;
}

}  // namespace kvfmt_test

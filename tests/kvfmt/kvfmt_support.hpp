// Helpers shared by the template tests: resolution under the shared lock as
// the library's own callers do it, the cache's filling and templates that
// collide in it.
#pragma once

#include <tevra.h>

#include <pthread.h>

#include <cstdarg>
#include <string>
#include <vector>

#include "core/shared.hpp"
#include "support/private_state.hpp"

namespace kvfmt_test {

// Resolves exactly as the log entry points do: under the shared `lock`.
inline int resolve(tevra_shared *s, const char *text, tevra_kvfmt_layout *scratch,
                   tevra_kvfmt_layout **out) {
    if (s == nullptr) return tevra_resolve_kvfmt_entry(nullptr, text, scratch, out);
    pthread_mutex_lock(&s->lock);
    const int rc = tevra_resolve_kvfmt_entry(s, text, scratch, out);
    pthread_mutex_unlock(&s->lock);
    return rc;
}

inline size_t filled_slots(const tevra_shared *s) {
    size_t n = 0;
    for (const tevra_kvfmt_layout &l : tevra_test::kvfmt_slots(s)) n += l.template_text != nullptr ? 1 : 0;
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

// tevra_materialize_kvfmt_fields in JSON mode with a real argument list.
inline int materialize(const tevra_kvfmt_layout *layout, tevra_field *fields, size_t *count, ...) {
    va_list args;
    va_start(args, count);
    const int rc = tevra_materialize_kvfmt_fields(layout, fields, count, 1, 0, args);
    va_end(args);
    return rc;
}

}  // namespace kvfmt_test

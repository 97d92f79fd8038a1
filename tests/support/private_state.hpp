// SPDX-License-Identifier: MIT
// Test hooks into the private state of a logger: the shared record that no
// public call reports on. Every test that reads or replaces a part of it
// goes through these accessors, so a change to the record is mended here.
#pragma once

#include <pthread.h>
#include <tevra.h>

#include <cstddef>
#include <cstdint>

#include "core/shared.hpp"

namespace tevra_test {

// The shared record of a logger tree: settings chosen at creation and the
// caches, which tests compare with what the configuration asked for.
inline tevra_shared *shared_of(const tevra_logger *log) { return log->state->shared; }

// Handles holding the shared record: only this count shows a reference that
// derivation or destruction leaked or dropped twice.
inline unsigned refcount(const tevra_logger *log) { return shared_of(log)->refcount; }

// Replaces the clock that timestamps read, so that lines with a timestamp
// can be compared whole, or so that a test can move time on.
inline void set_clock(tevra_logger *log, tev::TimeNowFn now, void *user) {
    shared_of(log)->time_now = now;
    shared_of(log)->time_user = user;
}

// A clock for set_clock that always reads the second `user` points at (an
// int64_t), with no nanoseconds.
inline int fixed_clock(void *user, int64_t *sec, long *nsec) {
    if (sec != nullptr) *sec = *static_cast<const int64_t *>(user);
    if (nsec != nullptr) *nsec = 0;
    return 0;
}

// The last timestamp text the logger rendered, with its second: tests
// check when it is reused and plant text in it to see that it is.
inline tev::TimestampCache &timestamp_cache(tevra_shared *s) { return s->ts_cache; }

// Whether someone holds `m`: a write must never happen under the record's
// `lock`, and always under its `write_lock`, which no public call shows.
inline bool is_held(pthread_mutex_t *m) {
    if (pthread_mutex_trylock(m) != 0) return true;
    pthread_mutex_unlock(m);
    return false;
}

// The template cache's slots and its index by template address: tests
// check which templates it keeps and that a layout handed out is its own.
inline const tevra_kvfmt_layout (&kvfmt_slots(const tevra_shared *s))[tev::kKvfmtCacheSlots] {
    return s->kvfmt_entries;
}
inline bool in_kvfmt_cache(const tevra_shared *s, const tevra_kvfmt_layout *layout) {
    return layout >= &s->kvfmt_entries[0] && layout < &s->kvfmt_entries[tev::kKvfmtCacheSlots];
}
inline const tev::KvfmtIndexSlot *kvfmt_index(const tevra_shared *s) { return s->kvfmt_index; }

// The console field cache's entries: tests count the entries a key holds to
// see what is cached and what is written uncached.
inline const tev::ConsoleFieldCacheEntry (&console_cache(const tevra_shared *s))[tev::kConsoleCacheEntries] {
    return s->console_field_cache;
}

// The formatted-double cache's slots: tests fill and read colliding slots
// directly, and check that a fresh logger starts with all of them empty.
inline tev::DoubleCacheSlot (&double_cache(tevra_shared *s))[tev::kDoubleCacheSlots] { return s->double_cache; }

}  // namespace tevra_test

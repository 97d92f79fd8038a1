// SPDX-License-Identifier: MIT
// The shared record's mutexes across fork: how they are made, the counter
// a forked child bumps, and the repair a record inherited from the parent
// gets before its first lock in the child.
#include <pthread.h>
#include <sched.h>

#include <cstring>

#include "core/lock.hpp"
#include "kvfmt/kvfmt.hpp"

namespace tev {

std::atomic<unsigned> fork_generation{0};

namespace {

// A record's generation while one thread repairs it; the counter skips it.
constexpr unsigned kRepairing = ~0u;

void bump_generation() {
    unsigned next = fork_generation.load(std::memory_order_relaxed) + 1;
    if (next == kRepairing) next = 0;
    fork_generation.store(next, std::memory_order_relaxed);
}

// Registered when the library is loaded; glibc drops the handler again if
// the library is unloaded.
[[gnu::constructor]] void watch_forks() { pthread_atfork(nullptr, nullptr, &bump_generation); }

// The template and timestamp caches change only under `lock`. If a parent
// thread held it at the fork, one of them may be half-changed in the child:
// both are emptied, which costs a re-render and shows nothing torn.
void forget_caches_guarded_by_lock(tevra_shared *s) {
    // A writer stopped by the fork may have left the sequence odd.
    s->ts_cache = TimestampCache{};
    for (tevra_kvfmt_layout &layout : s->kvfmt_entries) kvfmt::reset_layout(&layout);
    if (s->kvfmt_index != nullptr) {
        std::memset(s->kvfmt_index, 0, kKvfmtIndexSlots * sizeof(KvfmtIndexSlot));
    }
}

// Runs alone on the record: other threads of the child wait in
// refresh_inherited_record until the generation is published.
void repair(tevra_shared *s) {
    const bool lock_was_held = pthread_mutex_trylock(&s->lock) != 0;
    if (!lock_was_held) pthread_mutex_unlock(&s->lock);
    // A mutex owned by a thread that does not exist in the child would
    // never be released; made anew, both are free. The seqlocked caches
    // need nothing: a slot a parent thread left odd is never read and
    // never filled again.
    (void)init_record_mutex(&s->lock);
    (void)init_record_mutex(&s->write_lock);
    if (lock_was_held) forget_caches_guarded_by_lock(s);
}

}  // namespace

int init_record_mutex(pthread_mutex_t *mutex) {
    pthread_mutexattr_t attr;
    int rc = pthread_mutexattr_init(&attr);
    if (rc != 0) return rc;
    rc = pthread_mutexattr_settype(&attr, PTHREAD_MUTEX_ERRORCHECK);
    if (rc == 0) rc = pthread_mutex_init(mutex, &attr);
    pthread_mutexattr_destroy(&attr);
    return rc;
}

void refresh_inherited_record(tevra_shared *s) {
    std::atomic_ref<unsigned> generation(s->fork_generation);
    for (;;) {
        const unsigned now = fork_generation.load(std::memory_order_relaxed);
        unsigned seen = generation.load(std::memory_order_acquire);
        if (seen == now) return;
        if (seen == kRepairing) {
            sched_yield();
            continue;
        }
        if (generation.compare_exchange_strong(seen, kRepairing, std::memory_order_acq_rel)) {
            repair(s);
            generation.store(now, std::memory_order_release);
            return;
        }
    }
}

}  // namespace tev

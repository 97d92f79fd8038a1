// SPDX-License-Identifier: MIT
// Taking the two mutexes of a shared record. Both are error-checking
// mutexes, so a thread that already holds one is refused instead of
// deadlocking: a log call re-entered from a sink, a failure callback or a
// signal handler gives up what needs the lock. Every acquisition first
// brings the record up to date after a fork (core/record_locks.cpp).
// Naming: a function whose name ends in `_locked` expects its caller to
// hold the lock it needs and never takes it; the others take what they need.
#pragma once

#include <pthread.h>

#include <atomic>

#include "core/shared.hpp"

namespace tev {

// Bumped in every child a fork makes: the one process-wide variable of the
// library. A record whose own copy differs was inherited from a parent.
extern std::atomic<unsigned> fork_generation;

// Initialises one of a record's mutexes as error-checking; 0 or an errno.
[[nodiscard]] int init_record_mutex(pthread_mutex_t *mutex);

// The slow half of refresh_after_fork.
void refresh_inherited_record(tevra_shared *s);

// Makes the record's mutexes usable in a child forked while other threads
// of the parent held them; two loads when no fork happened.
inline void refresh_after_fork(tevra_shared *s) {
    const unsigned mine =
        std::atomic_ref<unsigned>(s->fork_generation).load(std::memory_order_acquire);
    if (mine != fork_generation.load(std::memory_order_relaxed)) refresh_inherited_record(s);
}

// Takes `mutex`, one of the record's two; false, holding nothing, when this
// thread already holds it.
[[nodiscard]] inline bool lock_mutex(tevra_shared *s, pthread_mutex_t *mutex) {
    refresh_after_fork(s);
    return pthread_mutex_lock(mutex) == 0;
}

// Holds one of the record's mutexes for the length of a block when it
// could be taken; callers check held() and do without the lock otherwise.
class MutexLock {
  public:
    MutexLock(tevra_shared *s, pthread_mutex_t *mutex)
        : mutex_(lock_mutex(s, mutex) ? mutex : nullptr) {}
    ~MutexLock() {
        if (mutex_ != nullptr) pthread_mutex_unlock(mutex_);
    }
    MutexLock(const MutexLock &) = delete;
    MutexLock &operator=(const MutexLock &) = delete;

    [[nodiscard]] bool held() const { return mutex_ != nullptr; }

  private:
    pthread_mutex_t *mutex_;
};

}  // namespace tev

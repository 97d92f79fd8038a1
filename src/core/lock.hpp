// SPDX-License-Identifier: MIT
// A scoped guard over pthread_mutex_t: the only way the library takes a lock
// for the length of a block.
#pragma once

#include <pthread.h>

namespace tevra {

class MutexLock {
  public:
    explicit MutexLock(pthread_mutex_t *mutex) : mutex_(mutex) { pthread_mutex_lock(mutex_); }
    ~MutexLock() { pthread_mutex_unlock(mutex_); }
    MutexLock(const MutexLock &) = delete;
    MutexLock &operator=(const MutexLock &) = delete;

  private:
    pthread_mutex_t *mutex_;
};

}  // namespace tevra

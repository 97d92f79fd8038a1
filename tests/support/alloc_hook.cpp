// SPDX-License-Identifier: MIT
// Replacements for the library's allocator forwards, with the controls of
// alloc_hook.hpp. The file lives in the support archive: the linker takes it
// only into executables that call one of those controls, and there its
// definitions override the library's.
#include "support/alloc_hook.hpp"

#include <tevra.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>

namespace {

std::atomic<long> fail_at{0};  // countdown; the call that sees 1 fails
std::atomic<long> calls{0};
std::atomic<long> obtained{0};
std::atomic<long> live{0};
std::atomic<int> errno_value{0};

bool should_fail() {
    calls.fetch_add(1);
    const int clobber = errno_value.load();
    if (clobber != 0) errno = clobber;
    long n = fail_at.load();
    while (n > 0) {
        if (fail_at.compare_exchange_weak(n, n - 1)) return n == 1;
    }
    return false;
}

void *note(void *p) {
    if (p != nullptr) {
        obtained.fetch_add(1);
        live.fetch_add(1);
    }
    return p;
}

}  // namespace

namespace tevra_test {
void FailAllocation(long n) { fail_at.store(n); }
long AllocationCount() { return calls.load(); }
long BlocksObtained() { return obtained.load(); }
long LiveAllocations() { return live.load(); }
void ClobberErrno(int value) { errno_value.store(value); }
}  // namespace tevra_test

extern "C" {

void *tevra_malloc_internal(size_t size) { return should_fail() ? nullptr : note(std::malloc(size)); }

void *tevra_calloc_internal(size_t n, size_t size) { return should_fail() ? nullptr : note(std::calloc(n, size)); }

void *tevra_realloc_internal(void *p, size_t size) {
    if (should_fail()) return nullptr;
    void *q = std::realloc(p, size);
    return p == nullptr ? note(q) : q;
}

void tevra_free_internal(void *p) {
    if (p != nullptr) live.fetch_sub(1);
    std::free(p);
}

}  // extern "C"

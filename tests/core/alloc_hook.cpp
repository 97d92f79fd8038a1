#include "alloc_hook.hpp"

#include <tevra.h>

#include <atomic>
#include <cstdlib>

namespace {

std::atomic<long> fail_at{0};  // countdown; fails when it reaches 1
std::atomic<long> count{0};
std::atomic<long> live{0};

bool should_fail() {
    count.fetch_add(1);
    long n = fail_at.load();
    while (n > 0) {
        if (fail_at.compare_exchange_weak(n, n - 1)) return n == 1;
    }
    return false;
}

void *note(void *p) {
    if (p != nullptr) live.fetch_add(1);
    return p;
}

}  // namespace

namespace tevra_test {
void FailAllocation(long n) { fail_at.store(n); }
long AllocationCount() { return count.load(); }
long LiveAllocations() { return live.load(); }
}  // namespace tevra_test

extern "C" {

void *tevra_malloc_internal(size_t size) { return should_fail() ? nullptr : note(std::malloc(size)); }

void *tevra_calloc_internal(size_t n, size_t size) {
    return should_fail() ? nullptr : note(std::calloc(n, size));
}

void *tevra_realloc_internal(void *p, size_t size) {
    if (should_fail()) return nullptr;
    void *q = std::realloc(p, size);
    if (p == nullptr) note(q);
    return q;
}

void tevra_free_internal(void *p) {
    if (p != nullptr) live.fetch_sub(1);
    std::free(p);
}

}  // extern "C"

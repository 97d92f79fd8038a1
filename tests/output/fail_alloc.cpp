#include "fail_alloc.hpp"

#include <tevra.h>

#include <atomic>
#include <cstdlib>

namespace {

std::atomic<bool> fail_next{false};
std::atomic<long> allocations{0};

bool should_fail() { return fail_next.exchange(false); }

void *counted(void *p) {
    if (p != nullptr) allocations.fetch_add(1);
    return p;
}

}  // namespace

namespace tevra_test {
void FailNextAllocation() { fail_next.store(true); }
long AllocationCount() { return allocations.load(); }
}  // namespace tevra_test

extern "C" {

void *tevra_malloc_internal(size_t size) {
    return should_fail() ? nullptr : counted(std::malloc(size));
}

void *tevra_calloc_internal(size_t n, size_t size) {
    return should_fail() ? nullptr : counted(std::calloc(n, size));
}

void *tevra_realloc_internal(void *p, size_t size) {
    if (should_fail()) return nullptr;
    void *q = std::realloc(p, size);
    return p == nullptr ? counted(q) : q;
}

void tevra_free_internal(void *p) { std::free(p); }

}  // extern "C"

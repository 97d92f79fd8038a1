#include "fail_alloc.hpp"

#include <tevra.h>

#include <atomic>
#include <cstdlib>

namespace {

std::atomic<bool> fail_next{false};

bool should_fail() { return fail_next.exchange(false); }

}  // namespace

namespace tevra_test {
void FailNextAllocation() { fail_next.store(true); }
}  // namespace tevra_test

extern "C" {

void *tevra_malloc_internal(size_t size) {
    return should_fail() ? nullptr : std::malloc(size);
}

void *tevra_calloc_internal(size_t n, size_t size) {
    return should_fail() ? nullptr : std::calloc(n, size);
}

void *tevra_realloc_internal(void *p, size_t size) {
    return should_fail() ? nullptr : std::realloc(p, size);
}

void tevra_free_internal(void *p) { std::free(p); }

}  // extern "C"

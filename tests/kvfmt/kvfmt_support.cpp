// The template test executable replaces the library's allocator forwards
// (the library reaches them through the dynamic linker), so tests can make
// one allocation fail or have every allocation disturb errno.
#include "kvfmt_support.hpp"

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdlib>

namespace {

std::atomic<long> fail_at{0};  // countdown; the call that sees 1 fails
std::atomic<long> calls{0};
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

// Written out independently of the library's own hash.
uint32_t reference_hash(const std::string &text) {
    uint32_t h = 1469598103u;
    for (unsigned char c : text) h = (h ^ c) * 16777619u;
    return h;
}

}  // namespace

namespace kvfmt_test {

void FailAllocation(long n) { fail_at.store(n); }
long AllocationCount() { return calls.load(); }
void ClobberErrno(int value) { errno_value.store(value); }

std::vector<std::string> colliding_templates(size_t n) {
    std::vector<std::string> out;
    uint32_t bucket = 0;
    for (unsigned i = 0; out.size() < n; ++i) {
        std::string text = "k" + std::to_string(i) + "=%d";
        const uint32_t b = reference_hash(text) & 511u;
        if (out.empty()) bucket = b;
        if (b == bucket) out.push_back(text);
    }
    return out;
}

}  // namespace kvfmt_test

extern "C" {

void *tevra_malloc_internal(size_t size) { return should_fail() ? nullptr : std::malloc(size); }

void *tevra_calloc_internal(size_t n, size_t size) { return should_fail() ? nullptr : std::calloc(n, size); }

void *tevra_realloc_internal(void *p, size_t size) { return should_fail() ? nullptr : std::realloc(p, size); }

void tevra_free_internal(void *p) { std::free(p); }

}  // extern "C"

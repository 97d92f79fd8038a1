// SPDX-License-Identifier: MIT
// The four allocator forwards. Every block the library obtains or releases
// passes through them, so one place decides where memory comes from.
#include <cstdlib>

#include "tevra.h"

extern "C" {

void *tevra_malloc_internal(size_t size) { return std::malloc(size); }

void *tevra_calloc_internal(size_t count, size_t size) { return std::calloc(count, size); }

void *tevra_realloc_internal(void *ptr, size_t size) { return std::realloc(ptr, size); }

void tevra_free_internal(void *ptr) { std::free(ptr); }

}  // extern "C"

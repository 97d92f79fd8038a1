// The output test executable replaces the library's allocator forwards (the
// library reaches them through the dynamic linker), so a test can make the
// next allocation fail and count allocations.
#pragma once

namespace tevra_test {

// The next allocation made through the forwards returns NULL.
void FailNextAllocation();
// Blocks obtained through the forwards (malloc, calloc, realloc of NULL)
// since the process started.
long AllocationCount();

}  // namespace tevra_test

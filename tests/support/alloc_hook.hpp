// SPDX-License-Identifier: MIT
// The library reaches its four allocator forwards through the dynamic
// linker, so the definitions in alloc_hook.cpp take their place in every
// test executable that uses one of the controls below. Tests can make one
// allocation fail, count allocations, and have each allocation disturb errno.
#pragma once

namespace tevra_test {

// The n-th allocation call from now (1 = the next one) returns NULL; 0
// disables.
void FailAllocation(long n);
inline void FailNextAllocation() { FailAllocation(1); }
// Calls to the malloc, calloc and realloc forwards since the process
// started, failed ones included.
long AllocationCount();
// Blocks obtained through the forwards (malloc, calloc, realloc of NULL)
// since the process started.
long BlocksObtained();
// Blocks obtained and not yet released.
long LiveAllocations();
// While on, every allocation call leaves errno set to this value (0: off).
void ClobberErrno(int value);

}  // namespace tevra_test

// The core test executable replaces the library's four allocator forwards
// (the library calls them through the dynamic linker, so definitions in the
// executable take their place). Tests can make one allocation fail and
// count what is still allocated.
#pragma once

namespace tevra_test {

// The n-th allocation from now (1 = the next one) returns NULL; 0 disables.
void FailAllocation(long n);
// Allocations made through the forwards since the process started.
long AllocationCount();
// Blocks obtained and not yet released.
long LiveAllocations();

}  // namespace tevra_test

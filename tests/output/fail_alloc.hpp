// The output test executable replaces the library's allocator forwards (the
// library reaches them through the dynamic linker), so a test can make the
// next allocation fail.
#pragma once

namespace tevra_test {

// The next allocation made through the forwards returns NULL.
void FailNextAllocation();

}  // namespace tevra_test

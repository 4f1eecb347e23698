// Allocation failures on demand, for the tests of what a failed allocation
// leaves behind: while armed, the `n`-th allocation through operator new of
// at least `size` bytes throws std::bad_alloc. The test program's operator
// new counts them; Qt's own buffers, allocated otherwise, are not affected.
#pragma once

#include <cstddef>

namespace orlindel::editor::testing {

// A sanitizer's allocator pairs each allocation with its own kind of release,
// so under one the test program keeps the library's operator new and no
// allocation can be made to fail.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
inline constexpr bool kAllocationFailuresAvailable = false;
#else
inline constexpr bool kAllocationFailuresAvailable = true;
#endif

// Arms the failure of the `n`-th (from 1) large allocation from now on; 0
// disarms it.
void FailLargeAllocation(int n, size_t size);

// The allocations of at least the armed size since the last
// FailLargeAllocation, the failing one included.
int LargeAllocationsSeen();

}  // namespace orlindel::editor::testing

#include "tests/editor/failing_allocations.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace orlindel::editor::testing {

namespace {

std::atomic<int> fail_at{0};
std::atomic<size_t> large_size{0};
std::atomic<int> seen{0};

}  // namespace

void FailLargeAllocation(int n, size_t size) {
  fail_at = 0;
  seen = 0;
  large_size = size;
  fail_at = n;
}

int LargeAllocationsSeen() { return seen; }

}  // namespace orlindel::editor::testing

#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
// The program's operator new and delete, over malloc and free as the
// library's own are.
void* operator new(size_t size) {
  using namespace orlindel::editor::testing;
  if (fail_at != 0 && size >= large_size && ++seen == fail_at)
    throw std::bad_alloc();
  if (void* block = std::malloc(size == 0 ? 1 : size)) return block;
  throw std::bad_alloc();
}

void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, size_t) noexcept { std::free(block); }
#endif

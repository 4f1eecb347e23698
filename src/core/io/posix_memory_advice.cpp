#include "core/io/memory_advice.h"

#include <cstdint>

#include <sys/mman.h>

namespace orlindel::io {

void AdviseLargePages(void* memory, size_t size) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  // Only whole large pages inside the block can be backed by one.
  constexpr uintptr_t kLargePage = kLargePageSize;
  const auto begin = reinterpret_cast<uintptr_t>(memory);
  const uintptr_t first = (begin + kLargePage - 1) & ~(kLargePage - 1);
  const uintptr_t end = (begin + size) & ~(kLargePage - 1);
  if (first < end)
    (void)madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
#else
  (void)memory;
  (void)size;
#endif
}

bool AddressSpaceLeft(size_t size) {
  // Inaccessible and never written: the block counts against the address
  // space limit as a heap block would, but takes no memory.
  void* block = mmap(nullptr, size, PROT_NONE,
                     MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  if (block == MAP_FAILED) return false;
  munmap(block, size);
  return true;
}

}  // namespace orlindel::io

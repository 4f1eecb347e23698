#include <windows.h>

#include "core/io/memory_advice.h"

namespace orlindel::io {

// Windows grants large pages only to programs holding a privilege; an image
// buffer lives with ordinary pages there.
void AdviseLargePages(void* memory, size_t size) {
  (void)memory;
  (void)size;
}

bool AddressSpaceLeft(size_t size) {
  // Reserved only: no page of it is committed.
  void* block = VirtualAlloc(nullptr, size, MEM_RESERVE, PAGE_NOACCESS);
  if (block == nullptr) return false;
  VirtualFree(block, 0, MEM_RELEASE);
  return true;
}

}  // namespace orlindel::io

// Hints to the system about how the program is going to use its memory.
#pragma once

#include <cstddef>

namespace orlindel::io {

// The size of a large page where the system has them (2 MiB on x86-64).
inline constexpr size_t kLargePageSize = size_t{1} << 21;

// The `size` bytes at `memory`, not touched yet and about to be filled
// front to back, are backed by large pages where the system offers them for
// the asking (transparent huge pages on Linux): a 10 MiB image then takes a
// handful of page faults instead of thousands. Only a hint; nothing happens
// where the system has no such pages.
void AdviseLargePages(void* memory, size_t size);

// True when `size` more bytes of address space can be had now: a block that
// large is reserved, neither touched nor committed, and given back at once.
// Under an address-space limit (RLIMIT_AS) this tells in advance whether
// work that needs about that much can start; code that cannot survive a
// failed allocation (the toolkit's own start-up, fonts and painting) asks
// first, so that a lack of memory is reported instead of ending the program.
bool AddressSpaceLeft(size_t size);

}  // namespace orlindel::io

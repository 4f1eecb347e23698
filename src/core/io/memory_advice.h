// Hints to the system about how the program is going to use its memory.
#pragma once

#include <cstddef>

namespace orlindel::io {

// The `size` bytes at `memory`, not touched yet and about to be filled
// front to back, are backed by large pages where the system offers them for
// the asking (transparent huge pages on Linux): a 10 MiB image then takes a
// handful of page faults instead of thousands. Only a hint; nothing happens
// where the system has no such pages.
void AdviseLargePages(void* memory, size_t size);

}  // namespace orlindel::io

#include "core/io/memory_advice.h"

namespace orlindel::io {

// Windows grants large pages only to programs holding a privilege; an image
// buffer lives with ordinary pages there.
void AdviseLargePages(void* memory, size_t size) {
  (void)memory;
  (void)size;
}

}  // namespace orlindel::io

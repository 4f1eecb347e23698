// Calls to a routine from inside its own 64 KiB bank.
#pragma once

#include <cstdint>
#include <vector>

#include "core/firmware_image.h"

namespace orlindel {

// Offsets of LCALL opcodes (0x12), ascending.
using XrefList = std::vector<int64_t>;

// Every LCALL to the 16-bit code address of `routine_start` that lies wholly
// inside the routine's bank and the search area. Calls from other banks are
// not looked for. Overlapping hits are all found.
XrefList FindXrefsInBank(ImageView image, int64_t routine_start);

}  // namespace orlindel

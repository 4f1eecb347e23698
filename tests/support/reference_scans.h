// Straightforward table scans, one position and one test at a time, exactly
// as the firmware format describes them: the oracle that the fast scans of
// the core are compared against, and the baseline the benchmarks measure
// them by. The checksum likewise, one word at a time.
#pragma once

#include <cstdint>
#include <span>

#include "core/osd_pos_list.h"
#include "core/window_list.h"

namespace orlindel::testing {

WindowListInfo ReferenceFindWindowList(ImageView image);
OsdPosListInfo ReferenceFindOsdPosList(ImageView image, int max_window_id);
// Stores the XOR of all whole little-endian words but the last into the last
// whole word; nothing for an image shorter than 4 bytes.
void ReferenceFixImageChecksum(std::span<uint8_t> image);

}  // namespace orlindel::testing

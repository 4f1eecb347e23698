// Straightforward table scans, one position and one test at a time, exactly
// as the firmware format describes them: the oracle that the fast scans of
// the core are compared against.
#pragma once

#include "core/osd_pos_list.h"
#include "core/window_list.h"

namespace orlindel::testing {

WindowListInfo ReferenceFindWindowList(ImageView image);
OsdPosListInfo ReferenceFindOsdPosList(ImageView image, int max_window_id);

}  // namespace orlindel::testing

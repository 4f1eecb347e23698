// How the CLI shows one window of the WList.
#pragma once

#include <cstdint>
#include <string>

#include "cli/json_output.h"
#include "core/window_list.h"

namespace orlindel::cli {

// Throws CommandRangeError unless `id` names a window of `list`; the text
// names the list's windows, or says that the image has no window list.
void CheckWindowId(const WindowListInfo& list, int64_t id);

// {"id", "recordOffset", "left", "top", "right", "bottom", "palDY", "blend"}
// for window `n`; RangeError when its record cannot be resolved.
Json WindowJson(ImageView image, const WindowListInfo& list, int n);

// One row of the human-readable window table.
std::string WindowTableRow(ImageView image, const WindowListInfo& list, int n);
// The header line of that table.
std::string WindowTableHeader();

}  // namespace orlindel::cli
